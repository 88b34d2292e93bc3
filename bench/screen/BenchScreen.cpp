// The screen against the least the same work needs, measured in the same run: the rows read
// in-process from the server's own SQLite file with the sqlite3 C API (statements prepared
// once, the same durability settings) into a bare table model that a plain QTableView shows.
// Every "ours" runs the real screen over a real kzr-appserver on loopback.
#include "BareCells.h"
#include "DataPacket.h"
#include "HostMainWindow.h"
#include "MemberSource.h"
#include "MemberTreeModel.h"
#include "Interaction.h"
#include "ScriptedInteraction.h"
#include "ServerProcess.h"
#include "TApplication.h"
#include "TClientDataSet.h"
#include "TNetConnection.h"
#include "TfrmDimensao.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QTest>
#include <QFile>
#include <QStandardPaths>
#include <QTableView>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace {

const QString Module = QStringLiteral("KZR01200.rdmDimensao");
constexpr int Columns = 7;
const char *const SelectAll =
    "SELECT IDDIMENSAODW, NRSEQUEDIME, NMITEMDIME, CDTABELADIME, DSPKDIME, DSITEMDIME, DSPKDIME2 "
    "FROM DIMENSAODIME ORDER BY NRSEQUEDIME";

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

// One server over the demo database topped up to `count` dimensions over a real table, so that
// a post passes every check the screen makes; one per size, started on first use.
class Stock
{
public:
    static Stock &get(int count)
    {
        std::unique_ptr<Stock> &stock = all()[count];
        if (!stock) stock.reset(new Stock(count));
        return *stock;
    }
    // Servers and widgets go while the application still stands.
    static void dropAll() { all().clear(); }

    const int count;
    ServerProcess server;
    BenchHost host;
    bool ready = false;

    // Makes this server the one the screen's connections reach.
    void serve()
    {
        TApplication::SetHost(&host);
    }

private:
    static std::map<int, std::unique_ptr<Stock>> &all()
    {
        static std::map<int, std::unique_ptr<Stock>> stocks;
        return stocks;
    }

    explicit Stock(int count) : count(count)
    {
        if (!server.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(server.error()));
            return;
        }
        host.port = server.port();
        host.access = server.access();
        auto net = server.connect(Module);
        net->SetTimeoutMs(600000); // seeding a large list takes a while on a busy machine
        const Variant list = net->AppServer().Call(QStringLiteral("getDimensao"), {QString(), QString()});
        const packet::Packet stored = packet::fromVariant(list);
        packet::Packet delta;
        delta.isDelta = true;
        delta.fields = stored.fields;
        TClientDataSet dados;
        // In parts, each one save of its own.
        auto send = [&] {
            dados.SetData(net->AppServer().Call(QStringLiteral("SetDimensao"), {packet::toVariant(delta)}));
            delta.changes.clear();
        };
        const std::map<QString, QString> values = {
            {QStringLiteral("IDDIMENSAODW"), QStringLiteral("S")},
            {QStringLiteral("CDTABELADIME"), QStringLiteral("CLIENTE")},
            {QStringLiteral("DSPKDIME"), QStringLiteral("CDCLIENTE")},
            {QStringLiteral("DSITEMDIME"), QStringLiteral("NMCLIENTE")},
        };
        for (int i = int(stored.rows.size()) + 1; i <= count; ++i) {
            packet::Row row(delta.fields.size());
            for (int c = 0; c < delta.fields.size(); ++c) {
                const QString &name = delta.fields[c].name;
                if (name == QLatin1String("NRSEQUEDIME")) row[c] = codeOf(i);
                else if (name == QLatin1String("NMITEMDIME")) row[c] = QStringLiteral("Dimensão %1").arg(codeOf(i));
                else if (const auto it = values.find(name); it != values.end()) row[c] = it->second;
            }
            delta.changes.push_back({packet::ChangeOp::Insert, std::nullopt, row});
            if (delta.changes.size() == 5000) send();
        }
        if (!delta.changes.isEmpty()) send();
        ready = dados.RecordCount() == count;
        if (!ready)
            std::fprintf(stderr, "seeding failed: %d rows for %d\n", dados.RecordCount(), count);
    }
};

