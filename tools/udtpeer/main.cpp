// tarnix-udtpeer: one side of a UDT stream, the yardstick the Ant transport is measured
// against. Same command line and final line as tarnix-antpeer:
//
//   tarnix-udtpeer --server HOST[:PORT] --id N --peer M --key HEX (--send BYTES | --receive BYTES)
//                  [--local-port P] [--window PACKETS] [--seed S] [--timeout-ms T]
//   -> "ok bytes=N ms=T mbps=X cpu_s=C" or "fail REASON bytes=N"; exit 0 only on ok. T runs from
//   the moment both sides are connected (AwaitPeerReady) to the last byte (a sender's close
//   waits for the peer to have it all), X is in 10^6 bytes per second, C is the process's CPU time.
//
// How two UDT peers meet through the impairment relay: each sends the Ant connect request to
// its "server" (the relay's inside address) from the very UDP socket UDT will use (bind2). That
// request makes the peer's NAT mapping, and the server answers each side with the other's
// outside address. Both then connect in UDT's rendezvous mode to that outside address. The
// relay sees a datagram to an outside socket coming from one of its own inside copies
// (hairpin), passes it through the sender's up link and the receiver's down link, and delivers
// it from the sender's outside address: the very address the receiver connects to, so UDT's
// handshake, which matches on the source address, succeeds on both sides. Peers behind two
// different relays would see each other at a reflection address instead, which UDT refuses;
// so UDT pairs share one relay.
//
// --window 0 (default) leaves UDT at its defaults. --window N limits it to N packets in flight
// and sends 1272-byte datagrams like Ant's: the flow window (UDT_FC) alone is not enough,
// since UDT also sizes the flow window by the receive buffer it advertises, so both buffers
// are clamped to N packets too.

#include "tools/udtpeer/Rendezvous.h"
#include "tools/udtpeer/StreamPattern.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <udt/udt.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// UDT's MSS counts the IP and UDP headers (28 bytes) and its own 16-byte header.
constexpr int IP_UDP_HEADERS = 28;
constexpr int ANT_DATAGRAM = 1272;
constexpr int MATCHED_MSS = ANT_DATAGRAM + IP_UDP_HEADERS;
constexpr std::size_t CHUNK = 1 << 20;

struct SOptions {
    std::string ServerHost;
    std::uint16_t ServerPort = 1864;
    std::uint32_t Id = 0;
    std::uint32_t Peer = 0;
    std::uint64_t Key = 0;
    bool Send = false;
    std::uint64_t Bytes = 0;
    std::uint16_t LocalPort = 0;
    int Window = 0;
    std::uint64_t Seed = 1;
    int TimeoutMs = 600000;
};

bool ParseUnsigned(const char* text, int base, std::uint64_t& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtoull(text, &end, base);
    return *text != '\0' && *text != '-' && *end == '\0' && errno == 0;
}

bool ParseOptions(int argc, char** argv, SOptions& o, std::string& error)
{
    bool haveServer = false, haveId = false, havePeer = false, haveKey = false, haveBytes = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (i + 1 >= argc) {
            error = name + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        std::uint64_t n = 0;
        bool ok = true;
        if (name == "--server") {
            const std::string text = value;
            const std::size_t colon = text.rfind(':');
            o.ServerHost = text.substr(0, colon);
            if (colon != std::string::npos)
                ok = ParseUnsigned(text.c_str() + colon + 1, 10, n) && n > 0 && n < 65536,
                o.ServerPort = std::uint16_t(n);
            haveServer = true;
        } else if (name == "--id") {
            ok = ParseUnsigned(value, 10, n) && n <= 0xFFFFFFFFu, o.Id = std::uint32_t(n), haveId = true;
        } else if (name == "--peer") {
            ok = ParseUnsigned(value, 10, n) && n <= 0xFFFFFFFFu, o.Peer = std::uint32_t(n), havePeer = true;
        } else if (name == "--key") {
            ok = ParseUnsigned(value, 16, o.Key), haveKey = true;
        } else if (name == "--send" || name == "--receive") {
            ok = ParseUnsigned(value, 10, o.Bytes) && !haveBytes, o.Send = name == "--send", haveBytes = true;
        } else if (name == "--local-port") {
            ok = ParseUnsigned(value, 10, n) && n < 65536, o.LocalPort = std::uint16_t(n);
        } else if (name == "--window") {
            ok = ParseUnsigned(value, 10, n) && n <= 65536, o.Window = int(n);
        } else if (name == "--seed") {
            ok = ParseUnsigned(value, 10, o.Seed);
        } else if (name == "--timeout-ms") {
            ok = ParseUnsigned(value, 10, n) && n > 0 && n < 0x7FFFFFFF, o.TimeoutMs = int(n);
        } else {
            error = "unknown option " + name;
            return false;
        }
        if (!ok) {
            error = "bad value for " + name;
            return false;
        }
    }
    if (!haveServer || !haveId || !havePeer || !haveKey || !haveBytes) {
        error = "--server, --id, --peer, --key and --send or --receive are needed";
        return false;
    }
    return true;
}

