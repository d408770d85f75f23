#include "infra/IPAddress.h"

#include "infra/os/Socket.h"

Status CIPAddress::Resolve(const char* hostName)
{
    return STI_OS::LookupHost(hostName, m_address);
}
