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
        const QUrl parsed(url, QUrl::StrictMode);
        // Qt's reason quotes the URL, password and all: only its first sentence is told.
        if (!parsed.isValid())
            throw Exception(QStringLiteral("URL de conexão PostgreSQL inválida: %1")
                                .arg(parsed.errorString().section(QLatin1Char(';'), 0, 0)));
        config.m_kind = SqlDialect::Kind::Postgres;
        config.m_host = parsed.host().isEmpty() ? QStringLiteral("localhost") : parsed.host();
        config.m_port = parsed.port(5432);
        config.m_databaseName = parsed.path().mid(1);
        config.m_user = parsed.userName();
        config.m_password = parsed.password();
        QStringList options;
        for (const auto &[key, value] : QUrlQuery(parsed).queryItems(QUrl::FullyDecoded)) {
            // "host=/run/postgresql" selects a Unix socket folder, as with libpq's own URIs.
            if (key == QLatin1String("host"))
                config.m_host = value;
            else
                options << key + QLatin1Char('=') + value;
            if (key == QLatin1String("password") && !value.isEmpty()) config.m_queryPassword = true;
        }
        config.m_options = options.join(QLatin1Char(';'));
        if (config.m_databaseName.isEmpty())
            throw Exception(QStringLiteral("A URL PostgreSQL deve nomear o banco de dados: %1")
                                .arg(config.displayUrl()));
        return config;
    }
    throw Exception(QStringLiteral("Banco de dados não reconhecido: \"%1\" (use sqlite:CAMINHO ou "
                                   "postgresql://usuario@maquina:porta/banco).")
                        .arg(url));
}

QString DatabaseConfig::displayUrl() const
{
    if (isSqlite()) return QStringLiteral("sqlite:") + m_sqlitePath;
    QUrl shown(m_url);
    if (!shown.password().isEmpty()) shown.setPassword(QStringLiteral("***"));
    // libpq also takes the password as an option of the query, under whatever spelling
    // decodes to its name.
    QUrlQuery query(shown);
    QList<std::pair<QString, QString>> items = query.queryItems(QUrl::FullyDecoded);
    for (auto &[key, value] : items)
        if (key == QLatin1String("password")) value = QStringLiteral("***");
    query.setQueryItems(items);
    if (shown.hasQuery()) shown.setQuery(query);
    return shown.toString();
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
    db.setHostName(m_host);
    if (m_port > 0) db.setPort(m_port);
    db.setDatabaseName(m_databaseName);
    db.setUserName(m_user);
    db.setPassword(m_password);
    QString options = m_options;
    if (m_deadlines.connectTimeoutMs > 0 && !options.contains(QLatin1String("connect_timeout="))) {
        // libpq counts whole seconds, and takes less than 2 as 2.
        const int seconds = std::max(2, (m_deadlines.connectTimeoutMs + 999) / 1000);
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) +
                   QStringLiteral("connect_timeout=%1").arg(seconds);
    }
    db.setConnectOptions(options);
    return db;
}
