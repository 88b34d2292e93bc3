#pragma once

#include "TField.h"
#include "Variant.h"

#include <QObject>
#include <QString>
#include <QVector>
#include <functional>
#include <memory>

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

class RecordStore; // the rows, the current position and the change log (private to the platform)

// A client record set: string fields, a current record, a state, and a change log that goes to
// the server as a delta. Content always arrives as a data packet (SetData).
//
// Events (platform style, one handler each, may be empty) are called on the calling thread.
// An exception thrown by BeforePost refuses the post: the record stays in its state with its
// values and the exception passes on to the caller of Post.
// Signals are for views (grids): they tell what changed so that a view can follow.
class TClientDataSet : public QObject
{
    Q_OBJECT
public:
    using DataSetEvent = std::function<void(TClientDataSet *)>;

    explicit TClientDataSet(QObject *owner = nullptr, const QString &name = QString());
    ~TClientDataSet() override;

    // --- field definitions ---------------------------------------------------------------
    // Declared fields bind by name to a loaded packet's fields; a set with no declared fields
    // takes the fields of whatever packet is loaded into it.
    TField *AddField(const QString &fieldName, int size);
    int FieldCount() const;
    TField *Fields(int index) const;
    TField *FindField(const QString &fieldName) const;   // nullptr when absent
    TField *FieldByName(const QString &fieldName) const; // EDatabaseError when absent

    // --- state and navigation ------------------------------------------------------------
    TDataSetState State() const;
    // Editing: a record is being edited or inserted (its values are in the edit buffer).
    bool isEditing() const { return isEditing(State()); }
    static bool isEditing(TDataSetState state)
    {
        return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
    }
    bool Active() const;
    void Open();  // opens empty when never loaded
    void Close(); // drops content and change log
    bool IsEmpty() const;
    int RecordCount() const;
    int RecNo() const;        // 1-based; 0 when empty
    void SetRecNo(int recNo); // moves (posting an edit first, like every move)
    bool Eof() const;
    bool Bof() const;
    void First();
    void Next();
    void Prior();
    void Last();

    // --- editing -------------------------------------------------------------------------
    // Insert adds an empty record before the current one; Append at the end. Moving away from
    // an edited or inserted record posts it first. EDatabaseError when the state forbids it.
    // While inserting, the new record counts as a row (RecordCount, RecNo, views) at its place.
    // Edit on an empty set appends, as typing into an empty grid does.
    void Insert();
    void Append();
    void Edit();   // no effect when already editing or inserting
    void Post();   // no effect in browse state
    void Cancel(); // no effect in browse state; an inserted record disappears
    void Delete(); // deletes the current record (cancels an insert)

    // --- change log ----------------------------------------------------------------------
    bool LogChanges() const;
    void SetLogChanges(bool on);
    int ChangeCount() const; // records with pending changes
    Variant Delta() const;   // a change packet with exactly the pending changes
    void MergeChangeLog();   // pending changes become the base; ChangeCount 0
    void CancelUpdates();    // drops pending changes, restoring the base
    // The oldest pending change alone, for sending changes one at a time: a change packet with
    // only it; making it the base (the server has it); undoing it (the server refused it).
    Variant FirstChangeDelta() const;
    void MergeFirstChange();
    void RevertFirstChange();

    // --- whole content -------------------------------------------------------------------
    // The complete content, change log included, as a data packet (posted records only).
    Variant Data() const;
    // Replaces content and change log and reopens on the first record; like any reopening it
    // reports a state change (the views and commands depend on the new content), then AfterScroll.
    // A malformed, truncated or oversized packet raises EDatabaseError and changes nothing.
    void SetData(const Variant &packet);

    // --- reading without moving (for views) ----------------------------------------------
    QString ValueAt(int row, int fieldIndex) const; // 0-based row, as text
    bool IsNullAt(int row, int fieldIndex) const;
    QString DisplayTextAt(int row, int fieldIndex) const;
    // True when the row holds a posted change not yet merged (an insert or a modification).
    bool ChangePendingAt(int row) const;
    // Records deleted but not yet merged (the server has not got the delete), in the order
    // they were deleted; their text as shown, by field.
    int PendingDeleteCount() const;
    QString PendingDeleteText(int deleted, int fieldIndex) const;

    // While a view paints a row, the fields read that row: the record set does not move and no
    // event runs. Writes still go to the current record. Scopes do not nest.
    class DisplayRecord
    {
    public:
        DisplayRecord(TClientDataSet *dataSet, int row);
        ~DisplayRecord();
        DisplayRecord(const DisplayRecord &) = delete;
        DisplayRecord &operator=(const DisplayRecord &) = delete;

    private:
        TClientDataSet *m_dataSet;
    };

    // --- events --------------------------------------------------------------------------
    DataSetEvent BeforePost;
    DataSetEvent AfterPost;
    DataSetEvent BeforeDelete;
    DataSetEvent AfterDelete;
    DataSetEvent AfterScroll;
    DataSetEvent AfterCancel;

signals:
    void stateChanged(); // every state change
    // Rows replaced wholesale (SetData, Close, Open, CancelUpdates); rows inserted or removed.
    // A SetData at rest that keeps the declared fields and the number of rows, and changes only
    // a few, tells rowChanged for each row whose values or unsaved mark differ instead.
    // Each comes in two: "about to", while the rows are still as they were, then done.
    void contentAboutToBeReset();
    void contentReset();
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);
    void rowChanged(int row);                // a value of the row changed (buffer or posted)
    void currentChanged(int row);            // the current record moved
    void fieldFocusRequested(TField *field); // FocusControl
    void changeLogChanged();                 // ChangeCount may have changed

private:
    friend class TField;
    void checkActive() const;
    void checkEditing() const;
    void setState(TDataSetState state);
    void postIfEditing();
    void insertAt(int at);
    void moveTo(int index, bool bof, bool eof);
    int columnOf(const TField *field) const;
    const std::optional<QString> *valueOf(const TField *field) const; // nullptr: no record
    std::optional<QString> baseValueOf(const TField *field) const;
    void writeValue(TField *field, const std::optional<QString> &value);
    void clearDynamicFields();
    static void fire(const DataSetEvent &event, TClientDataSet *self);

    std::unique_ptr<RecordStore> d;
    QVector<TField *> m_fields;
};
