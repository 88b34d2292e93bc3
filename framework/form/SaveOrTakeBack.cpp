#include "SaveOrTakeBack.h"

#include "EventBoundary.h"
#include "Services.h"
#include "TApplication.h"

namespace {
void tellHost(const QString &message)
{
    if (HostServices *host = TApplication::Host())
        host->saveFailed(message);
}
} // namespace

void SaveOrTakeBack(const std::function<void()> &save, const std::function<void()> &takeBack)
{
    try {
        save();
    } catch (const EAbort &) {
        throw;
    } catch (const ESessionEnded &failure) {
        tellHost(failure.Message()); // not a verdict on the change: it stays for the next save
        throw;
    } catch (const EServerFailure &failure) {
        tellHost(failure.Message());
        EventBoundary::reportCurrentException();
        takeBack();
        throw EAbort();
    } catch (const Exception &failure) {
        tellHost(failure.Message());
        throw;
    }
}
