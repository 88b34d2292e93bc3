#pragma once

#include "Exceptions.h"

// The call itself cannot be made: unknown module or method, wrong argument count or kind, a
// text longer than its field, a malformed request. Answered with a {"fault": text} reply.
class CallFault : public Exception
{
public:
    using Exception::Exception;
};
