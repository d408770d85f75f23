#include "support/AntSessionHarness.h"

#include "infra/os/Clock.h"
#include "infra/os/Socket.h"
#include "transport/AntNetworkHandler.h"
#include "transport/AntSession.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>

TEST(AntThroughputProbe, Trace)
{
    CAntLinkedPair pair;
    STI_OS::SocketHandle a = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle b = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_TRUE(pair.Connect(a, b));
    ASSERT_TRUE(RunUntil([&] { pair.Pump(); return STI_OS::GetSocketError(a) == ST_SUCCESS; }, 1000));
    CAntSession* sa = nullptr;
    for (std::uint16_t id = 1; id < 1000 && !sa; ++id) sa = pair.A.FindById(id);
    ASSERT_NE(sa, nullptr);
    std::string data(1000000, 'x');
    std::size_t written = 0;
    std::string got;
    const std::uint64_t start = STI_OS::GetClock();
    std::uint64_t last = start;
    std::uint64_t pumps = 0, datagrams = 0;
    RunUntil([&] {
            if (written < data.size()) {
                std::uint32_t count = 0;
                if (STI_OS::Send(a, data.data() + written, std::uint32_t(data.size() - written), count) == ST_SUCCESS)
                    written += count;
            }
            datagrams += pair.PortA.Outbox.size();
            pair.Pump();
            ++pumps;
            char buffer[65536];
            std::uint32_t count = 0;
            while (STI_OS::Recv(b, buffer, sizeof buffer, count) == ST_SUCCESS && count > 0)
                got.append(buffer, count);
            const std::uint64_t now = STI_OS::GetClock();
            if (now - last >= 100) {
                last = now;
                const CAntSendWindow& w = sa->Network->GetSendWindow();
                std::printf("t=%llu got=%zu written=%zu cwnd=%u inflight=%u queued=%u interval=%u pumps=%llu dgA=%llu\n",
                            (unsigned long long)(now - start), got.size(), written, w.GetCwnd(),
                            w.GetPacketsInFlight(), w.GetQueued(), sa->Network->GetStrategy()->GetInterval(),
                            (unsigned long long)pumps, (unsigned long long)datagrams);
            }
            return got.size() >= data.size();
        }, 30000);
    std::printf("total %zu in %llu ms\n", got.size(), (unsigned long long)(STI_OS::GetClock() - start));
    STI_OS::CloseSocket(a);
    STI_OS::CloseSocket(b);
}
