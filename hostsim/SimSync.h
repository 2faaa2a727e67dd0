// The simulated host's own synchronisation: the one mutex that every entry
// of the seam and the timeline thread hold while they read or change the
// host, and the event that stops the timeline thread.
#pragma once

#include <windows.h>

// A critical section: recursive, so that an entry that holds it may call
// host members that take it again.
class CSimMutex
{
public:
    CSimMutex() { InitializeCriticalSection(&m_cs); }
    ~CSimMutex() { DeleteCriticalSection(&m_cs); }
    CSimMutex(const CSimMutex&) = delete;
    CSimMutex& operator=(const CSimMutex&) = delete;

    void Lock() { EnterCriticalSection(&m_cs); }
    void Unlock() { LeaveCriticalSection(&m_cs); }

private:
    CRITICAL_SECTION m_cs;
};

// Holds the mutex for its scope.
class CSimLock
{
public:
    explicit CSimLock(CSimMutex& mutex) : m_mutex(mutex) { m_mutex.Lock(); }
    ~CSimLock() { m_mutex.Unlock(); }
    CSimLock(const CSimLock&) = delete;
    CSimLock& operator=(const CSimLock&) = delete;

private:
    CSimMutex& m_mutex;
};

// A manual-reset event, not signalled at first.
class CSimEvent
{
public:
    CSimEvent() : m_hEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~CSimEvent()
    {
        if (m_hEvent)
            CloseHandle(m_hEvent);
    }
    CSimEvent(const CSimEvent&) = delete;
    CSimEvent& operator=(const CSimEvent&) = delete;

    HANDLE Get() const { return m_hEvent; }
    void Set() { SetEvent(m_hEvent); }
    void Clear() { ResetEvent(m_hEvent); }

private:
    HANDLE m_hEvent;
};
