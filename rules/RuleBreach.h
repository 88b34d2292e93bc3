#pragma once

#include <QString>
#include <QStringList>

// A rule that a dimension or an extra attribute breaks, as the screen shows it: the message
// key, what fills its "%s" (first the captions, each the text of a key named after a field,
// then plain values such as a table name), and the field the user is to correct.
struct RuleBreach
{
    QString key;
    QStringList captionKeys;
    QStringList values;
    QString field; // empty: the focus stays where it is

    // The text of the message table filled in, as the screen shows it.
    QString text() const;
    // The same as the refusal of a save that changed nothing: "<what>: <text>. Nada foi
    // gravado.", what naming the record ("Dimensão 00012").
    QString refusal(const QString &what) const;
};
