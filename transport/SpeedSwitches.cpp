#include "transport/SpeedSwitches.h"

#include <cstdlib>
#include <cstring>

namespace {

bool Names(const char* list, const char* name)
{
    const std::size_t length = std::strlen(name);
    for (const char* at = list; *at != '\0';) {
        const char* end = std::strchr(at, ',');
        const std::size_t size = end != nullptr ? static_cast<std::size_t>(end - at) : std::strlen(at);
        if ((size == length && std::strncmp(at, name, length) == 0) || (size == 3 && std::strncmp(at, "all", 3) == 0)) {
            return true;
        }
        if (end == nullptr) {
            break;
        }
        at = end + 1;
    }
    return false;
}

} // namespace

SSpeedSwitches ParseSpeedSwitches(const char* off)
{
    SSpeedSwitches switches;
    if (off != nullptr) {
        switches.SkipVainCompression = !Names(off, "raw");
        switches.CompressionPool = !Names(off, "pool");
        switches.TimelyTimers = !Names(off, "timers");
        switches.PatientRetransmission = !Names(off, "rto");
        switches.Pacing = !Names(off, "pacing");
        switches.PaceHeadroom = !Names(off, "headroom");
        switches.LossEvents = !Names(off, "lossevent");
        switches.FillOnAck = !Names(off, "ackclock");
    }
    return switches;
}

const SSpeedSwitches& SpeedSwitches()
{
    static const SSpeedSwitches switches = ParseSpeedSwitches(std::getenv("TARNIX_SPEED_OFF"));
    return switches;
}
