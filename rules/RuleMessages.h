#pragma once

#include <QString>
#include <QStringList>

// The texts of the rules of a dimension and its extras, by message key: the entries of the
// screen's message table that its checks show (with the captions they put into "%s"), and the
// few that only a save by another client can break (a code that is not digits, a flag other
// than S or N). The screen's table takes its entries from here, so a refusal from the server
// reads exactly as the screen's.
namespace rule_messages {

// "key|text" lines of the screen's message table.
QStringList screenLines();
// The template of a key; an empty text for an unknown key.
QString text(const QString &key);

} // namespace rule_messages
