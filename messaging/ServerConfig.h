#pragma once

#include <cstdint>
#include <string>

namespace KV2Protocol {

// Host name of the messaging server (and of its rendezvous service, on the same port).
// The environment variable TARNIX_SERVER_HOST names it; without it the server is on this machine
// (DEFAULT_SERVER_HOST). Read at each call, so a test can point a client at its own server.
std::string ServerHost();

// Port of the messaging server and its rendezvous service: the environment variable
// TARNIX_SERVER_PORT (a number 1..65535), else SERVER_PORT. Read at each call.
std::uint16_t ServerPort();

} // namespace KV2Protocol
