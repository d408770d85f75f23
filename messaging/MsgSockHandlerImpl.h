#pragma once

#include <cstdint>
#include <memory>

#include "infra/Dispatcher.h"
#include "infra/PollableObject.h"
#include "infra/Status.h"
#include "messaging/MessageVerifier.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgBufferQueue.h"
#include "messaging/MsgCodec.h"
#include "messaging/MsgConnectionContext.h"

class CCommunicator;
class CMsgSockHandler;

// The state and the work of one CMsgSockHandler: the read and write state of the connection,
// its codec, verifier and outgoing queue, its context and its timer. The handler owns it and
// forwards its events here, with the socket they concern.
class CMsgSockHandlerImpl {
public:
    CMsgSockHandlerImpl(CMsgSockHandler& owner, CCommunicator& communicator, std::unique_ptr<IMessageVerifier> verifier,
                        std::unique_ptr<IMsgDecoder> decoder, std::unique_ptr<IMsgEncoder> encoder,
                        std::unique_ptr<IMsgBufferQueue> queue);
    ~CMsgSockHandlerImpl();
    CMsgSockHandlerImpl(const CMsgSockHandlerImpl&) = delete;
    CMsgSockHandlerImpl& operator=(const CMsgSockHandlerImpl&) = delete;

    void Attach(sti::CDispatcher* dispatcher) { m_dispatcher = dispatcher; }
    Status Connected();
    void Detached();

    // socket may be null (no connection).
    Status SendMessage(sti::IRWPollableObject* socket, CMsgBuffer* buffer, int mode);
    Status Write(sti::IRWPollableObject* socket);
    Status Read(sti::IRWPollableObject* socket);

    void SetEncoder(std::unique_ptr<IMsgEncoder> encoder) { m_encoder = std::move(encoder); }
    void SetDecoder(std::unique_ptr<IMsgDecoder> decoder) { m_decoder = std::move(decoder); }

    const SMsgConnectionContext& Context() const { return m_context; }
    sti::CDispatcher* Dispatcher() const { return m_dispatcher; }
    bool IsConnected() const { return m_connected; }
    void SetIdleInterval(std::int32_t milliseconds) { m_idleInterval = milliseconds; }
    int TimerId() const { return m_timerId; }
    void CancelTimer();
    bool HasPendingOutput() const { return m_writing != nullptr || !m_queue->Empty(); }
    std::uint64_t SentCount() const { return m_sentCount; }
    std::uint64_t WrittenCount() const { return m_writtenCount; }
    // socket may be null (no connection).
    void HoldOutput(sti::IRWPollableObject* socket, bool hold);

private:
    // Writes the buffer being written, then the queued ones: ST_SUCCESS when all is out,
    // ST_MORE_DATA when the socket would block.
    Status Flush(sti::IRWPollableObject* socket);
    // ST_SUCCESS once a whole message is in, ST_MORE_DATA while it is not.
    Status ReadOne(sti::IRWPollableObject* socket);
    // Reads until the buffer being read holds target bytes, never more.
    Status ReadUpTo(sti::IRWPollableObject* socket, std::uint32_t target);
    Status Process(CMsgBuffer& message);
    void ResetRead();
    bool AllocatorNearlyFull() const;

    CMsgSockHandler& m_owner;
    CCommunicator& m_communicator;
    std::unique_ptr<IMessageVerifier> m_verifier;
    std::unique_ptr<IMsgBufferQueue> m_queue;
    std::unique_ptr<IMsgDecoder> m_decoder;
    std::unique_ptr<IMsgEncoder> m_encoder;

    CMsgBuffer* m_reading = nullptr; // one reference; its Used counts the bytes that arrived
    std::uint32_t m_expectedLength = 0;
    bool m_lengthKnown = false;
    CMsgBuffer* m_writing = nullptr;  // one reference
    std::uint32_t m_written = 0;      // bytes of m_writing already written
    std::uint64_t m_sentCount = 0;    // messages taken by SendMessage
    std::uint64_t m_writtenCount = 0; // messages wholly written
    bool m_outputHeld = false;

    SMsgConnectionContext m_context;
    sti::CDispatcher* m_dispatcher = nullptr; // not owned
    int m_timerId = -1;
    std::int32_t m_idleInterval = 0;
    bool m_connected = false;
};
