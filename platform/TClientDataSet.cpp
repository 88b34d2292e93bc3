#include "TClientDataSet.h"

#include "DataPacket.h"
#include "RecordStore.h"
#include "TextRules.h"

#include <QHash>
#include <optional>

TClientDataSet::TClientDataSet(QObject *owner, const QString &name)
    : QObject(owner), d(std::make_unique<RecordStore>())
{
    setObjectName(name);
}

TClientDataSet::~TClientDataSet() = default;

void TClientDataSet::checkActive() const
{
    if (d->state == TDataSetState::dsInactive)
        throw EDatabaseError(QStringLiteral("Não há dados abertos para esta operação."));
}

void TClientDataSet::checkEditing() const
{
    checkActive();
    if (!isEditing())
        throw EDatabaseError(QStringLiteral(
            "O registro não está em alteração nem em inclusão: use Alterar ou Incluir antes de mudar seus dados."));
}

void TClientDataSet::fire(const DataSetEvent &event, TClientDataSet *self)
{
    if (event) event(self);
}

void TClientDataSet::setState(TDataSetState state)
{
    if (d->state == state) return;
    d->state = state;
    emit stateChanged();
}

// --- field definitions ---------------------------------------------------------------------

TField *TClientDataSet::AddField(const QString &fieldName, int size)
{
    if (Active())
        throw EDatabaseError(QStringLiteral("A definição dos dados não pode mudar com os dados abertos."));
    if (size < 1)
        throw EDatabaseError(QStringLiteral("A definição dos dados tem um campo sem tamanho."));
    if (!d->fieldsDeclared) clearDynamicFields();
    if (FindField(fieldName))
        throw EDatabaseError(QStringLiteral("A definição dos dados repete um campo."));
    d->fieldsDeclared = true;
    auto *field = new TField(this, fieldName, size);
    m_fields.append(field);
    // Until a packet is loaded the declared fields are the storage.
    d->columns.append({fieldName, size});
    d->columnOfField.append(int(d->columns.size() - 1));
    return field;
}

void TClientDataSet::clearDynamicFields()
{
    qDeleteAll(m_fields);
    m_fields.clear();
    d->columnOfField.clear();
    d->columns.clear();
}

int TClientDataSet::FieldCount() const
{
    return int(m_fields.size());
}

TField *TClientDataSet::Fields(int index) const
{
    if (index < 0 || index >= m_fields.size())
        throw EDatabaseError(QStringLiteral("Campo inexistente nos dados da tela."));
    return m_fields[index];
}

TField *TClientDataSet::FindField(const QString &fieldName) const
{
    for (TField *f : m_fields)
        if (f->FieldName().compare(fieldName, Qt::CaseInsensitive) == 0) return f;
    return nullptr;
}

TField *TClientDataSet::FieldByName(const QString &fieldName) const
{
    if (TField *f = FindField(fieldName)) return f;
    throw EDatabaseError(QStringLiteral("Campo inexistente nos dados da tela."));
}

int TClientDataSet::columnOf(const TField *field) const
{
    return d->columnOfField[field->Index()];
}

// --- state and navigation --------------------------------------------------------------------

TDataSetState TClientDataSet::State() const
{
    return d->state;
}

bool TClientDataSet::Active() const
{
    return d->state != TDataSetState::dsInactive;
}

void TClientDataSet::Open()
{
    if (Active()) return;
    emit contentAboutToBeReset();
    d->clear();
    d->state = TDataSetState::dsBrowse;
    emit contentReset();
    emit currentChanged(d->current);
    emit stateChanged();
    fire(AfterScroll, this);
}

void TClientDataSet::Close()
{
    if (!Active()) return;
    emit contentAboutToBeReset();
    d->clear();
    d->state = TDataSetState::dsInactive;
    emit contentReset();
    emit stateChanged();
    emit changeLogChanged();
}

bool TClientDataSet::IsEmpty() const
{
    return d->records.isEmpty();
}

int TClientDataSet::RecordCount() const
{
    return int(d->records.size());
}

int TClientDataSet::RecNo() const
{
    return d->current + 1;
}

bool TClientDataSet::Eof() const
{
    return d->eof;
}

bool TClientDataSet::Bof() const
{
    return d->bof;
}

void TClientDataSet::postIfEditing()
{
    if (isEditing()) Post();
}

void TClientDataSet::moveTo(int index, bool bof, bool eof)
{
    const bool moved = index != d->current;
    d->current = index;
    d->bof = bof;
    d->eof = eof;
    if (moved) emit currentChanged(index);
    fire(AfterScroll, this);
}

