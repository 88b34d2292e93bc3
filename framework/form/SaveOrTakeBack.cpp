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

bool SaveUnlessRefused(const std::function<void()> &save, bool showRefusal)
{
    try {
        save();
        return true;
    } catch (const EAbort &) {
        throw;
    } catch (const ESessionEnded &failure) {
        tellHost(failure.Message()); // not a verdict on the change: it stays for the next save
        throw;
    } catch (const EServerFailure &failure) {
        tellHost(failure.Message());
        if (showRefusal)
            EventBoundary::reportCurrentException();
        return false;
    } catch (const Exception &failure) {
        tellHost(failure.Message());
        throw;
    }
}

void SaveOrTakeBack(const std::function<void()> &save, const std::function<void()> &takeBack)
{
    if (SaveUnlessRefused(save))
        return;
    takeBack();
    throw EAbort();
}
