#include "PickListDialog.h"

#include "RecordSetModel.h"
#include "TClientDataSet.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QPalette>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// The rows already in use: greyed, in italics, and said so after the value.
class UsedRowsMarked : public QIdentityProxyModel
{
public:
    UsedRowsMarked(const QStringList &used, QObject *parent) : QIdentityProxyModel(parent), m_used(used) {}

    QVariant data(const QModelIndex &index, int role) const override
    {
        const QVariant value = QIdentityProxyModel::data(index, role);
        if (!used(index.row()))
            return value;
        switch (role) {
        case Qt::DisplayRole:
            return index.column() == 0 ? QVariant(value.toString() + QStringLiteral(" (já usado)")) : value;
        case Qt::ForegroundRole:
            return QPalette().color(QPalette::Disabled, QPalette::Text);
        case Qt::FontRole: {
            QFont font;
            font.setItalic(true);
            return font;
        }
        default:
            return value;
        }
    }

private:
    bool used(int row) const
    {
        const QString first = QIdentityProxyModel::data(index(row, 0), Qt::DisplayRole).toString().trimmed();
        return m_used.contains(first, Qt::CaseInsensitive);
    }
    QStringList m_used;
};

} // namespace

PickListDialog::PickListDialog(TClientDataSet *dataSet, const QString &title, const QStringList &used, QWidget *parent)
    : QDialog(parent), m_dataSet(dataSet), m_model(new RecordSetModel(this)), m_view(new QTableView(this))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("PickListDialog"));
    m_model->setDataSet(dataSet);
    auto *marked = new UsedRowsMarked(used, this);
    marked->setSourceModel(m_model);
    m_view->setModel(marked);
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
