#pragma once
// The messaging service's TCP connection: a filtered TCP socket that carries proxy settings
// and connects through a strategy chosen by the proxy kind. Only the direct kind (0) exists;
// it connects in blocking mode. Used by one thread; once registered, the dispatcher owns it.

#include "infra/FilterTCPSocket.h"
#include "infra/IPAddress.h"
#include "infra/Status.h"

#include <memory>
#include <string>

namespace sti {

class CProxyTCPSocket;

// How a proxy socket connects and closes.
class IConnectStrategy {
public:
    virtual ~IConnectStrategy() = default;
    virtual Status Connect(const CIPEndpoint& address) = 0;
    virtual void Close() = 0;
};

class CProxyTCPSocket : public CFilterTCPSocket {
public:
    static constexpr int PROXY_DIRECT = 0;

    CProxyTCPSocket();
    ~CProxyTCPSocket() override;

    // Stores the settings; always ST_SUCCESS.
    Status SetProxy(int kind, const CIPEndpoint& proxyAddress, const std::string& user, const std::string& password);

    // Replaces the strategy by one for the kind and connects through it: ST_SUCCESS when
    // connected (state 2), else the socket layer's status with the socket closed.
    // ST_NO_MEMORY when the strategy cannot be had, ST_NOT_IMPLEMENTED for a kind without
    // a strategy; neither connects.
    virtual Status Connect(const CIPEndpoint& address);
    // Through the strategy when there is one.
    void Close() override;

    int GetProxyKind() const { return m_proxyKind; }
    const CIPEndpoint& GetProxyAddress() const { return m_proxyAddress; }
    const std::string& GetUser() const { return m_user; }
    const std::string& GetPassword() const { return m_password; }

private:
    std::unique_ptr<IConnectStrategy> m_strategy; // owned; replaced by every Connect
    int m_proxyKind = PROXY_DIRECT;
    CIPEndpoint m_proxyAddress;
    std::string m_user;
    std::string m_password;
};

} // namespace sti
