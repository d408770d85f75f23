#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "infra/Longevity.h"
#include "infra/PollableObject.h"
#include "infra/Status.h"
#include "infra/TimeEventHandler.h"
#include "infra/TimeValue.h"
#include "messaging/CommandHandler.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgConnectionContext.h"
#include "messaging/MsgStream.h"
#include "messaging/Protocol.h"
#include "messaging/RoutingStrategy.h"

class CMsgSockHandler;

// The hub between the messaging connection and the command handlers: it hands out message
// buffers, fills in the header of every outgoing message and numbers it, sends it on the
// connection the routing strategy names, and dispatches every received message to the handler
// registered for its command. Used on the service thread only (its dispatcher is that thread's).
//
// Process singleton (Instance()); longevity 200, so it outlives the service that uses it and dies
// before the buffer allocator. Tests may make instances of their own.
class CCommunicator : public sti::ITimeEventHandler {
public:
    static constexpr std::uint32_t LONGEVITY = sti::longevity::COMMUNICATOR;
    static constexpr std::size_t COMMAND_TABLE_SIZE = KV2Protocol::COMMAND_TABLE_SIZE;

    static CCommunicator* Instance();

    // Own address 0, gate switch off, the client's buffer allocator, no strategy (nothing can be
    // sent until Init gives one).
    CCommunicator();
    // Deletes the handlers registered as owned, and the strategy.
    ~CCommunicator() override;

    // Stores the settings (the strategy is owned from here on, the allocator is not) and resets
    // the send counter to 0. ST_INVALID_PARAM for a null allocator or strategy.
    Status Init(std::uint32_t ownAddress, bool gateSwitch, CMsgBufferAllocator* allocator,
                std::unique_ptr<CRoutingStrategy> strategy);

    // Entry code of the command table; a handler registered as owned is deleted with the
    // communicator or when its entry is given another handler. Null clears the entry.
    // ST_INVALID_PARAM for a code outside the table.
    Status RegisterCommand(std::uint16_t code, CCommandHandler* handler, bool owned);

    // Registers the connection with the calling thread's dispatcher, bound to the handler (which
    // gets OnAttach), and makes the handler the strategy's current route. On success the
    // dispatcher owns the connection and the handler lives as long as it does; on failure the
    // caller still owns both and the dispatcher's status is returned.
    Status AddHandler(sti::IRWPollableObject* connection, CMsgSockHandler* handler);
    // Closes the connection in the calling thread's dispatcher; its handler gets OnDetach.
    Status RemoveHandler(sti::IRWPollableObject* connection);

    // A fresh buffer holding one reference, and a write stream on it just behind the header.
    // ST_NO_MEMORY when no buffer can be had.
    Status AllocMessage(CMsgStream& stream);
    // Releases the stream's buffer reference; the stream is left without a buffer.
    void FreeMessage(CMsgStream& stream);

    // Writes the header at offset 0 of the buffer (MessageLength = the bytes in use, 24 without a
    // body; Checksum 0; own address; the send counter as SeqNumber) and hands the buffer to the
    // route's SendMessage, which takes a reference of its own: the caller keeps its reference.
    // Without a route, or held back by the send gate, the message is dropped and the result is
    // ST_SUCCESS with the counter unchanged; otherwise the counter advances whatever the send
    // answers, and the send's status is returned.
    Status Send(std::uint32_t destination, std::uint32_t sourceClient, std::uint16_t command, CMsgBuffer* buffer,
                int mode);

    // Hands a received message to the handler registered for the low 15 bits of its Command and
    // returns that handler's status; ST_NOT_FOUND when no handler is registered.
    Status Dispatch(CMsgBuffer& message, const SMsgConnectionContext& from);

    void SetOwnAddress(std::uint32_t address) { m_ownAddress = address; }
    std::uint32_t GetOwnAddress() const { return m_ownAddress; }
    std::uint32_t GetSendCounter() const { return m_sendCounter; }
    bool IsGateOpen() const { return m_gateOpen; }
    // Null only when the client's allocator could not be made.
    CMsgBufferAllocator* GetAllocator() const { return m_allocator; }
    // Null before Init.
    CRoutingStrategy* GetStrategy() const { return m_strategy.get(); }

    // A connection's timer ran out (the parameter is its handler): the strategy closes it.
    Status OnTimer(int timerId, const sti::CTimeValue& now, void* parameter) override;
    Status OnTimerRemoved(int timerId, void* parameter) override;

private:
    struct SCommandEntry {
        CCommandHandler* Handler = nullptr;
        bool Owned = false;
    };

    // Deletes the owned handler of the entry unless another entry still holds it as owned.
    void DropEntry(std::size_t code);
    bool IsGated(std::uint32_t destination) const;

    std::array<SCommandEntry, COMMAND_TABLE_SIZE> m_commands{};
    std::unique_ptr<CRoutingStrategy> m_strategy;
    CMsgBufferAllocator* m_allocator = nullptr; // not owned
    std::uint32_t m_ownAddress = 0;
    std::uint32_t m_sendCounter = 0;
    bool m_gateSwitch = false;
    bool m_gateOpen = true;
};
