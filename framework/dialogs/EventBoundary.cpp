#include "EventBoundary.h"

#include "Exceptions.h"
#include "Interaction.h"
#include "ServerFailures.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

void show(const QString &text)
{
    // The report itself must never throw into the event loop (a failing seam is logged instead).
    try {
        Interaction::current().messageDialog(text, TMsgDlgType::mtError, mbOK);
    } catch (...) {
        qWarning("kzrframework: could not report a failure: %s", qPrintable(text));
    }
}

QString serverFailureText(const QString &serverMessage)
{
    return QCoreApplication::translate("EventBoundary", "Erro no servidor de aplicação:\n%1")
        .arg(serverMessage);
}

} // namespace

namespace EventBoundary {

void reportCurrentException()
{
    try {
        throw;
    } catch (const EAbort &) {
        // The silent abort: whoever raised it has already said what there was to say.
    } catch (const EServerFailure &failure) {
        show(serverFailureText(failure.Message()));
    } catch (const Exception &failure) {
        show(failure.Message());
    } catch (const std::exception &failure) {
        show(QString::fromUtf8(failure.what()));
    } catch (...) {
        show(QCoreApplication::translate("EventBoundary", "Erro inesperado."));
    }
}

bool attempt(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (...) {
        reportCurrentException();
        return false;
    }
}

void run(const std::function<void()> &handler)
{
    attempt(handler);
}

void later(QObject *context, std::function<void()> handler)
{
    QTimer::singleShot(0, context, [handler = std::move(handler)] { run(handler); });
}

} // namespace EventBoundary
