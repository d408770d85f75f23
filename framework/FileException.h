#pragma once
// CFileException: what went wrong with a file, why (a portable cause) and the platform's own
// error code (GetLastError), with the file's name.

#include <exception>

#include "framework/String.h"

class CFileException : public std::exception {
public:
    enum Cause {
        none = 0,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile, // the object holds no open file
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    CFileException(Cause cause = none, DWORD osError = 0, const char* fileName = nullptr);

    Cause GetCause() const { return m_cause; }
    DWORD GetOsError() const { return m_osError; }
    const CString& GetFileName() const { return m_fileName; }
    const char* what() const noexcept override { return m_message.GetString(); }

    static Cause CauseFromOsError(DWORD osError);
    // Throws the exception whose cause matches osError.
    [[noreturn]] static void ThrowOsError(DWORD osError, const char* fileName = nullptr);

private:
    Cause m_cause;
    DWORD m_osError;
    CString m_fileName;
    CString m_message;
};
