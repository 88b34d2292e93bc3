#include "ScreenFixture.h"

#include "Services.h"
#include "TClientDataSet.h"
#include "TNetConnection.h"

#include <QStandardPaths>
#include <QFile>
#include <QTcpServer>

void ScreenTest::SetUp()
{
    QStandardPaths::setTestModeEnabled(true); // remembered columns stay out of the user's settings
    auto interaction = std::make_unique<TimelineInteraction>(&timeline);
    ui = interaction.get();
    Interaction::install(std::move(interaction));
    TApplication::SetHost(&host);
    recorder = std::make_unique<CallRecorder>();
    DeactiveShowAvi();
    SetScreenCursor(crDefault);
}

void ScreenTest::TearDown()
{
    delete form.data();
    TApplication::SetHost(nullptr);
    Interaction::install(nullptr);
    ui = nullptr;
}

void ScreenTest::startServer(const QString &databaseUrl, const QStringList &serverArgs)
{
    ASSERT_TRUE(server.start(databaseUrl, serverArgs)) << server.error().toStdString() << server.output().toStdString();
    host.port = server.port();
    host.access = server.access();
}

QString ScreenTest::emptyDatabaseUrl()
{
    const QString path = server.tempPath(QStringLiteral("vazio.sqlite"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    return QStringLiteral("sqlite:") + path;
}

TfrmDimensao *ScreenTest::openScreen()
{
    form = TApplication::CreateForm<TfrmDimensao>();
    watch(form);
    form->Show();
    return form;
}

void ScreenTest::watch(TfrmDimensao *screen)
{
    recorder->watch(screen->netDimensao);
    recorder->watch(screen->netValida);
    for (TNetConnection *net : {screen->netDimensao, screen->netValida}) {
        QObject::connect(net, &TNetConnection::callMade, screen, [this](const QString &, const QString &method) {
            const BusyIndicatorState busy = BusyIndicator();
            timeline << (busy.shown ? QStringLiteral("call:%1[%2:%3]").arg(method).arg(busy.kind).arg(busy.text)
                                    : QStringLiteral("call:%1[]").arg(method));
        });
    }
    for (TClientDataSet *ds : {screen->cdsDados, screen->cdsExtras}) {
        QObject::connect(ds, &TClientDataSet::fieldFocusRequested, screen,
                         [this](TField *field) { timeline << QStringLiteral("focus:") + field->FieldName(); });
    }
}

QStringList ScreenTest::callsMade() const
{
    QStringList methods;
    for (const QString &call : recorder->calls())
        methods << call.section(QLatin1Char('.'), -1);
    return methods;
}

QStringList ScreenTest::enabledCommands() const
{
    QStringList names;
    for (TMenuItem *item : {form->mnuIncluir, form->mnuAlterar, form->mnuExcluir, form->mnuProcurar,
                            form->mnuVerificar, form->mnuConfirmar, form->mnuCancelar, form->mnuFechar})
        if (item->Enabled())
            names << item->objectName();
    return names;
}

QStringList ScreenTest::storedDimensions()
{
    auto net = server.connect(QStringLiteral("KZR01200.rdmDimensao"));
    TClientDataSet ds;
    ds.SetData(CheckResultServ(net->AppServer().Call(QStringLiteral("getDimensao"), {QString(), QString()})));
    QStringList rows;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        QStringList values;
        for (const char *name : {"NRSEQUEDIME", "NMITEMDIME", "CDTABELADIME", "DSPKDIME", "DSITEMDIME", "DSPKDIME2", "IDDIMENSAODW"})
            values << ds.FieldByName(QString::fromLatin1(name))->AsString();
        rows << values.join(QLatin1Char('|'));
    }
    return rows;
}

QStringList ScreenTest::storedCodes()
{
    QStringList codes;
    for (const QString &row : storedDimensions())
        codes << row.section(QLatin1Char('|'), 0, 0);
    return codes;
}

void ScreenTest::storeExtra(const QString &code, const QString &field, const QString &name)
{
    auto net = server.connect(QStringLiteral("KZR01200.rdmDimensao"));
    TClientDataSet ds;
    ds.SetData(CheckResultServ(net->AppServer().Call(QStringLiteral("GetExtras"), {code})));
    ds.Append();
    ds.FieldByName(QStringLiteral("NRSEQUEDIME"))->SetAsString(code);
    ds.FieldByName(QStringLiteral("CDATRIBEXTRDIME"))->SetAsString(field);
    ds.FieldByName(QStringLiteral("DSATRIBEXTRDIME"))->SetAsString(name);
    ds.Post();
    CheckResultServ(net->AppServer().Call(QStringLiteral("setExtras"), {ds.Delta()}));
}

void ScreenTest::removeExtrasOf(const QString &code)
{
    auto net = server.connect(QStringLiteral("KZR01200.rdmDimensao"));
    TClientDataSet ds;
    ds.SetData(CheckResultServ(net->AppServer().Call(QStringLiteral("GetExtras"), {code})));
    while (!ds.IsEmpty())
        ds.Delete();
    CheckResultServ(net->AppServer().Call(QStringLiteral("setExtras"), {ds.Delta()}));
}

void ScreenTest::goTo(const QString &code)
{
    TClientDataSet *ds = form->cdsDados;
    for (ds->First(); !ds->Eof(); ds->Next())
        if (form->cdsDadosNRSEQUEDIME->AsString() == code)
            return;
    ADD_FAILURE() << "no dimension " << code.toStdString();
}

void ScreenTest::include(const QString &code, const QString &name, const QString &table,
                         const QString &pk, const QString &item, const QString &pk2)
{
    form->sbtIncluir->Click();
    ASSERT_EQ(form->cdsDados->State(), TDataSetState::dsInsert);
    const std::pair<TField *, QString> values[] = {
        {form->cdsDadosNRSEQUEDIME, code}, {form->cdsDadosNMITEMDIME, name},
        {form->cdsDadosCDTABELADIME, table}, {form->cdsDadosDSPKDIME, pk},
        {form->cdsDadosDSITEMDIME, item}, {form->cdsDadosDSPKDIME2, pk2},
    };
    for (const auto &[field, text] : values)
        if (!text.isEmpty())
            type(field, text);
}

void ScreenTest::reachServer(bool reachable)
{
    if (reachable) {
        host.port = server.port();
    } else {
        QTcpServer nobody; // a port that was free a moment ago and has no listener now
        nobody.listen(QHostAddress::LocalHost);
        host.port = nobody.serverPort();
    }
    form->netDimensao->SetConnected(false);
    form->netDimensao->SetConnected(true);
}

void ScreenTest::forget()
{
    recorder->clear();
    timeline.clear();
    ui->clear();
    host.cacheNotices.clear();
}

void ExtrasTabTest::SetUp()
{
    ScreenTest::SetUp();
    startServer();
    openScreen();
    goTo(QStringLiteral("00001"));
    form->mnuExtras->Click();
    ASSERT_EQ(form->cdsExtras->RecordCount(), 3);
}
