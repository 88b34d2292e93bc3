#include "LoginBroadcast.h"

LoginBroadcast &LoginBroadcast::instance()
{
    static LoginBroadcast broadcast;
    return broadcast;
}
