#include "RecordLocator.h"

#include "TClientDataSet.h"
#include "TField.h"
#include "TextRules.h"

namespace {

// A code kept as digits in a fixed width ("00004") is looked for as stored: "4" finds it.
bool isDigitCode(const TField *field)
{
    const QString mask = field->EditMaskText().section(QLatin1Char(';'), 0, 0);
    if (mask.isEmpty())
        return false;
    for (const QChar c : mask) {
        if (c != u'9' && c != u'0' && c != u'!')
            return false;
    }
    return true;
}

int findRow(TClientDataSet *dataSet, int fieldIndex, const QString &wanted)
{
    int prefixRow = -1;
    for (int row = 0; row < dataSet->RecordCount(); ++row) {
        const QString value = dataSet->DisplayTextAt(row, fieldIndex).trimmed();
        if (value.compare(wanted, Qt::CaseInsensitive) == 0)
            return row;
        if (prefixRow < 0 && value.startsWith(wanted, Qt::CaseInsensitive))
            prefixRow = row;
    }
    return prefixRow;
}

} // namespace

bool RecordLocator::locate(TClientDataSet *dataSet, const QString &fieldName, const QString &text)
{
    if (!dataSet || !dataSet->Active())
        return false;
    TField *field = dataSet->FindField(fieldName);
    if (!field)
        return false;
    const int fieldIndex = field->Index();
    const QString wanted = text.trimmed();
    int row = -1;
    if (isDigitCode(field) && !wanted.isEmpty() && wanted.size() < field->Size())
        row = findRow(dataSet, fieldIndex, Ajusta(wanted, field->Size()));
    if (row < 0)
        row = findRow(dataSet, fieldIndex, wanted);
    if (row < 0)
        return false;
    dataSet->SetRecNo(row + 1);
    return true;
}

void RecordLocator::returnTo(TClientDataSet *dataSet, const TField *field, const QString &value,
                             int place)
{
    const int fieldIndex = field->Index();
    int row = place - 1;
    for (int i = 0; i < dataSet->RecordCount(); ++i) {
        if (dataSet->ValueAt(i, fieldIndex) == value) {
            row = i;
            break;
        }
    }
    if (row > 0) dataSet->SetRecNo(row + 1);
}
