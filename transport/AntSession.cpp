#include "transport/AntSession.h"

#include "transport/AntBackendHandler.h"
#include "transport/AntNetworkHandler.h"

CAntSession::~CAntSession()
{
    if (Backend)
        Backend->ForgetSession();
}
