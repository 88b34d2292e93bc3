#pragma once

#include "DataPacket.h"

#include <QByteArray>
#include <QStringList>
#include <optional>
#include <vector>

// A content packet kept in its encoded form (the bytes packet::encode gives), knowing where
// each row lies in it and under which dimension code, so that a few rows are replaced by
// copying all the others as they are instead of encoding them again. The rows are in the order
// of their codes; only a list whose every code has the stored form (five digits) can be
// spliced, as only those compare the same way in every collation.
class EncodedList
{
public:
    // rows: ordered by the field keyField.
    EncodedList(const QVector<packet::FieldDef> &fields, const QVector<packet::Row> &rows,
                int keyField);

    const QByteArray &bytes() const { return m_bytes; }
    qsizetype rowCount() const { return qsizetype(m_rows.size()); }
    bool spliceable() const { return m_spliceable; }

    // The same list with the rows of the given codes taken out and the replacements (as many
    // as are still stored under those codes, in any order) put in their places; nullopt when
    // the list cannot be spliced, or when a code or a replacement's code is not in stored
    // form or not among the codes given.
    std::optional<EncodedList> spliced(const QStringList &codes,
                                       const QVector<packet::Row> &replacements) const;

private:
    struct Entry
    {
        int code;   // the five digits as a number
        quint32 at; // where the row's encoding begins in m_bytes
    };

    EncodedList(int keyField) : m_keyField(keyField) {}
    static int codeOf(const std::optional<QString> &value); // -1 unless in stored form
    qsizetype rowEnd(size_t index) const;

    QByteArray m_bytes;
    qsizetype m_rowsHeadAt = 0; // where the rows' array begins, after the fields
    std::vector<Entry> m_rows;
    int m_keyField;
    bool m_spliceable = true;
};
