#include "server/ServerOptions.h"

#include "infra/os/Poller.h"
#include "infra/os/Socket.h"

namespace TarnixServer {

namespace {

// Sockets in the poll set beside the connections: listener, wake-up pair end, and room for the
// rendezvous socket.
constexpr std::uint32_t RESERVED_POLL_ENTRIES = 4;

bool ParseNumber(const std::string& text, std::uint64_t maximum, std::uint64_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    std::uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (result > maximum)
        return false;
    value = result;
    return true;
}

bool ParseDottedQuad(const std::string& text, std::uint32_t& address)
{
    std::uint32_t result = 0;
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = text.find('.', start);
        const bool last = part == 3;
        if (last != (dot == std::string::npos))
            return false;
        const std::string piece = text.substr(start, last ? std::string::npos : dot - start);
        std::uint64_t value = 0;
        if (piece.size() > 3 || !ParseNumber(piece, 255, value))
            return false;
        result = (result << 8) | static_cast<std::uint32_t>(value);
        start = dot + 1;
    }
    address = result;
    return true;
}

} // namespace

Status ParseAddress(const std::string& text, std::uint32_t& address)
{
    if (ParseDottedQuad(text, address))
        return ST_SUCCESS;
    bool digitsAndDots = !text.empty();
    for (char c : text)
        digitsAndDots = digitsAndDots && ((c >= '0' && c <= '9') || c == '.');
    if (digitsAndDots)
        return ST_BAD_ADDRESS;
    std::uint32_t resolved = 0;
    if (STI_OS::LookupHost(text.c_str(), resolved) != ST_SUCCESS)
        return ST_BAD_ADDRESS;
    address = resolved;
    return ST_SUCCESS;
}

Status ParseServerOptions(const std::vector<std::string>& args, SServerOptions& options, std::string& error)
{
    const std::uint32_t maxConnections = STI_OS::POLL_SET_CAPACITY - RESERVED_POLL_ENTRIES;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h")
            return ST_NO_MORE_DATA;

        // Flags without a value.
        if (name == "--unkeyed") {
            options.Keyed = false;
            continue;
        }
        if (name == "--keyed") {
            options.Keyed = true;
            continue;
        }
        if (name == "--refuse-login") {
            options.RefuseLogin = true;
            continue;
        }
        if (name == "--silent-after-greeting") {
            options.SilentAfterGreeting = true;
            continue;
        }
        if (name == "--log-messages") {
            options.LogMessages = true;
            continue;
        }

        if (i + 1 >= args.size()) {
            error = "unknown switch or missing value: " + name;
            return ST_INVALID_PARAM;
        }
        const std::string& value = args[++i];
        std::uint64_t number = 0;
        auto bad = [&]() {
            error = "bad value for " + name + ": " + value;
            return ST_INVALID_PARAM;
        };
        if (name == "--address") {
            if (ParseAddress(value, options.ListenAddress) != ST_SUCCESS)
                return bad();
        } else if (name == "--port") {
            if (!ParseNumber(value, 65535, number))
                return bad();
            options.ListenPort = static_cast<std::uint16_t>(number);
        } else if (name == "--keep-alive") {
            if (!ParseNumber(value, 65535, number))
                return bad();
            options.KeepAliveInterval = static_cast<std::uint16_t>(number);
        } else if (name == "--retry-spread") {
            if (!ParseNumber(value, 65535, number))
                return bad();
            options.RetrySpread = static_cast<std::uint16_t>(number);
        } else if (name == "--notice-type") {
            if (!ParseNumber(value, 255, number))
                return bad();
            options.NoticeType = static_cast<std::uint8_t>(number);
        } else if (name == "--notice-flag") {
            if (!ParseNumber(value, 1, number))
                return bad();
            options.NoticeFlag = number != 0;
        } else if (name == "--outbox") {
            if (value.empty())
                return bad();
            options.OutboxFolder = value;
        } else if (name == "--report-log") {
            if (value.empty())
                return bad();
            options.ReportLogPath = value;
        } else if (name == "--max-connections") {
            if (!ParseNumber(value, maxConnections, number) || number == 0)
                return bad();
            options.MaxConnections = static_cast<std::uint32_t>(number);
        } else {
            error = "unknown switch: " + name;
            return ST_INVALID_PARAM;
        }
    }
    return ST_SUCCESS;
}

std::string ServerUsage()
{
    return "usage: tarnix-server [switches]\n"
           "  --address A             listen address (default 127.0.0.1)\n"
           "  --port N                TCP port (default 1864; 0 picks a free one)\n"
           "  --outbox DIR            folder for mails (default ./outbox)\n"
           "  --report-log FILE       transfer reports are appended here (default ./reports.log)\n"
           "  --keyed | --unkeyed     encode connections after log-in (default keyed)\n"
           "  --keep-alive S          keep-alive interval given to clients (default 60, 0 = none)\n"
           "  --retry-spread S        retry spread given to clients (default 15)\n"
           "  --notice-flag 0|1       greeting answer carries a notice (default 0)\n"
           "  --notice-type N         its type (1 newer version, 2 update offered, 3 stop connecting)\n"
           "  --refuse-login          refuse every log-in\n"
           "  --silent-after-greeting never answer a greeting\n"
           "  --log-messages          trace every decoded message on stderr\n"
           "  --max-connections N     simultaneous connections (default 1000, at most 1020)\n";
}

} // namespace TarnixServer
