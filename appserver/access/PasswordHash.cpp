#include "PasswordHash.h"

#include "Exceptions.h"

#include <atomic>
#include <sodium.h>

namespace {

void initialiseSodium()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready) throw Exception(QStringLiteral("Não foi possível iniciar a biblioteca libsodium."));
}

// Set once at start, before any worker runs.
std::atomic<bool> testCost{false};

} // namespace

void PasswordHash::lowerCostForTests()
{
    testCost = true;
}

QString PasswordHash::make(const QString &password)
{
    initialiseSodium();
    const bool lowered = testCost;
    const unsigned long long operations =
        lowered ? crypto_pwhash_argon2id_OPSLIMIT_MIN : crypto_pwhash_argon2id_OPSLIMIT_INTERACTIVE;
    const size_t memory =
        lowered ? crypto_pwhash_argon2id_MEMLIMIT_MIN : crypto_pwhash_argon2id_MEMLIMIT_INTERACTIVE;
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str_alg(out, utf8.constData(), quint64(utf8.size()), operations, memory,
                              crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw Exception(QStringLiteral("Memória insuficiente para calcular o hash da senha."));
    return QString::fromLatin1(out);
}

void PasswordHash::matchNone(const QString &password)
{
    // Made once, at the cost in force, from random bytes no one knows.
    static const QString dummy = [] {
        initialiseSodium();
        unsigned char secret[32];
        randombytes_buf(secret, sizeof secret);
        return make(QString::fromLatin1(
            QByteArray(reinterpret_cast<const char *>(secret), sizeof secret).toBase64()));
    }();
    matches(dummy, password);
}

bool PasswordHash::matches(const QString &storedHash, const QString &password)
{
    initialiseSodium();
    const QByteArray stored = storedHash.toLatin1();
    const QByteArray utf8 = password.toUtf8();
    return crypto_pwhash_str_verify(stored.constData(), utf8.constData(),
                                    quint64(utf8.size())) == 0;
}
