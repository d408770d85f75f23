// tarnix-antpeer: one end of an Ant stream between two processes, through the rendezvous server,
// for the stream tests and benchmarks. "tarnix-antpeer --help" describes it.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PatternStream.h"
#include "PeerOptions.h"
#include "PeerPlatform.h"
#include "infra/Initialize.h"
#include "infra/os/Poller.h"
#include "infra/os/Socket.h"
#include "infra/os/SocketCalls.h"
#include "transport/ant/Ant.h"
#include "transport/ant/AntInternalMsg.h"

namespace {

// Socket-layer calls of the whole process (the Ant thread and the stream's own reads and
// writes): "sends/receives/waits".
std::string SocketCalls()
{
    const STI_OS::SSocketCalls calls = STI_OS::GetSocketCalls();
    return std::to_string(calls.Sends) + "/" + std::to_string(calls.Receives) + "/" + std::to_string(calls.Waits);
}

using Clock = std::chrono::steady_clock;

constexpr std::size_t CHUNK = 64 * 1024;
constexpr std::uint32_t PROGRESS_MS = 1000;
// Past its time-out the program ends even if closing the transport hangs.
constexpr std::uint32_t WATCHDOG_GRACE_MS = 30000;

std::atomic<std::uint64_t> s_bytes{0};
std::atomic<int> s_exitCode{1};
std::mutex s_reportLock;
bool s_reported = false;

std::uint32_t MillisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count());
}

// The one line on stdout. False when it was written already (the watchdog's late attempt).
bool Report(const std::string& line)
{
    std::lock_guard<std::mutex> guard(s_reportLock);
    if (s_reported)
        return false;
    s_reported = true;
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
    return true;
}

int Fail(const std::string& reason)
{
    Report("fail " + reason + " bytes=" + std::to_string(s_bytes.load()));
    return 1;
}

