// tarnix-floodprobe: measures the stand-in server under floods, for the record, not for ctest.
// It starts the server program on a free port, logs in a well-behaved client that asks for a
// keep-alive answer every 20 ms, a target that reads but never answers, a flooder, and a pair
// that sets a session up while the flood runs; then floods and prints, per flood, the server's
// resident memory before and after and how long the keep-alive answers took.
//
//   tarnix-floodprobe SERVER_PROGRAM [REQUESTS [DATAGRAMS]]    (defaults 400000 and 400000)
//
// Floods: REQUESTS connect requests (command 4) with fresh session handles to the target, twice;
// then REQUESTS requests from the flooder spread over the other clients; then DATAGRAMS
// rendezvous connect requests with fresh keys from 127.0.0.2, after which a pair from 127.0.0.1
// must still meet. Linux only (/proc, posix_spawn).

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "infra/os/Clock.h"
#include "infra/os/Socket.h"
#include "messaging/Protocol.h"
#include "support/TestClient.h"
#include "support/TestUser.h"
#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntHeader.h"
#include "transport/ant/wire/AntPacketStream.h"

extern char** environ;

namespace {

constexpr std::uint32_t LOOPBACK = 0x7F000001;

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Keep-alive round trips of the well-behaved client, in milliseconds.
class CProbe {
public:
    CProbe(std::uint16_t port) : m_user(m_client, port) {}
    bool Join() { return m_user.Join(IdOf(0x01)) != 0; }

