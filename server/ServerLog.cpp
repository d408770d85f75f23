#include "server/ServerLog.h"

#include <algorithm>
#include <cstdio>

#include "infra/os/Clock.h"
#include "infra/os/Socket.h"
#include "server/ClientConnection.h"
#include "server/TimeText.h"

namespace TarnixServer {

CServerLog::CServerLog(std::ostream& out, bool traceMessages) : m_out(out), m_trace(traceMessages) {}

void CServerLog::Info(const std::string& text)
{
    m_out << FormatUtcTime(STI_OS::GetClock()) << ' ' << text << '\n';
    m_out.flush();
}

std::string CServerLog::Describe(const CClientConnection& connection)
{
    std::string text = "conn " + std::to_string(connection.Id()) + " (" +
                       STI_OS::AddressToString(connection.PeerAddress) + ":" + std::to_string(connection.PeerPort);
    if (connection.LoggedIn)
        text += ", address " + std::to_string(connection.Address);
    return text + ")";
}

void CServerLog::TraceMessage(const char* direction, const CClientConnection& connection, const CMsgHeader& header,
                              const CMsgBuffer& message)
{
    if (!m_trace)
        return;
    char fields[160];
    std::snprintf(fields, sizeof(fields), " %s cmd %u%s len %u seq %lu src %08lx dst %08lx client %lu body", direction,
                  static_cast<unsigned>(header.CommandCode()), header.CommandFlag() ? "+flag" : "",
                  static_cast<unsigned>(header.MessageLength), static_cast<unsigned long>(header.SeqNumber),
                  static_cast<unsigned long>(header.SourceAddr), static_cast<unsigned long>(header.DestinationAddr),
                  static_cast<unsigned long>(header.SourceClient));
    std::string line = Describe(connection) + fields;
    const std::uint32_t end = std::min<std::uint32_t>(std::min<std::uint32_t>(header.MessageLength, message.Used),
                                                      static_cast<std::uint32_t>(MSG_MAX_LENGTH));
    const std::uint32_t shown =
        std::min<std::uint32_t>(end > MSG_HEADER_SIZE ? end - MSG_HEADER_SIZE : 0, TRACE_BODY_BYTES);
    line += shown ? " " : " (none)";
    static const char hex[] = "0123456789abcdef";
    for (std::uint32_t i = 0; i < shown; ++i) {
        const std::uint8_t byte = message.Data[MSG_HEADER_SIZE + i];
        line += hex[byte >> 4];
        line += hex[byte & 0x0F];
    }
    if (end > MSG_HEADER_SIZE + shown)
        line += "...";
    Info(line);
}

} // namespace TarnixServer
