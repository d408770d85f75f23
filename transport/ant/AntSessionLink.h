#pragma once
// The process's CAntSessionManager behind the interface the Ant thread uses.

#include "transport/ant/AntSessionManagerInterface.h"

class CAntSessionLink : public IAntSessionManager {
public:
    void SetAntThread(CAntThread* thread) override;
    void SetUDPHandler(CAntUDPSockHandler* handler) override;
    void SetAdvertiseLocalAddress(bool advertise) override;
    // ST_NO_MEMORY when there is no manager.
    Status CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                         std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session) override;
    Status StartSession(CAntSession* session) override;
    Status OnDatagram(SAntPacket& packet, const CIPEndpoint& source) override;
    Status OnUnreachable(const CIPEndpoint& address) override;
    Status OnWritable() override;
    Status OnSessionTimer(std::uint16_t sessionId, std::uint16_t kind) override;
    std::size_t GetSessionCount() const override;
    void CloseAllBackends() override;
    void DestroyAllSessions() override;
};
