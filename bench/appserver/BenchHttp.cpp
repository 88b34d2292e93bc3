// The HTTP API against the clients' port of the same server, in the same run: one dimension
// (GET /api/v1/dimensions/{code} against getDimensao(code, "")) and one page of a member's
// children (GET .../members?parent= against getMembros), each answer read whole and decoded as
// its client would (the JSON parsed; the data packet decoded). The HTTP client is a plain
// blocking socket kept alive between requests, as curl or a script's session would.
#include "BenchServer.h"
#include "DataPacket.h"
#include "ServerFailure.h"
#include "RemoteArg.h"
#include "ServerProcess.h"
#include "TNetConnection.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Members = 100000;
constexpr int MemberPage = 200;

// One keep-alive HTTP/1.1 connection; answers the status and the body.
class HttpClient
{
public:
    explicit HttpClient(quint16 port)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const int one = 1;
        ::setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (::connect(m_socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            ::close(m_socket);
            m_socket = -1;
        }
    }
    ~HttpClient()
    {
        if (m_socket >= 0) ::close(m_socket);
    }
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    std::pair<int, QByteArray> request(const QByteArray &method, const QByteArray &path,
                                       const QByteArray &token, const QByteArray &body = {})
    {
        QByteArray out = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
        if (!token.isEmpty()) out += "Authorization: Bearer " + token + "\r\n";
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
        if (m_socket < 0 || ::send(m_socket, out.constData(), size_t(out.size()), 0) != out.size())
            return {0, {}};
        for (;;) {
            const qsizetype end = m_buffer.indexOf("\r\n\r\n");
            if (end >= 0) {
                static const QRegularExpression length(
                    QStringLiteral("(?i)content-length: *(\\d+)"));
                const QString head = QString::fromLatin1(m_buffer.left(end));
                const qsizetype size = length.match(head).captured(1).toLongLong();
                if (m_buffer.size() >= end + 4 + size) {
                    const int status = head.mid(9, 3).toInt();
                    QByteArray answer = m_buffer.mid(end + 4, size);
                    m_buffer.remove(0, end + 4 + size);
                    return {status, answer};
                }
            }
            char chunk[65536];
            const ssize_t got = ::recv(m_socket, chunk, sizeof chunk, 0);
            if (got <= 0) return {0, {}};
            m_buffer.append(chunk, got);
        }
    }

private:
    int m_socket = -1;
    QByteArray m_buffer;
};

// A server with its HTTP port, a table of 100,000 members ten wide per parent and a dimension
// over it (00006), stored through the API itself; a session for each client.
class HttpStock
{
public:
    static HttpStock &get()
    {
        static HttpStock stock;
        return stock;
    }

    ServerProcess server;
    quint16 httpPort = 0;
    QByteArray token;
    bool ready = false;

private:
    HttpStock()
    {
        const QString path = bench_server::sqliteFile(server, QStringLiteral("http.sqlite"),
                                                      bench_server::memberTable(Members));
        if (path.isEmpty() ||
            !server.start(QStringLiteral("sqlite:") + path,
                          {QStringLiteral("--http"), QStringLiteral("127.0.0.1:0")}))
            return;
        const QRegularExpressionMatch port =
            QRegularExpression(QStringLiteral("API HTTP em http://[^ ]+:(\\d+)/"))
                .match(server.output());
        httpPort = quint16(port.captured(1).toUInt());
        HttpClient client(httpPort);
        const QJsonObject login{{QStringLiteral("user"), server.userName()},
                                {QStringLiteral("password"), server.password()}};
        const auto [status, answer] =
            client.request("POST", "/api/v1/sessions", {}, QJsonDocument(login).toJson());
        token = QJsonDocument::fromJson(answer)
                    .object()
                    .value(QStringLiteral("token"))
                    .toString()
                    .toUtf8();
        const QJsonObject dimension{{QStringLiteral("code"), QStringLiteral("6")},
                                    {QStringLiteral("name"), QStringLiteral("Membros")},
                                    {QStringLiteral("table"), QStringLiteral("MEMBRO")},
                                    {QStringLiteral("keyField"), QStringLiteral("CDMEMBRO")},
                                    {QStringLiteral("attributeField"), QStringLiteral("NMMEMBRO")},
                                    {QStringLiteral("parentField"), QStringLiteral("CDPAI")},
                                    {QStringLiteral("inWarehouse"), true}};
        ready = status == 201 && client.request("POST", "/api/v1/dimensions", token,
                                                QJsonDocument(dimension).toJson())
                                         .first == 201;
        if (!ready) std::fprintf(stderr, "the HTTP benchmark's server could not be prepared\n");
    }
};

