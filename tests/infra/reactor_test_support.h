#pragma once
// Shared by the reactor tests: a socket event handler that records every call, a listening
// loopback socket, and a pipe end that reports its own deletion.

#include "infra/BaseSockEventHandler.h"
#include "infra/Dispatcher.h"
#include "infra/Pipe.h"
#include "infra/PollableObject.h"
#include "infra/TimeValue.h"
#include "infra/os/Socket.h"

#include <functional>
#include <string>
#include <vector>

namespace reactor_test {

constexpr std::uint32_t LOOPBACK = 0x7F000001;

struct Event {
    std::string what;
    sti::IPollableObject* object;
    int value; // reason, status or key
};

// Records calls in order. OnRead and OnWrite answer what the test sets; the actions let a
// test act from inside a callback. Never deletes itself.
class CRecordingHandler : public sti::IBaseSockEventHandler {
public:
    Status OnError(sti::IPollableObject* o, Status code) override { return Note("error", o, code); }
    Status OnRead(sti::IPollableObject* o) override
    {
        (void)Note("read", o, 0); // always ST_SUCCESS
        if (onRead) {
            return onRead(o);
        }
        return readResult;
    }
    Status OnWrite(sti::IPollableObject* o) override
    {
        (void)Note("write", o, 0); // always ST_SUCCESS
        if (onWrite) {
            return onWrite(o);
        }
        return writeResult;
    }
    Status OnTimer(sti::IPollableObject* o, const sti::CTimeValue&, int key) override
    {
        (void)Note("timer", o, key); // always ST_SUCCESS
        if (onTimer) {
            onTimer(o, key);
        }
        return ST_SUCCESS;
    }
    Status OnDetach(sti::IPollableObject* o, int reason) override
    {
        (void)Note("detach", o, reason); // always ST_SUCCESS
        if (onDetach) {
            onDetach(o, reason);
        }
        return ST_SUCCESS;
    }
    Status OnRemoved(sti::IPollableObject* o) override { return Note("removed", o, 0); }
    Status OnConnected(sti::IPollableObject* o) override { return Note("connected", o, 0); }
    Status OnConnectFailed(sti::IPollableObject* o, Status code) override { return Note("connect-failed", o, code); }
    Status OnConnectTimeout(sti::IPollableObject* o) override { return Note("connect-timeout", o, 0); }
    Status OnConnecting(sti::IPollableObject* o) override { return Note("connecting", o, 0); }
    sti::IPollableObject* GetObject() override { return nullptr; }
    Status OnAttach(sti::IPollableObject* o) override { return Note("attach", o, 0); }
    Status OnConnectAborted(sti::IPollableObject* o) override { return Note("connect-aborted", o, 0); }

    int Count(const std::string& what) const
    {
        int n = 0;
        for (const Event& e : events) {
            n += e.what == what ? 1 : 0;
        }
        return n;
    }
    const Event* Find(const std::string& what) const
    {
        for (const Event& e : events) {
            if (e.what == what) {
                return &e;
            }
        }
        return nullptr;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const Event& e : events) {
            names.push_back(e.what);
        }
        return names;
    }

    std::vector<Event> events;
    Status readResult = ST_SUCCESS;
    Status writeResult = ST_NO_MORE_DATA;
    std::function<Status(sti::IPollableObject*)> onRead;
    std::function<Status(sti::IPollableObject*)> onWrite;
    std::function<void(sti::IPollableObject*, int)> onTimer;
    std::function<void(sti::IPollableObject*, int)> onDetach;

private:
    Status Note(const char* what, sti::IPollableObject* o, int value)
    {
        events.push_back(Event{what, o, value});
        return ST_SUCCESS;
    }
};

// A pipe end that sets a flag when it is deleted.
class CTrackedPipe : public sti::CPipe {
public:
    explicit CTrackedPipe(bool& deleted) : m_deleted(deleted) { m_deleted = false; }
    ~CTrackedPipe() override { m_deleted = true; }

private:
    bool& m_deleted;
};

// Two connected ends: the first tracked (for registration), the second a plain peer kept by
// the test.
inline Status MakeTrackedPair(bool& deleted, CTrackedPipe*& tracked, std::unique_ptr<sti::CPipe>& peer)
{
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    Status status = STI_OS::CreateLoopbackPair(a, b);
    if (status != ST_SUCCESS) {
        return status;
    }
    tracked = new CTrackedPipe(deleted);
    tracked->AttachHandle(a);
    peer.reset(new sti::CPipe);
    peer->AttachHandle(b);
    return ST_SUCCESS;
}

inline bool WriteAll(sti::IWriter& writer, const std::string& text)
{
    std::uint32_t written = 0;
    return writer.Write(static_cast<std::uint32_t>(text.size()), text.data(), written) == ST_SUCCESS &&
           written == text.size();
}

// Blocking read of up to size bytes from a plain socket handle (the test's side).
inline std::string ReadSome(STI_OS::SocketHandle handle, std::uint32_t size)
{
    std::string data(size, '\0');
    std::uint32_t count = 0;
    if (STI_OS::Recv(handle, &data[0], size, count) != ST_SUCCESS) {
        return std::string();
    }
    data.resize(count);
    return data;
}

// A listening TCP socket on a free loopback port; closed on destruction.
class CListener {
public:
    CListener()
    {
        if (STI_OS::CreateTCPSocket(m_handle) == ST_SUCCESS && STI_OS::Bind(m_handle, LOOPBACK, 0) == ST_SUCCESS &&
            STI_OS::Listen(m_handle, 8) == ST_SUCCESS) {
            std::uint32_t address = 0;
            if (STI_OS::GetSockName(m_handle, address, m_port) != ST_SUCCESS) {
                m_port = 0; // no port: the tests that connect to it fail
            }
        }
    }
    ~CListener() { (void)STI_OS::CloseSocket(m_handle); } // teardown: nothing to check
    CListener(const CListener&) = delete;
    CListener& operator=(const CListener&) = delete;

    std::uint16_t Port() const { return m_port; }
    STI_OS::SocketHandle Handle() const { return m_handle; }

private:
    STI_OS::SocketHandle m_handle = STI_OS::INVALID_SOCKET_HANDLE;
    std::uint16_t m_port = 0;
};

// A loopback port that nobody listens on (bound once, then released).
inline std::uint16_t UnusedPort()
{
    STI_OS::SocketHandle handle = STI_OS::INVALID_SOCKET_HANDLE;
    std::uint16_t port = 0;
    if (STI_OS::CreateTCPSocket(handle) == ST_SUCCESS && STI_OS::Bind(handle, LOOPBACK, 0) == ST_SUCCESS) {
        std::uint32_t address = 0;
        if (STI_OS::GetSockName(handle, address, port) != ST_SUCCESS) {
            port = 0;
        }
    }
    (void)STI_OS::CloseSocket(handle); // only its port was wanted
    return port;
}

// Runs rounds until the condition holds or about the given time has passed.
template <class Condition>
bool RunUntil(sti::CDispatcher& dispatcher, Condition condition, int milliseconds = 3000)
{
    sti::CTimeValue end = sti::CTimeValue::Now() + sti::CTimeSpan(milliseconds);
    while (!condition()) {
        if (sti::CTimeValue::Now() > end) {
            return false;
        }
        (void)dispatcher.Run(10); // the condition is what the caller checks
    }
    return true;
}

} // namespace reactor_test
