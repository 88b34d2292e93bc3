#pragma once

#include "Interaction.h"

#include <QDialog>
#include <optional>

class QTableWidget;
class QTextBrowser;
class QPushButton;

// Shows a ChoiceList: the rows in a table, the selected row's details below, the action and
// "Fechar". Accepted only through the action, with a row selected.
class ChoiceListDialog : public QDialog
{
    Q_OBJECT
public:
    ChoiceListDialog(const ChoiceList &list, QWidget *parent);
    std::optional<int> chosenRow() const;

private:
    void showDetails();

    ChoiceList m_list;
    QTableWidget *m_table;
    QTextBrowser *m_details;
    QPushButton *m_action;
};
