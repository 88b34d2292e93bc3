#include "ChoiceListDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

ChoiceListDialog::ChoiceListDialog(const ChoiceList &list, QWidget *parent)
    : QDialog(parent), m_list(list)
{
    setWindowTitle(list.title);
    resize(760, 480);
    m_table = new QTableWidget(int(list.rows.size()), int(list.columns.size()), this);
    m_table->setHorizontalHeaderLabels(list.columns);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    for (int r = 0; r < list.rows.size(); ++r)
        for (int c = 0; c < list.rows[r].size() && c < list.columns.size(); ++c)
            m_table->setItem(r, c, new QTableWidgetItem(list.rows[r][c]));
    m_table->resizeColumnsToContents();
    m_details = new QTextBrowser(this);

    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(m_table);
    split->addWidget(m_details);
    auto *buttons = new QDialogButtonBox(this);
    m_action = buttons->addButton(list.action, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Fechar"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &ChoiceListDialog::showDetails);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addWidget(buttons);
    if (!list.rows.isEmpty()) m_table->selectRow(0);
    showDetails();
}

std::optional<int> ChoiceListDialog::chosenRow() const
{
    const int row = m_table->currentRow();
    if (row < 0 || !m_list.actionEnabled) return std::nullopt;
    return row;
}

void ChoiceListDialog::showDetails()
{
    const int row = m_table->currentRow();
    m_details->setHtml(row >= 0 ? m_list.details.value(row) : QString());
    m_action->setEnabled(row >= 0 && m_list.actionEnabled);
}
