#pragma once

#include "DataPacket.h"
#include "TClientDataSet.h"

#include <QVector>
#include <map>

// The rows of a record set with their change log, its current position and its edit buffer.
// Values are kept per storage column (the loaded packet's fields, in packet order); a field of
// the set reads its column through columnOfField. The rules of states and events live in
// TClientDataSet; this class keeps the bookkeeping of what changed since the last merge.
//
// Changed records are indexed apart from the rows, so that the change log costs what the
// changes cost: a delta of one change in a list of 100 000 rows does not look at the others.
class RecordStore
{
public:
    enum class Status { Unchanged, Inserted, Modified };

    struct Record
    {
        // Read through valuesOf: a loaded row stays in the packet's bytes (keptAt) until then.
        mutable packet::Row values;
        mutable qsizetype keptAt = -1;
        std::optional<packet::Row> base; // as last merged; only for Modified
        Status status = Status::Unchanged;
        quint64 seq = 0;      // when it first changed, so deltas keep the user's order
        bool pending = false; // the row of an insert not yet posted
    };

    struct Deleted
    {
        packet::Row base;
        quint64 seq = 0;
        int position = 0; // where it stood, for CancelUpdates
    };

    // --- content -----------------------------------------------------------------------
    QVector<packet::FieldDef> columns;
    QVector<int> columnOfField; // TField index -> storage column
    QVector<Record> records;
    bool logChanges = true;
    bool fieldsDeclared = false;

    // --- position and editing ----------------------------------------------------------
    TDataSetState state = TDataSetState::dsInactive;
    int current = -1; // index into records, -1 when empty
    int displayRow = -1; // the row a view is painting, read in place of current
    bool bof = true;
    bool eof = true;
    packet::Row buffer;   // the values being edited or inserted
    packet::Row editBase; // the values when the edit began
    int positionBeforeInsert = -1;

    const packet::Row &rowValues(int row) const
    {
        return TClientDataSet::isEditing(state) && row == current ? buffer : valuesOf(records[row]);
    }
    const packet::Row &valuesOf(const Record &r) const
    {
        if (r.keptAt >= 0) {
            r.values = packet::keptRow(m_kept, r.keptAt, columns.size());
            r.keptAt = -1;
        }
        return r.values;
    }
    // A row not read since it was loaded, as the packet's bytes; nothing once it has been read.
    std::optional<QByteArrayView> keptBytesOf(const Record &r) const
    {
        if (r.keptAt < 0) return std::nullopt;
        return packet::keptRowBytes(m_kept, r.keptAt, columns.size());
    }
    packet::Row emptyRow() const { return packet::Row(columns.size()); }

    // Takes the packet's rows over (no copy of a row), and the rows it kept in its bytes.
    void load(packet::Packet &&p, const QVector<packet::FieldDef> &storageColumns,
              packet::KeptRows &&kept = {});
    void clear();

    packet::Packet content() const;
    packet::Packet delta() const;
    int changeCount() const { return int(m_changed.size() + m_deleted.size()); }
    const QVector<Deleted> &deleted() const { return m_deleted; } // not yet merged

    void insertPending(int at); // the empty row of a new insert
    void commitEdit(int index, const packet::Row &values);
    void commitInsert(int index, const packet::Row &values);
    void remove(int index); // a pending insert just disappears
    void merge();
    void cancelUpdates();
    // The oldest pending change alone: as a delta, made the base, or undone (an insert goes, a
    // modification gets its old values, a delete comes back where it stood).
    packet::Packet firstChangeDelta() const;
    void mergeFirstChange();
    void revertFirstChange();

private:
    void insertRecord(int at, Record record);
    bool firstChangeIsDelete() const;
    // Visits the pending changes in the order they were made.
    template <typename OnRecord, typename OnDeleted>
    void forEachChange(OnRecord onRecord, OnDeleted onDeleted) const;

    static void setValues(Record &r, const packet::Row &values)
    {
        r.values = values;
        r.keptAt = -1;
    }

    QByteArray m_kept; // the loaded packet, where records not yet read keep their values
    std::map<quint64, int> m_changed; // seq -> index of an inserted or modified record
    QVector<Deleted> m_deleted;       // in seq order
    int m_pendingAt = -1;
    quint64 m_nextSeq = 1;
};
