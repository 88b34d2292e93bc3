#include "FindDialog.h"

#include "Interaction.h"
#include "RecordLocator.h"
#include "TClientDataSet.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

FindDialog::FindDialog(TClientDataSet *dataSet, QWidget *parent)
    : QDialog(parent), m_dataSet(dataSet), m_field(new QComboBox(this)), m_text(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Procurar"));
    setObjectName(QStringLiteral("FindDialog"));
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
        TField *field = dataSet->Fields(i);
        if (field->Visible())
            m_field->addItem(field->DisplayLabel(), field->FieldName());
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &FindDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Campo:"), m_field);
    layout->addRow(QStringLiteral("Procurar por:"), m_text);
    layout->addRow(buttons);
}

void FindDialog::accept()
{
    if (RecordLocator::locate(m_dataSet, m_field->currentData().toString(), m_text->text())) {
        QDialog::accept();
        return;
    }
    Interaction::current().messageDialog(QStringLiteral("Nenhum registro encontrado."),
                                         TMsgDlgType::mtInformation, mbOK);
}
