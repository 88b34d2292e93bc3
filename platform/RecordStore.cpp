#include "RecordStore.h"

void RecordStore::load(packet::Packet &&p, const QVector<packet::FieldDef> &storageColumns,
                       packet::KeptRows &&kept)
{
    columns = storageColumns;
    records.clear();
    m_changed.clear();
    m_deleted.clear();
    m_pendingAt = -1;
    const qsizetype rows = p.rows.size() + kept.at.size();
    records.resize(rows);
    for (qsizetype i = 0; i < p.rows.size(); ++i)
        records[i].values = std::move(p.rows[i]);
    for (qsizetype i = 0; i < kept.at.size(); ++i)
        records[p.rows.size() + i].keptAt = kept.at[i];
    m_kept = std::move(kept.bytes);
    // The log travels in the order the changes were made; new sequence numbers keep it.
    for (const packet::LogEntry &e : p.log) {
        const quint64 seq = m_nextSeq++;
        if (e.op == packet::ChangeOp::Delete) {
            m_deleted.append({*e.oldRow, seq, int(rows)});
            continue;
        }
        Record &r = records[*e.row];
        r.status = e.op == packet::ChangeOp::Insert ? Status::Inserted : Status::Modified;
        if (e.op == packet::ChangeOp::Modify) r.base = *e.oldRow;
        r.seq = seq;
        m_changed.emplace(seq, *e.row);
    }
    buffer.clear();
    editBase.clear();
}

void RecordStore::clear()
{
    records.clear();
    m_kept.clear();
    m_changed.clear();
    m_deleted.clear();
    m_pendingAt = -1;
    buffer.clear();
    editBase.clear();
    current = -1;
    bof = eof = true;
}

template <typename OnRecord, typename OnDeleted>
void RecordStore::forEachChange(OnRecord onRecord, OnDeleted onDeleted) const
{
    auto live = m_changed.begin();
    auto gone = m_deleted.begin();
    while (live != m_changed.end() || gone != m_deleted.end()) {
        if (gone == m_deleted.end() || (live != m_changed.end() && live->first < gone->seq)) {
            onRecord(live->second, records[live->second]);
            ++live;
        } else {
            onDeleted(*gone);
            ++gone;
        }
    }
}

packet::Packet RecordStore::content() const
{
    packet::Packet p;
    p.fields = columns;
    p.rows.reserve(records.size());
    for (const Record &r : records)
        if (!r.pending) p.rows.append(valuesOf(r));
    p.log.reserve(changeCount());
    // Row numbers in the packet skip the row of an unposted insert.
    auto packetRow = [this](int index) {
        return m_pendingAt >= 0 && m_pendingAt < index ? index - 1 : index;
    };
    forEachChange(
        [&](int index, const Record &r) {
            if (r.status == Status::Inserted)
                p.log.append({packet::ChangeOp::Insert, packetRow(index), std::nullopt});
            else
                p.log.append({packet::ChangeOp::Modify, packetRow(index), r.base});
        },
        [&](const Deleted &d) {
            p.log.append({packet::ChangeOp::Delete, std::nullopt, d.base});
        });
    return p;
}

packet::Packet RecordStore::delta() const
{
    packet::Packet p;
    p.isDelta = true;
    p.fields = columns;
    p.changes.reserve(changeCount());
    forEachChange(
        [&](int, const Record &r) {
            if (r.status == Status::Inserted)
                p.changes.append({packet::ChangeOp::Insert, std::nullopt, valuesOf(r)});
            else
                p.changes.append({packet::ChangeOp::Modify, r.base, valuesOf(r)});
        },
        [&](const Deleted &d) {
            p.changes.append({packet::ChangeOp::Delete, d.base, std::nullopt});
        });
    return p;
}

void RecordStore::insertRecord(int at, Record record)
{
    records.insert(at, std::move(record));
    for (auto &[seq, index] : m_changed)
        if (index >= at) ++index;
    if (m_pendingAt >= at) ++m_pendingAt;
}

void RecordStore::insertPending(int at)
{
    Record r;
    r.values = emptyRow();
    r.pending = true;
    insertRecord(at, std::move(r));
    m_pendingAt = at;
}

