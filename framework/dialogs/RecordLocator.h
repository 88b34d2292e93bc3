#pragma once

#include <QString>

class TClientDataSet;
class TField;

// Finds a record by the text of one field, for the find dialog (real or scripted).
class RecordLocator
{
public:
    // Moves to the first record, from the top, whose field's display text starts with text
    // (case-insensitive); an exact match is preferred over a prefix. A code of digits in a
    // fixed width is first looked for as stored ("4" as "00004"). False, and no move, when
    // none matches or the field is unknown.
    static bool locate(TClientDataSet *dataSet, const QString &fieldName, const QString &text);

    // After a reload: back on the record whose field holds exactly value, else on the record
    // at place (RecNo before the reload) where the set still has one.
    static void returnTo(TClientDataSet *dataSet, const TField *field, const QString &value,
                         int place);
};
