#include "ReplyOutlet.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

ReplyOutlet::~ReplyOutlet()
{
#ifdef Q_OS_UNIX
    if (descriptor >= 0) ::close(descriptor);
#endif
}
