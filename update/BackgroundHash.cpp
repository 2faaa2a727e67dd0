#include "BackgroundHash.h"

CBackgroundHash::CBackgroundHash(DWORD nChunk)
    : m_nChunk(nChunk), m_pSlots(static_cast<char*>(
                            VirtualAlloc(nullptr, static_cast<SIZE_T>(nChunk) * kSlots, MEM_COMMIT, PAGE_READWRITE))),
      m_anBytes(), m_nHead(0), m_nTail(0), m_hFree(CreateSemaphoreA(nullptr, kSlots, kSlots, nullptr)),
      m_hFull(CreateSemaphoreA(nullptr, 0, kSlots, nullptr)), m_hThread(nullptr), m_bStop(false), m_bFailed(false)
{
    if (m_pSlots && m_hFree && m_hFull)
        m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

CBackgroundHash::~CBackgroundHash()
{
    if (m_hThread) {
        Drain();
        m_bStop = true;
        ReleaseSemaphore(m_hFull, 1, nullptr);
        WaitForSingleObject(m_hThread, INFINITE);
        CloseHandle(m_hThread);
    }
    if (m_hFull)
        CloseHandle(m_hFull);
    if (m_hFree)
        CloseHandle(m_hFree);
    if (m_pSlots)
        VirtualFree(m_pSlots, 0, MEM_RELEASE);
}

DWORD WINAPI CBackgroundHash::ThreadProc(void* pThis)
{
    static_cast<CBackgroundHash*>(pThis)->HashSlots();
    return 0;
}

void CBackgroundHash::HashSlots()
{
    for (;;) {
        WaitForSingleObject(m_hFull, INFINITE);
        if (m_bStop)
            return;
        if (!m_hash.Add(m_pSlots + static_cast<size_t>(m_nTail) * m_nChunk, m_anBytes[m_nTail]))
            m_bFailed = true;
        m_nTail = (m_nTail + 1) % kSlots;
        ReleaseSemaphore(m_hFree, 1, nullptr);
    }
}

void CBackgroundHash::Drain()
{
    for (int i = 0; i < kSlots; ++i)
        WaitForSingleObject(m_hFree, INFINITE);
    ReleaseSemaphore(m_hFree, kSlots, nullptr);
}

bool CBackgroundHash::Start()
{
    if (m_hThread)
        Drain();
    m_bFailed = false;
    return m_hash.Start();
}

// A ring of kSlots: the slot taken is the caller's until it hands it over,
// then the thread's until it has hashed it; the caller's reading of it
// while the thread hashes it is no conflict, and it comes round to the
// caller again only kSlots - 1 takes later.
char* CBackgroundHash::TakeSlot()
{
    if (!m_hThread)
        return nullptr;
    WaitForSingleObject(m_hFree, INFINITE);
    return m_pSlots + static_cast<size_t>(m_nHead) * m_nChunk;
}

void CBackgroundHash::Hand(DWORD nBytes)
{
    m_anBytes[m_nHead] = nBytes;
    m_nHead = (m_nHead + 1) % kSlots;
    ReleaseSemaphore(m_hFull, 1, nullptr);
}

bool CBackgroundHash::Finish(SHA256_DIGEST& digest)
{
    if (m_hThread)
        Drain();
    return m_hash.Finish(digest) && !m_bFailed;
}
