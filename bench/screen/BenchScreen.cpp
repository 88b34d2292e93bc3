// The screen against the floor of the server round trip it cannot do without, measured in the
// same run on the same server: a real kzr-appserver over loopback holding 10,000 dimensions.
#include "DataPacket.h"
#include "Interaction.h"
#include "ServerProcess.h"
#include "TApplication.h"
#include "TClientDataSet.h"
#include "TNetConnection.h"
#include "TfrmDimensao.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace {

constexpr int Stored = 10000;
const QString Module = QStringLiteral("KZR01200.rdmDimensao");

QString codeOf(int i)
{
    return QString::number(i).rightJustified(5, QLatin1Char('0'));
}

class BenchHost : public HostServices
{
public:
    int port = 0;
    ServerAccess access; // the session the screen's connections join
    std::unique_ptr<QWidget> main = std::make_unique<QWidget>(); // dropped before the application
    QString webUrl() const override { return QStringLiteral("127.0.0.1"); }
    int webPort() const override { return port; }
    void atualizaLocalCache(const QStringList &) override {}
    QWidget *mainForm() const override { return main.get(); }
    void adoptForm(TfrmPadraoGrid *) override {}
    ServerAccess serverAccess() const override { return access; }
};

// One server over the demo database topped up to 10,000 dimensions over a real table, so that
// a post passes every check the screen makes.
class Stock
{
public:
    static Stock &get()
    {
        static Stock stock;
        return stock;
    }

    ServerProcess server;
    BenchHost host;
    bool ready = false;

private:
    Stock()
    {
        if (!server.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(server.error()));
            return;
        }
        host.port = server.port();
        host.access = server.access();
        TApplication::SetHost(&host);
        Interaction::install(std::make_unique<ScriptedInteraction>());

        auto net = server.connect(Module);
        TClientDataSet dados;
        dados.SetData(net->AppServer().Call(QStringLiteral("getDimensao"), {QString(), QString()}));
        for (int i = dados.RecordCount() + 1; i <= Stored; ++i) {
            dados.Append();
            const std::pair<const char *, QString> values[] = {
                {"IDDIMENSAODW", QStringLiteral("S")}, {"NRSEQUEDIME", codeOf(i)},
                {"NMITEMDIME", QStringLiteral("Dimensão %1").arg(codeOf(i))},
                {"CDTABELADIME", QStringLiteral("CLIENTE")}, {"DSPKDIME", QStringLiteral("CDCLIENTE")},
                {"DSITEMDIME", QStringLiteral("NMCLIENTE")},
            };
            for (const auto &[name, value] : values)
                dados.FieldByName(QString::fromLatin1(name))->SetAsString(value);
            dados.Post();
        }
        dados.SetData(net->AppServer().Call(QStringLiteral("SetDimensao"), {dados.Delta()}));
        ready = dados.RecordCount() == Stored;
        if (!ready)
            std::fprintf(stderr, "seeding failed: %d rows\n", dados.RecordCount());
    }
};

bool skipUnlessReady(benchmark::State &state)
{
    if (Stock::get().ready)
        return false;
    state.SkipWithError("the server with 10,000 dimensions could not be prepared");
    return true;
}

// From the creation handler to the grid on screen with every dimension.
void FirstLoad10k_ours(benchmark::State &state)
{
    if (skipUnlessReady(state))
        return;
    for (auto _ : state) {
        TfrmDimensao *form = TApplication::CreateForm<TfrmDimensao>();
        form->Show();
        QApplication::processEvents();
        if (form->cdsDados->RecordCount() != Stored)
            state.SkipWithError("wrong row count");
        state.PauseTiming();
        delete form;
        state.ResumeTiming();
    }
}

void FirstLoad10k_floor(benchmark::State &state)
{
    if (skipUnlessReady(state))
        return;
    auto net = Stock::get().server.connect(Module);
    TClientDataSet dados;
    for (auto _ : state) {
        dados.SetData(net->AppServer().Call(QStringLiteral("getDimensao"), {QString(), QString()}));
        if (dados.RecordCount() != Stored)
            state.SkipWithError("wrong row count");
    }
}

// Alternates the name of one stored dimension so that every post is a real change.
QString nextName(int &round)
{
    return QStringLiteral("Renomeada %1").arg(++round % 2);
}

// A confirmed alteration of one dimension: the checks, the save and the list coming back.
void Post1of10k_ours(benchmark::State &state)
{
    if (skipUnlessReady(state))
        return;
    TfrmDimensao *form = TApplication::CreateForm<TfrmDimensao>();
    form->Show();
    QApplication::processEvents();
    int round = 0;
    for (auto _ : state) {
        form->cdsDados->SetRecNo(Stored / 2);
        form->sbtAlterar->Click();
        form->cdsDadosNMITEMDIME->SetText(nextName(round));
        form->sbtConfirmar->Click();
        QApplication::processEvents();
        if (form->cdsDados->State() != TDataSetState::dsBrowse || form->cdsDados->ChangeCount() != 0)
            state.SkipWithError("the post did not go through");
    }
    delete form;
}

void Post1of10k_floor(benchmark::State &state)
{
    if (skipUnlessReady(state))
        return;
    auto net = Stock::get().server.connect(Module);
    TClientDataSet dados;
    dados.SetData(net->AppServer().Call(QStringLiteral("getDimensao"), {QString(), QString()}));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        dados.SetRecNo(Stored / 2 + 1);
        dados.Edit();
        dados.FieldByName(QStringLiteral("NMITEMDIME"))->SetAsString(nextName(round) + QStringLiteral("b"));
        dados.Post();
        const Variant delta = dados.Delta();
        state.ResumeTiming();
        // The round trip into a record set, as the first load's floor: the list that comes
        // back is loaded, which any client of the method must do to use it.
        const Variant reply = net->AppServer().Call(QStringLiteral("SetDimensao"), {delta});
        if (!reply.isArray())
            state.SkipWithError("the save failed");
        dados.SetData(reply);
    }
}

} // namespace

BENCHMARK(FirstLoad10k_ours)->Name("FirstLoad10k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FirstLoad10k_floor)->Name("FirstLoad10k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(Post1of10k_ours)->Name("Post1of10k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(Post1of10k_floor)->Name("Post1of10k/floor")->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform warns on every raised window; the figures are what matters here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtWarningMsg || !text.startsWith(QLatin1String("This plugin does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // Widgets must go while the application still stands; the stock itself is static.
    Stock::get().server.stop();
    Stock::get().host.main.reset();
    TApplication::SetHost(nullptr);
    return 0;
}
