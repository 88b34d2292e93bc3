#include "DatabaseConfig.h"

#include "Exceptions.h"

#include <QDir>
#include <QSqlDatabase>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <algorithm>

DatabaseConfig DatabaseConfig::parse(const QString &url)
{
    DatabaseConfig config;
    config.m_url = url;
    if (url.startsWith(QLatin1String("sqlite:"))) {
        const QString path = url.mid(int(qstrlen("sqlite:")));
        if (path.isEmpty())
            throw Exception(QStringLiteral("Caminho do arquivo SQLite vazio em \"%1\".").arg(url));
        config.m_kind = SqlDialect::Kind::Sqlite;
        config.m_sqlitePath = QDir::cleanPath(QDir::current().absoluteFilePath(path));
        return config;
    }
    if (url.startsWith(QLatin1String("postgresql://")) ||
        url.startsWith(QLatin1String("postgres://"))) {
        config.m_kind = SqlDialect::Kind::Postgres;
        config.parsePostgres(url.mid(url.indexOf(QLatin1String("://")) + 3));
        if (config.m_databaseName.isEmpty())
            throw Exception(QStringLiteral("A URL PostgreSQL deve nomear o banco de dados: %1")
                                .arg(config.displayUrl()));
        return config;
    }
    throw Exception(QStringLiteral("Banco de dados não reconhecido: \"%1\" (use sqlite:CAMINHO ou "
                                   "postgresql://usuario@maquina:porta/banco).")
                        .arg(url));
}

namespace {

[[noreturn]] void invalidUrl(const QString &why)
{
    throw Exception(QStringLiteral("URL de conexão PostgreSQL inválida: %1").arg(why));
}

QString decoded(const QString &part)
{
    return QUrl::fromPercentEncoding(part.toUtf8());
}

} // namespace

void DatabaseConfig::parsePostgres(const QString &afterScheme)
{
    // As libpq reads a URI: [user[:password]@][host[:port][,host[:port]...]][/database][?query].
    // Qt's QUrl takes one host only.
    QString rest = afterScheme;
    QString query;
    if (const qsizetype mark = rest.indexOf(QLatin1Char('?')); mark >= 0) {
        query = rest.mid(mark + 1);
        rest.truncate(mark);
    }
    if (const qsizetype slash = rest.indexOf(QLatin1Char('/')); slash >= 0) {
        m_databaseName = decoded(rest.mid(slash + 1));
        rest.truncate(slash);
    }
    if (const qsizetype at = rest.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString userInfo = rest.left(at);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        m_user = decoded(userInfo.left(colon));
        if (colon >= 0) m_password = decoded(userInfo.mid(colon + 1));
        rest = rest.mid(at + 1);
    }
    for (const QString &spec : rest.split(QLatin1Char(','))) {
        QString host = spec;
        QString port;
        if (spec.startsWith(QLatin1Char('['))) { // [IPv6]:port
            const qsizetype close = spec.indexOf(QLatin1Char(']'));
            if (close < 0) invalidUrl(QStringLiteral("endereço IPv6 sem \"]\" em \"%1\"").arg(spec));
            host = spec.mid(1, close - 1);
            if (spec.size() > close + 1) {
                if (spec.at(close + 1) != QLatin1Char(':'))
                    invalidUrl(QStringLiteral("\"%1\"").arg(spec));
                port = spec.mid(close + 2);
            }
        } else if (const qsizetype colon = spec.indexOf(QLatin1Char(':')); colon >= 0) {
            host = spec.left(colon);
            port = spec.mid(colon + 1);
        }
        bool ok = true;
        const int number = port.isEmpty() ? 5432 : port.toInt(&ok);
        if (!ok || number <= 0 || number > 65535)
            invalidUrl(QStringLiteral("porta inválida \"%1\"").arg(port));
        m_hosts << (host.isEmpty() ? QStringLiteral("localhost") : decoded(host));
        m_ports << number;
    }
    QStringList options;
    for (const auto &[key, value] : QUrlQuery(query).queryItems(QUrl::FullyDecoded)) {
        // "host=/run/postgresql" selects a Unix socket folder, as with libpq's own URIs.
        if (key == QLatin1String("host"))
            m_hosts = value.split(QLatin1Char(','));
        else
            options << key + QLatin1Char('=') + value;
    }
    m_options = options.join(QLatin1Char(';'));
}

QString DatabaseConfig::displayUrl() const
{
    if (isSqlite()) return QStringLiteral("sqlite:") + m_sqlitePath;
    if (m_password.isEmpty()) return m_url;
    // The password is what stands between the first ":" of the user part and its "@".
    const qsizetype from = m_url.indexOf(QLatin1String("://")) + 3;
    const qsizetype at = m_url.lastIndexOf(QLatin1Char('@'), m_url.indexOf(QLatin1Char('/'), from));
    const qsizetype colon = m_url.indexOf(QLatin1Char(':'), from);
    return m_url.left(colon + 1) + QStringLiteral("***") + m_url.mid(at);
}

QSqlDatabase DatabaseConfig::addConnection(const QString &connectionName) const
{
    if (isSqlite()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(m_sqlitePath);
        // Writers wait for each other instead of failing at once with "database is locked",
        // but no longer than a statement may take.
        db.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_deadlines.statementTimeoutMs));
        return db;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    // Several hosts go to libpq as its lists: it tries them in turn (with target_session_attrs,
    // until one takes writes). Qt's driver quotes the host as one value, which libpq then splits
    // at its commas; the port, an integer to Qt, goes as an option when the hosts differ in it.
    db.setHostName(m_hosts.join(QLatin1Char(',')));
    db.setDatabaseName(m_databaseName);
    db.setUserName(m_user);
    db.setPassword(m_password);
    QString options = m_options;
    if (std::all_of(m_ports.cbegin(), m_ports.cend(), [&](int p) { return p == m_ports.front(); })) {
        db.setPort(m_ports.front());
    } else {
        QStringList ports;
        for (int port : m_ports)
            ports << QString::number(port);
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) + QStringLiteral("port=") +
                   ports.join(QLatin1Char(','));
    }
    if (m_deadlines.connectTimeoutMs > 0 && !options.contains(QLatin1String("connect_timeout="))) {
        // libpq counts whole seconds, and takes less than 2 as 2.
        const int seconds = std::max(2, (m_deadlines.connectTimeoutMs + 999) / 1000);
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) +
                   QStringLiteral("connect_timeout=%1").arg(seconds);
    }
    db.setConnectOptions(options);
    return db;
}
