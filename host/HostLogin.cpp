#include "HostLogin.h"

#include "Exceptions.h"
#include "Interaction.h"
#include "LoginDialogCheck.h"
#include "PasswordInput.h"
#include "ServerLogin.h"

#include <QSettings>
#include <QThread>
#include <exception>

struct HostLogin::Attempt
{
    LoginAnswer answer;
    std::optional<ServerLogin::Session> session;
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread;

    ~Attempt()
    {
        if (thread) thread->wait();
    }
    bool answered() const { return session || failure; }
    // The session, or the failure the login met, thrown here.
    ServerLogin::Session take()
    {
        if (thread) thread->wait();
        if (failure) std::rethrow_exception(failure);
        return *session;
    }
};

HostLogin::HostLogin(const HostOptions &options) : m_options(options), m_user(options.user)
{
    m_access.tls = options.tls;
    m_access.caFile = options.caFile;
    m_access.pinnedFingerprint = options.fingerprint;
}

HostLogin::~HostLogin() = default;

void HostLogin::start()
{
    if (m_started || m_passwordFileTried || m_options.passwordFile.isEmpty() || m_user.isEmpty())
        return;
    QString unreadable; // logIn() reads the file again and says why
    const std::optional<QString> password =
        PasswordInput::firstLineOf(m_options.passwordFile, &unreadable);
    if (!password) return;
    m_passwordFileTried = true;
    auto attempt = std::make_unique<Attempt>();
    attempt->answer = LoginAnswer{m_user, *password};
    Attempt *a = attempt.get();
    attempt->thread.reset(QThread::create([a, host = m_options.server, port = m_options.port,
                                           access = m_access] {
        try {
            a->session = ServerLogin::login(host, port, access, a->answer.user, a->answer.password);
        } catch (...) {
            a->failure = std::current_exception();
        }
    }));
    attempt->thread->start();
    m_started = std::move(attempt);
}

bool HostLogin::logIn(const QString &message)
{
    const QString server = QStringLiteral("%1:%2").arg(m_options.server).arg(m_options.port);
    QString why = message;
    std::optional<LoginAnswer> answer;
    for (;;) {
        std::unique_ptr<Attempt> started = std::move(m_started);
        if (started) answer = started->answer;
        if (!answer && !m_passwordFileTried && !m_options.passwordFile.isEmpty() && !m_user.isEmpty()) {
            m_passwordFileTried = true; // once: a wrong file must not loop, nor hide the dialog
            if (const std::optional<QString> password =
                    PasswordInput::firstLineOf(m_options.passwordFile, &why))
                answer = LoginAnswer{m_user, *password};
        }
        if (!answer) {
            auto checked = std::make_unique<Attempt>();
            const LoginDialogCheck check(
                [checked = checked.get(), host = m_options.server, port = m_options.port,
                 access = m_access](const LoginAnswer &typed) -> QString {
                    checked->answer = typed;
                    try {
                        checked->session =
                            ServerLogin::login(host, port, access, typed.user, typed.password);
                    } catch (const EUntrustedCertificate &) {
                        checked->failure = std::current_exception(); // asked about below
                    } catch (const EConnectionError &e) {
                        return e.Message(); // the dialog says so and asks again
                    } catch (...) {
                        checked->failure = std::current_exception();
                    }
                    return {};
                });
            answer = Interaction::current().login(server, m_user, why);
            // The product's dialog closes only once the server has answered what it asked.
            if (answer && checked->answered()) started = std::move(checked);
        }
        if (!answer) return false;
        m_user = answer->user;
        try {
            const ServerLogin::Session session =
                started ? started->take()
                        : ServerLogin::login(m_options.server, m_options.port, m_access,
                                             answer->user, answer->password);
            m_access.sessionToken = session.token;
            m_role = session.role;
            m_access.readOnly = session.role == QLatin1String("read-only");
            rememberUser();
            return true;
        } catch (const EUntrustedCertificate &e) {
            if (!trustCertificate(e.Fingerprint(), e.Message())) return false;
            continue; // the same answer, now that the certificate is trusted
        } catch (const EConnectionError &e) {
            why = e.Message(); // a wrong password, or no server: the dialog says so and asks again
        }
        answer.reset();
    }
}

QString HostLogin::roleInWords() const
{
    return m_access.readOnly ? QStringLiteral("somente leitura") : QStringLiteral("manutenção");
}

void HostLogin::rememberUser()
{
    // Writing the settings file syncs it to disk, which costs more than the whole login: the
    // usual start, with the name already stored, writes nothing.
    const std::unique_ptr<QSettings> settings = m_options.openSettings();
    const QString key = QStringLiteral("server/user");
    if (settings->value(key).toString() != m_user || !settings->contains(key))
        settings->setValue(key, m_user);
}

bool HostLogin::trustCertificate(const QString &fingerprint, const QString &why)
{
    // Against authorities the user named, only those count: no fingerprint is offered.
    if (!m_access.caFile.isEmpty()) {
        Interaction::current().messageDialog(why, TMsgDlgType::mtError, mbOK);
        return false;
    }
    const QString question =
        QStringLiteral("O certificado do servidor %1:%2 não é reconhecido por nenhuma autoridade "
                       "confiável.\n\nImpressão digital SHA-256:\n%3\n\nConfira-a com o "
                       "administrador do servidor. Confiar neste certificado de agora em diante?")
            .arg(m_options.server)
            .arg(m_options.port)
            .arg(fingerprint);
    if (Interaction::current().messageDialog(question, TMsgDlgType::mtConfirmation,
                                             TMsgDlgButtons(mbYes | mbNo)) != mrYes)
        return false;
    m_access.pinnedFingerprint = fingerprint;
    m_options.openSettings()->setValue(QStringLiteral("server/fingerprint"), fingerprint);
    return true;
}
