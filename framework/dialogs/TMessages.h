#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
using TMsgDlgButtons = int;
constexpr int mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7;

// A message catalogue: entries stored as "key|text" lines; the key is everything before the
// first bar. Msg of an unknown key gives "" .
class TMessages : public QObject
{
    Q_OBJECT
public:
    TMessages(QObject *owner, const QString &name);
    void SetLines(const QStringList &lines);
    const QStringList &Lines() const { return m_lines; }
    QString Msg(const QString &key) const;
    // Shows the key's text as a modal dialog (through the interaction seam); gives the result.
    int ShowMsg(const QString &key, TMsgDlgType type, TMsgDlgButtons buttons, int helpContext) const;

private:
    QStringList m_lines;
    QHash<QString, QString> m_texts;
};
