#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "messaging/MsgBuffer.h"
#include "messaging/MsgHeader.h"

namespace TarnixServer {

class CClientConnection;

// The server's diagnostic lines, each stamped with the UTC time. With tracing on, every message
// in and out is written as its header fields and the first TRACE_BODY_BYTES of its body in
// hexadecimal (decoded: what the codec protects is shown in clear).
class CServerLog {
public:
    static constexpr std::uint32_t TRACE_BODY_BYTES = 256;

    CServerLog(std::ostream& out, bool traceMessages);

    void Info(const std::string& text);
    bool Tracing() const { return m_trace; }
    // direction: "in" or "out".
    void TraceMessage(const char* direction, const CClientConnection& connection, const CMsgHeader& header,
                      const CMsgBuffer& message);

    // "conn 3 (127.0.0.1:40000, address 5)" for the lines about one connection.
    static std::string Describe(const CClientConnection& connection);

private:
    std::ostream& m_out;
    const bool m_trace;
};

} // namespace TarnixServer
