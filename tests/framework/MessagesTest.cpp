#include "FrameworkTesting.h"
#include "TMessages.h"

using namespace testing_support;

class MessagesTest : public FrameworkTest {};

TEST_F(MessagesTest, KeyIsEverythingBeforeTheFirstBarAndTheTextKeepsTheRest)
{
    TMessages messages(nullptr, QStringLiteral("msgPadrao"));
    messages.SetLines({QStringLiteral("CAMPO_DEVE|Campo \"%s\" deve ser informado."),
                       QStringLiteral("BARRA|a|b|c"), QStringLiteral("sem barra nenhuma"),
                       QStringLiteral("VAZIO|"), QStringLiteral("BARRA|segunda")});
    EXPECT_EQ(messages.Msg(QStringLiteral("CAMPO_DEVE")), QStringLiteral("Campo \"%s\" deve ser informado."));
    EXPECT_EQ(messages.Msg(QStringLiteral("BARRA")), QStringLiteral("a|b|c"));
    EXPECT_EQ(messages.Msg(QStringLiteral("VAZIO")), QString());
    EXPECT_EQ(messages.Msg(QStringLiteral("sem barra nenhuma")), QString());
    EXPECT_EQ(messages.Msg(QStringLiteral("campo_deve")), QString()); // keys are exact
    EXPECT_EQ(messages.Lines().size(), 5);
}

TEST_F(MessagesTest, ShowMsgShowsTheKeysTextThroughTheSeamAndGivesTheAnswer)
{
    TMessages messages(nullptr, QStringLiteral("msgGeral"));
    messages.SetLines({QStringLiteral("Excl|Confirma exclusão?")});
    seam->dialogAnswers.push(mrYes);
    EXPECT_EQ(messages.ShowMsg(QStringLiteral("Excl"), TMsgDlgType::mtConfirmation, mbYes | mbNo, 0), mrYes);
    // An empty answer queue answers no.
    EXPECT_EQ(messages.ShowMsg(QStringLiteral("Excl"), TMsgDlgType::mtConfirmation, mbYes | mbNo, 0), mrNo);
    ASSERT_EQ(seam->shown.size(), 2u);
    EXPECT_EQ(seam->shown[0].text, QStringLiteral("Confirma exclusão?"));
    EXPECT_EQ(seam->shown[0].type, TMsgDlgType::mtConfirmation);
}
