#pragma once

#include "Exceptions.h"

// A method's own failure: a refused save, a database error. Answered with a normal reply whose
// result is the server-failure form, so that the screen's reply check shows the message.
class MethodFailure : public Exception
{
public:
    using Exception::Exception;
};