void TClientDataSet::SetRecNo(int recNo)
{
    checkActive();
    postIfEditing();
    if (d->records.isEmpty()) return;
    const int index = qBound(1, recNo, RecordCount()) - 1;
    if (index != d->current) moveTo(index, false, false);
}

void TClientDataSet::First()
{
    checkActive();
    postIfEditing();
    moveTo(d->records.isEmpty() ? -1 : 0, true, d->records.isEmpty());
}

void TClientDataSet::Last()
{
    checkActive();
    postIfEditing();
    moveTo(int(d->records.size()) - 1, d->records.isEmpty(), true);
}

void TClientDataSet::Next()
{
    checkActive();
    postIfEditing();
    if (d->current + 1 >= d->records.size()) {
        d->eof = true;
        return;
    }
    moveTo(d->current + 1, false, false);
}

void TClientDataSet::Prior()
{
    checkActive();
    postIfEditing();
    if (d->current <= 0) {
        d->bof = true;
        return;
    }
    moveTo(d->current - 1, false, false);
}

// --- editing ---------------------------------------------------------------------------------

void TClientDataSet::Insert()
{
    checkActive();
    postIfEditing();
    insertAt(d->records.isEmpty() ? 0 : qMax(0, d->current));
}

void TClientDataSet::Append()
{
    checkActive();
    postIfEditing();
    insertAt(int(d->records.size()));
}

void TClientDataSet::insertAt(int at)
{
    emit rowAboutToBeInserted(at);
    d->positionBeforeInsert = d->current;
    d->insertPending(at);
    d->current = at;
    d->bof = d->eof = false;
    d->buffer = d->emptyRow();
    d->editBase.clear();
    // Views see the row before anyone reacting to the state change writes into it.
    emit rowInserted(at);
    emit currentChanged(at);
    setState(TDataSetState::dsInsert);
    fire(AfterScroll, this);
}

void TClientDataSet::Edit()
{
    checkActive();
    if (isEditing()) return;
    if (d->records.isEmpty()) {
        Append();
        return;
    }
    d->buffer = d->rowValues(d->current);
    d->editBase = d->buffer;
    setState(TDataSetState::dsEdit);
}

void TClientDataSet::Post()
{
    if (!isEditing()) return;
    fire(BeforePost, this);
    // The handler may itself have posted or cancelled.
    if (!isEditing()) return;
    const int row = d->current;
    if (d->state == TDataSetState::dsInsert)
        d->commitInsert(row, d->buffer);
    else
        d->commitEdit(row, d->buffer);
    d->buffer.clear();
    d->editBase.clear();
    d->state = TDataSetState::dsBrowse;
    emit rowChanged(row);
    emit stateChanged();
    emit changeLogChanged();
    fire(AfterPost, this);
}

void TClientDataSet::Cancel()
{
    if (!isEditing()) return;
    const int row = d->current;
    const bool inserting = d->state == TDataSetState::dsInsert;
    // Back to browse before any signal, so a view reading the rows sees them as they now are.
    d->state = TDataSetState::dsBrowse;
    d->buffer.clear();
    d->editBase.clear();
    if (inserting) {
        emit rowAboutToBeRemoved(row);
        d->remove(row);
        // Insert put the new row where the old current one stood, so that one is at the
        // same index again; an append leaves the previous index valid too.
        const int count = int(d->records.size());
        d->current = count == 0 ? -1 : qBound(0, d->positionBeforeInsert, count - 1);
        d->bof = d->eof = count == 0;
        emit rowRemoved(row);
        emit currentChanged(d->current);
        emit stateChanged();
        fire(AfterCancel, this);
        fire(AfterScroll, this);
        return;
    }
    emit rowChanged(row);
    emit stateChanged();
    fire(AfterCancel, this);
}

void TClientDataSet::Delete()
{
    checkActive();
    if (d->state == TDataSetState::dsInsert) {
        Cancel();
        return;
    }
    if (d->records.isEmpty())
        throw EDatabaseError(QStringLiteral("Não há registro para excluir."));
    fire(BeforeDelete, this);
    if (d->state == TDataSetState::dsInsert || d->records.isEmpty())
        return; // the handler changed the ground under us; nothing sensible to delete
    const int row = d->current;
    const bool wasEditing = isEditing();
    d->state = TDataSetState::dsBrowse; // an edit under way goes with its record
    d->buffer.clear();
    d->editBase.clear();
    emit rowAboutToBeRemoved(row);
    d->remove(row);
    const int count = int(d->records.size());
    d->current = count == 0 ? -1 : qMin(row, count - 1);
    d->bof = d->eof = count == 0;
    emit rowRemoved(row);
    emit currentChanged(d->current);
    if (wasEditing) emit stateChanged();
    emit changeLogChanged();
    fire(AfterDelete, this);
    fire(AfterScroll, this);
}

