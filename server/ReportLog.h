#pragma once

#include <cstdint>
#include <string>

#include "infra/Status.h"
#include "server/ClientId.h"

namespace TarnixServer {

// The file the clients' transfer reports are appended to, one line each:
//   <UTC time> <messaging address> <user id> <report>
// e.g. "2024-05-06T12:34:56Z 7 0f1e2d3c-4b5a-6978-8796a5b4c3d2e1f0 UL{<TAB>}{...}".
// The report keeps its TABs; other control bytes and backslashes are written as \xNN so that a
// report can never start a line of its own. The file is opened for each line, so it may be
// moved away while the server runs.
class CReportLog {
public:
    explicit CReportLog(std::string path);

    // ST_IO_ERROR when the file cannot be written.
    Status Append(std::uint64_t now, std::uint32_t address, const ClientId& user, const std::string& report);

    const std::string& Path() const { return m_path; }

    // The report as it appears in the line.
    static std::string Escape(const std::string& report);

private:
    std::string m_path;
};

} // namespace TarnixServer
