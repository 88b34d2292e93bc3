#include "ServerAccess.h"

#include <QStringList>

namespace server_access {

QString fingerprintText(const QByteArray &sha256)
{
    return QString::fromLatin1(sha256.toHex(':').toUpper());
}

bool sameFingerprint(const QString &a, const QString &b)
{
    auto plain = [](QString text) { return text.remove(QLatin1Char(':')).trimmed().toUpper(); };
    return !plain(a).isEmpty() && plain(a) == plain(b);
}

} // namespace server_access
