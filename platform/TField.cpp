#include "TField.h"

#include "TClientDataSet.h"

TField::TField(TClientDataSet *dataSet, const QString &fieldName, int size)
    : QObject(dataSet), m_dataSet(dataSet), m_fieldName(fieldName), m_size(size)
{
    setObjectName(fieldName);
}

int TField::Index() const
{
    return int(m_dataSet->m_fields.indexOf(const_cast<TField *>(this)));
}

QString TField::DisplayLabel() const
{
    return m_displayLabel.isEmpty() ? m_fieldName : m_displayLabel;
}

int TField::DisplayWidth() const
{
    return m_displayWidth > 0 ? m_displayWidth : m_size;
}

QString TField::AsString() const
{
    const std::optional<QString> *value = m_dataSet->valueOf(this);
    return value && *value ? **value : QString();
}

bool TField::IsNull() const
{
    const std::optional<QString> *value = m_dataSet->valueOf(this);
    return !value || !value->has_value();
}

Variant TField::Value() const
{
    const std::optional<QString> *value = m_dataSet->valueOf(this);
    return value && *value ? Variant(**value) : Variant::Null();
}

void TField::SetAsString(const QString &text)
{
    m_dataSet->writeValue(this, text);
}

void TField::Clear()
{
    m_dataSet->writeValue(this, std::nullopt);
}

void TField::SetText(const QString &typed)
{
    const std::optional<QString> stored = m_mask.toStored(typed);
    if (!stored)
        throw EDatabaseError(
            QStringLiteral("\"%1\" não é um valor válido para o campo \"%2\" (máscara \"%3\").")
                .arg(typed, DisplayLabel(), m_mask.text()));
    // Blanks around what a person typed are no part of a name or a code: the text is checked,
    // compared and saved as it will be stored. Letter case stays as typed.
    SetAsString(stored->trimmed());
}

QString TField::DisplayText() const
{
    if (IsNull()) return QString();
    return m_mask.toDisplay(AsString());
}

Variant TField::OldValue() const
{
    const std::optional<QString> base = m_dataSet->baseValueOf(this);
    return base ? Variant(*base) : Variant::Null();
}

Variant TField::NewValue() const
{
    return Value();
}

bool TField::Changed() const
{
    switch (m_dataSet->State()) {
    case TDataSetState::dsEdit:
        return !(OldValue() == NewValue());
    case TDataSetState::dsInsert:
        return !IsNull();
    default:
        return false;
    }
}

void TField::FocusControl()
{
    emit m_dataSet->fieldFocusRequested(this);
}
