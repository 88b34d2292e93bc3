#include "OpsPage.h"

#include "ServerProcess.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QThread>
#include <QUrl>
#include <memory>

OpsPage::OpsPage(const ServerProcess &server)
{
    static const QRegularExpression announced(
        QStringLiteral("métricas em http://127.0.0.1:(\\d+)/metrics"));
    const QRegularExpressionMatch at = announced.match(server.output());
    if (at.hasMatch()) m_port = quint16(at.captured(1).toUInt());
}

std::pair<int, QString> OpsPage::get(const QString &path) const
{
    QNetworkAccessManager manager;
    manager.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)));
    request.setTransferTimeout(5000);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec();
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
            QString::fromUtf8(reply->readAll())};
}

int OpsPage::waitForHealth(int status, int ms) const
{
    int seen = 0;
    for (QDeadlineTimer deadline(ms); !deadline.hasExpired() && seen != status;
         QThread::msleep(seen == status ? 0 : 200))
        seen = get(QStringLiteral("/health")).first;
    return seen;
}

double OpsPage::metric(const QString &series) const
{
    return metricIn(get(QStringLiteral("/metrics")).second, series);
}

double OpsPage::metricIn(const QString &page, const QString &series)
{
    const QRegularExpression line(QLatin1Char('^') + QRegularExpression::escape(series) +
                                      QStringLiteral(" (\\S+)$"),
                                  QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(page);
    return match.hasMatch() ? match.captured(1).toDouble() : -1;
}