// --- change log ------------------------------------------------------------------------------

bool TClientDataSet::LogChanges() const
{
    return d->logChanges;
}

void TClientDataSet::SetLogChanges(bool on)
{
    d->logChanges = on;
}

int TClientDataSet::ChangeCount() const
{
    return d->changeCount();
}

Variant TClientDataSet::Delta() const
{
    checkActive();
    return packet::toVariant(d->delta());
}

void TClientDataSet::MergeChangeLog()
{
    d->merge();
    emit changeLogChanged();
}

void TClientDataSet::CancelUpdates()
{
    checkActive();
    if (isEditing()) Cancel();
    emit contentAboutToBeReset();
    d->cancelUpdates();
    d->current = d->records.isEmpty() ? -1 : 0;
    d->bof = true;
    d->eof = d->records.isEmpty();
    emit contentReset();
    emit currentChanged(d->current);
    emit changeLogChanged();
    fire(AfterScroll, this);
}

Variant TClientDataSet::FirstChangeDelta() const
{
    checkActive();
    return packet::toVariant(d->firstChangeDelta());
}

void TClientDataSet::MergeFirstChange()
{
    d->mergeFirstChange();
    emit changeLogChanged();
}

void TClientDataSet::RevertFirstChange()
{
    checkActive();
    if (isEditing()) Cancel();
    emit contentAboutToBeReset();
    d->revertFirstChange();
    const int count = int(d->records.size());
    d->current = count == 0 ? -1 : qBound(0, d->current, count - 1);
    d->bof = d->eof = count == 0;
    emit contentReset();
    emit currentChanged(d->current);
    emit changeLogChanged();
}

// --- whole content ---------------------------------------------------------------------------

Variant TClientDataSet::Data() const
{
    checkActive();
    return packet::toVariant(d->content());
}

namespace {
// Whether a loaded row reads the same in the new packet. Two rows both still in their bytes are
// compared as bytes: the writer writes equal values alike, so no text is made for either.
bool sameRow(const RecordStore &shown, const RecordStore::Record &record, const packet::Packet &p,
             const packet::KeptRows &kept, qsizetype row)
{
    if (row < p.rows.size()) return shown.valuesOf(record) == p.rows[row];
    const qsizetype at = kept.at[row - p.rows.size()];
    const qsizetype fields = shown.columns.size();
    if (const std::optional<QByteArrayView> before = shown.keptBytesOf(record))
        return *before == packet::keptRowBytes(kept.bytes, at, fields);
    return shown.valuesOf(record) == packet::keptRow(kept.bytes, at, fields);
}

// The rows whose values or unsaved mark a reload changes, when it keeps the declared fields and
// the number of rows of a set at rest; nullopt when the views have to take the content anew:
// when so many rows change that telling them one by one would cost more, and for a long list,
// every row of which the comparison would walk.
std::optional<QVector<int>> rowsLookingDifferent(const RecordStore &shown, const packet::Packet &p,
                                                 const packet::KeptRows &kept,
                                                 const QVector<packet::FieldDef> &columns,
                                                 const QVector<int> &columnOfField)
{
    constexpr int MostRowsTold = 32;
    constexpr qsizetype MostRowsCompared = 200;
    const qsizetype count = p.rows.size() + kept.at.size();
    if (!shown.fieldsDeclared || shown.state != TDataSetState::dsBrowse || count != shown.records.size() ||
        count > MostRowsCompared || columns.size() != shown.columns.size() ||
        columnOfField != shown.columnOfField || p.log.size() > MostRowsTold)
        return std::nullopt;
    QVector<int> rows;
    for (qsizetype row = 0; row < count; ++row) {
        const RecordStore::Record &record = shown.records[row];
        if (record.status == RecordStore::Status::Unchanged && sameRow(shown, record, p, kept, row))
            continue;
        if (rows.size() == MostRowsTold)
            return std::nullopt;
        rows.append(int(row));
    }
    return rows;
}
} // namespace

