#pragma once
// CFile: one Win32 file handle, with 64-bit positions and lengths.
//
// The object owns its handle and closes it on destruction; it cannot be copied. Handles are
// never inherited by child processes. Failures of
// Read, Write, Seek and the other operations on an open file throw CFileException; Open reports
// failure by its result (and fills the exception object when given one).

#include <cstdint>

#include "framework/FileException.h"
#include "framework/String.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        // What other openers may do while this one holds the file.
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000, // create when absent; truncate unless modeNoTruncate
        modeNoTruncate = 0x2000,
    };
    enum SeekPosition {
        begin = 0,
        current = 1,
        end = 2
    };

    CFile() = default;
    // Opens the file or throws CFileException.
    CFile(const char* fileName, UINT openFlags);
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool Open(const char* fileName, UINT openFlags, CFileException* error = nullptr);
    void Close(); // throws when closing fails; the handle is given up either way
    void Abort(); // closes without ever throwing
    bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE GetHandle() const { return m_handle; }

    UINT Read(void* buffer, UINT count);        // bytes read; 0 at the end of the file
    void Write(const void* buffer, UINT count); // all or a CFileException (diskFull on a short write)
    std::uint64_t Seek(std::int64_t offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    std::uint64_t SeekToEnd() { return Seek(0, end); }
    std::uint64_t GetPosition() const;
    std::uint64_t GetLength() const;
    void SetLength(std::uint64_t length);
    void Flush();

    const CString& GetFilePath() const { return m_path; }
    CString GetFileName() const; // the part after the last backslash

    static void Remove(const char* fileName); // throws on failure
    static void Rename(const char* oldName, const char* newName);

protected:
    [[noreturn]] void ThrowLastError() const;
    void CheckOpen() const;

private:
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    CString m_path;
};

// Line-oriented reading and writing over a CFile (no code-page conversion).
class CStdioFile : public CFile {
public:
    CStdioFile() = default;
    CStdioFile(const char* fileName, UINT openFlags) : CFile(fileName, openFlags) {}

    // Next line without its "\n" or "\r\n"; false at the end of the file with nothing read.
    bool ReadString(CString& line);
    void WriteString(const char* text);
};