double CpuSeconds()
{
    rusage usage = {};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Ends the process with a failure line once the time is up; the transfer may block anywhere.
class CWatchdog {
public:
    explicit CWatchdog(int timeoutMs) : m_thread([this, timeoutMs] { Run(timeoutMs); }) {}
    ~CWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    void Progress(std::uint64_t bytes)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bytes = bytes;
    }

private:
    void Run(int timeoutMs)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return m_done; }))
            return;
        std::printf("fail timeout bytes=%llu\n", static_cast<unsigned long long>(m_bytes));
        std::fflush(stdout);
        std::_Exit(1);
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::uint64_t m_bytes = 0;
    std::thread m_thread;
};

int Fail(const char* reason, std::uint64_t bytes)
{
    std::printf("fail %s bytes=%llu\n", reason, static_cast<unsigned long long>(bytes));
    return 1;
}

bool Resolve(const std::string& host, std::uint16_t port, sockaddr_in& out)
{
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || list == nullptr)
        return false;
    out = *reinterpret_cast<const sockaddr_in*>(list->ai_addr);
    out.sin_port = htons(port);
    ::freeaddrinfo(list);
    return true;
}

bool SetOption(UDTSOCKET u, UDTOpt option, int value)
{
    return UDT::setsockopt(u, 0, option, &value, sizeof(value)) != UDT::ERROR;
}

// The order matters: UDT converts the buffer sizes to packets with the MSS set at the time,
// and clamps the receive buffer to the flow window.
bool Configure(UDTSOCKET u, int window)
{
    bool ok = SetOption(u, UDT_RENDEZVOUS, 1);
    if (window > 0) {
        const int buffer = window * (MATCHED_MSS - IP_UDP_HEADERS);
        ok = ok && SetOption(u, UDT_MSS, MATCHED_MSS) && SetOption(u, UDT_FC, window) &&
             SetOption(u, UDT_SNDBUF, buffer) && SetOption(u, UDT_RCVBUF, buffer);
    }
    return ok;
}

struct SResult {
    std::uint64_t Bytes = 0;
    const char* Failure = nullptr;
};

// Both peers leave the server's rendezvous at the same moment, so their UDT handshakes cross:
// one side's connect can return while the other's is still under way, and that side drops the
// first data as coming from no connection. UDT takes the loss of its first window for
// congestion, leaves slow start at the rate the receiver saw (a few packets a second) and needs
// seconds to climb back: the stream measured 16-25 MB/s where UDT does 130-150. So the
// receiver, once connected, sends one byte; the sender, once it has it, answers with one byte
// and starts; the receiver starts its clock on that answer. Both are then connected, as after a
// plain connect, where the listener is ready before the client's connect returns.
bool AwaitPeerReady(UDTSOCKET u, bool sender)
{
    char ready = 'r';
    char go = 'g';
    if (sender)
        return UDT::recv(u, &ready, 1, 0) == 1 && UDT::send(u, &go, 1, 0) == 1;
    return UDT::send(u, &ready, 1, 0) == 1 && UDT::recv(u, &go, 1, 0) == 1;
}

