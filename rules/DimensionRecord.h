#pragma once

#include <QString>

// A dimension as the rules read it: every field as text, a null value as the empty text.
struct DimensionRecord
{
    QString flag;
    QString code;
    QString name;
    QString table;
    QString key;
    QString attribute;
    QString parent; // the self-relationship field
};

// An extra attribute: a further field of its dimension's table, with a display name.
struct ExtraRecord
{
    QString code; // the dimension's
    QString field;
    QString name;
};
