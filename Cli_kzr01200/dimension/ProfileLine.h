#pragma once

#include "BackgroundCaller.h"
#include "ElidedLabel.h"

#include <QTimer>
#include <optional>

// The line under the dimension grid: what the data behind the current dimension looks like
// ("1.234 membros · chave única · 0 órfãos · profundidade 3"), in a warning colour when
// something there would break the cube. Asked of the server in the background: nothing the
// user does waits for it, and a failure only says so on the line, until the row changes or the
// user logs in again (the session may have been what failed).
class ProfileLine : public ElidedLabel
{
    Q_OBJECT
public:
    // A dimension as stored: table, key, main attribute, self-relationship (may be empty).
    struct Dimension
    {
        QString table, key, attribute, parent;
        bool operator==(const Dimension &) const = default;
    };
    enum class Tone { Neutral, Normal, Warning };

    explicit ProfileLine(QWidget *parent);

    // The dimension now current; none (or one without a table) leaves the line empty. An
    // answer still to come for an earlier one is never shown.
    void follow(const std::optional<Dimension> &dimension);

    Tone tone() const { return m_tone; }

signals:
    // For tests and diagnostics: every text the line takes; each question as it goes to the
    // server (the table asked about).
    void textShown(const QString &text);
    void asked(const QString &table);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fetch();
    void showText(const QString &text, Tone tone, const QString &tip = QString());
    void answered(quint64 ticket, const Variant &reply);
    void unavailable(const QString &reason); // quietly: no dialog, a neutral text
    void askAgainIfUnavailable();

    BackgroundCaller m_caller;
    QTimer m_settle; // a row passed on the way to another is not asked about
    std::optional<Dimension> m_dimension; // what the line is to describe
    std::optional<Dimension> m_described; // what its text describes now
    quint64 m_ticket = 0;                 // the answer awaited
    bool m_fetchWhenShown = false;
    bool m_unavailable = false; // the text says why the dimension could not be described
    Tone m_tone = Tone::Neutral;
};
