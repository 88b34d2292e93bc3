#include "RestoreRehearsal.h"

#include "DryRunJournal.h"
#include "HostServices.h"
#include "RemoteMethods.h"
#include "SaveOrTakeBack.h"
#include "Services.h"
#include "TApplication.h"

#include <QStringList>

// The host as the screen sees it during a rehearsal: everything passes on but the news of a
// saved table and of changed attributes, which would be false until the saves are real (the
// host's cube record sets stay as they are, whatever comes of the rehearsal).
class RestoreRehearsal::HeldNews : public HostServices
{
public:
    explicit HeldNews(HostServices &host) : m_host(host) {}

    QString webUrl() const override { return m_host.webUrl(); }
    int webPort() const override { return m_host.webPort(); }
    void atualizaLocalCache(const QStringList &tables) override { savedTables << tables; }
    void cubeAttributesChanged() override { attributesChanged = true; }
    QWidget *mainForm() const override { return m_host.mainForm(); }
    void adoptForm(TfrmPadraoGrid *form) override { m_host.adoptForm(form); }
    void saveFailed(const QString &message) override { m_host.saveFailed(message); }
    ServerAccess serverAccess() const override { return m_host.serverAccess(); }
    void sessionEnded(const QString &message) override { m_host.sessionEnded(message); }

    QStringList savedTables;
    bool attributesChanged = false;

private:
    HostServices &m_host;
};

RestoreRehearsal::RestoreRehearsal(TNetConnection *connection)
    : m_connection(connection),
      m_journal(std::make_shared<DryRunJournal>(QStringList{connection->ServerName()})),
      m_host(TApplication::Host())
{
    if (m_host) {
        m_stand = std::make_unique<HeldNews>(*m_host);
        TApplication::SetHost(m_stand.get());
    }
    TNetConnection::SetDryRun(m_journal);
}

RestoreRehearsal::~RestoreRehearsal()
{
    end();
}

void RestoreRehearsal::end()
{
    if (std::exchange(m_ended, true)) return;
    TNetConnection::SetDryRun(nullptr);
    if (m_host) TApplication::SetHost(m_host);
}

void RestoreRehearsal::confirm()
{
    end();
    if (m_journal->empty()) return;
    SaveOrTakeBack(
        [this] { CheckResultServ(remote::confirmaSimulacao(m_connection, m_journal->saves())); },
        [] {}); // the restore shows what the server holds, whatever came of it
    QStringList tables = m_stand ? m_stand->savedTables : QStringList();
    tables.removeDuplicates();
    if (m_host && !tables.isEmpty()) m_host->atualizaLocalCache(tables);
    if (m_host && m_stand->attributesChanged) m_host->cubeAttributesChanged();
}
