#include "PickListDialog.h"

#include "RecordSetModel.h"
#include "TClientDataSet.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

PickListDialog::PickListDialog(TClientDataSet *dataSet, const QString &title, QWidget *parent)
    : QDialog(parent), m_dataSet(dataSet), m_model(new RecordSetModel(this)), m_view(new QTableView(this))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("PickListDialog"));
    m_model->setDataSet(dataSet);
    m_view->setModel(m_model);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    if (dataSet && dataSet->RecNo() > 0)
        m_view->selectRow(dataSet->RecNo() - 1);
    else if (m_model->rowCount() > 0)
        m_view->selectRow(0);
    connect(m_view, &QTableView::doubleClicked, this, &QDialog::accept);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancelar"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addWidget(buttons);
    resize(360, 320);
}

bool PickListDialog::choose()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid() || !m_dataSet)
        return false;
    m_dataSet->SetRecNo(current.row() + 1);
    return true;
}
