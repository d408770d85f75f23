#pragma once
// Everything a dispatcher polls: sockets, pipe ends and the message queues built on them.
// Before registration the creator owns an object; once registered with a dispatcher, the
// dispatcher owns it and deletes it in the round after it was closed. The fields below the
// virtual interface belong to the dispatcher, which sets and clears them.

#include "infra/Status.h"
#include "infra/os/Socket.h"

#include <cstdint>
#include <memory>

namespace sti {

class IBaseSockEventHandler;
class CKeyedTimerSet;

// Connection state of an object.
enum ConnectionState : int {
    STATE_NOT_CONNECTED = 0,
    STATE_CONNECTING = 1, // a non-blocking connect is in progress
    STATE_CONNECTED = 2
};

class IPollableObject {
public:
    IPollableObject();
    virtual ~IPollableObject();

    IPollableObject(const IPollableObject&) = delete;
    IPollableObject& operator=(const IPollableObject&) = delete;

    // The socket handle, INVALID_SOCKET_HANDLE when none.
    virtual STI_OS::SocketHandle GetHandle() const = 0;
    virtual bool IsOpen() const { return GetHandle() != STI_OS::INVALID_SOCKET_HANDLE; }
    // True on success.
    virtual bool SetNonBlocking() = 0;
    virtual bool IsNonBlocking() const = 0;
    virtual void Close() = 0;
    // The socket's pending error, translated; ST_SUCCESS for objects that cannot have one.
    virtual Status GetSocketError() { return ST_SUCCESS; }
    // Ends the sending direction of a connected stream socket, which stays readable.
    // ST_NOT_IMPLEMENTED for objects that are no such socket.
    virtual Status ShutdownSend() { return ST_NOT_IMPLEMENTED; }
    virtual int GetState() const { return m_state; }

    // Dispatcher bookkeeping.
    IBaseSockEventHandler* GetHandler() const { return m_handler; }
    void SetHandler(IBaseSockEventHandler* handler) { m_handler = handler; }
    bool IsCloseAfterWrite() const { return m_closeAfterWrite; }
    void SetCloseAfterWrite(bool on) { m_closeAfterWrite = on; }
    bool IsClosed() const { return m_closed; }
    void SetClosed(bool on) { m_closed = on; }
    void SetState(int state) { m_state = state; }
    // Keyed timers of the object, null until the first one is set.
    CKeyedTimerSet* GetKeyedTimers() const { return m_keyedTimers.get(); }
    void SetKeyedTimers(std::unique_ptr<CKeyedTimerSet> timers);
    std::unique_ptr<CKeyedTimerSet> TakeKeyedTimers();

private:
    IBaseSockEventHandler* m_handler = nullptr; // not owned
    bool m_closeAfterWrite = false;
    bool m_closed = false;
    int m_state = STATE_NOT_CONNECTED;
    std::unique_ptr<CKeyedTimerSet> m_keyedTimers;
};

// A read or write that would block gives the OS layer's would-block status with count 0.
class IReader {
public:
    virtual ~IReader() = default;
    virtual Status Read(std::uint32_t size, void* buffer, std::uint32_t& count) = 0;
};

class IWriter {
public:
    virtual ~IWriter() = default;
    virtual Status Write(std::uint32_t length, const void* data, std::uint32_t& count) = 0;
};

class IRWPollableObject : public IPollableObject, public IReader, public IWriter {};

} // namespace sti
