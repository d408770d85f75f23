#pragma once
#include <windows.h>
#include <cstddef>

namespace STI_OS {
namespace crash {

// The report text on its way to the file. The process is dying when it is used, so it never
// allocates: lines are formatted into a fixed buffer that is written out whenever more than
// kFlushThreshold bytes are pending. The file handle is not owned.
class CCrashReportBuffer {
public:
    static constexpr std::size_t kFlushThreshold = 7168;
    static constexpr std::size_t kCapacity = 16384;

    CCrashReportBuffer() = default;
    CCrashReportBuffer(const CCrashReportBuffer&) = delete;
    CCrashReportBuffer& operator=(const CCrashReportBuffer&) = delete;

    // Starts writing into file; anything pending for an earlier file is dropped.
    void Attach(HANDLE file);
    // Appends one formatted piece; a piece longer than the whole buffer is cut.
    void Append(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void AppendText(const char* text);
    void AppendChar(char c);
    // Writes what is pending. Write errors are ignored: there is nobody left to tell.
    void Flush();

private:
    void FlushIfFull();

    HANDLE m_file = INVALID_HANDLE_VALUE;
    std::size_t m_length = 0;
    char m_text[kCapacity];
};

} // namespace crash
} // namespace STI_OS
