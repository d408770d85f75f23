#include "tools/relay/RelayConfig.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace TarnixRelay {

namespace {

using Setter = std::function<bool(SLinkSettings&, double)>;

struct SImpairment {
    const char* Name;
    const char* Arg;
    const char* Help;
    Setter Set;
};

bool Percent(double& field, double v)
{
    field = v;
    return v >= 0 && v <= 100;
}

bool Millis(std::int64_t& field, double v)
{
    field = static_cast<std::int64_t>(std::llround(v * 1000.0));
    return v >= 0 && v <= 3600.0 * 1000.0;
}

template <typename T>
bool Whole(T& field, double v, double max)
{
    field = static_cast<T>(v);
    return v >= 0 && v <= max && std::floor(v) == v;
}

const std::vector<SImpairment>& Impairments()
{
    static const std::vector<SImpairment> list = {
        {"loss", "PCT", "independent loss", [](SLinkSettings& s, double v) { return Percent(s.LossPercent, v); }},
        {"burst-start", "PCT", "chance per datagram that a loss burst begins",
         [](SLinkSettings& s, double v) { return Percent(s.BurstStartPercent, v); }},
        {"burst-len", "N", "mean burst length in datagrams (>= 1, default 1)",
         [](SLinkSettings& s, double v) {
             s.BurstLength = v;
             return v >= 1 && v <= 1e9;
         }},
        {"delay", "MS", "fixed delay", [](SLinkSettings& s, double v) { return Millis(s.Delay, v); }},
        {"jitter", "MS", "delay varies by +-MS (uniform); reorders datagrams",
         [](SLinkSettings& s, double v) { return Millis(s.Jitter, v); }},
        {"reorder", "PCT", "chance that a datagram is held back by the reorder gap",
         [](SLinkSettings& s, double v) { return Percent(s.ReorderPercent, v); }},
        {"reorder-gap", "MS", "how long a reordered datagram is held back (default 10)",
         [](SLinkSettings& s, double v) { return Millis(s.ReorderGap, v); }},
        {"duplicate", "PCT", "chance that a datagram is sent twice",
         [](SLinkSettings& s, double v) { return Percent(s.DuplicatePercent, v); }},
        {"corrupt", "PCT", "chance that one random bit of a datagram is flipped",
         [](SLinkSettings& s, double v) { return Percent(s.CorruptPercent, v); }},
        {"rate", "BYTES/S", "rate cap (token bucket; 0 = none)",
         [](SLinkSettings& s, double v) { return Whole(s.Rate, v, 1e12); }},
        {"rate-burst", "BYTES", "bucket depth (default: 10 ms of the rate, at least 1500)",
         [](SLinkSettings& s, double v) { return Whole(s.RateBurst, v, 1e9); }},
        {"queue", "BYTES", "queue limit before the rate cap, tail drop (default 65536)",
         [](SLinkSettings& s, double v) { return Whole(s.QueueLimit, v, 1e9); }},
    };
    return list;
}

bool ParseNumber(const std::string& text, double& out)
{
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && errno == 0 && std::isfinite(out);
}

bool LoopbackEndpoint(const std::string& name, const std::string& value, bool allowNoPort, SEndpoint& out,
                      std::string& error)
{
    if (!ParseEndpoint(value, allowNoPort, out, error)) {
        error = "--" + name + ": " + error;
        return false;
    }
    if (!out.IsLoopback()) {
        error = "--" + name + ": " + out.ToString() + " is not a loopback (127.x) address";
        return false;
    }
    return true;
}

} // namespace

