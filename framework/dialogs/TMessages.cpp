#include "TMessages.h"

#include "Interaction.h"

TMessages::TMessages(QObject *owner, const QString &name) : QObject(owner)
{
    setObjectName(name);
}

void TMessages::SetLines(const QStringList &lines)
{
    m_lines = lines;
    m_texts.clear();
    for (const QString &line : lines) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (bar < 0)
            continue; // a line without a bar names nothing
        // The first entry of a key wins, as a look-up from the top of the list would find it.
        const QString key = line.left(bar);
        if (!m_texts.contains(key))
            m_texts.insert(key, line.mid(bar + 1));
    }
}

QString TMessages::Msg(const QString &key) const
{
    return m_texts.value(key);
}

int TMessages::ShowMsg(const QString &key, TMsgDlgType type, TMsgDlgButtons buttons,
                       int helpContext) const
{
    Q_UNUSED(helpContext); // there is no help system to open
    return Interaction::current().messageDialog(Msg(key), type, buttons);
}
