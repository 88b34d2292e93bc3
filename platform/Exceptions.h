#pragma once

#include <QString>
#include <exception>

// The exception family every layer throws. Handlers never swallow them: they travel up to
// the one event boundary of the framework, which decides how each kind is shown.
class Exception : public std::exception
{
public:
    // The message is moved in; clang-tidy 14 reports it as copied wherever the derived classes'
    // inherited constructors are used.
    // NOLINTNEXTLINE(performance-unnecessary-value-param)
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {
    }
    const QString &Message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Ends the current operation silently: whoever started it stops, nothing more is shown.
class EAbort : public Exception
{
public:
    EAbort() : Exception(QStringLiteral("Operação interrompida")) {}
};

// A record-set rule was broken (wrong state, value too long, bad packet, unknown field...).
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};

// A variant was used as a kind it is not (element of a non-array, index out of range...).
class EVariantError : public Exception
{
public:
    using Exception::Exception;
};

// A remote call could not be made: no server, dropped connection, time limit, fault reply.
class EConnectionError : public Exception
{
public:
    using Exception::Exception;
};

// The server's certificate is not trusted: no authority the client trusts vouches for it, and
// the user has not accepted its fingerprint. Carries the fingerprint to show and to keep.
class EUntrustedCertificate : public EConnectionError
{
public:
    // NOLINTNEXTLINE(performance-unnecessary-value-param): both are moved (as above)
    EUntrustedCertificate(QString message, QString fingerprint)
        : EConnectionError(std::move(message)), m_fingerprint(std::move(fingerprint))
    {
    }
    const QString &Fingerprint() const { return m_fingerprint; }

private:
    QString m_fingerprint;
};

// The server refused the user name and password of a login.
class ELoginRefused : public EConnectionError
{
public:
    using EConnectionError::EConnectionError;
};
