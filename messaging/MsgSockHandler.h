#pragma once

#include <cstdint>
#include <memory>

#include "infra/Dispatcher.h"
#include "infra/PollableObject.h"
#include "infra/SocketEventHandler.h"
#include "infra/Status.h"
#include "messaging/MessageVerifier.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgBufferQueue.h"
#include "messaging/MsgCodec.h"
#include "messaging/MsgConnectionContext.h"

class CCommunicator;
class CMsgSockHandlerImpl;

// The socket handler of a messaging connection. Reading, it takes length-prefixed messages off
// the stream (MessageLength in the first two bytes), decodes them once a decoder is installed,
// verifies them and dispatches them through the communicator; at most MAX_MESSAGES_PER_READ per
// readable event, the rest waits for the next. A message that fails after it was framed (bad
// checksum, short header, no handler) is dropped and the connection stays open; a stream that
// loses its framing, or a socket error, closes the connection through the dispatcher.
// Writing, it encodes each buffer once an encoder is installed and writes the buffers in the
// order they were sent, queueing what the socket does not take at once.
//
// One handler serves one connection: bound by CCommunicator::AddHandler, it deletes itself when
// the dispatcher removes the connection. Used on its dispatcher's thread only.
class CMsgSockHandler : public sti::CSocketAttachedEventHandler<sti::IRWPollableObject> {
public:
    static constexpr int MAX_MESSAGES_PER_READ = 50;
    // SendMessage mode that returns only once everything queued is written (or on an error).
    static constexpr int SEND_BLOCKING = 3;
    static constexpr std::uint32_t BLOCKING_RETRY_MS = 50;

    // Without a queue the handler makes its own CMsgBufferQueue. Buffers come from the
    // communicator's allocator.
    CMsgSockHandler(CCommunicator& communicator, std::unique_ptr<IMessageVerifier> verifier,
                    std::unique_ptr<IMsgDecoder> decoder = nullptr, std::unique_ptr<IMsgEncoder> encoder = nullptr,
                    std::unique_ptr<IMsgBufferQueue> queue = nullptr);
    // Releases the buffers being read and written and every queued one.
    ~CMsgSockHandler() override;

    // Takes a reference of its own to the buffer (the caller keeps its reference) and sends its
    // first MessageLength bytes, encoded when an encoder is installed. What the socket does not
    // take now leaves on writable events, after the buffers sent before it. ST_TRY_LATER without
    // a connection; ST_OUT_OF_BOUNDS for a MessageLength beyond the bytes in use or outside the
    // framing's limits; an encoder's or the socket's failure as it comes.
    Status SendMessage(CMsgBuffer* buffer, int mode);

    // From the next message on; a replaced codec is destroyed.
    void SetEncoder(std::unique_ptr<IMsgEncoder> encoder);
    void SetDecoder(std::unique_ptr<IMsgDecoder> decoder);

    const SMsgConnectionContext& GetContext() const;
    // The dispatcher that attached the connection; null before.
    sti::CDispatcher* GetDispatcher() const;
    // Set by the connected event, cleared when the connection is detached.
    bool IsConnected() const;
    // Milliseconds; above 0, the connected event arms the connection timer for that long and
    // every complete message re-arms it. When it runs out the connection is closed. 0 (the
    // client's setting) never arms it.
    void SetIdleInterval(std::int32_t milliseconds);
    // -1 when no connection timer is armed.
    int GetTimerId() const;
    void CancelTimer();
    // A buffer is being written or waits in the queue.
    bool HasPendingOutput() const;
    // Messages SendMessage took (queued or written) and messages wholly written to the socket,
    // since the handler was made: the n-th message sent is out once the written count is n.
    // What is still unwritten when the connection ends is lost with the handler.
    std::uint64_t GetSentCount() const;
    std::uint64_t GetWrittenCount() const;
    // Test seam: while held nothing is written, and what is sent waits in the queue, as it
    // would behind a socket that takes nothing; releasing writes it on the next writable event.
    void HoldOutput(bool hold);

    using sti::CSocketAttachedEventHandler<sti::IRWPollableObject>::OnAttach;
    using sti::CSocketAttachedEventHandler<sti::IRWPollableObject>::OnConnected;
    using sti::CSocketAttachedEventHandler<sti::IRWPollableObject>::OnDetach;
    using sti::CSocketAttachedEventHandler<sti::IRWPollableObject>::OnWrite;
    using sti::CSocketAttachedEventHandler<sti::IRWPollableObject>::OnRead;
    using sti::CSocketAttachedEventHandler<sti::IRWPollableObject>::OnError;

    // Remembers the object and the calling thread's dispatcher.
    Status OnAttach(sti::IRWPollableObject* object) override;
    // Takes a local connection address, arms the connection timer (idle interval above 0) and
    // tells the strategy. A connection attached after a blocking connect never gets here.
    Status OnConnected(sti::IRWPollableObject* object) override;
    // Clears the connected flag, cancels the timer and tells the strategy.
    Status OnDetach(sti::IRWPollableObject* object, int reason) override;
    // ST_NO_MORE_DATA once everything is written, ST_SUCCESS while data remains.
    Status OnWrite(sti::IRWPollableObject* object) override;
    Status OnRead(sti::IRWPollableObject* object) override;
    // Cancels the timer; the code is returned and the dispatcher closes the connection.
    Status OnError(sti::IRWPollableObject* object, Status code) override;

private:
    std::unique_ptr<CMsgSockHandlerImpl> m_impl;
};
