#include "DirectoryLogin.h"

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <ldap.h>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <sys/time.h>

namespace {

// The directory's failure to answer: the reason, for the log.
struct Unanswered
{
    QString reason;
};

// The results that mean the directory could not do what was asked, rather than a refusal of
// the user: the client library's own (no connection, time out, TLS) and a busy server.
bool isOutage(int code)
{
    return code < 0 || code == LDAP_BUSY || code == LDAP_UNAVAILABLE || code == LDAP_OTHER ||
           code == LDAP_ADMINLIMIT_EXCEEDED;
}

// Shuts the connection's socket once the login's time is up, wherever the library is waiting
// for the directory: its own timeouts do not bound a TLS handshake with a directory that
// accepted the connection and then stopped answering.
class Cutoff
{
public:
    explicit Cutoff(std::chrono::steady_clock::time_point deadline)
        : m_thread([this, deadline] {
              std::unique_lock lock(m_mutex);
              if (!m_wake.wait_until(lock, deadline, [this] { return m_stopped; }) && m_fd >= 0)
                  ::shutdown(m_fd, SHUT_RDWR);
          })
    {
    }
    ~Cutoff() { stop(); }
    Cutoff(const Cutoff &) = delete;
    Cutoff &operator=(const Cutoff &) = delete;

    void stop()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopped = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable()) m_thread.join();
    }
    // The socket to shut; -1 once the library closes it (its number may then be another's).
    void watch(int fd)
    {
        const std::lock_guard lock(m_mutex);
        m_fd = fd;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopped = false;
    int m_fd = -1;
    std::thread m_thread; // last: it starts once the rest is there
};

int socketAdded(LDAP *, Sockbuf *sb, LDAPURLDesc *, sockaddr *, ldap_conncb *callbacks)
{
    int fd = -1;
    ber_sockbuf_ctrl(sb, LBER_SB_OPT_GET_FD, &fd);
    static_cast<Cutoff *>(callbacks->lc_arg)->watch(fd);
    return 0;
}

void socketRemoved(LDAP *, Sockbuf *, ldap_conncb *callbacks)
{
    static_cast<Cutoff *>(callbacks->lc_arg)->watch(-1);
}

struct Unbind
{
    void operator()(LDAP *ld) const { ldap_unbind_ext_s(ld, nullptr, nullptr); }
};

// One connection to the directory, for one login.
class Connection
{
public:
    Connection(const DirectorySettings &settings, QDeadlineTimer deadline)
        : m_deadline(deadline), m_cutoff(deadline.deadline<std::chrono::steady_clock>())
    {
        const QByteArray url = settings.url.toUtf8();
        LDAP *ld = nullptr;
        expect(ldap_initialize(&ld, url.constData()), "ldap_initialize");
        m_ld.reset(ld);
        const int version = LDAP_VERSION3;
        const int demand = LDAP_OPT_X_TLS_DEMAND;
        const int fresh = 0;
        expect(ldap_set_option(m_ld.get(), LDAP_OPT_PROTOCOL_VERSION, &version), "protocolo");
        expect(ldap_set_option(m_ld.get(), LDAP_OPT_CONNECT_CB, &m_callbacks), "socket");
        expect(ldap_set_option(m_ld.get(), LDAP_OPT_REFERRALS, LDAP_OPT_OFF), "referências");
        // Whatever ldap.conf or the environment say, the certificate is checked, host included.
        expect(ldap_set_option(m_ld.get(), LDAP_OPT_X_TLS_REQUIRE_CERT, &demand), "TLS");
        if (!settings.caFile.isEmpty()) {
            const QByteArray ca = settings.caFile.toLocal8Bit();
            expect(ldap_set_option(m_ld.get(), LDAP_OPT_X_TLS_CACERTFILE, ca.constData()), "CA");
        }
        expect(ldap_set_option(m_ld.get(), LDAP_OPT_X_TLS_NEWCTX, &fresh), "TLS");
        if (settings.url.startsWith(QLatin1String("ldap://"))) {
            arm();
            expect(ldap_start_tls_s(m_ld.get(), nullptr, nullptr), "StartTLS");
        }
    }

