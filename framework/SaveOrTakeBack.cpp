#include "SaveOrTakeBack.h"

#include "EventBoundary.h"
#include "Services.h"

void SaveOrTakeBack(const std::function<void()> &save, const std::function<void()> &takeBack)
{
    try {
        save();
    } catch (const EServerFailure &) {
        EventBoundary::reportCurrentException();
        takeBack();
        throw EAbort();
    }
}
