// A screen package for the host's tests: creates one base grid form over a few rows and shows
// it, as the real package does with its screen.
#include "DataPacket.h"
#include "Services.h"
#include "TApplication.h"
#include "TfrmPadraoGrid.h"

#include <QPointer>

namespace {

int runs = 0;

class TestScreen : public TfrmPadraoGrid
{
public:
    TestScreen()
    {
        setObjectName(QStringLiteral("frmTeste"));
        SetCaption(QStringLiteral("Dimensão (pacote de teste)"));
        lblCodTela->setText(QStringLiteral("KZR01200"));
        tshPadrao->PageControl()->setTabText(0, QStringLiteral("Dimensão"));
        records = new TClientDataSet(this, QStringLiteral("cdsDados"));
        records->AddField(QStringLiteral("NRSEQUEDIME"), 5)->SetDisplayLabel(QStringLiteral("Código"));
        records->AddField(QStringLiteral("NMITEMDIME"), 30)->SetDisplayLabel(QStringLiteral("Nome"));
        packet::Packet content;
        content.fields = {{QStringLiteral("NRSEQUEDIME"), 5}, {QStringLiteral("NMITEMDIME"), 30}};
        content.rows = {{QStringLiteral("1"), QStringLiteral("Cliente")},
                        {QStringLiteral("2"), QStringLiteral("Produto")},
                        {QStringLiteral("3"), QStringLiteral("Tempo")}};
        records->SetData(packet::toVariant(content));
        dtsPadrao->SetDataSet(records);
        dbgPadrao->AddColumn(QStringLiteral("NRSEQUEDIME"));
        dbgPadrao->AddColumn(QStringLiteral("NMITEMDIME"))->Width = 220;
        SetNavigatorField(QStringLiteral("NMITEMDIME"));
        SetBounds(20, 20, 662, 397);
    }
    TClientDataSet *records;
};

QPointer<TestScreen> screen;

} // namespace

#ifndef TEST_PACKAGE_WITHOUT_ENTRY
extern "C" Q_DECL_EXPORT void CRIADIMENSAO()
{
    ++runs;
#ifdef TEST_PACKAGE_THROWS
    throw EServerFailure(QStringLiteral("Servidor indisponível"));
#else
    SetScreenCursor(crHourGlass);
    if (!screen)
        screen = TApplication::CreateForm<TestScreen>();
    screen->SetWindowState(TWindowState::wsNormal);
    screen->Show();
    SetScreenCursor(crDefault);
#endif
}
#endif

extern "C" Q_DECL_EXPORT void IniProc()
{
#ifndef TEST_PACKAGE_WITHOUT_ENTRY
    CRIADIMENSAO();
#endif
}

// How many times the entry ran (for the tests).
extern "C" Q_DECL_EXPORT int TESTPACKAGE_RUNS()
{
    return runs;
}
