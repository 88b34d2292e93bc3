#include "ServerSettings.h"

#include <QCommandLineParser>
#include <QSettings>

ServerSettings ServerSettings::read(const QString &settingsFile, const Given &given, QString *error)
{
    ServerSettings result;
    const std::unique_ptr<QSettings> stored = open(settingsFile);
    result.host =
        given.host.value_or(stored->value(QStringLiteral("server/host"), result.host).toString());
    result.user = given.user.value_or(stored->value(QStringLiteral("server/user")).toString());
    result.access.caFile =
        given.caFile.value_or(stored->value(QStringLiteral("server/cafile")).toString());
    result.access.tls = given.tls || !result.access.caFile.isEmpty() ||
                        stored->value(QStringLiteral("server/tls"), false).toBool();
    result.access.pinnedFingerprint =
        stored->value(QStringLiteral("server/fingerprint")).toString();
    const QString portText = given.port.value_or(
        stored->value(QStringLiteral("server/port"), QString::number(result.port)).toString());
    bool ok = false;
    const int number = portText.toInt(&ok);
    if (!ok || number <= 0 || number > 65535) {
        if (error) *error = QStringLiteral("Porta inválida: \"%1\".").arg(portText);
        return result;
    }
    result.port = number;
    if (error) error->clear();
    return result;
}

std::unique_ptr<QSettings> ServerSettings::open(const QString &settingsFile)
{
    return settingsFile.isEmpty()
               ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("kzr"), QStringLiteral("kzr-host"))
               : std::make_unique<QSettings>(settingsFile, QSettings::IniFormat);
}

ServerSettings::Given ServerSettings::Given::from(const QCommandLineParser &parser)
{
    Given given;
    const auto valueOf = [&](const QString &name) -> std::optional<QString> {
        if (!parser.isSet(name)) return std::nullopt;
        return parser.value(name);
    };
    given.host = valueOf(QStringLiteral("server"));
    given.port = valueOf(QStringLiteral("port"));
    given.user = valueOf(QStringLiteral("user"));
    given.caFile = valueOf(QStringLiteral("ca-file"));
    given.tls = parser.isSet(QStringLiteral("tls"));
    return given;
}
