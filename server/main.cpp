// tarnix-server: the stand-in messaging server. "tarnix-server --help" lists the switches.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "infra/Initialize.h"
#include "infra/os/Socket.h"
#include "server/Server.h"
#include "server/ServerOptions.h"

namespace {

volatile std::sig_atomic_t s_stopRequested = 0;

void OnStopSignal(int)
{
    s_stopRequested = 1;
}

} // namespace

int main(int argc, char** argv)
{
    sti::Initialize();
    std::vector<std::string> args(argv + 1, argv + argc);
    TarnixServer::SServerOptions options;
    std::string error;
    const Status parsed = TarnixServer::ParseServerOptions(args, options, error);
    if (parsed == ST_NO_MORE_DATA) {
        std::cout << TarnixServer::ServerUsage();
        return 0;
    }
    if (parsed != ST_SUCCESS) {
        std::cerr << "tarnix-server: " << error << "\n" << TarnixServer::ServerUsage();
        return 2;
    }

    TarnixServer::CServer server(options, std::cerr);
    if (server.Open() != ST_SUCCESS)
        return 1;
    // The one line on stdout: whoever started the server with port 0 learns the port from it.
    std::cout << "listening on " << STI_OS::AddressToString(server.ListenAddress()) << ":" << server.ListenPort()
              << std::endl;

    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    // A failed wait slept its time; the next turn tries again.
    while (!s_stopRequested)
        (void)server.RunTurn(250);
    return 0;
}
