#include "PasswordHash.h"

#include "Exceptions.h"

#include <sodium.h>

namespace {

void initialiseSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw Exception(QStringLiteral("Não foi possível iniciar a biblioteca libsodium."));
}

} // namespace

PasswordHash::Cost PasswordHash::configuredCost()
{
    const QString name = qEnvironmentVariable("KZR_PASSWORD_COST").trimmed().toLower();
    if (name == QLatin1String("minimum")) return Cost::Minimum;
    if (name == QLatin1String("moderate")) return Cost::Moderate;
    return Cost::Interactive;
}

QString PasswordHash::make(const QString &password, Cost cost)
{
    initialiseSodium();
    unsigned long long operations = crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE;
    size_t memory = crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE;
    if (cost == Cost::Minimum) {
        operations = crypto_pwhash_argon2id_OPSLIMIT_MIN;
        memory = crypto_pwhash_argon2id_MEMLIMIT_MIN;
    } else if (cost == Cost::Moderate) {
        operations = crypto_pwhash_argon2id_OPSLIMIT_MODERATE;
        memory = crypto_pwhash_argon2id_MEMLIMIT_MODERATE;
    }
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, utf8.constData(), quint64(utf8.size()), operations, memory,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw Exception(QStringLiteral("Memória insuficiente para calcular o hash da senha."));
    return QString::fromLatin1(out);
}

bool PasswordHash::matches(const QString &storedHash, const QString &password)
{
    initialiseSodium();
    const QByteArray stored = storedHash.toLatin1();
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(),
                                    quint64(utf8.size())) == 0;
}