    ~Connection()
    {
        m_cutoff.stop(); // before the socket is closed, whose number could be taken again
        m_ld.reset();
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Whether the directory accepted the DN and password; throws Unanswered for an outage.
    bool bind(const QByteArray &dn, const QByteArray &password)
    {
        arm();
        berval credentials{ber_len_t(password.size()), const_cast<char *>(password.constData())};
        const int code = ldap_sasl_bind_s(m_ld.get(), dn.constData(), LDAP_SASL_SIMPLE, &credentials,
                                          nullptr, nullptr, nullptr);
        if (isOutage(code)) expect(code, "bind");
        return code == LDAP_SUCCESS;
    }

    // The DNs of the entries under base that match the filter (at most two are asked for: one
    // is a user, more is a filter that does not tell users apart).
    QList<QByteArray> search(const QByteArray &base, int scope, const QByteArray &filter,
                             const char *attribute)
    {
        char *attributes[] = {const_cast<char *>(attribute), nullptr};
        LDAPMessage *result = nullptr;
        timeval limit = arm();
        const int code = ldap_search_ext_s(m_ld.get(), base.constData(), scope, filter.constData(),
                                           attributes, 0, nullptr, nullptr, &limit, 2, &result);
        QList<QByteArray> values;
        for (LDAPMessage *e = ldap_first_entry(m_ld.get(), result); e; e = ldap_next_entry(m_ld.get(), e)) {
            if (qstrcmp(attribute, LDAP_NO_ATTRS) == 0) {
                char *dn = ldap_get_dn(m_ld.get(), e);
                values << QByteArray(dn);
                ldap_memfree(dn);
                continue;
            }
            berval **found = ldap_get_values_len(m_ld.get(), e, attribute);
            for (int i = 0; found && found[i]; ++i)
                values << QByteArray(found[i]->bv_val, qsizetype(found[i]->bv_len));
            ldap_value_free_len(found);
        }
        ldap_msgfree(result);
        if (isOutage(code)) expect(code, "busca");
        return values;
    }

    // Whether the entry holds the value in the attribute; false for no such entry or no right
    // to compare.
    bool compare(const QByteArray &dn, const char *attribute, const QByteArray &value)
    {
        arm();
        berval assertion{ber_len_t(value.size()), const_cast<char *>(value.constData())};
        const int code =
            ldap_compare_ext_s(m_ld.get(), dn.constData(), attribute, &assertion, nullptr, nullptr);
        if (isOutage(code)) expect(code, "comparação");
        return code == LDAP_COMPARE_TRUE;
    }

private:
    // Every call waits at most what is left of the login's time.
    timeval arm()
    {
        const qint64 ms = m_deadline.remainingTime();
        if (ms == 0) throw Unanswered{QStringLiteral("tempo esgotado")};
        timeval left{time_t(ms / 1000), suseconds_t((ms % 1000) * 1000)};
        ldap_set_option(m_ld.get(), LDAP_OPT_NETWORK_TIMEOUT, &left);
        ldap_set_option(m_ld.get(), LDAP_OPT_TIMEOUT, &left);
        return left;
    }

    void expect(int code, const char *step) const
    {
        if (code == LDAP_SUCCESS) return;
        QString reason = QStringLiteral("%1: %2").arg(QLatin1String(step),
                                                      QString::fromUtf8(ldap_err2string(code)));
        char *detail = nullptr;
        if (m_ld && ldap_get_option(m_ld.get(), LDAP_OPT_DIAGNOSTIC_MESSAGE, &detail) == LDAP_SUCCESS &&
            detail) {
            if (*detail) reason += QStringLiteral(" (%1)").arg(QString::fromUtf8(detail));
            ldap_memfree(detail);
        }
        throw Unanswered{reason};
    }

    QDeadlineTimer m_deadline;
    Cutoff m_cutoff;
    ldap_conncb m_callbacks{&socketAdded, &socketRemoved, &m_cutoff};
    std::unique_ptr<LDAP, Unbind> m_ld; // last: unbound while the rest is there
};

// Two DNs as the same entry: case and blanks around the separators do not count.
QByteArray comparable(const QByteArray &dn)
{
    QByteArray out;
    for (const char c : dn.toLower())
        if (c != ' ') out += c;
    return out;
}

} // namespace

