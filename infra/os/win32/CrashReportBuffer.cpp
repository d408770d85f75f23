#include "infra/os/win32/CrashReportBuffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace STI_OS {
namespace crash {

void CCrashReportBuffer::Attach(HANDLE file)
{
    m_file = file;
    m_length = 0;
}

void CCrashReportBuffer::Append(const char* format, ...)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::size_t room = kCapacity - m_length;
        va_list args;
        va_start(args, format);
        const int written = std::vsnprintf(m_text + m_length, room, format, args);
        va_end(args);
        if (written < 0)
            return;
        if (static_cast<std::size_t>(written) < room) {
            m_length += static_cast<std::size_t>(written);
            FlushIfFull();
            return;
        }
        // Did not fit: make room and format again; the second time a cut piece is kept.
        if (attempt == 0 && m_length > 0) {
            Flush();
            continue;
        }
        m_length = kCapacity - 1;
        FlushIfFull();
        return;
    }
}

void CCrashReportBuffer::AppendText(const char* text)
{
    while (*text != '\0')
        AppendChar(*text++);
}

void CCrashReportBuffer::AppendChar(char c)
{
    if (m_length + 1 >= kCapacity)
        Flush();
    m_text[m_length++] = c;
    FlushIfFull();
}

void CCrashReportBuffer::FlushIfFull()
{
    if (m_length > kFlushThreshold)
        Flush();
}

void CCrashReportBuffer::Flush()
{
    if (m_length > 0 && m_file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ::WriteFile(m_file, m_text, static_cast<DWORD>(m_length), &written, nullptr);
    }
    m_length = 0;
}

} // namespace crash
} // namespace STI_OS
