#pragma once

#include "ElidedLabel.h"

#include <QStringList>
#include <QTime>

// The status line's word on saving: what the last save did, in words and with its time
// ("Dimensões gravadas às 10:42"), or, in red, that it failed and why. A failure holds only
// until something goes right again (a save, a refresh, a new login); cut short by the line's
// width, it is said in full by the tooltip.
class SaveStatus : public ElidedLabel
{
    Q_OBJECT
public:
    explicit SaveStatus(QWidget *parent);

    void saved(const QStringList &tables, const QTime &at);
    void failed(const QString &message, const QTime &at);
    // Something went right that a failure on the line would contradict: the failure goes.
    void succeeded();
    bool showsFailure() const { return m_failure; }

    // How the user calls what a server table holds ("Dimensões" for DIMENSAODIME).
    static QString wordsFor(const QString &table);

private:
    void show(const QString &text, const QString &tip, bool failure);

    bool m_failure = false;
};
