#pragma once

#include <string>

namespace KV2Protocol {

// Host name of the messaging server (and of its rendezvous service, on the same port).
// The environment variable TARNIX_SERVER_HOST names it; without it the server is on this machine
// (DEFAULT_SERVER_HOST). Read at each call, so a test can point a client at its own server.
std::string ServerHost();

} // namespace KV2Protocol
