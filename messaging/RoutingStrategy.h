#pragma once

#include <cstdint>

#include "infra/Status.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgConnectionContext.h"

class CMsgSockHandler;

// Decides for the communicator where messages go: which received ones are for this process and
// which connection an outgoing one leaves on. Holds one current route, a handler that it does not
// own (a handler lives as long as its connection, which the dispatcher owns).
class CRoutingStrategy {
public:
    CRoutingStrategy() = default;
    CRoutingStrategy(const CRoutingStrategy&) = delete;
    CRoutingStrategy& operator=(const CRoutingStrategy&) = delete;
    virtual ~CRoutingStrategy() = default;

    virtual Status IsLocal(const CMsgBuffer& message, const SMsgConnectionContext& from, bool& local) = 0;
    // A connection's connected event gave it a local address.
    virtual Status OnHandlerAdded(CMsgSockHandler* handler, std::uint32_t address) = 0;
    // The handler's connection is detached from the dispatcher.
    virtual Status OnHandlerRemoved(CMsgSockHandler* handler) = 0;
    // Closes the handler's connection as if it had failed with ST_TIMEOUT (the connection's timer
    // is what gives up on it): its timer is cancelled, the dispatcher closes the socket, and the
    // handler gets OnDetach (closed after an error) and OnError. ST_NOT_CONNECTED when the handler
    // has no connection.
    virtual Status OnHandlerClosed(CMsgSockHandler* handler);
    // ST_SUCCESS with a route, or ST_NOT_FOUND with route null.
    virtual Status GetRoute(std::uint32_t destination, CMsgSockHandler*& route) = 0;
    // Whether a received message is to be passed on instead of dispatched.
    virtual bool ShouldForward(const CMsgBuffer& message, const SMsgConnectionContext& from);

    void SetRoute(CMsgSockHandler* handler) { m_route = handler; }
    CMsgSockHandler* CurrentRoute() const { return m_route; }

protected:
    CMsgSockHandler* m_route = nullptr; // not owned
};

// Everything received is for this process and everything sent takes the current route.
class CNoForwardRoutingStrategy : public CRoutingStrategy {
public:
    Status IsLocal(const CMsgBuffer& message, const SMsgConnectionContext& from, bool& local) override;
    Status OnHandlerAdded(CMsgSockHandler* handler, std::uint32_t address) override;
    // Forgets the current route if it is that handler.
    Status OnHandlerRemoved(CMsgSockHandler* handler) override;
    Status GetRoute(std::uint32_t destination, CMsgSockHandler*& route) override;
};

// The client's strategy: it has one connection, so any connection going away ends the route.
class CClientRoutingStrategy : public CNoForwardRoutingStrategy {
public:
    Status OnHandlerRemoved(CMsgSockHandler* handler) override;
};