SResult SendStream(UDTSOCKET u, const SOptions& o, CWatchdog& watchdog)
{
    SResult r;
    std::vector<std::uint8_t> chunk(CHUNK);
    while (r.Bytes < o.Bytes) {
        const std::size_t n = std::size_t(std::min<std::uint64_t>(CHUNK, o.Bytes - r.Bytes));
        UdtPeer::FillPattern(o.Seed, r.Bytes, chunk.data(), n);
        for (std::size_t done = 0; done < n;) {
            const int sent = UDT::send(u, reinterpret_cast<const char*>(chunk.data()) + done, int(n - done), 0);
            if (sent == UDT::ERROR) {
                r.Failure = "send_error";
                return r;
            }
            done += std::size_t(sent);
            r.Bytes += std::uint64_t(sent);
            watchdog.Progress(r.Bytes);
        }
    }
    return r;
}

SResult ReceiveStream(UDTSOCKET u, const SOptions& o, CWatchdog& watchdog)
{
    SResult r;
    std::vector<std::uint8_t> chunk(CHUNK);
    while (r.Bytes < o.Bytes) {
        const int want = int(std::min<std::uint64_t>(CHUNK, o.Bytes - r.Bytes));
        const int got = UDT::recv(u, reinterpret_cast<char*>(chunk.data()), want, 0);
        if (got == UDT::ERROR || got == 0) {
            r.Failure = "closed_early";
            return r;
        }
        const std::uint64_t bad = UdtPeer::CheckPattern(o.Seed, r.Bytes, chunk.data(), std::size_t(got));
        if (bad != r.Bytes + std::uint64_t(got)) {
            r.Bytes = bad;
            r.Failure = "corrupt";
            return r;
        }
        r.Bytes += std::uint64_t(got);
        watchdog.Progress(r.Bytes);
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    SOptions o;
    std::string error;
    if (!ParseOptions(argc, argv, o, error)) {
        std::fprintf(stderr, "tarnix-udtpeer: %s\n", error.c_str());
        return 2;
    }
    sockaddr_in server = {};
    if (!Resolve(o.ServerHost, o.ServerPort, server))
        return Fail("bad_server", 0);

    CWatchdog watchdog(o.TimeoutMs);
    // Handed to UDT by bind2, which from then on owns and closes it.
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    local.sin_port = htons(o.LocalPort);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0)
        return Fail("bind", 0);

    sockaddr_in peer = {};
    const UdtPeer::SRendezvousRequest request{o.Id, o.Peer, o.Key};
    if (!UdtPeer::AskRendezvous(fd, server, request, o.TimeoutMs, peer, error))
        return Fail(error.c_str(), 0);

    UDT::startup();
    const UDTSOCKET u = UDT::socket(AF_INET, SOCK_STREAM, 0);
    if (!Configure(u, o.Window))
        return Fail("udt_options", 0);
    if (UDT::bind2(u, fd) == UDT::ERROR)
        return Fail("udt_bind", 0);
    if (UDT::connect(u, reinterpret_cast<sockaddr*>(&peer), sizeof(peer)) == UDT::ERROR) {
        std::fprintf(stderr, "tarnix-udtpeer: %s\n", UDT::getlasterror().getErrorMessage());
        return Fail("udt_connect", 0);
    }
    if (!AwaitPeerReady(u, o.Send))
        return Fail("not_ready", 0);

    const auto start = std::chrono::steady_clock::now();
    const SResult r = o.Send ? SendStream(u, o, watchdog) : ReceiveStream(u, o, watchdog);
    // UDT's own view, on stderr: a loss count or send period far from the usual tells a slow
    // stream's cause.
    UDT::TRACEINFO perf;
    if (UDT::perfmon(u, &perf) != UDT::ERROR)
        std::fprintf(stderr, "udt lost=%d retransmitted=%d period_us=%.2f rtt_ms=%.3f\n",
                     o.Send ? perf.pktSndLossTotal : perf.pktRcvLossTotal, perf.pktRetransTotal, perf.usPktSndPeriod,
                     perf.msRTT);
    // A sender's close lingers until the peer has every byte, so the sender's time covers it.
    UDT::close(u);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds();
    UDT::cleanup();
    if (r.Failure != nullptr)
        return Fail(r.Failure, r.Bytes);
    std::printf("ok bytes=%llu ms=%.0f mbps=%.3f cpu_s=%.3f\n", static_cast<unsigned long long>(r.Bytes), ms,
                ms > 0 ? double(r.Bytes) / 1e6 / (ms / 1000.0) : 0.0, cpu);
    return 0;
}
