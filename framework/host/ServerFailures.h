#pragma once

#include "Exceptions.h"

// A server failure reported in a reply; carries the server's own message.
class EServerFailure : public Exception
{
public:
    using Exception::Exception;
};

// The server answered that the caller's session is over (-32001). It says nothing about the
// call itself: the same call goes through once the user has logged in again.
class ESessionEnded : public EServerFailure
{
public:
    using EServerFailure::EServerFailure;
};
