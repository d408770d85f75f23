#include "tools/relay/Relay.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace {

TarnixRelay::CRelay* g_relay = nullptr;

void OnSignal(int signal)
{
    if (g_relay == nullptr)
        return;
    if (signal == SIGUSR1)
        g_relay->RequestStats();
    else
        g_relay->RequestFinalStats();
}

} // namespace

int main(int argc, char** argv)
{
    using namespace TarnixRelay;
    const std::vector<std::string> args(argv, argv + argc);
    SRelayConfig config;
    std::string error;
    switch (ParseCommandLine(args, config, error)) {
    case PARSE_HELP:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case PARSE_ERROR:
        std::fprintf(stderr, "tarnix-relay: %s (see --help)\n", error.c_str());
        return 2;
    case PARSE_OK:
        break;
    }

    CRelay relay(config);
    if (!relay.Open(error)) {
        std::fprintf(stderr, "tarnix-relay: %s\n", error.c_str());
        return 1;
    }
    g_relay = &relay;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGUSR1, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::printf("relay: listening on %s (tcp+udp), server %s tcp %s udp, outside %s, seed %llu\n",
                relay.InsideAddress().ToString().c_str(), config.Server.ToString().c_str(),
                config.ServerUdp.ToString().c_str(), config.Outside.ToString().c_str(),
                static_cast<unsigned long long>(config.Seed));
    std::fflush(stdout);
    relay.Run();
    g_relay = nullptr;
    return 0;
}
