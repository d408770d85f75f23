#pragma once
// CComModule: what an in-process COM server knows of itself. It counts the live objects and
// server locks that keep it loaded (DllCanUnloadNow), and it knows its own file, which its
// registration and its type library name. One per module (Instance); any thread.

#include <string>

#include <windows.h>

class CComModule {
public:
    static CComModule& Instance();
    CComModule(const CComModule&) = delete;
    CComModule& operator=(const CComModule&) = delete;

    // Each live object and each IClassFactory::LockServer(TRUE) holds one lock.
    LONG Lock() { return InterlockedIncrement(&m_locks); }
    LONG Unlock() { return InterlockedDecrement(&m_locks); }
    LONG LockCount() const { return m_locks; }

    // The module this code is linked into (the DLL, not the program that loaded it).
    HINSTANCE Handle() const;
    // The module's full path; empty when it cannot be read.
    std::wstring Path() const;

private:
    CComModule() = default;

    volatile LONG m_locks = 0;
};
