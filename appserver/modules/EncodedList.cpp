#include "EncodedList.h"

#include "DimensionCode.h"

#include <algorithm>
#include <limits>

EncodedList::EncodedList(const QVector<packet::FieldDef> &fields,
                         const QVector<packet::Row> &rows, int keyField)
    : m_keyField(keyField)
{
    // The packet without rows ends in the empty rows array, one byte: what comes before it is
    // the same whatever the rows.
    packet::Packet empty;
    empty.fields = fields;
    m_bytes = packet::encode(empty);
    m_bytes.chop(1);
    m_rowsHeadAt = m_bytes.size();
    packet::appendArrayHead(m_bytes, quint64(rows.size()));
    m_rows.reserve(size_t(rows.size()));
    int previous = -1;
    for (const packet::Row &row : rows) {
        const int code = codeOf(row.value(keyField));
        if (code <= previous) m_spliceable = false; // not a stored code, or out of order
        previous = code;
        m_rows.push_back({code, quint32(m_bytes.size())});
        packet::appendRow(m_bytes, row);
    }
    // Positions are kept in 32 bits; a list that large is only ever read whole.
    if (m_bytes.size() > qsizetype(std::numeric_limits<quint32>::max())) m_spliceable = false;
    if (!m_spliceable) m_rows = {};
}

int EncodedList::codeOf(const std::optional<QString> &value)
{
    return value ? DimensionCode::numberOf(*value) : -1;
}

qsizetype EncodedList::rowEnd(size_t index) const
{
    return index + 1 < m_rows.size() ? qsizetype(m_rows[index + 1].at) : m_bytes.size();
}

std::optional<EncodedList> EncodedList::spliced(const QStringList &codes,
                                                const QVector<packet::Row> &replacements) const
{
    if (!m_spliceable) return std::nullopt;
    std::vector<int> gone;
    for (const QString &code : codes) {
        gone.push_back(codeOf(code));
        if (gone.back() < 0) return std::nullopt;
    }
    std::sort(gone.begin(), gone.end());
    gone.erase(std::unique(gone.begin(), gone.end()), gone.end());
    std::vector<std::pair<int, const packet::Row *>> added;
    for (const packet::Row &row : replacements) {
        const int code = codeOf(row.value(m_keyField));
        if (!std::binary_search(gone.begin(), gone.end(), code)) return std::nullopt;
        added.emplace_back(code, &row);
    }
    std::sort(added.begin(), added.end(),
              [](const auto &a, const auto &b) { return a.first < b.first; });
    for (size_t i = 1; i < added.size(); ++i)
        if (added[i].first == added[i - 1].first) return std::nullopt;

    auto byCode = [](const Entry &e, int code) { return e.code < code; };
    size_t kept = m_rows.size();
    for (int code : gone) {
        const auto at = std::lower_bound(m_rows.begin(), m_rows.end(), code, byCode);
        if (at != m_rows.end() && at->code == code) --kept;
    }
    EncodedList result(m_keyField);
    QByteArray &out = result.m_bytes;
    out.reserve(m_bytes.size() + 16 + qsizetype(added.size()) * 256);
    out.append(m_bytes.constData(), m_rowsHeadAt);
    result.m_rowsHeadAt = m_rowsHeadAt;
    packet::appendArrayHead(out, quint64(kept) + quint64(added.size()));
    result.m_rows.reserve(kept + added.size());

    // Copies the stored rows [from, to) as they are, moving their positions along.
    auto copyRows = [&](size_t from, size_t to) {
        if (from >= to) return;
        const qsizetype begin = m_rows[from].at;
        const qsizetype shift = out.size() - begin;
        out.append(m_bytes.constData() + begin, rowEnd(to - 1) - begin);
        for (size_t i = from; i < to; ++i)
            result.m_rows.push_back({m_rows[i].code, quint32(m_rows[i].at + shift)});
    };
    size_t cursor = 0;
    auto next = added.begin();
    for (int code : gone) {
        const size_t at =
            size_t(std::lower_bound(m_rows.begin() + qsizetype(cursor), m_rows.end(), code, byCode) -
                   m_rows.begin());
        copyRows(cursor, at);
        if (next != added.end() && next->first == code) {
            result.m_rows.push_back({code, quint32(out.size())});
            packet::appendRow(out, *next->second);
            ++next;
        }
        cursor = at < m_rows.size() && m_rows[at].code == code ? at + 1 : at;
    }
    copyRows(cursor, m_rows.size());
    if (out.size() > qsizetype(std::numeric_limits<quint32>::max())) return std::nullopt;
    return result;
}