Stock *readyStock(benchmark::State &state, int count)
{
    Stock &stock = Stock::get(count);
    if (!stock.ready) {
        state.SkipWithError("the server with its dimensions could not be prepared");
        return nullptr;
    }
    stock.serve();
    return &stock;
}

// --- the floor's parts ------------------------------------------------------------------------

// The least a table model can be: the cells as read, a text made for each one a view asks for.
class BareModel : public QAbstractTableModel
{
public:
    void reset(BareCells cells)
    {
        beginResetModel();
        m_cells = std::move(cells);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_cells.size() / Columns);
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : Columns;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole) return {};
        return m_cells.text(size_t(index.row()) * Columns + size_t(index.column()));
    }

private:
    BareCells m_cells;
};

// The server's SQLite file opened in-process, statements prepared once.
class Floor
{
public:
    explicit Floor(const Stock &stock)
    {
        const QByteArray path = QFile::encodeName(stock.server.sqlitePath());
        if (sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return;
        sqlite3_busy_timeout(m_db, 15000);
        sqlite3_prepare_v2(m_db, SelectAll, -1, &m_select, nullptr);
        sqlite3_prepare_v2(m_db, "UPDATE DIMENSAODIME SET NMITEMDIME = ? WHERE NRSEQUEDIME = ?", -1, &m_update,
                           nullptr);
        sqlite3_prepare_v2(m_db, "BEGIN IMMEDIATE", -1, &m_begin, nullptr);
        sqlite3_prepare_v2(m_db, "COMMIT", -1, &m_commit, nullptr);
    }
    ~Floor()
    {
        for (sqlite3_stmt *s : {m_select, m_update, m_begin, m_commit})
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    bool ok() const { return m_select && m_update && m_begin && m_commit; }

    BareCells readAll(size_t expected) { return BareCells::read(m_select, Columns, expected); }

    // One committed change of a name, as durable as the server's own.
    bool rename(const QString &code, const QString &name)
    {
        const QByteArray c = code.toUtf8(), n = name.toUtf8();
        bool done = step(m_begin);
        sqlite3_bind_text(m_update, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_update, 2, c.constData(), int(c.size()), SQLITE_TRANSIENT);
        done = step(m_update) && done;
        return step(m_commit) && done;
    }

private:
    static bool step(sqlite3_stmt *s)
    {
        const int rc = sqlite3_step(s);
        sqlite3_reset(s);
        return rc == SQLITE_DONE;
    }

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_select = nullptr;
    sqlite3_stmt *m_update = nullptr;
    sqlite3_stmt *m_begin = nullptr;
    sqlite3_stmt *m_commit = nullptr;
};

// The size of the screen's grid when it first shows, so that a floor's view paints as many
// cells as the screen does. Read once, off the clock, from a screen of the stock served.
QSize screenGridSize()
{
    static const QSize size = [] {
        std::unique_ptr<TfrmDimensao> form(TApplication::CreateForm<TfrmDimensao>());
        form->Show();
        QApplication::processEvents();
        return form->dbgPadrao->size();
    }();
    return size;
}

// A plain table view of the screen's grid size, in a window of its own so that it really
// paints (a child of a hidden window never does).
std::unique_ptr<QTableView> bareView()
{
    auto view = std::make_unique<QTableView>();
    view->resize(screenGridSize());
    return view;
}

// The rows read into a bare model, shown by a plain table view and painted.
void showBareList(benchmark::State &state, Stock &stock)
{
    Floor floor(stock);
    if (!floor.ok()) {
        state.SkipWithError("the server's SQLite file could not be read in-process");
        return;
    }
    screenGridSize();
    for (auto _ : state) {
        auto view = bareView();
        auto model = std::make_unique<BareModel>();
        model->reset(floor.readAll(size_t(stock.count)));
        view->setModel(model.get());
        view->show();
        QApplication::processEvents();
        if (model->rowCount() != stock.count || !view->isVisible())
            state.SkipWithError("wrong row count or nothing shown");
        state.PauseTiming();
        view.reset();
        model.reset();
        state.ResumeTiming();
    }
}

// --- first load -------------------------------------------------------------------------------

// From the creation handler to the grid on screen with every dimension.
void FirstLoad10k_ours(benchmark::State &state)
{
    Stock *stock = readyStock(state, 10000);
    if (!stock) return;
    for (auto _ : state) {
        TfrmDimensao *form = TApplication::CreateForm<TfrmDimensao>();
        form->Show();
        QApplication::processEvents();
        if (form->cdsDados->RecordCount() != stock->count)
            state.SkipWithError("wrong row count");
        state.PauseTiming();
        delete form;
        state.ResumeTiming();
    }
}

void FirstLoad10k_floor(benchmark::State &state)
{
    if (Stock *stock = readyStock(state, 10000)) showBareList(state, *stock);
}

// --- one save -----------------------------------------------------------------------------------

// Alternates the name of one stored dimension so that every post is a real change.
QString nextName(int &round)
{
    return QStringLiteral("Renomeada %1").arg(++round % 2);
}

// A confirmed alteration of one dimension: the checks, the save and the list coming back.
void postOne(benchmark::State &state, int count)
{
    Stock *stock = readyStock(state, count);
    if (!stock) return;
    TfrmDimensao *form = TApplication::CreateForm<TfrmDimensao>();
    form->Show();
    QApplication::processEvents();
    int round = 0;
    for (auto _ : state) {
        form->cdsDados->SetRecNo(count / 2);
        form->sbtAlterar->Click();
        form->cdsDadosNMITEMDIME->SetText(nextName(round));
        form->sbtConfirmar->Click();
        QApplication::processEvents();
        if (form->cdsDados->State() != TDataSetState::dsBrowse || form->cdsDados->ChangeCount() != 0)
            state.SkipWithError("the post did not go through");
    }
    delete form;
}

// The same change committed in-process, then every row read back into the model a plain view
// shows and repainted: what any save that answers with the complete list must do.
void postOneFloor(benchmark::State &state, int count)
{
    Stock *stock = readyStock(state, count);
    if (!stock) return;
    Floor floor(*stock);
    if (!floor.ok()) {
        state.SkipWithError("the server's SQLite file could not be read in-process");
        return;
    }
    std::unique_ptr<QTableView> view = bareView();
    BareModel model;
    model.reset(floor.readAll(size_t(count)));
    view->setModel(&model);
    view->show();
    QApplication::processEvents();
    if (!view->isVisible()) state.SkipWithError("the view did not show");
    // Another dimension than the screen's, so that neither finds the other's change.
    const QString code = codeOf(count / 2 + 1);
    int round = 0;
    for (auto _ : state) {
        if (!floor.rename(code, nextName(round) + QStringLiteral("b")))
            state.SkipWithError("the update failed");
        model.reset(floor.readAll(size_t(count)));
        QApplication::processEvents();
        if (model.rowCount() != count) state.SkipWithError("wrong row count");
    }
}

void Post1of100_ours(benchmark::State &state) { postOne(state, 100); }
void Post1of100_floor(benchmark::State &state) { postOneFloor(state, 100); }
void Post1of10k_ours(benchmark::State &state) { postOne(state, 10000); }
void Post1of10k_floor(benchmark::State &state) { postOneFloor(state, 10000); }

// --- host start -------------------------------------------------------------------------------

// The host from its window to the screen shown with every dimension: the window, the login,
// the package's entry and the first load, painted.
void hostStart(benchmark::State &state, int count)
{
    Stock *stock = readyStock(state, count);
    if (!stock) return;
    const QString passwordFile = stock->server.tempPath(QStringLiteral("senha"));
    {
        QFile file(passwordFile);
        file.open(QIODevice::WriteOnly);
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        file.write(stock->server.password().toUtf8() + '\n');
    }
    HostOptions options;
    options.server = stock->server.host();
    options.port = stock->server.port();
    options.packageDir = QStringLiteral(KZR_PACKAGE_DIR);
    options.settingsFile = stock->server.tempPath(QStringLiteral("kzr-host.ini"));
    options.user = stock->server.userName();
    options.passwordFile = passwordFile;
    options.open = {QStringLiteral("KZR01200")};
    for (auto _ : state) {
        auto window = std::make_unique<HostMainWindow>(options);
        TApplication::SetHost(window.get());
        window->show();
        if (!window->logIn() || !window->openScreen(options.open.first()))
            state.SkipWithError("the host did not open the screen");
        QApplication::processEvents();
        auto *form = window->findChild<TfrmDimensao *>();
        if (!form || form->cdsDados->RecordCount() != count) state.SkipWithError("wrong row count");
        state.PauseTiming();
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        stock->serve();
        state.ResumeTiming();
    }
}

void HostStart10k_ours(benchmark::State &state) { hostStart(state, 10000); }
void HostStart10k_floor(benchmark::State &state)
{
    if (Stock *stock = readyStock(state, 10000)) showBareList(state, *stock);
}
// Codes have five digits: 99,999 is the longest list there can be.
void HostStart100k_ours(benchmark::State &state) { hostStart(state, 99999); }
void HostStart100k_floor(benchmark::State &state)
{
    if (Stock *stock = readyStock(state, 99999)) showBareList(state, *stock);
}

// --- the member tree's memory -----------------------------------------------------------------

constexpr int TreeMembers = 1000000;

// A server whose database also holds a flat dimension of 1,000,000 members, put in through
// SQLite's C interface once the server has made the file.
class MembersStock
{
public:
    static MembersStock *get()
    {
        if (!kept()) kept().reset(new MembersStock);
        return kept()->ready ? kept().get() : nullptr;
    }
    static void drop() { kept().reset(); }

    ServerProcess server;
    BenchHost host;
    bool ready = false;

private:
    static std::unique_ptr<MembersStock> &kept()
    {
        static std::unique_ptr<MembersStock> stock;
        return stock;
    }

    MembersStock()
    {
        if (!server.start()) {
            std::fprintf(stderr, "%s\n", qPrintable(server.error()));
            return;
        }
        host.port = server.port();
        host.access = server.access();
        sqlite3 *db = nullptr;
        const QByteArray path = QFile::encodeName(server.sqlitePath());
        const QByteArray fill =
            QStringLiteral("CREATE TABLE MEMBRO (CDMEMBRO INTEGER PRIMARY KEY, NMMEMBRO "
                           "VARCHAR(30)); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 "
                           "FROM n WHERE i < %1) INSERT INTO MEMBRO SELECT i, 'Membro ' || i FROM n")
                .arg(TreeMembers)
                .toUtf8();
        char *error = nullptr;
        ready = sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
                    SQLITE_OK &&
                sqlite3_exec(db, fill.constData(), nullptr, nullptr, &error) == SQLITE_OK;
        if (!ready) std::fprintf(stderr, "the members could not be made: %s\n", error);
        sqlite3_free(error);
        sqlite3_close(db);
    }
};

// Bytes the allocator has handed out and not had back, over every thread's arena.
double heapMiB()
{
    const struct mallinfo2 info = ::mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// The Members tab's model and view holding `pages` pages of the 1,000,000 members, fetched as
// the view scrolls to the end of what it holds: the memory they keep (1 ms stands for 1 MiB).
void MemberTree_ours(benchmark::State &state)
{
    MembersStock *stock = MembersStock::get();
    if (!stock) return state.SkipWithError("the members could not be prepared");
    TApplication::SetHost(&stock->host);
    const int wanted = int(state.range(0)) * MemberSource::PageSize;
    for (auto _ : state) {
        const double before = heapMiB();
        MemberSource source;
        source.setDimension(MemberSource::Dimension{QStringLiteral("MEMBRO"),
                                                    QStringLiteral("CDMEMBRO"),
                                                    QStringLiteral("NMMEMBRO"), QString()});
        MemberTreeModel model(source);
        model.restart(true);
        QTreeView view;
        view.setModel(&model);
        view.resize(800, 600);
        view.show();
        const bool held = QTest::qWaitFor(
            [&] {
                if (model.rowCount() < wanted) {
                    view.scrollToBottom();
                    model.fetchNext({}); // as the tab does once the last row is in view
                }
                return model.rowCount() >= wanted;
            },
            60000);
        if (!held) state.SkipWithError("the pages did not come");
        state.SetIterationTime((heapMiB() - before) / 1000.0);
    }
}

// The same pages asked of the server in turn and kept as their rows of texts, what was fetched
// held as plainly as it can be, beside a tree view shown empty: the widget's own share.
void MemberTree_floor(benchmark::State &state)
{
    MembersStock *stock = MembersStock::get();
    if (!stock) return state.SkipWithError("the members could not be prepared");
    const int pages = int(state.range(0));
    for (auto _ : state) {
        const double before = heapMiB();
        QTreeView view;
        view.resize(800, 600);
        view.show();
        QCoreApplication::processEvents();
        auto net = stock->server.connect(QStringLiteral("KZR01200.rdmAnalise"));
        std::vector<packet::Row> rows;
        Variant after = Variant::Null();
        for (int page = 0; page < pages; ++page) {
            const packet::Packet got = packet::fromVariant(net->AppServer().Call(
                QStringLiteral("getMembros"),
                {QStringLiteral("MEMBRO"), QStringLiteral("CDMEMBRO"), QStringLiteral("NMMEMBRO"),
                 QString(), Variant::Null(), after, Variant(MemberSource::PageSize)}));
            rows.insert(rows.end(), got.rows.begin(), got.rows.end());
            if (!got.rows.isEmpty()) after = Variant(got.rows.back().front().value_or(QString()));
        }
        if (int(rows.size()) != pages * MemberSource::PageSize)
            state.SkipWithError("wrong number of members");
        state.SetIterationTime((heapMiB() - before) / 1000.0);
    }
}

} // namespace

BENCHMARK(FirstLoad10k_ours)->Name("FirstLoad10k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(FirstLoad10k_floor)->Name("FirstLoad10k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(Post1of100_ours)->Name("Post1of100/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(Post1of100_floor)->Name("Post1of100/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(Post1of10k_ours)->Name("Post1of10k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(Post1of10k_floor)->Name("Post1of10k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(HostStart10k_ours)->Name("HostStart10k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(HostStart10k_floor)->Name("HostStart10k/floor")->Unit(benchmark::kMillisecond);
BENCHMARK(HostStart100k_ours)->Name("HostStart100k/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(HostStart100k_floor)->Name("HostStart100k/floor")->Unit(benchmark::kMillisecond);
// Memory, not time: 1 ms stands for 1 MiB. Ten times the pages should cost ten times the memory,
// whatever the size of the table.
BENCHMARK(MemberTree_ours)->Name("MemberTree5Pages/ours")->Arg(5)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(MemberTree_floor)->Name("MemberTree5Pages/floor")->Arg(5)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(MemberTree_ours)->Name("MemberTree50Pages/ours")->Arg(50)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(MemberTree_floor)->Name("MemberTree50Pages/floor")->Arg(50)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

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
    QStandardPaths::setTestModeEnabled(true); // remembered columns stay out of the user's settings
    Interaction::install(std::make_unique<ScriptedInteraction>());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TApplication::SetHost(nullptr);
    Stock::dropAll();
    MembersStock::drop();
    return 0;
}
