#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "server/ClientConnection.h"

namespace TarnixServer {

// Who is online: messaging addresses of logged-in connections, and each user's current one.
// Users are known by the client id of their log-in. Holds no ownership of the connections.
class CUserDirectory {
public:
    // A fresh messaging address: counts up and never repeats within a run; 0 once the range is
    // spent. Service addresses (bit 31) are never handed out.
    std::uint32_t NextAddress();

    // The connection has logged in with its Address and UserId. A later log-in of the same user
    // becomes the user's current connection; the earlier one stays reachable by its address and
    // becomes current again if the later one ends first.
    void Add(CClientConnection& connection);
    void Remove(const CClientConnection& connection);

    CClientConnection* Find(std::uint32_t address) const;
    // The address of the user's current connection, 0 when offline.
    std::uint32_t Locate(const ClientId& user) const;

    std::size_t Count() const { return m_byAddress.size(); }

private:
    std::uint32_t m_nextAddress = 1;
    std::map<std::uint32_t, CClientConnection*> m_byAddress;
    std::map<ClientId, std::vector<std::uint32_t>> m_byUser; // addresses in log-in order
};

} // namespace TarnixServer
