#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "infra/Status.h"
#include "messaging/Protocol.h"

namespace TarnixServer {

// Everything the stand-in server can be told at start. The defaults make a server that a copy of
// the program on this machine finds without configuration.
struct SServerOptions {
    std::uint32_t ListenAddress = 0x7F000001;            // host order
    std::uint16_t ListenPort = KV2Protocol::SERVER_PORT; // 0: any free port (printed at start)

    bool Keyed = true;                    // log-in replies carry key material; both directions encoded
    std::uint16_t KeepAliveInterval = 60; // seconds, handed to the client in the log-in reply; 0 = none
    std::uint16_t RetrySpread = 15;       // seconds, in the greeting answer
    bool NoticeFlag = false;              // greeting answer carries a notice
    std::uint8_t NoticeType = KV2Protocol::NOTICE_NONE;
    bool RefuseLogin = false;         // every log-in is answered as refused
    bool SilentAfterGreeting = false; // greetings are never answered
    bool LogMessages = false;         // every decoded message is traced on stderr

    std::string OutboxFolder = "outbox";
    std::string ReportLogPath = "reports.log";

    // Limits. The connection limit stays below what one poll set holds (listener and wake-up
    // sockets take two entries, the rendezvous socket one more).
    std::uint32_t MaxConnections = 1000;
    std::uint32_t MaxQueuedBytes = 256 * 1024; // per connection; a client that lets more pile up is closed
    std::uint32_t LoginDeadlineSeconds = 60;   // to log in after connecting
    std::uint32_t IdleKeepAliveIntervals = 4;  // silent logged-in connections are closed after this many
};

// Reads the switches (argv[1..]); unknown switches and bad values give ST_INVALID_PARAM with a
// message for the user. "--help" gives ST_NO_MORE_DATA: print ServerUsage() and stop.
Status ParseServerOptions(const std::vector<std::string>& args, SServerOptions& options, std::string& error);

std::string ServerUsage();

// "a.b.c.d" or a host name; ST_BAD_ADDRESS when neither.
Status ParseAddress(const std::string& text, std::uint32_t& address);

} // namespace TarnixServer
