#include "RecordStore.h"

#include <algorithm>

void RecordStore::load(const packet::Packet &p, const QVector<packet::FieldDef> &storageColumns)
{
    columns = storageColumns;
    records.clear();
    deleted.clear();
    records.resize(p.rows.size());
    for (qsizetype i = 0; i < p.rows.size(); ++i)
        records[i].values = p.rows[i];
    // The log travels in the order the changes were made; new sequence numbers keep it.
    for (const packet::LogEntry &e : p.log) {
        const quint64 seq = m_nextSeq++;
        switch (e.op) {
        case packet::ChangeOp::Insert:
            records[*e.row].status = Status::Inserted;
            records[*e.row].seq = seq;
            break;
        case packet::ChangeOp::Modify:
            records[*e.row].status = Status::Modified;
            records[*e.row].base = *e.oldRow;
            records[*e.row].seq = seq;
            break;
        case packet::ChangeOp::Delete:
            deleted.append({*e.oldRow, seq, int(p.rows.size())});
            break;
        }
    }
    buffer.clear();
    editBase.clear();
}

void RecordStore::clear()
{
    records.clear();
    deleted.clear();
    buffer.clear();
    editBase.clear();
    current = -1;
    bof = eof = true;
}

packet::Packet RecordStore::content() const
{
    packet::Packet p;
    p.fields = columns;
    p.rows.reserve(records.size());
    struct Entry
    {
        quint64 seq;
        packet::LogEntry entry;
    };
    QVector<Entry> log;
    for (const Record &r : records) {
        if (r.pending) continue;
        const int row = int(p.rows.size());
        p.rows.append(r.values);
        if (r.status == Status::Inserted)
            log.append({r.seq, {packet::ChangeOp::Insert, row, std::nullopt}});
        else if (r.status == Status::Modified)
            log.append({r.seq, {packet::ChangeOp::Modify, row, r.base}});
    }
    for (const Deleted &d : deleted)
        log.append({d.seq, {packet::ChangeOp::Delete, std::nullopt, d.base}});
    std::sort(log.begin(), log.end(), [](const Entry &a, const Entry &b) { return a.seq < b.seq; });
    p.log.reserve(log.size());
    for (Entry &e : log)
        p.log.append(std::move(e.entry));
    return p;
}

packet::Packet RecordStore::delta() const
{
    packet::Packet p;
    p.isDelta = true;
    p.fields = columns;
    struct Entry
    {
        quint64 seq;
        packet::Change change;
    };
    QVector<Entry> changes;
    for (const Record &r : records) {
        if (r.pending) continue;
        if (r.status == Status::Inserted)
            changes.append({r.seq, {packet::ChangeOp::Insert, std::nullopt, r.values}});
        else if (r.status == Status::Modified)
            changes.append({r.seq, {packet::ChangeOp::Modify, r.base, r.values}});
    }
    for (const Deleted &d : deleted)
        changes.append({d.seq, {packet::ChangeOp::Delete, d.base, std::nullopt}});
    std::sort(changes.begin(), changes.end(),
              [](const Entry &a, const Entry &b) { return a.seq < b.seq; });
    p.changes.reserve(changes.size());
    for (Entry &e : changes)
        p.changes.append(std::move(e.change));
    return p;
}

int RecordStore::changeCount() const
{
    int count = int(deleted.size());
    for (const Record &r : records)
        if (!r.pending && r.status != Status::Unchanged) ++count;
    return count;
}

void RecordStore::commitEdit(int index, const packet::Row &values)
{
    Record &r = records[index];
    // Every posted edit is a change, even one that writes the values already there: the
    // server is told about each record the user posted.
    if (logChanges && r.status == Status::Unchanged) {
        r.status = Status::Modified;
        r.base = r.values;
        r.seq = m_nextSeq++;
    }
    r.values = values;
}

void RecordStore::commitInsert(int index, const packet::Row &values)
{
    Record &r = records[index];
    r.pending = false;
    r.values = values;
    if (logChanges) {
        r.status = Status::Inserted;
        r.seq = m_nextSeq++;
    }
}

void RecordStore::remove(int index)
{
    const Record &r = records[index];
    if (logChanges && !r.pending && r.status != Status::Inserted)
        deleted.append({r.status == Status::Modified ? *r.base : r.values, m_nextSeq++, index});
    records.removeAt(index);
}

void RecordStore::merge()
{
    for (Record &r : records) {
        if (r.pending) continue;
        r.status = Status::Unchanged;
        r.base.reset();
        r.seq = 0;
    }
    deleted.clear();
}

void RecordStore::cancelUpdates()
{
    QVector<Record> kept;
    kept.reserve(records.size());
    for (Record &r : records) {
        if (r.status == Status::Inserted || r.pending) continue;
        if (r.status == Status::Modified) r.values = *r.base;
        r.status = Status::Unchanged;
        r.base.reset();
        r.seq = 0;
        kept.append(std::move(r));
    }
    records = std::move(kept);
    // Put deleted records back where they stood, the latest deletion first, so that earlier
    // positions are still right when their turn comes.
    std::sort(deleted.begin(), deleted.end(),
              [](const Deleted &a, const Deleted &b) { return a.seq > b.seq; });
    for (const Deleted &d : deleted) {
        Record r;
        r.values = d.base;
        records.insert(qBound(0, d.position, int(records.size())), std::move(r));
    }
    deleted.clear();
}
