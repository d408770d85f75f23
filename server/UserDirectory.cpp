#include "server/UserDirectory.h"

#include <algorithm>

#include "messaging/MsgAddress.h"

namespace TarnixServer {

std::uint32_t CUserDirectory::NextAddress()
{
    if (m_nextAddress == 0 || (m_nextAddress & CMsgAddress::SERVICE_BIT) != 0)
        return 0;
    return m_nextAddress++;
}

void CUserDirectory::Add(CClientConnection& connection)
{
    m_byAddress[connection.Address] = &connection;
    m_byUser[connection.UserId].push_back(connection.Address);
}

void CUserDirectory::Remove(const CClientConnection& connection)
{
    if (connection.Address == 0)
        return;
    auto byAddress = m_byAddress.find(connection.Address);
    if (byAddress != m_byAddress.end() && byAddress->second == &connection)
        m_byAddress.erase(byAddress);
    auto byUser = m_byUser.find(connection.UserId);
    if (byUser == m_byUser.end())
        return;
    std::vector<std::uint32_t>& addresses = byUser->second;
    addresses.erase(std::remove(addresses.begin(), addresses.end(), connection.Address), addresses.end());
    if (addresses.empty())
        m_byUser.erase(byUser);
}

CClientConnection* CUserDirectory::Find(std::uint32_t address) const
{
    auto found = m_byAddress.find(address);
    return found == m_byAddress.end() ? nullptr : found->second;
}

std::uint32_t CUserDirectory::Locate(const ClientId& user) const
{
    auto found = m_byUser.find(user);
    return found == m_byUser.end() ? 0 : found->second.back();
}

} // namespace TarnixServer
