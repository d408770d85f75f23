#include "framework/File.h"

#include <cstring>

namespace {

DWORD AccessFor(UINT flags)
{
    switch (flags & 0x3) {
    case CFile::modeWrite:
        return GENERIC_WRITE;
    case CFile::modeReadWrite:
        return GENERIC_READ | GENERIC_WRITE;
    default:
        return GENERIC_READ;
    }
}

DWORD ShareFor(UINT flags)
{
    switch (flags & 0x70) {
    case CFile::shareDenyWrite:
        return FILE_SHARE_READ;
    case CFile::shareDenyRead:
        return FILE_SHARE_WRITE;
    case CFile::shareDenyNone:
        return FILE_SHARE_READ | FILE_SHARE_WRITE;
    default:
        return 0;
    }
}

DWORD DispositionFor(UINT flags)
{
    if (!(flags & CFile::modeCreate))
        return OPEN_EXISTING;
    return (flags & CFile::modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
}

} // namespace

CFile::CFile(const char* fileName, UINT openFlags)
{
    CFileException error;
    if (!Open(fileName, openFlags, &error))
        throw error;
}

CFile::~CFile()
{
    Abort();
}

bool CFile::Open(const char* fileName, UINT openFlags, CFileException* error)
{
    Abort();
    if (!fileName || !*fileName) {
        if (error)
            *error = CFileException(CFileException::badPath, ERROR_INVALID_NAME, fileName);
        return false;
    }
    HANDLE handle = CreateFileA(fileName, AccessFor(openFlags), ShareFor(openFlags), nullptr, DispositionFor(openFlags),
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD osError = GetLastError();
        if (error)
            *error = CFileException(CFileException::CauseFromOsError(osError), osError, fileName);
        return false;
    }
    m_handle = handle;
    m_path = fileName;
    return true;
}

void CFile::Close()
{
    if (!IsOpen())
        return;
    HANDLE handle = m_handle;
    m_handle = INVALID_HANDLE_VALUE;
    if (!CloseHandle(handle))
        CFileException::ThrowOsError(GetLastError(), m_path);
}

void CFile::Abort()
{
    if (IsOpen()) {
        CloseHandle(m_handle);
        m_handle = INVALID_HANDLE_VALUE;
    }
}

UINT CFile::Read(void* buffer, UINT count)
{
    CheckOpen();
    if (count == 0)
        return 0;
    DWORD done = 0;
    if (!ReadFile(m_handle, buffer, count, &done, nullptr)) {
        const DWORD osError = GetLastError();
        if (osError == ERROR_HANDLE_EOF || osError == ERROR_BROKEN_PIPE)
            return 0;
        CFileException::ThrowOsError(osError, m_path);
    }
    return done;
}

void CFile::Write(const void* buffer, UINT count)
{
    CheckOpen();
    if (count == 0)
        return;
    DWORD done = 0;
    if (!WriteFile(m_handle, buffer, count, &done, nullptr))
        ThrowLastError();
    if (done != count)
        throw CFileException(CFileException::diskFull, ERROR_DISK_FULL, m_path);
}

std::uint64_t CFile::Seek(std::int64_t offset, UINT from)
{
    CheckOpen();
    DWORD method = FILE_BEGIN;
    if (from == current)
        method = FILE_CURRENT;
    else if (from == end)
        method = FILE_END;
    else if (from != begin)
        throw CFileException(CFileException::badSeek, ERROR_INVALID_PARAMETER, m_path);
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(m_handle, distance, &position, method))
        ThrowLastError();
    return static_cast<std::uint64_t>(position.QuadPart);
}

std::uint64_t CFile::GetPosition() const
{
    CheckOpen();
    LARGE_INTEGER zero;
    zero.QuadPart = 0;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(m_handle, zero, &position, FILE_CURRENT))
        ThrowLastError();
    return static_cast<std::uint64_t>(position.QuadPart);
}

std::uint64_t CFile::GetLength() const
{
    CheckOpen();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_handle, &size))
        ThrowLastError();
    return static_cast<std::uint64_t>(size.QuadPart);
}

void CFile::SetLength(std::uint64_t length)
{
    CheckOpen();
    const std::uint64_t position = GetPosition();
    Seek(static_cast<std::int64_t>(length), begin);
    if (!SetEndOfFile(m_handle))
        ThrowLastError();
    if (position < length)
        Seek(static_cast<std::int64_t>(position), begin);
}

void CFile::Flush()
{
    CheckOpen();
    if (!FlushFileBuffers(m_handle))
        ThrowLastError();
}

CString CFile::GetFileName() const
{
    return m_path.Mid(m_path.ReverseFind('\\') + 1);
}

void CFile::Remove(const char* fileName)
{
    if (!DeleteFileA(fileName))
        CFileException::ThrowOsError(GetLastError(), fileName);
}

void CFile::Rename(const char* oldName, const char* newName)
{
    if (!MoveFileA(oldName, newName))
        CFileException::ThrowOsError(GetLastError(), oldName);
}

void CFile::ThrowLastError() const
{
    CFileException::ThrowOsError(GetLastError(), m_path);
}

void CFile::CheckOpen() const
{
    if (!IsOpen())
        throw CFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_path);
}

bool CStdioFile::ReadString(CString& line)
{
    line.Empty();
    bool readAny = false;
    char chunk[256];
    for (;;) {
        const UINT got = Read(chunk, sizeof chunk);
        if (got == 0)
            break;
        readAny = true;
        const void* newline = std::memchr(chunk, '\n', got);
        if (!newline) {
            line.Append(chunk, static_cast<int>(got));
            continue;
        }
        const UINT used = static_cast<UINT>(static_cast<const char*>(newline) - chunk);
        line.Append(chunk, static_cast<int>(used));
        // Leave the file positioned just after the line end.
        Seek(static_cast<std::int64_t>(used + 1) - static_cast<std::int64_t>(got), current);
        break;
    }
    if (line.GetLength() > 0 && line[line.GetLength() - 1] == '\r')
        line.Delete(line.GetLength() - 1);
    return readAny;
}

void CStdioFile::WriteString(const char* text)
{
    if (text)
        Write(text, static_cast<UINT>(std::strlen(text)));
}