    void Start()
    {
        m_stop = false;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_samples.clear();
            m_failures = 0;
        }
        m_thread = std::thread([this] {
            while (!m_stop) {
                const auto begin = std::chrono::steady_clock::now();
                std::uint32_t value = 0;
                const Status status = m_user.KeepAlive(value);
                const double ms =
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
                {
                    std::lock_guard<std::mutex> guard(m_lock);
                    if (status == ST_SUCCESS)
                        m_samples.push_back(ms);
                    else
                        ++m_failures;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
    }

    std::string Stop()
    {
        m_stop = true;
        m_thread.join();
        std::lock_guard<std::mutex> guard(m_lock);
        std::vector<double> s = m_samples;
        std::sort(s.begin(), s.end());
        char text[200];
        if (s.empty())
            std::snprintf(text, sizeof text, "keep-alive: no answer (%d failures)", m_failures);
        else
            std::snprintf(text, sizeof text,
                          "keep-alive: %zu answers, median %.2f ms, p99 %.2f ms, max %.2f ms, %d failures", s.size(),
                          s[s.size() / 2], s[s.size() * 99 / 100], s.back(), m_failures);
        return text;
    }

private:
    CRawTestClient m_client;
    CTestUser m_user;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<double> m_samples;
    int m_failures = 0;
};

std::vector<std::uint8_t> RendezvousRequest(std::uint64_t key, std::uint32_t own, std::uint32_t peer)
{
    SAntPacket packet{};
    CAntPacketWriter writer(packet);
    (void)WriteAntHeader(writer, SAntHeader::Control(AntConnectRequest, 0, 0)); // fits any packet
    SAntConnectRequestBody body;
    body.OwnId = own;
    body.PeerId = peer;
    body.Key = key;
    (void)WriteAntBody(writer, body); // a request without addresses fits any packet
    return std::vector<std::uint8_t>(packet.Data, packet.Data + packet.Length);
}

// True when a relay arrives within the time.
bool AwaitDatagram(STI_OS::SocketHandle socket, std::uint32_t milliseconds)
{
    const std::uint64_t deadline = STI_OS::GetClock() + milliseconds;
    std::uint8_t buffer[2048];
    while (STI_OS::GetClock() < deadline) {
        std::uint32_t count = 0, address = 0;
        std::uint16_t port = 0;
        if (STI_OS::RecvFrom(socket, buffer, sizeof buffer, count, address, port) == ST_SUCCESS)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

STI_OS::SocketHandle UdpSocket(std::uint32_t address)
{
    STI_OS::SocketHandle socket = STI_OS::INVALID_SOCKET_HANDLE;
    // Best effort: a socket that fails here sends nothing or from elsewhere, which the report shows.
    (void)STI_OS::CreateUDPSocket(socket);
    (void)STI_OS::Bind(socket, address, 0);
    (void)STI_OS::SetNonBlocking(socket, true);
    return socket;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: tarnix-floodprobe SERVER_PROGRAM [REQUESTS [DATAGRAMS]]\n");
        return 2;
    }
    const std::uint32_t requests = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 400000;
    const std::uint32_t datagrams = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 400000;

    char folder[] = "/tmp/tarnix-floodprobe.XXXXXX";
    if (!mkdtemp(folder))
        return 1;
    const std::string outbox = std::string(folder) + "/outbox", reports = std::string(folder) + "/reports.log";
    const std::string out = std::string(folder) + "/server.out";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {argv[1], "--port", "0", "--outbox", outbox, "--report-log", reports};
    std::vector<char*> argp;
    for (std::string& a : args)
        argp.push_back(&a[0]);
    argp.push_back(nullptr);
    pid_t server = 0;
    if (posix_spawn(&server, argv[1], &actions, nullptr, argp.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[1]);
        return 1;
    }
    unsigned port = 0;
    for (int i = 0; i < 100 && port == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::ifstream in(out);
        std::string line;
        while (std::getline(in, line))
            std::sscanf(line.c_str(), "listening on %*[0-9.]:%u", &port);
    }
    int result = 1;
    do {
        if (port == 0) {
            std::fprintf(stderr, "server did not start\n");
            break;
        }
        CProbe probe(static_cast<std::uint16_t>(port));
        CRawTestClient targetClient, flooderClient, upClient, downClient;
        CTestUser target(targetClient, port), flooder(flooderClient, port), up(upClient, port), down(downClient, port);
        const std::uint32_t targetAddress = target.Join(IdOf(0x02));
        const std::uint32_t upAddress = up.Join(IdOf(0x04));
        const std::uint32_t downAddress = down.Join(IdOf(0x05));
        if (!probe.Join() || targetAddress == 0 || flooder.Join(IdOf(0x03)) == 0 || upAddress == 0 ||
            downAddress == 0) {
            std::fprintf(stderr, "log-in failed\n");
            break;
        }
        // The target reads everything that comes and answers nothing.
        std::atomic<bool> stopTarget{false};
        std::atomic<bool> targetClosed{false};
        std::atomic<std::uint32_t> reached{0};
        std::thread reader([&] {
            CTestUser::SConnectRequest request;
            while (!stopTarget && !targetClosed) {
                const Status status = target.WaitConnectRequest(request, 100);
                if (status == ST_SUCCESS)
                    ++reached;
                else if (status != ST_TIMEOUT)
                    targetClosed = true;
            }
        });
        std::printf("server pid %d, port %u; RSS at start %ld KiB\n", int(server), port, ResidentKiB(server));

        std::uint32_t session = 1;
        auto flood = [&](const char* name, auto addressee) {
            const long before = ResidentKiB(server);
            const std::uint32_t reachedBefore = reached;
            probe.Start();
            const auto begin = std::chrono::steady_clock::now();
            double pairMs = -1;
            for (std::uint32_t i = 0; i < requests; ++i) {
                if (flooder.SendConnectRequest(addressee(i), session++) != ST_SUCCESS) {
                    std::printf("  flooder lost its connection after %u\n", i);
                    break;
                }
                if (i == requests / 2) {
                    const auto pairBegin = std::chrono::steady_clock::now();
                    CTestUser::SConnectRequest request;
                    CTestUser::SSessionSetup setup;
                    const std::uint32_t handle = 900000000 + session;
                    bool asked = down.SendConnectRequest(upAddress, handle) == ST_SUCCESS;
                    // The flood may reach the uploader too; it answers only the pair's request.
                    while (asked && (request.Session != handle || request.RequesterAddress != downAddress))
                        asked = up.WaitConnectRequest(request, 10000) == ST_SUCCESS;
                    if (asked &&
                        up.SendConnectAnswer(request.RequesterAddress, handle, KV2Protocol::CONNECT_ACCEPT) ==
                            ST_SUCCESS &&
                        down.WaitSessionSetup(setup, 10000) == ST_SUCCESS)
                        pairMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - pairBegin)
                                     .count();
                }
            }
            std::uint32_t value = 0;
            // Answered, the server has read the whole flood; unanswered, the target's state below says why.
            (void)flooder.KeepAlive(value);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            const std::string latency = probe.Stop();
            std::printf("%s: %u requests in %.1f s; RSS %ld -> %ld KiB; target got %u and is %s; "
                        "a pair set up in the middle took %.1f ms\n  %s\n",
                        name, requests, seconds, before, ResidentKiB(server), reached - reachedBefore,
                        targetClosed ? "CLOSED" : "still connected", pairMs, latency.c_str());
        };
        flood("flood 1, fresh handles to one target", [&](std::uint32_t) { return targetAddress; });
        flood("flood 2, the same again", [&](std::uint32_t) { return targetAddress; });
        const std::uint32_t others[] = {targetAddress, upAddress, targetAddress + 1, upAddress + 1};
        flood("flood 3, spread over the other clients", [&](std::uint32_t i) { return others[i % 4]; });

        // Rendezvous: fresh keys from one address, then a pair from another.
        {
            const long before = ResidentKiB(server);
            probe.Start();
            STI_OS::SocketHandle flooderSocket = UdpSocket(LOOPBACK + 1);
            const auto begin = std::chrono::steady_clock::now();
            std::uint32_t sent = 0;
            for (std::uint64_t key = 1; key <= datagrams; ++key) {
                const std::vector<std::uint8_t> bytes = RendezvousRequest(key, 7, 8);
                if (STI_OS::SendTo(flooderSocket, bytes.data(), static_cast<std::uint32_t>(bytes.size()), LOOPBACK,
                                   static_cast<std::uint16_t>(port)) == ST_SUCCESS)
                    ++sent;
            }
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            STI_OS::SocketHandle a = UdpSocket(LOOPBACK), b = UdpSocket(LOOPBACK);
            const auto pairBegin = std::chrono::steady_clock::now();
            bool paired = false;
            for (int attempt = 0; attempt < 10 && !paired; ++attempt) {
                const std::vector<std::uint8_t> ra = RendezvousRequest(0xABCDEF, 10, 20);
                const std::vector<std::uint8_t> rb = RendezvousRequest(0xABCDEF, 20, 10);
                // A request lost here is sent again by the next attempt.
                (void)STI_OS::SendTo(a, ra.data(), static_cast<std::uint32_t>(ra.size()), LOOPBACK,
                                     static_cast<std::uint16_t>(port));
                (void)STI_OS::SendTo(b, rb.data(), static_cast<std::uint32_t>(rb.size()), LOOPBACK,
                                     static_cast<std::uint16_t>(port));
                paired = AwaitDatagram(b, 500) && AwaitDatagram(a, 500);
            }
            const double pairMs =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - pairBegin).count();
            std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the socket's backlog is read
            const std::string latency = probe.Stop();
            std::printf("flood 4, rendezvous keys from one address: %u datagrams sent in %.1f s; RSS %ld -> %ld KiB; "
                        "a pair from another address %s in %.1f ms\n  %s\n",
                        sent, seconds, before, ResidentKiB(server), paired ? "met" : "DID NOT MEET", pairMs,
                        latency.c_str());
            // Teardown: nothing to check.
            (void)STI_OS::CloseSocket(flooderSocket);
            (void)STI_OS::CloseSocket(a);
            (void)STI_OS::CloseSocket(b);
        }
        stopTarget = true;
        reader.join();
        result = 0;
    } while (false);
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    std::system(("rm -rf " + std::string(folder)).c_str());
    return result;
}
