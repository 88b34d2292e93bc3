#pragma once

#include "FrameworkTesting.h"
#include "Services.h"
#include "TDBGrid.h"
#include "TDataSource.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

// A grid over three people (CODIGO, NOME) in a shown, active window.
class GridTest : public testing_support::FrameworkTest
{
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        dataSet = testing_support::peopleSet({{QStringLiteral("1"), QStringLiteral("Ana")},
                                              {QStringLiteral("2"), QStringLiteral("Bruno")},
                                              {QStringLiteral("3"), QStringLiteral("Carla")}});
        source = new TDataSource(&window, QStringLiteral("dtsTeste"));
        source->SetDataSet(dataSet.get());
        grid = new TDBGrid(&window, QStringLiteral("dbgTeste"));
        grid->AddColumn(QStringLiteral("CODIGO"));
        grid->AddColumn(QStringLiteral("NOME"))->Width = 160;
        grid->SetDataSource(source);
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(grid);
        window.resize(420, 260);
        window.show();
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window);
        grid->setFocus();
    }

    void TearDown() override
    {
        delete grid;
        grid = nullptr;
        FrameworkTest::TearDown();
    }

    QModelIndex cell(int row, int column) const { return grid->model()->index(row, column); }
    QLineEdit *editor() const { return qobject_cast<QLineEdit *>(grid->cellEditor()); }
    void clickCell(int row, int column)
    {
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell(row, column)).center());
    }
    // Moves to a cell as code does, without running any handler.
    void goTo(int row, int column)
    {
        dataSet->SetRecNo(row + 1);
        grid->setCurrentIndex(cell(row, column));
    }
    // Enter in the editor commits on the next turn of the event loop (the editor may fix its
    // text up first), as it does for the user.
    void enter()
    {
        QTest::keyClick(editor(), Qt::Key_Return);
        QCoreApplication::processEvents();
    }
    TField *nome() const { return dataSet->FieldByName(QStringLiteral("NOME")); }
    TField *codigo() const { return dataSet->FieldByName(QStringLiteral("CODIGO")); }

    QWidget window;
    std::unique_ptr<TClientDataSet> dataSet;
    TDataSource *source = nullptr;
    TDBGrid *grid = nullptr;
};
