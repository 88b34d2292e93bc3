#include "MaskValidator.h"

#include "TField.h"
#include "TextRules.h"

MaskValidator::MaskValidator(const TField *field, QObject *parent)
    : QValidator(parent), m_field(field)
{
}

QValidator::State MaskValidator::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos);
    const EditMask &mask = m_field->Mask();
    if (!mask.isEmpty())
        return mask.acceptsPrefix(input) ? Acceptable : Invalid;
    return characterCount(input) <= m_field->Size() ? Acceptable : Invalid;
}
