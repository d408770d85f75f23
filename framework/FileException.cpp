#include "framework/FileException.h"

namespace {

const char* CauseText(CFileException::Cause cause)
{
    switch (cause) {
    case CFileException::none:
        return "no error";
    case CFileException::genericException:
        return "file error";
    case CFileException::fileNotFound:
        return "file not found";
    case CFileException::badPath:
        return "bad path";
    case CFileException::tooManyOpenFiles:
        return "too many open files";
    case CFileException::accessDenied:
        return "access denied";
    case CFileException::invalidFile:
        return "no open file";
    case CFileException::removeCurrentDir:
        return "cannot remove the current directory";
    case CFileException::directoryFull:
        return "directory full";
    case CFileException::badSeek:
        return "bad seek";
    case CFileException::hardIO:
        return "hardware I/O error";
    case CFileException::sharingViolation:
        return "sharing violation";
    case CFileException::lockViolation:
        return "lock violation";
    case CFileException::diskFull:
        return "disk full";
    case CFileException::endOfFile:
        return "end of file";
    }
    return "file error";
}

} // namespace

CFileException::CFileException(Cause cause, DWORD osError, const char* fileName)
    : m_cause(cause), m_osError(osError), m_fileName(fileName)
{
    m_message.Format("%s (error %lu)", CauseText(cause), static_cast<unsigned long>(osError));
    if (!m_fileName.IsEmpty())
        m_message.AppendFormat(": %s", m_fileName.GetString());
}

CFileException::Cause CFileException::CauseFromOsError(DWORD osError)
{
    switch (osError) {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_PATHNAME:
    case ERROR_BAD_NETPATH:
    case ERROR_FILENAME_EXCED_RANGE:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
        return directoryFull;
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK_ON_DEVICE:
    case ERROR_SEEK:
        return badSeek;
    case ERROR_CRC:
    case ERROR_NOT_READY:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_GEN_FAILURE:
        return hardIO;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
        return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(DWORD osError, const char* fileName)
{
    throw CFileException(CauseFromOsError(osError), osError, fileName);
}
