#pragma once
// CBlockingQueue<Record>: a queue of fixed-size records that any thread pushes and one thread
// pops, with a counting semaphore so that a consumer can wait for the next record.
//
// The queue's lock is always the inner one: producers may push while holding the transfer
// registry's lock, and nothing here calls out while holding this one.

#include <cstddef>
#include <deque>
#include <new>

#include <windows.h>

#include "infra/Lock.h"

template <typename Record>
class CBlockingQueue {
public:
    static constexpr LONG MAX_COUNT = 0x7FFFFFF;

    CBlockingQueue() : m_semaphore(CreateSemaphoreW(nullptr, 0, MAX_COUNT, nullptr)) {}
    ~CBlockingQueue()
    {
        if (m_semaphore)
            CloseHandle(m_semaphore);
    }
    CBlockingQueue(const CBlockingQueue&) = delete;
    CBlockingQueue& operator=(const CBlockingQueue&) = delete;

    // Appends a copy. False when it could not be stored (no memory) or counted (no semaphore, or
    // the count is at its maximum); the record is then not queued, so the count and the records
    // never drift apart. Never throws: producers push from the engine's callbacks.
    bool Push(const Record& record) noexcept
    {
        sti::CScopedLock guard(m_lock);
        try {
            m_records.push_back(record);
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (!m_semaphore || !ReleaseSemaphore(m_semaphore, 1, nullptr)) {
            m_records.pop_back();
            return false;
        }
        return true;
    }

    // Waits at most `waitMs` for a record; false on time-out.
    bool Pop(Record& out, DWORD waitMs)
    {
        if (!m_semaphore || WaitForSingleObject(m_semaphore, waitMs) != WAIT_OBJECT_0)
            return false;
        sti::CScopedLock guard(m_lock);
        if (m_records.empty())
            return false;
        out = m_records.front();
        m_records.pop_front();
        return true;
    }

    bool IsEmpty() const
    {
        sti::CScopedLock guard(m_lock);
        return m_records.empty();
    }

    std::size_t Size() const
    {
        sti::CScopedLock guard(m_lock);
        return m_records.size();
    }

private:
    std::deque<Record> m_records;
    mutable sti::CMutex m_lock;
    HANDLE m_semaphore; // owned; counts the queued records
};
