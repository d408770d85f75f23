#include "server/ReportLog.h"

#include <cstdio>
#include <fstream>
#include <utility>

#include "infra/Uid.h"
#include "server/TimeText.h"

namespace TarnixServer {

CReportLog::CReportLog(std::string path) : m_path(std::move(path)) {}

std::string CReportLog::Escape(const std::string& report)
{
    std::string text;
    text.reserve(report.size());
    for (char c : report) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte == '\t' || (byte >= 0x20 && byte != 0x7F && byte != '\\')) {
            text += c;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "\\x%02X", byte);
        text += escaped;
    }
    return text;
}

Status CReportLog::Append(std::uint64_t now, std::uint32_t address, const ClientId& user, const std::string& report)
{
    std::string line = FormatUtcTime(now);
    line += ' ';
    line += std::to_string(address);
    line += ' ';
    line += FormatUid(user.data());
    line += ' ';
    line += Escape(report);
    line += '\n';
    std::ofstream out(m_path, std::ios::binary | std::ios::app);
    if (!out)
        return ST_IO_ERROR;
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.flush();
    return out ? ST_SUCCESS : ST_IO_ERROR;
}

} // namespace TarnixServer
