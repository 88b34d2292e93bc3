#include "FindDialog.h"

#include "Interaction.h"
#include "RecordLocator.h"
#include "TClientDataSet.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

FindDialog::FindDialog(TClientDataSet *dataSet, const FindFields &fields, QWidget *parent)
    : QDialog(parent), m_dataSet(dataSet), m_field(new QComboBox(this)), m_text(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Procurar"));
    setObjectName(QStringLiteral("FindDialog"));
    for (const auto &[name, caption] : fields.fields)
        m_field->addItem(caption, name);
    m_field->setCurrentIndex(qMax(0, m_field->findData(fields.initial)));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &FindDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Campo:"), m_field);
    layout->addRow(QStringLiteral("Procurar por:"), m_text);
    layout->addRow(buttons);
    m_text->setFocus();
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
