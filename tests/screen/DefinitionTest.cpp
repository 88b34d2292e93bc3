#include "ScreenFixture.h"

#include "Services.h"

// The stored definition, where a slip would show on screen: the check-mark pictures, the code's
// edit mask, the message templates with their inner quotes.
class DefinitionTest : public ScreenTest
{
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        form = new TfrmDimensao(); // no creation handler: no server needed
    }
};

TEST_F(DefinitionTest, CheckMarkPicturesArePixelExact)
{
    const QImage check = form->imgCheck->Bitmap().image();
    const QImage uncheck = form->imgUncheck->Bitmap().image();
    ASSERT_EQ(check.size(), QSize(16, 16));
    ASSERT_EQ(uncheck.size(), QSize(16, 16));
    const QRgb olive = qRgb(128, 128, 0), black = qRgb(0, 0, 0), white = qRgb(255, 255, 255),
               silver = qRgb(192, 192, 192);
    EXPECT_EQ(check.pixel(0, 0), olive);
    EXPECT_EQ(check.pixel(2, 2), black);      // frame
    EXPECT_EQ(check.pixel(13, 1), silver);    // shadow
    EXPECT_EQ(check.pixel(1, 13), silver);
    EXPECT_EQ(check.pixel(4, 3), white);
    EXPECT_EQ(check.pixel(10, 4), black);     // the tick
    EXPECT_EQ(check.pixel(6, 10), black);
    EXPECT_EQ(check.pixel(5, 10), white);

    // Row by row the two pictures differ only inside the white box, which the unchecked one keeps white.
    int differing = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool insideBox = y >= 3 && y <= 11 && x >= 3 && x <= 11;
            if (insideBox)
                EXPECT_EQ(uncheck.pixel(x, y), white) << x << "," << y;
            else
                EXPECT_EQ(uncheck.pixel(x, y), check.pixel(x, y)) << x << "," << y;
            differing += check.pixel(x, y) != uncheck.pixel(x, y);
        }
    EXPECT_EQ(differing, 21); // the black pixels of the tick
}

TEST_F(DefinitionTest, CodeIsTypedThroughItsMask)
{
    form->cdsDados->Open();
    form->cdsDados->Insert();
    form->cdsDadosNRSEQUEDIME->SetText(QStringLiteral("12"));
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("12")); // no literals, no padding yet
    form->cdsDadosNRSEQUEDIME->SetText(QStringLiteral("  345"));
    EXPECT_EQ(form->cdsDadosNRSEQUEDIME->AsString(), QStringLiteral("345"));
    EXPECT_THROW(form->cdsDadosNRSEQUEDIME->SetText(QStringLiteral("123456")), EDatabaseError);
    EXPECT_THROW(form->cdsDadosNRSEQUEDIME->SetText(QStringLiteral("12a")), EDatabaseError);
    EXPECT_THROW(form->cdsDadosNMITEMDIME->SetAsString(QString(31, QLatin1Char('x'))), EDatabaseError);
    form->cdsDados->Cancel();
}

TEST_F(DefinitionTest, MessagesKeepTheirQuotesAndFillTheirPlaceholders)
{
    TMessages *msg = form->msgPadrao;
    EXPECT_EQ(Format(msg->Msg(QStringLiteral("CAMPO_DEVE")), {msg->Msg(QStringLiteral("DSPKDIME"))}),
              QStringLiteral("Campo \"Chave Primária\" deve ser informado."));
    EXPECT_EQ(Format(msg->Msg(QStringLiteral("INV_CAMPO")), {QStringLiteral("A"), QStringLiteral("B")}),
              QStringLiteral("Campo \"A\" inválido para a tabela \"B\"."));
    EXPECT_EQ(msg->Msg(QStringLiteral("GetAtualiza")), QStringLiteral("Recebendo Dados Do Servidor"));
    EXPECT_EQ(msg->Msg(QStringLiteral("COD_DEVE")), QStringLiteral("Código de dimensão deve ser Informado"));
    EXPECT_EQ(msg->Lines().size(), 27);
    for (const QString &line : msg->Lines())
        EXPECT_GT(line.indexOf(QLatin1Char('|')), 0) << line.toStdString();
}
