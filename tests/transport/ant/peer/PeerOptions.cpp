#include "PeerOptions.h"

namespace {

bool ParseUnsigned(const std::string& text, std::uint64_t maximum, std::uint64_t& value)
{
    if (text.empty() || text.size() > 20)
        return false;
    std::uint64_t result = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        const std::uint64_t digit = static_cast<std::uint64_t>(c - '0');
        if (result > (maximum - digit) / 10)
            return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool ParseHex64(std::string text, std::uint64_t& value)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = text.substr(2);
    if (text.empty() || text.size() > 16)
        return false;
    std::uint64_t result = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return false;
        result = (result << 4) | static_cast<std::uint64_t>(digit);
    }
    value = result;
    return true;
}

} // namespace

bool ParsePeerOptions(const std::vector<std::string>& args, SPeerOptions& options, std::string& error)
{
    bool haveServer = false, haveId = false, havePeer = false, haveKey = false, haveAmount = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--advertise-local") {
            options.AdvertiseLocal = true;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "unknown switch or missing value: " + name;
            return false;
        }
        const std::string& value = args[++i];
        std::uint64_t number = 0;
        bool good = true;
        if (name == "--server") {
            const std::size_t colon = value.rfind(':');
            options.ServerHost = value.substr(0, colon);
            if (colon != std::string::npos) {
                good = ParseUnsigned(value.substr(colon + 1), 65535, number) && number != 0;
                options.ServerPort = static_cast<std::uint16_t>(number);
            }
            // The transport takes at most 63 characters of a host name.
            good = good && !options.ServerHost.empty() && options.ServerHost.size() <= 63;
            haveServer = true;
        } else if (name == "--id" || name == "--peer") {
            good = ParseUnsigned(value, 0xFFFFFFFFu, number);
            (name == "--id" ? options.OwnId : options.PeerId) = static_cast<std::uint32_t>(number);
            (name == "--id" ? haveId : havePeer) = true;
        } else if (name == "--key") {
            good = ParseHex64(value, options.Key);
            haveKey = true;
        } else if (name == "--send" || name == "--receive") {
            good = !haveAmount && ParseUnsigned(value, ~std::uint64_t(0), options.Bytes);
            options.Sending = name == "--send";
            haveAmount = true;
        } else if (name == "--local-port") {
            good = ParseUnsigned(value, 65535, number);
            options.LocalPort = static_cast<std::uint16_t>(number);
        } else if (name == "--seed") {
            good = ParseUnsigned(value, ~std::uint64_t(0), options.Seed);
        } else if (name == "--timeout-ms") {
            good = ParseUnsigned(value, 0xFFFFFFFFu, number) && number != 0;
            options.TimeoutMs = static_cast<std::uint32_t>(number);
        } else {
            error = "unknown switch: " + name;
            return false;
        }
        if (!good) {
            error = "bad value for " + name + ": " + value;
            return false;
        }
    }
    if (!haveServer || !haveId || !havePeer || !haveKey || !haveAmount) {
        error = "--server, --id, --peer, --key and one of --send or --receive are needed";
        return false;
    }
    return true;
}

std::string PeerUsage()
{
    return "usage: tarnix-antpeer --server HOST[:PORT] --id N --peer M --key HEX (--send BYTES | --receive BYTES)\n"
           "                      [--local-port P] [--advertise-local] [--seed S] [--timeout-ms T]\n"
           "  Connects to the peer through the rendezvous server (port 1864 unless given) over the Ant\n"
           "  transport. The sender writes BYTES of a pseudo-random stream made from the seed (default 1),\n"
           "  then waits for the receiver to end the connection, so that nothing is left in flight when it\n"
           "  closes. The receiver reads BYTES, checks every byte and closes. Both end after T ms at the\n"
           "  latest (default 600000).\n"
           "  stdout: one line, 'ok bytes=N ms=T mbps=X cpu_s=C calls=S/R/W' (ms from the completed connect\n"
           "  to the last byte; mbps in 10^6 bytes per second; process CPU seconds; the process's socket\n"
           "  sends, receives and readiness waits) or 'fail <reason> bytes=N'.\n"
           "  stderr: 'connected ms=T' once connected, then 'progress bytes=N' every second.\n"
           "  Exit code 0 only with ok.\n";
}