std::string UsageText()
{
    std::string text = "usage: tarnix-relay --listen 127.0.0.N:PORT --server 127.0.0.1:PORT [options]\n"
                       "Stands as a copy's NAT between it and the server: TCP to the listen address is forwarded\n"
                       "untouched, every UDP datagram of the copy passes through the impairments below.\n"
                       "Several copies may share one relay; what one sends to another's outside address\n"
                       "passes the sender's up link and the receiver's down link.\n"
                       "  --listen ADDR:PORT      inside address, TCP and UDP (port 0: a free one, printed)\n"
                       "  --server ADDR:PORT      the real server (TCP, and UDP unless --server-udp)\n"
                       "  --server-udp ADDR:PORT  the real server's UDP port\n"
                       "  --outside ADDR[:PORT]   address of the outside sockets (default 127.0.0.1; PORT,\n"
                       "                          if given, goes to the first mapping)\n"
                       "  --seed N                seed of the impairments (default 1)\n"
                       "Impairments, for both directions; --up-NAME (copy to outside) or --down-NAME (outside to\n"
                       "copy) sets one direction and wins over --NAME:\n";
    for (const SImpairment& i : Impairments()) {
        std::string left = std::string("  --") + i.Name + " " + i.Arg;
        left.resize(std::max<std::size_t>(left.size() + 1, 26), ' ');
        text += left + i.Help + "\n";
    }
    text += "Prints one line of counts on SIGINT/SIGTERM (then exits) and on SIGUSR1.\n";
    return text;
}

ParseResult ParseCommandLine(const std::vector<std::string>& args, SRelayConfig& config, std::string& error)
{
    SRelayConfig result;
    bool haveListen = false, haveServer = false, haveServerUdp = false;
    // The switches of one direction are applied after those of both, so they win in any order.
    std::vector<std::pair<int, std::function<bool()>>> impairments;

    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "--help" || name == "-h")
            return PARSE_HELP;
        if (name.compare(0, 2, "--") != 0) {
            error = "unexpected argument '" + name + "'";
            return PARSE_ERROR;
        }
        name = name.substr(2);
        std::string value;
        const std::size_t eq = name.find('=');
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = "--" + name + " needs a value";
            return PARSE_ERROR;
        }

        if (name == "listen") {
            if (!LoopbackEndpoint(name, value, false, result.Listen, error))
                return PARSE_ERROR;
            haveListen = true;
        } else if (name == "server") {
            if (!LoopbackEndpoint(name, value, false, result.Server, error))
                return PARSE_ERROR;
            haveServer = true;
        } else if (name == "server-udp") {
            if (!LoopbackEndpoint(name, value, false, result.ServerUdp, error))
                return PARSE_ERROR;
            haveServerUdp = true;
        } else if (name == "outside") {
            if (!LoopbackEndpoint(name, value, true, result.Outside, error))
                return PARSE_ERROR;
        } else if (name == "seed") {
            char* end = nullptr;
            errno = 0;
            result.Seed = std::strtoull(value.c_str(), &end, 0);
            if (value.empty() || *end != '\0' || errno != 0 || value[0] == '-') {
                error = "--seed: '" + value + "' is not a number";
                return PARSE_ERROR;
            }
        } else {
            int direction = 0; // 0 both, 1 up, 2 down
            std::string base = name;
            if (base.compare(0, 3, "up-") == 0) {
                direction = 1;
                base = base.substr(3);
            } else if (base.compare(0, 5, "down-") == 0) {
                direction = 2;
                base = base.substr(5);
            }
            const SImpairment* found = nullptr;
            for (const SImpairment& imp : Impairments())
                if (base == imp.Name)
                    found = &imp;
            if (found == nullptr) {
                error = "unknown switch --" + name;
                return PARSE_ERROR;
            }
            double number = 0;
            if (!ParseNumber(value, number)) {
                error = "--" + name + ": '" + value + "' is not a number";
                return PARSE_ERROR;
            }
            const std::string shown = name;
            impairments.emplace_back(direction, [&result, &error, found, direction, number, shown] {
                bool ok = true;
                if (direction != 2)
                    ok = found->Set(result.Up, number) && ok;
                if (direction != 1)
                    ok = found->Set(result.Down, number) && ok;
                if (!ok)
                    error = "--" + shown + ": value out of range";
                return ok;
            });
        }
    }
    for (int pass = 0; pass < 3; ++pass)
        for (auto& entry : impairments)
            if (entry.first == pass && !entry.second())
                return PARSE_ERROR;

    if (!haveListen || !haveServer) {
        error = "--listen and --server are required";
        return PARSE_ERROR;
    }
    if (!haveServerUdp)
        result.ServerUdp = result.Server;
    if (result.Outside.Address == 0)
        result.Outside.Address = 0x7F000001;
    config = result;
    return PARSE_OK;
}

} // namespace TarnixRelay