// The server's CPU time so far (user and system), in microseconds: what a request costs it,
// apart from how long the machine let it wait for a core.
double serverCpuUs()
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(HttpStock::get().server.pid()));
    if (!stat.open(QIODevice::ReadOnly)) return 0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) * 1e6 /
           double(sysconf(_SC_CLK_TCK));
}

void countServerCpu(benchmark::State &state, double before)
{
    state.counters["server_cpu_us"] = benchmark::Counter(
        serverCpuUs() - before, benchmark::Counter::kAvgIterations);
}

bool skipUnlessReady(benchmark::State &state)
{
    if (HttpStock::get().ready) return false;
    state.SkipWithError("the server with its HTTP port could not be prepared");
    return true;
}

// Each HTTP answer parsed as a client would, after a warming round for every worker.
void overHttp(benchmark::State &state, const QByteArray &path)
{
    if (skipUnlessReady(state)) return;
    HttpClient client(HttpStock::get().httpPort);
    for (int warming = 0; warming < 50; ++warming)
        client.request("GET", path, HttpStock::get().token);
    const double before = serverCpuUs();
    for (auto _ : state) {
        const auto [status, body] = client.request("GET", path, HttpStock::get().token);
        const QJsonDocument answer = QJsonDocument::fromJson(body);
        if (status != 200 || !answer.isObject()) state.SkipWithError("the HTTP answer was not 200");
        benchmark::DoNotOptimize(answer);
    }
    countServerCpu(state, before);
}

// The same question over the clients' port, its packet decoded.
void overRpc(benchmark::State &state, const char *module, const QString &method,
             const QList<RemoteArg> &args)
{
    if (skipUnlessReady(state)) return;
    auto net = HttpStock::get().server.connect(QString::fromLatin1(module));
    for (int warming = 0; warming < 50; ++warming)
        net->AppServer().Call(method, args);
    const double before = serverCpuUs();
    for (auto _ : state) {
        const Variant reply = net->AppServer().Call(method, args);
        if (reply.kind() != Variant::Kind::Bytes)
            state.SkipWithError(qPrintable(server_failure::message(reply)));
        benchmark::DoNotOptimize(packet::fromVariant(reply));
    }
    countServerCpu(state, before);
}

void Dimension_ours(benchmark::State &state)
{
    overHttp(state, "/api/v1/dimensions/00006");
}

void Dimension_floor(benchmark::State &state)
{
    overRpc(state, "KZR01200.rdmDimensao", QStringLiteral("getDimensao"),
            {QStringLiteral("00006"), QString()});
}

void Members_ours(benchmark::State &state)
{
    overHttp(state, "/api/v1/dimensions/00006/members?parent=1234&limit=" +
                        QByteArray::number(MemberPage));
}

void Members_floor(benchmark::State &state)
{
    overRpc(state, "KZR01200.rdmAnalise", QStringLiteral("getMembros"),
            {QStringLiteral("MEMBRO"), QStringLiteral("CDMEMBRO"), QStringLiteral("NMMEMBRO"),
             QStringLiteral("CDPAI"), QStringLiteral("1234"), Variant::Null(),
             Variant(MemberPage)});
}

} // namespace

BENCHMARK(Dimension_ours)->Name("HttpDimension/ours")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(Dimension_floor)
    ->Name("HttpDimension/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(Members_ours)
    ->Name("HttpMembersChildren/ours")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(Members_floor)
    ->Name("HttpMembersChildren/floor")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    return bench_server::runBenchmarks(argc, argv);
}
