#include "RecordLocator.h"

#include "TClientDataSet.h"

bool RecordLocator::locate(TClientDataSet *dataSet, const QString &fieldName, const QString &text)
{
    if (!dataSet || !dataSet->Active())
        return false;
    TField *field = dataSet->FindField(fieldName);
    if (!field)
        return false;
    const int fieldIndex = field->Index();
    const QString wanted = text.trimmed();
    int prefixRow = -1;
    for (int row = 0; row < dataSet->RecordCount(); ++row) {
        const QString value = dataSet->DisplayTextAt(row, fieldIndex).trimmed();
        if (value.compare(wanted, Qt::CaseInsensitive) == 0) {
            prefixRow = row;
            break;
        }
        if (prefixRow < 0 && value.startsWith(wanted, Qt::CaseInsensitive))
            prefixRow = row;
    }
    if (prefixRow < 0)
        return false;
    dataSet->SetRecNo(prefixRow + 1);
    return true;
}