DirectoryLogin::DirectoryLogin(DirectorySettings settings) : m_settings(std::move(settings))
{
    // The library's defaults are set up on its first use, which must not be two workers' at
    // once: here, before serving. Certificates are checked by default too.
    const int demand = LDAP_OPT_X_TLS_DEMAND;
    ldap_set_option(nullptr, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
}

QByteArray DirectoryLogin::escapedForFilter(const QString &value)
{
    QByteArray out;
    for (const char c : value.toUtf8()) {
        if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0')
            out += '\\' + QByteArray::number(uchar(c), 16).rightJustified(2, '0');
        else
            out += c;
    }
    return out;
}

QByteArray DirectoryLogin::escapedForDn(const QString &value)
{
    const QByteArray in = value.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        const bool edge = (i == 0 && (c == ' ' || c == '#')) || (i == in.size() - 1 && c == ' ');
        if (c == '\0')
            out += "\\00";
        else if (edge || QByteArrayView(",+\"\\<>;=").contains(c))
            out += '\\' + QByteArray(1, c);
        else
            out += c;
    }
    return out;
}

LoginCheck::Outcome DirectoryLogin::check(const QString &user, const QString &password) const
{
    // An empty password would be an anonymous bind, which directories accept.
    if (password.isEmpty())
        return {LoginCheck::Outcome::Kind::Refused, Role::ReadOnly, UserOrigin::Directory};
    const DirectorySettings &s = m_settings;
    try {
        Connection directory(s, QDeadlineTimer(s.timeoutMs));
        QByteArray dn;
        if (s.searches()) {
            if (!directory.bind(s.bindDn.toUtf8(), s.bindPassword.toUtf8()))
                throw Unanswered{QStringLiteral("a conta de serviço %1 foi recusada").arg(s.bindDn)};
            QByteArray filter = s.userFilter.toUtf8();
            filter.replace("%s", escapedForFilter(user));
            const QList<QByteArray> found =
                directory.search(s.base.toUtf8(), LDAP_SCOPE_SUBTREE, filter, LDAP_NO_ATTRS);
            // No such user: an entry that cannot exist, so that the bind below fails as a wrong
            // password does, at the same cost.
            dn = found.size() == 1 ? found.front() : "cn=kzr-no-such-user," + s.base.toUtf8();
        } else {
            dn = s.userDnTemplate.toUtf8().replace("%s", escapedForDn(user));
        }
        const bool bound = directory.bind(dn, password.toUtf8());
        // Both groups are read whatever the bind said: a refusal costs the same steps.
        QList<QByteArray> memberOf;
        if (s.membershipOnUser())
            for (const QByteArray &group :
                 directory.search(dn, LDAP_SCOPE_BASE, "(objectClass=*)", "memberOf"))
                memberOf << comparable(group);
        const auto isMember = [&](const QString &group) {
            if (group.isEmpty()) return false;
            if (s.membershipOnUser()) return memberOf.contains(comparable(group.toUtf8()));
            return directory.compare(group.toUtf8(), s.memberAttribute.toUtf8().constData(), dn);
        };
        const bool maintains = isMember(s.maintainGroup);
        const bool reads = isMember(s.readOnlyGroup);
        if (!bound || !(maintains || reads))
            return {LoginCheck::Outcome::Kind::Refused, Role::ReadOnly, UserOrigin::Directory};
        return {LoginCheck::Outcome::Kind::Accepted, maintains ? Role::Maintain : Role::ReadOnly,
                UserOrigin::Directory};
    } catch (const Unanswered &failure) {
        qWarning("aviso: o diretório de usuários %s não responde: %s", qPrintable(s.url),
                 qPrintable(failure.reason));
        return {LoginCheck::Outcome::Kind::Outage, Role::ReadOnly, UserOrigin::Directory};
    }
}
