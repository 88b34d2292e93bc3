#include "ServerTls.h"

#include "Exceptions.h"
#include "FileErrorText.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>

namespace {

QByteArray readAll(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("Não foi possível ler %1: %2").arg(fileName, FileErrorText::reading(file)));
    return file.readAll();
}

} // namespace

QSslConfiguration ServerTls::load(const QString &certificateFile, const QString &keyFile)
{
    if (!QSslSocket::supportsSsl())
        throw Exception(QStringLiteral("TLS não está disponível nesta instalação do Qt."));
    const QList<QSslCertificate> chain = QSslCertificate::fromData(readAll(certificateFile));
    if (chain.isEmpty() || chain.first().isNull())
        throw Exception(
            QStringLiteral("%1 não contém um certificado PEM válido.").arg(certificateFile));
    QSslKey key(readAll(keyFile), QSsl::Rsa);
    if (key.isNull()) key = QSslKey(readAll(keyFile), QSsl::Ec);
    if (key.isNull())
        throw Exception(QStringLiteral("%1 não contém uma chave privada PEM (RSA ou EC) sem senha.")
                            .arg(keyFile));
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(key);
    configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    return configuration;
}
