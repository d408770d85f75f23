#include "transport/ant/AntSession.h"

#include "transport/ant/AntBackendHandler.h"
#include "transport/ant/AntNetworkHandler.h"

CAntSession::~CAntSession()
{
    if (Backend)
        Backend->ForgetSession();
}
