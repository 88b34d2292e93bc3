#pragma once

#include "EditMask.h"
#include "Variant.h"

#include <QObject>
#include <QString>

class TClientDataSet;

// A string field of a record set. Values are read and written as text; a field that was never
// given a value is null (AsString gives ""). Width is in characters and is enforced on write.
class TField : public QObject
{
    Q_OBJECT
public:
    TField(TClientDataSet *dataSet, const QString &fieldName, int size);

    TClientDataSet *DataSet() const { return m_dataSet; }
    const QString &FieldName() const { return m_fieldName; }
    int Size() const { return m_size; }
    int Index() const; // position in the record set's field list

    QString DisplayLabel() const; // the label, or the field name when none is set
    void SetDisplayLabel(const QString &label) { m_displayLabel = label; }
    int DisplayWidth() const; // characters; defaults to Size
    void SetDisplayWidth(int width) { m_displayWidth = width; }
    const EditMask &Mask() const { return m_mask; }
    QString EditMaskText() const { return m_mask.text(); }
    void SetEditMask(const QString &mask) { m_mask = EditMask(mask); }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool Visible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }

    // Current record's value (the edit buffer while editing or inserting).
    QString AsString() const;
    bool IsNull() const;
    Variant Value() const; // text, or Null
    // Programmatic write: needs edit or insert state; refuses a read-only field and a text
    // longer than Size with EDatabaseError. The edit mask is not applied here.
    void SetAsString(const QString &text);
    void Clear(); // sets the value to null
    // What a person typed: the edit mask brings it to its stored form first (EDatabaseError
    // when the text does not fit the mask), blanks around it are dropped, then as SetAsString.
    void SetText(const QString &typed);
    QString DisplayText() const; // the text as shown

    // The value before the current edit: Null while inserting or when there is no edit.
    Variant OldValue() const;
    // The value being written in the current edit (equals Value()).
    Variant NewValue() const;
    // True when OldValue differs from NewValue (always true for a non-null value while inserting).
    bool Changed() const;

    // Asks whatever grid shows this field to move its cursor to this field's cell.
    void FocusControl();

private:
    TClientDataSet *m_dataSet;
    QString m_fieldName;
    int m_size;
    QString m_displayLabel;
    int m_displayWidth = 0;
    EditMask m_mask;
    bool m_readOnly = false;
    bool m_visible = true;
    int m_tag = 0;
};
