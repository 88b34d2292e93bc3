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

// The rows already in use: greyed, in italics, said so after the value, and not choosable (a
// value taken would only be refused once the record is checked).
class UsedRowsMarked : public QIdentityProxyModel
{
public:
    UsedRowsMarked(const QStringList &used, QObject *parent) : QIdentityProxyModel(parent), m_used(used) {}

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        const Qt::ItemFlags flags = QIdentityProxyModel::flags(index);
        return used(index.row()) ? flags & ~(Qt::ItemIsEnabled | Qt::ItemIsSelectable) : flags;
    }

    bool used(int row) const
    {
        return m_used.contains(firstValue(row), Qt::CaseInsensitive);
    }

    QString firstValue(int row) const
    {
        return QIdentityProxyModel::data(index(row, 0), Qt::DisplayRole).toString().trimmed();
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        QVariant value = QIdentityProxyModel::data(index, role);
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
    QStringList m_used;
};

PickListDialog::PickListDialog(TClientDataSet *dataSet, const QString &title, const QStringList &used,
                               const QString &current, QWidget *parent)
    : QDialog(parent), m_dataSet(dataSet), m_model(new RecordSetModel(this)), m_view(new QTableView(this)),
      m_marked(new UsedRowsMarked(used, this))
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("PickListDialog"));
    m_model->setDataSet(dataSet);
    m_marked->setSourceModel(m_model);
    m_view->setModel(m_marked);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->resizeColumnsToContents();
    // It starts on the value the field holds; else on the first row that can be chosen.
    const QString wanted = current.trimmed();
    int start = -1;
    for (int row = 0; row < m_marked->rowCount(); ++row) {
        if (m_marked->used(row))
            continue;
        if (start < 0)
            start = row;
        if (m_marked->firstValue(row).compare(wanted, Qt::CaseInsensitive) == 0) {
            start = row;
            break;
        }
    }
    if (start >= 0) {
        m_view->selectRow(start);
        m_view->scrollTo(m_marked->index(start, 0), QAbstractItemView::PositionAtCenter);
    }
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
    if (!current.isValid() || !m_dataSet || m_marked->used(current.row()))
        return false;
    m_dataSet->SetRecNo(current.row() + 1);
    return true;
}
