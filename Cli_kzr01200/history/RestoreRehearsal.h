#pragma once

#include <memory>

class DryRunJournal;
class HostServices;
class TNetConnection;

// A restore tried out before anything of it is kept. While it lives, the screen's calls to its
// dimension module are steps of a dry run (TNetConnection::SetDryRun): every check answers and
// every save goes through or is refused as in a real run, each seeing the saves before it, and
// nothing is stored. What the screen tells the host of its saves waits meanwhile. confirm() then
// has the server make those saves for real in one transaction: all of them or, should one be
// refused now (data changed since), none.
class RestoreRehearsal
{
public:
    explicit RestoreRehearsal(TNetConnection *connection);
    ~RestoreRehearsal(); // nothing of an unconfirmed rehearsal is kept
    RestoreRehearsal(const RestoreRehearsal &) = delete;
    RestoreRehearsal &operator=(const RestoreRehearsal &) = delete;

    // Ends the rehearsal and saves what it saved; then the host hears which tables changed. A
    // refusal passes on as a refused save of the screen does (SaveOrTakeBack).
    void confirm();

private:
    class HeldNews;
    void end();

    TNetConnection *m_connection;
    std::shared_ptr<DryRunJournal> m_journal;
    HostServices *m_host;              // the real one; null when none is installed
    std::unique_ptr<HeldNews> m_stand; // stands in for it meanwhile
    bool m_ended = false;
};
