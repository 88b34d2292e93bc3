#include "EventBoundary.h"
#include "FrameworkTesting.h"
#include "ServerFailure.h"
#include "Services.h"

#include <stdexcept>

using namespace testing_support;

class EventBoundaryTest : public FrameworkTest {};

TEST_F(EventBoundaryTest, EachKindOfFailureEndsTheHandlerAndIsShownItsOwnWay)
{
    // The silent abort: nothing shown, nothing escapes.
    bool ranAfter = false;
    EXPECT_NO_THROW(EventBoundary::run([&] {
        throw EAbort();
        ranAfter = true;
    }));
    EXPECT_FALSE(ranAfter);
    EXPECT_TRUE(seam->shown.empty());

    // A server failure: the framework's report, with the server's message in it.
    EXPECT_NO_THROW(EventBoundary::run([] { throw EServerFailure(QStringLiteral("tabela bloqueada")); }));
    ASSERT_EQ(seam->shown.size(), 1u);
    EXPECT_EQ(seam->shown[0].text, serverFailureReport(QStringLiteral("tabela bloqueada")));
    EXPECT_TRUE(seam->shown[0].text.contains(QStringLiteral("tabela bloqueada")));
    EXPECT_NE(seam->shown[0].text, QStringLiteral("tabela bloqueada"));
    EXPECT_EQ(seam->shown[0].type, TMsgDlgType::mtError);

    // Anything else: shown as an error as it stands, platform exceptions and standard ones alike.
    EventBoundary::run([] { throw EDatabaseError(QStringLiteral("Campo \"Nome\" grande demais")); });
    EventBoundary::run([] { throw std::runtime_error("falhou"); });
    ASSERT_EQ(seam->shown.size(), 3u);
    EXPECT_EQ(seam->shown[1].text, QStringLiteral("Campo \"Nome\" grande demais"));
    EXPECT_EQ(seam->shown[1].type, TMsgDlgType::mtError);
    EXPECT_EQ(seam->shown[2].text, QStringLiteral("falhou"));
}

TEST_F(EventBoundaryTest, AttemptTellsWhetherTheHandlerFinished)
{
    EXPECT_TRUE(EventBoundary::attempt([] {}));
    EXPECT_FALSE(EventBoundary::attempt([] { throw EAbort(); }));
    EXPECT_FALSE(EventBoundary::attempt([] { throw Exception(QStringLiteral("x")); }));
    EXPECT_EQ(seam->messages(), QStringList{QStringLiteral("x")});
}

TEST_F(EventBoundaryTest, MensErroShowsThenAbortsOnlyWhenAsked)
{
    EXPECT_THROW(MensErro(QStringLiteral("Código deve ser Informado"), true), EAbort);
    EXPECT_NO_THROW(MensErro(QStringLiteral("só um aviso"), false));
    EXPECT_EQ(seam->messages(), (QStringList{QStringLiteral("Código deve ser Informado"),
                                             QStringLiteral("só um aviso")}));
    EXPECT_EQ(seam->shown[0].type, TMsgDlgType::mtError);

    // Inside the boundary, MensErro's abort shows the text once and nothing more.
    seam->clear();
    EventBoundary::run([] { MensErro(QStringLiteral("recusado"), true); });
    EXPECT_EQ(seam->messages(), QStringList{QStringLiteral("recusado")});
}

TEST_F(EventBoundaryTest, CheckResultServTurnsAFailureReplyIntoAnExceptionCarryingTheMessage)
{
    const Variant packet = Variant::fromBytes(QByteArray("\xa1\x61x\x01", 4));
    const Variant same = CheckResultServ(packet);
    EXPECT_EQ(same, packet);

    try {
        CheckResultServ(server_failure::make(QStringLiteral("violação de chave")));
        FAIL() << "a failure reply must throw";
    } catch (const EServerFailure &failure) {
        EXPECT_EQ(failure.Message(), QStringLiteral("violação de chave"));
    }
    // An ordinary two-element array whose first element is text is no failure.
    const Variant structure = VarArrayOf({Variant(QStringLiteral("INV_TABELA")), Variant(QStringLiteral("X"))});
    EXPECT_EQ(CheckResultServ(structure), structure);
}
