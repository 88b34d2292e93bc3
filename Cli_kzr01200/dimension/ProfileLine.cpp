#include "ProfileLine.h"

#include "LoginBroadcast.h"
#include "ProfileReport.h"
#include "ServerFailure.h"
#include "Services.h"


namespace {

const QColor WarningColor(0xA8, 0x32, 0x00); // dark orange-red: reads on the window background

} // namespace

ProfileLine::ProfileLine(QWidget *parent) : ElidedLabel(parent)
{
    setObjectName(QStringLiteral("lblPerfilDimensao"));
    setContentsMargins(6, 2, 6, 2);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); // a long line is said in full by its tooltip
    setMinimumHeight(fontMetrics().height() + 6);
    m_settle.setSingleShot(true);
    m_settle.setInterval(200);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        if (isVisible())
            fetch();
        else
            m_fetchWhenShown = true;
    });
    connect(&m_caller, &BackgroundCaller::started, this, [this](quint64 ticket) {
        if (ticket == m_ticket && m_dimension) emit asked(m_dimension->table);
    });
    connect(&m_caller, &BackgroundCaller::answered, this, &ProfileLine::answered);
    connect(&m_caller, &BackgroundCaller::failed, this, [this](quint64 ticket, const QString &why) {
        if (ticket != m_ticket) return;
        m_ticket = 0;
        m_described = m_dimension;
        unavailable(why);
    });
    connect(&LoginBroadcast::instance(), &LoginBroadcast::loggedIn, this,
            &ProfileLine::askAgainIfUnavailable);
}

void ProfileLine::follow(const std::optional<Dimension> &dimension)
{
    // The same dimension again (the list reloaded after a save): a question still under way
    // answers for it.
    if (dimension && dimension == m_dimension &&
        (m_ticket != 0 || m_settle.isActive() || m_fetchWhenShown))
        return;
    m_caller.cancel();
    m_ticket = 0;
    m_fetchWhenShown = false;
    if (!dimension || dimension->table.trimmed().isEmpty()) {
        m_settle.stop();
        m_dimension.reset();
        m_described.reset();
        showText(QString(), Tone::Neutral);
        return;
    }
    m_dimension = dimension;
    // Asked again about the dimension it describes: its last words stay until new ones come.
    if (m_described != m_dimension)
        showText(QStringLiteral("Analisando os dados de %1…").arg(dimension->table.trimmed()),
                 Tone::Neutral);
    m_settle.start();
}

void ProfileLine::fetch()
{
    if (!m_dimension) return;
    BackgroundCaller::Request request;
    request.host = WebURL();
    request.port = WebPort();
    request.access = WebAccess();
    request.module = QStringLiteral("KZR01200.rdmAnalise");
    request.method = QStringLiteral("getPerfil");
    request.args = {m_dimension->table, m_dimension->key, m_dimension->attribute,
                    m_dimension->parent};
    m_ticket = m_caller.call(std::move(request));
}

void ProfileLine::answered(quint64 ticket, const Variant &reply)
{
    if (ticket != m_ticket) return;
    m_ticket = 0;
    m_described = m_dimension;
    if (server_failure::is(reply)) {
        unavailable(server_failure::message(reply));
        return;
    }
    const ProfileReport report(reply);
    const QString table = m_dimension->table.trimmed();
    if (report.hasProblems()) {
        showText(report.summary(), Tone::Warning,
                 QStringLiteral("Problemas nos dados de %1, que impedem o cubo de ser processado:\n• %2")
                     .arg(table, report.problems().join(QStringLiteral("\n• "))));
    } else {
        showText(report.summary(), Tone::Normal,
                 QStringLiteral("Dados de %1: %2").arg(table, report.summary()));
    }
}

void ProfileLine::unavailable(const QString &reason)
{
    showText(QStringLiteral("Perfil indisponível: %1").arg(reason), Tone::Neutral);
    m_unavailable = true;
}

void ProfileLine::askAgainIfUnavailable()
{
    if (!m_unavailable) return;
    m_described.reset();
    follow(m_dimension);
}

void ProfileLine::showText(const QString &text, Tone tone, const QString &tip)
{
    m_tone = tone;
    m_unavailable = false;
    QPalette colours = parentWidget() ? parentWidget()->palette() : palette();
    if (tone == Tone::Warning)
        colours.setColor(QPalette::WindowText, WarningColor);
    else if (tone == Tone::Neutral)
        colours.setColor(QPalette::WindowText,
                         colours.color(QPalette::Disabled, QPalette::WindowText));
    setPalette(colours);
    setToolTip(tip.isEmpty() ? text : tip);
    if (text == QLabel::text()) return;
    setText(text);
    emit textShown(text);
}

void ProfileLine::showEvent(QShowEvent *event)
{
    ElidedLabel::showEvent(event);
    if (m_fetchWhenShown) {
        m_fetchWhenShown = false;
        fetch();
    }
}
