#pragma once

#include "Interaction.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class TClientDataSet;

// A modal find: a field (of those offered, by caption) and a text; accepting positions the
// record set on the first match and closes, a text that matches nothing is said so and the
// dialog stays.
class FindDialog : public QDialog
{
    Q_OBJECT
public:
    FindDialog(TClientDataSet *dataSet, const FindFields &fields, QWidget *parent);

    void accept() override;

private:
    TClientDataSet *m_dataSet;
    QComboBox *m_field;
    QLineEdit *m_text;
};