void TClientDataSet::SetData(const Variant &data)
{
    packet::KeptRows kept;
    packet::Packet p = packet::fromVariant(data, kept);
    if (p.isDelta)
        throw EDatabaseError(QStringLiteral("Os dados recebidos do servidor não têm a forma esperada."));

    // Bind before touching anything, so a packet that does not fit leaves the set as it was.
    QVector<packet::FieldDef> columns = p.fields;
    QVector<int> columnOfField;
    if (d->fieldsDeclared) {
        QHash<QString, int> byName;
        for (int c = 0; c < p.fields.size(); ++c)
            byName.insert(p.fields[c].name.toUpper(), c);
        for (TField *f : m_fields) {
            const auto it = byName.constFind(f->FieldName().toUpper());
            if (it == byName.constEnd())
                throw EDatabaseError(
                    QStringLiteral("Os dados recebidos do servidor não têm a forma esperada."));
            columnOfField.append(*it);
            columns[*it].size = f->Size();
        }
    }

    // The packet fits: from here on the content is replaced. A reload that keeps the fields and
    // the number of rows (a save's reply, mostly) tells views only the rows that look different.
    const std::optional<QVector<int>> refreshed = rowsLookingDifferent(*d, p, kept, columns, columnOfField);
    const bool logged = !p.log.isEmpty();
    if (!refreshed)
        emit contentAboutToBeReset();
    if (!d->fieldsDeclared) {
        clearDynamicFields();
        for (int c = 0; c < p.fields.size(); ++c) {
            m_fields.append(new TField(this, p.fields[c].name, p.fields[c].size));
            columnOfField.append(c);
        }
    }
    d->columnOfField = std::move(columnOfField);
    d->load(std::move(p), columns, std::move(kept));
    d->current = d->records.isEmpty() ? -1 : 0;
    d->bof = true;
    d->eof = d->records.isEmpty();
    d->state = TDataSetState::dsBrowse;
    if (refreshed) {
        for (int row : *refreshed)
            emit rowChanged(row);
        for (int row = 0; logged && row < d->records.size(); ++row) {
            if (ChangePendingAt(row) && !refreshed->contains(row))
                emit rowChanged(row);
        }
    } else {
        emit contentReset();
    }
    emit currentChanged(d->current);
    // A reload is a reopening even when the set was browsing before: whoever follows the state
    // (command buttons, say) must see the new content.
    emit stateChanged();
    emit changeLogChanged();
    fire(AfterScroll, this);
}

// --- reading without moving ------------------------------------------------------------------

QString TClientDataSet::ValueAt(int row, int fieldIndex) const
{
    if (row < 0 || row >= d->records.size()) return QString();
    const auto &value = d->rowValues(row)[columnOf(Fields(fieldIndex))];
    return value ? *value : QString();
}

bool TClientDataSet::IsNullAt(int row, int fieldIndex) const
{
    if (row < 0 || row >= d->records.size()) return true;
    return !d->rowValues(row)[columnOf(Fields(fieldIndex))].has_value();
}

bool TClientDataSet::ChangePendingAt(int row) const
{
    if (row < 0 || row >= d->records.size()) return false;
    const RecordStore::Record &record = d->records[row];
    return !record.pending && record.status != RecordStore::Status::Unchanged;
}

int TClientDataSet::PendingDeleteCount() const
{
    return int(d->deleted().size());
}

QString TClientDataSet::PendingDeleteText(int deleted, int fieldIndex) const
{
    if (deleted < 0 || deleted >= d->deleted().size()) return QString();
    const auto &value = d->deleted()[deleted].base[columnOf(Fields(fieldIndex))];
    return value ? Fields(fieldIndex)->Mask().toDisplay(*value) : QString();
}

QString TClientDataSet::DisplayTextAt(int row, int fieldIndex) const
{
    if (IsNullAt(row, fieldIndex)) return QString();
    return Fields(fieldIndex)->Mask().toDisplay(ValueAt(row, fieldIndex));
}

// --- field access (for TField) -------------------------------------------------------------

const std::optional<QString> *TClientDataSet::valueOf(const TField *field) const
{
    const int row = d->displayRow >= 0 ? d->displayRow : d->current;
    if (row < 0 || row >= d->records.size()) return nullptr;
    return &d->rowValues(row)[columnOf(field)];
}

TClientDataSet::DisplayRecord::DisplayRecord(TClientDataSet *dataSet, int row) : m_dataSet(dataSet)
{
    m_dataSet->d->displayRow = row;
}

TClientDataSet::DisplayRecord::~DisplayRecord()
{
    m_dataSet->d->displayRow = -1;
}

std::optional<QString> TClientDataSet::baseValueOf(const TField *field) const
{
    if (d->state != TDataSetState::dsEdit) return std::nullopt;
    return d->editBase[columnOf(field)];
}

void TClientDataSet::writeValue(TField *field, const std::optional<QString> &value)
{
    checkEditing();
    if (field->ReadOnly())
        throw EDatabaseError(
            QStringLiteral("O campo \"%1\" não pode ser alterado.").arg(field->DisplayLabel()));
    if (value && characterCount(*value) > field->Size())
        throw EDatabaseError(
            QStringLiteral("Valor excede o tamanho do campo \"%1\" (máximo %2 caracteres).")
                .arg(field->DisplayLabel())
                .arg(field->Size()));
    d->buffer[columnOf(field)] = value;
    emit rowChanged(d->current);
}