void StartWatchdog(Clock::time_point start, std::uint32_t timeoutMs)
{
    const Clock::time_point limit = start + std::chrono::milliseconds(std::uint64_t(timeoutMs) + WATCHDOG_GRACE_MS);
    std::thread([limit] {
        while (Clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const int code = Report("fail timeout bytes=" + std::to_string(s_bytes.load())) ? 1 : s_exitCode.load();
        std::fflush(stdout);
        std::_Exit(code);
    }).detach();
}

bool WouldBlock(Status status)
{
    return status == ST_TRY_LATER || status == ST_WOULD_BLOCK || status == ST_TIMEOUT;
}

std::string StatusReason(const char* what, Status status)
{
    if (status == ST_CONN_RESET)
        return "reset";
    if (status == ST_CONNECTION_CLOSED)
        return "closed";
    return std::string(what) + "-error-" + std::to_string(status);
}

// Waits for one socket to become readable or writable.
class CSocketWait {
public:
    explicit CSocketWait(STI_OS::SocketHandle socket) : m_socket(socket)
    {
        m_open = STI_OS::PollInit(m_poll) == ST_SUCCESS &&
                 STI_OS::PollRegister(m_poll, socket, STI_OS::POLL_READ) == ST_SUCCESS;
    }
    ~CSocketWait()
    {
        if (m_open)
            (void)STI_OS::PollRelease(m_poll); // teardown: nothing to check
    }
    CSocketWait(const CSocketWait&) = delete;
    CSocketWait& operator=(const CSocketWait&) = delete;

    // Returns after the socket got ready or the time passed; false when waiting is impossible.
    bool Wait(int flags, std::uint32_t milliseconds)
    {
        if (!m_open || STI_OS::PollSetInterest(m_poll, m_socket, flags) != ST_SUCCESS)
            return false;
        const Status status = STI_OS::PollWait(m_poll, milliseconds);
        return status == ST_SUCCESS || status == ST_TIMEOUT;
    }

private:
    STI_OS::SocketHandle m_socket;
    STI_OS::PollHandle m_poll;
    bool m_open = false;
};

class CProgress {
public:
    void Tick()
    {
        const Clock::time_point now = Clock::now();
        if (MillisecondsBetween(m_last, now) < PROGRESS_MS)
            return;
        m_last = now;
        std::cerr << "progress bytes=" << s_bytes.load() << std::endl;
    }

private:
    Clock::time_point m_last = Clock::now();
};

// Each leg returns "" or the reason of its failure; end is when its last byte moved.
class CStream {
public:
    CStream(STI_OS::SocketHandle socket, const SPeerOptions& options, Clock::time_point deadline)
        : m_socket(socket), m_options(options), m_deadline(deadline), m_wait(socket), m_pattern(options.Seed),
          m_buffer(CHUNK), m_expected(CHUNK)
    {}

    std::string Send(Clock::time_point& end)
    {
        std::size_t offset = 0;
        std::size_t filled = 0;
        while (s_bytes.load() < m_options.Bytes) {
            if (offset == filled) {
                const std::uint64_t left = m_options.Bytes - s_bytes.load();
                filled = left < CHUNK ? static_cast<std::size_t>(left) : CHUNK;
                m_pattern.Fill(m_buffer.data(), filled);
                offset = 0;
            }
            std::uint32_t count = 0;
            const Status status =
                STI_OS::Send(m_socket, m_buffer.data() + offset, static_cast<std::uint32_t>(filled - offset), count);
            if (status == ST_SUCCESS) {
                offset += count;
                s_bytes += count;
                m_progress.Tick();
                continue;
            }
            if (!WouldBlock(status))
                return StatusReason("write", status);
            std::string failure = WaitFor(STI_OS::POLL_WRITE);
            if (!failure.empty())
                return failure;
        }
        // The receiver closes once it has everything; closing first could cut the tail in flight.
        for (;;) {
            std::uint32_t count = 0;
            const Status status = STI_OS::Recv(m_socket, m_buffer.data(), CHUNK, count);
            if (status == ST_CONNECTION_CLOSED) {
                end = Clock::now();
                return "";
            }
            if (status == ST_SUCCESS)
                continue; // the receiver sends nothing; whatever comes is not ours to check
            if (!WouldBlock(status))
                return StatusReason("read", status);
            std::string failure = WaitFor(STI_OS::POLL_READ);
            if (!failure.empty())
                return failure;
        }
    }

    std::string Receive(Clock::time_point& end)
    {
        while (s_bytes.load() < m_options.Bytes) {
            const std::uint64_t left = m_options.Bytes - s_bytes.load();
            const std::uint32_t want = static_cast<std::uint32_t>(left < CHUNK ? left : CHUNK);
            std::uint32_t count = 0;
            const Status status = STI_OS::Recv(m_socket, m_buffer.data(), want, count);
            if (status == ST_SUCCESS) {
                m_pattern.Fill(m_expected.data(), count);
                for (std::uint32_t i = 0; i < count; ++i)
                    if (m_buffer[i] != m_expected[i])
                        return "corrupt-at-" + std::to_string(s_bytes.load() + i);
                s_bytes += count;
                m_progress.Tick();
                continue;
            }
            if (status == ST_CONNECTION_CLOSED)
                return "eof";
            if (!WouldBlock(status))
                return StatusReason("read", status);
            std::string failure = WaitFor(STI_OS::POLL_READ);
            if (!failure.empty())
                return failure;
        }
        end = Clock::now();
        return "";
    }

private:
    std::string WaitFor(int flags)
    {
        const Clock::time_point now = Clock::now();
        if (now >= m_deadline)
            return "timeout";
        const std::uint32_t left = MillisecondsBetween(now, m_deadline);
        if (!m_wait.Wait(flags, left < PROGRESS_MS ? left : PROGRESS_MS))
            return "wait-error";
        return "";
    }

    STI_OS::SocketHandle m_socket;
    const SPeerOptions& m_options;
    Clock::time_point m_deadline;
    CSocketWait m_wait;
    CPatternStream m_pattern;
    CProgress m_progress;
    std::vector<std::uint8_t> m_buffer;
    std::vector<std::uint8_t> m_expected;
};

std::string Fixed(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", value);
    return text;
}

int Run(const SPeerOptions& options, Clock::time_point start)
{
    CAnt* ant = CAnt::Instance();
    if (ant == nullptr)
        return Fail("no-transport");
    if (ant->AntStart(options.ServerHost.c_str(), options.ServerPort, options.LocalPort, options.AdvertiseLocal) !=
            ST_SUCCESS ||
        ant->GetLocalPort() == 0)
        return Fail("start");
    if (ant->Post(SAntInternalMsg::MakeClientId(options.OwnId)) != ST_SUCCESS)
        return Fail("start");
    const STI_OS::SocketHandle socket = ant->AntCreateSocket();
    if (socket == STI_OS::INVALID_SOCKET_HANDLE)
        return Fail("socket");
    ant->SetConnectWait(options.TimeoutMs);
    if (ant->AntConnect(socket, options.PeerId, static_cast<std::uint32_t>(options.Key),
                        static_cast<std::uint32_t>(options.Key >> 32)) != 0) {
        (void)ant->AntCloseSocket(socket); // the connect's failure is the one to report
        return Fail("connect");
    }
    const Clock::time_point connected = Clock::now();
    std::cerr << "connected ms=" << MillisecondsBetween(start, connected) << " udp-port=" << ant->GetLocalPort()
              << std::endl;

    CStream stream(socket, options, start + std::chrono::milliseconds(options.TimeoutMs));
    Clock::time_point end = connected;
    const std::string failure = options.Sending ? stream.Send(end) : stream.Receive(end);
    // The stream's outcome is decided; a failed close adds nothing to it.
    (void)ant->AntCloseSocket(socket);
    if (!failure.empty())
        return Fail(failure);

    const std::uint32_t ms = MillisecondsBetween(connected, end);
    const double seconds = (ms == 0 ? 1 : ms) / 1000.0;
    Report("ok bytes=" + std::to_string(s_bytes.load()) + " ms=" + std::to_string(ms) +
           " mbps=" + Fixed(static_cast<double>(s_bytes.load()) / 1e6 / seconds) +
           " cpu_s=" + Fixed(ProcessCpuSeconds()) + " calls=" + SocketCalls());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const Clock::time_point start = Clock::now();
    sti::Initialize();
    PreparePeerProcess();
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cerr << PeerUsage();
        return 2;
    }
    SPeerOptions options;
    std::string error;
    if (!ParsePeerOptions(args, options, error)) {
        std::cerr << "tarnix-antpeer: " << error << "\n" << PeerUsage();
        Fail("usage");
        return 2;
    }
    StartWatchdog(start, options.TimeoutMs);
    const int code = Run(options, start);
    s_exitCode = code;
    // Leaving main stops the transport: the Ant thread lets the session close, within 5 s.
    return code;
}
