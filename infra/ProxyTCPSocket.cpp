#include "infra/ProxyTCPSocket.h"

#include <new>

namespace sti {

// Connects the socket itself, blocking, and closes it plainly.
class CDirectConnectStrategy : public IConnectStrategy {
public:
    explicit CDirectConnectStrategy(CProxyTCPSocket& socket) : m_socket(socket) {}

    Status Connect(const CIPEndpoint& address) override
    {
        CTCPSocket& plain = m_socket;
        return plain.Connect(address, false);
    }
    void Close() override { m_socket.CFilterTCPSocket::Close(); }

private:
    CProxyTCPSocket& m_socket;
};

CProxyTCPSocket::CProxyTCPSocket() = default;

CProxyTCPSocket::~CProxyTCPSocket() = default;

Status CProxyTCPSocket::SetProxy(int kind, const CIPEndpoint& proxyAddress, const std::string& user,
                                 const std::string& password)
{
    m_proxyKind = kind;
    m_proxyAddress = proxyAddress;
    m_user = user;
    m_password = password;
    return ST_SUCCESS;
}

Status CProxyTCPSocket::Connect(const CIPEndpoint& address)
{
    m_strategy.reset();
    if (m_proxyKind != PROXY_DIRECT) {
        return ST_NOT_IMPLEMENTED;
    }
    m_strategy.reset(new (std::nothrow) CDirectConnectStrategy(*this));
    if (!m_strategy) {
        return ST_NO_MEMORY;
    }
    return m_strategy->Connect(address);
}

void CProxyTCPSocket::Close()
{
    if (m_strategy) {
        m_strategy->Close();
    } else {
        CFilterTCPSocket::Close();
    }
}

} // namespace sti