void RecordStore::commitEdit(int index, const packet::Row &values)
{
    Record &r = records[index];
    // Every posted edit is a change, even one that writes the values already there: the
    // server is told about each record the user posted.
    if (logChanges && r.status == Status::Unchanged) {
        r.status = Status::Modified;
        r.base = valuesOf(r);
        r.seq = m_nextSeq++;
        m_changed.emplace(r.seq, index);
    }
    setValues(r, values);
}

void RecordStore::commitInsert(int index, const packet::Row &values)
{
    Record &r = records[index];
    r.pending = false;
    m_pendingAt = -1;
    setValues(r, values);
    if (logChanges) {
        r.status = Status::Inserted;
        r.seq = m_nextSeq++;
        m_changed.emplace(r.seq, index);
    }
}

void RecordStore::remove(int index)
{
    Record &r = records[index];
    if (r.pending) {
        m_pendingAt = -1;
    } else {
        if (r.status != Status::Unchanged) m_changed.erase(r.seq);
        // An insert that never reached the server leaves nothing to delete there.
        if (logChanges && r.status != Status::Inserted)
            m_deleted.append(
                {r.status == Status::Modified ? *r.base : valuesOf(r), m_nextSeq++, index});
    }
    records.removeAt(index);
    for (auto &[seq, i] : m_changed)
        if (i > index) --i;
    if (m_pendingAt > index) --m_pendingAt;
}

void RecordStore::merge()
{
    for (const auto &[seq, index] : m_changed) {
        Record &r = records[index];
        r.status = Status::Unchanged;
        r.base.reset();
        r.seq = 0;
    }
    m_changed.clear();
    m_deleted.clear();
}

void RecordStore::cancelUpdates()
{
    QVector<Record> kept;
    kept.reserve(records.size());
    for (Record &r : records) {
        if (r.status == Status::Inserted || r.pending) continue;
        if (r.status == Status::Modified) setValues(r, *r.base);
        r.status = Status::Unchanged;
        r.base.reset();
        r.seq = 0;
        kept.append(std::move(r));
    }
    records = std::move(kept);
    m_changed.clear();
    m_pendingAt = -1;
    // Put deleted records back where they stood, the latest deletion first, so that earlier
    // positions are still right when their turn comes.
    for (auto it = m_deleted.crbegin(); it != m_deleted.crend(); ++it) {
        Record r;
        r.values = it->base;
        records.insert(qBound(0, it->position, int(records.size())), std::move(r));
    }
    m_deleted.clear();
}

bool RecordStore::firstChangeIsDelete() const
{
    return !m_deleted.isEmpty() && (m_changed.empty() || m_deleted.first().seq < m_changed.begin()->first);
}

packet::Packet RecordStore::firstChangeDelta() const
{
    packet::Packet p = delta();
    if (p.changes.size() > 1) p.changes.resize(1);
    return p;
}

void RecordStore::mergeFirstChange()
{
    if (firstChangeIsDelete()) {
        m_deleted.removeFirst();
        return;
    }
    if (m_changed.empty()) return;
    Record &r = records[m_changed.begin()->second];
    r.status = Status::Unchanged;
    r.base.reset();
    r.seq = 0;
    m_changed.erase(m_changed.begin());
}

void RecordStore::revertFirstChange()
{
    if (firstChangeIsDelete()) {
        const Deleted gone = m_deleted.takeFirst();
        Record r;
        r.values = gone.base;
        insertRecord(qBound(0, gone.position, int(records.size())), std::move(r));
        return;
    }
    if (m_changed.empty()) return;
    const int index = m_changed.begin()->second;
    m_changed.erase(m_changed.begin());
    Record &r = records[index];
    if (r.status == Status::Modified) {
        setValues(r, *r.base);
        r.status = Status::Unchanged;
        r.base.reset();
        r.seq = 0;
        return;
    }
    records.removeAt(index);
    for (auto &[seq, i] : m_changed)
        if (i > index) --i;
    if (m_pendingAt > index) --m_pendingAt;
}
