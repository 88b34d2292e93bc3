#pragma once

#include <QValidator>

class TField;

// Lets the cell editor hold only what the field can take: text under the field's edit mask,
// and never more characters than the field's width (refused, not cut).
class MaskValidator : public QValidator
{
    Q_OBJECT
public:
    MaskValidator(const TField *field, QObject *parent);
    State validate(QString &input, int &pos) const override;

private:
    const TField *m_field;
};
