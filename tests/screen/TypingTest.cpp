#include "ScreenFixture.h"

#include "Services.h"

#include <QApplication>
#include <QTest>

// A person at the keyboard: the row typed into the grid cell by cell, the checks on leaving each
// column, the commands from the toolbar.
class TypingTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        startServer();
        openScreen();
        form->resize(900, 400);
        QApplication::setActiveWindow(form);
        form->dbgPadrao->setFocus();
        QApplication::processEvents();
    }
    void key(Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); }
    // One key at a time: the first key opens the cell editor, which then has the focus.
    void typeText(const QString &text)
    {
        for (QChar c : text)
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
};

TEST_F(TypingTest, ADimensionTypedIntoTheGridIsSavedAndCanBeRemovedAgain)
{
    form->sbtIncluir->Click();
    ASSERT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    form->dbgPadrao->setFocus();
    form->dbgPadrao->SetSelectedIndex(0);
    EXPECT_FALSE(form->dbgPadrao->Options() & dgEditing);

    key(Qt::Key_Tab); // into the code column, which edits in place
    EXPECT_EQ(form->dbgPadrao->SelectedField(), form->cdsDadosNRSEQUEDIME);
    EXPECT_TRUE(form->dbgPadrao->Options() & dgEditing);
    typeText(QStringLiteral("42"));
    key(Qt::Key_Tab);
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("00042")) << "rewritten on leaving the column";
    EXPECT_EQ(callsMade(), QStringList{"getDimensao"});
    typeText(QStringLiteral("Quarenta e dois"));
    key(Qt::Key_Tab);
    typeText(QStringLiteral("regiao"));
    key(Qt::Key_Tab);
    EXPECT_EQ(form->cdsDadosCDTABELADIME->AsString(), QStringLiteral("REGIAO"));
    typeText(QStringLiteral("cdregiao"));
    key(Qt::Key_Tab);
    typeText(QStringLiteral("nmregiao"));
    key(Qt::Key_Tab);
    EXPECT_EQ(messages(), QStringList{});
    EXPECT_EQ(callsMade(), (QStringList{"getDimensao", "getDimensao", "vdDimensao", "vdDimensao", "vdDimensao"}));

    form->sbtConfirmar->Click();
    EXPECT_TRUE(messages().isEmpty()) << messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(storedDimensions().contains(QStringLiteral("00042|Quarenta e dois|REGIAO|CDREGIAO|NMREGIAO||S")));
    EXPECT_EQ(enabledCommands(), (QStringList{"mnuIncluir", "mnuAlterar", "mnuExcluir", "mnuProcurar",
                                              "mnuVerificar", "mnuFechar"}));

    // The list came back on its first row; the new one is the last.
    form->cdsDados->Last();
    ui->dialogAnswers.push(mrYes);
    form->sbtExcluir->Click();
    EXPECT_FALSE(storedCodes().contains(QStringLiteral("00042")));
    EXPECT_EQ(storedCodes().size(), 5);
}
