#pragma once

#include "tools/relay/Endpoint.h"
#include "tools/relay/LinkSettings.h"

#include <cstdint>
#include <string>
#include <vector>

namespace TarnixRelay {

// Everything the command line sets. "Up" is from the inside copy outwards, "down" towards it.
struct SRelayConfig {
    SEndpoint Listen;    // inside address, TCP and UDP (port 0: one free port for both)
    SEndpoint Server;    // the real server's TCP port
    SEndpoint ServerUdp; // its UDP port (defaults to Server)
    SEndpoint Outside;   // address of the relay's outside sockets; a port is used for the first mapping
    std::uint64_t Seed = 1;
    SLinkSettings Up;
    SLinkSettings Down;
};

enum ParseResult {
    PARSE_OK,
    PARSE_HELP,
    PARSE_ERROR
};

// Reads the switches (argv[0] skipped). An impairment switch --NAME sets both directions,
// --up-NAME or --down-NAME one of them, whatever their order. Every address must be a loopback
// one: the relay never sends anywhere else.
ParseResult ParseCommandLine(const std::vector<std::string>& args, SRelayConfig& config, std::string& error);

std::string UsageText();

} // namespace TarnixRelay
