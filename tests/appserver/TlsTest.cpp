// The server over TLS, and clients that trust its certificate or refuse it.
#include "ServerLogin.h"
#include "ServerProcess.h"
#include "TestCertificates.h"
#include "TestClient.h"

#include <gtest/gtest.h>

namespace {

class Tls : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        certificates = new TestCertificates;
        if (!certificates->make()) made = certificates->error();
    }
    static void TearDownTestSuite()
    {
        delete certificates;
        certificates = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(made.isEmpty()) << made.toStdString();
        ASSERT_TRUE(server.start({}, {"--tls-cert", certificates->serverCertificate(), "--tls-key",
                                      certificates->serverKey()}))
            << server.error().toStdString();
    }
    ServerLogin::Session logIn(const ServerAccess &access)
    {
        return ServerLogin::login(server.host(), server.port(), access, "demo", "demo", 10000);
    }

    static inline TestCertificates *certificates = nullptr;
    static inline QString made;
    ServerProcess server;
};

TEST_F(Tls, AClientTrustingTheAuthorityLogsInAndIsServed)
{
    EXPECT_TRUE(server.output().contains(", TLS)")) << server.output().toStdString();
    ServerAccess access;
    access.tls = true;
    access.caFile = certificates->authority();
    server.setClientAccess(access);
    TestClient client(server);
    EXPECT_EQ(client.codes().size(), 5);
}

TEST_F(Tls, AClientRefusesACertificateNoOneItTrustsVouchesFor)
{
    ServerAccess access;
    access.tls = true;
    access.caFile = certificates->otherAuthority();
    try {
        logIn(access);
        FAIL() << "logged in";
    } catch (const EUntrustedCertificate &e) {
        EXPECT_TRUE(e.Message().contains("o certificado do servidor não é confiável"))
            << e.Message().toStdString();
        EXPECT_EQ(e.Fingerprint(), certificates->serverFingerprint());
    }
    // Nor does a fingerprint of another certificate make it trusted.
    access.caFile.clear();
    QString other = certificates->serverFingerprint();
    other[0] = other[0] == 'A' ? 'B' : 'A';
    access.pinnedFingerprint = other;
    EXPECT_THROW(logIn(access), EUntrustedCertificate);
    // The fingerprint the user accepted is trusted on its own, written in any case.
    access.pinnedFingerprint = certificates->serverFingerprint().toLower().remove(':');
    EXPECT_FALSE(logIn(access).token.isEmpty());
    // Once authorities are named, they alone decide: the accepted fingerprint no longer counts.
    access.caFile = certificates->otherAuthority();
    EXPECT_THROW(logIn(access), EUntrustedCertificate);
}

TEST_F(Tls, AClientWithoutTlsGetsAConnectionErrorNotAnAnswer)
{
    EXPECT_THROW(logIn(ServerAccess{}), EConnectionError);
    ServerAccess access;
    access.tls = true;
    access.caFile = certificates->authority();
    EXPECT_FALSE(logIn(access).token.isEmpty()); // the server goes on serving
}

} // namespace
