#include "transport/ant/AntTrace.h"

#include "transport/ant/AntClock.h"

#include <cstdlib>
#include <string>

namespace {

const char* TracePrefix()
{
    static const char* const prefix = std::getenv("TARNIX_ANT_TRACE");
    return prefix != nullptr && *prefix != '\0' ? prefix : nullptr;
}

} // namespace

CAntTrace::~CAntTrace()
{
    if (m_file != nullptr)
        std::fclose(m_file);
}

void CAntTrace::Open(std::uint16_t sessionId)
{
    const char* prefix = TracePrefix();
    if (prefix == nullptr || m_file != nullptr)
        return;
    const std::string name =
        std::string(prefix) + "." + std::to_string(AntNowMicroseconds()) + "." + std::to_string(unsigned(sessionId));
    m_file = std::fopen(name.c_str(), "w");
}

void CAntTrace::Write(const char* event, std::uint32_t a, std::uint32_t b, const SAntTraceState& state)
{
    if (m_file == nullptr)
        return;
    std::fprintf(m_file, "%llu %s %lu %lu %lu %lu %lu %lu %lu %lu %lu\n",
                 static_cast<unsigned long long>(AntNowMicroseconds()), event, static_cast<unsigned long>(a),
                 static_cast<unsigned long>(b), static_cast<unsigned long>(state.Cwnd),
                 static_cast<unsigned long>(state.InFlight), static_cast<unsigned long>(state.Queued),
                 static_cast<unsigned long>(state.Marked), static_cast<unsigned long>(state.Base),
                 static_cast<unsigned long>(state.Srtt), static_cast<unsigned long>(state.SmallestRtt));
}
