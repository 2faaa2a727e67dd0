// A SHA-256 computed on a thread of its own, so that the staged copy's
// hashing runs beside its writes and read-backs instead of after them: on
// a machine with two cores the checked copy then takes about as long as
// the unchecked one. The bytes handed in are copied into one of a few
// chunk slots, which the thread hashes in order; without a thread (it
// could not be made) they are hashed at once, on the caller's.
#pragma once

#include "PackageSums.h"

#include <atomic>

class CBackgroundHash
{
public:
    // Slots of nChunk bytes each.
    explicit CBackgroundHash(DWORD nChunk);
    ~CBackgroundHash();
    CBackgroundHash(const CBackgroundHash&) = delete;
    CBackgroundHash& operator=(const CBackgroundHash&) = delete;

    // Starts a new digest, whatever was handed in before forgotten.
    bool Start();
    // Hands in up to one chunk of bytes; false when it can't be hashed.
    bool Add(const void* pData, DWORD nBytes);
    // The digest of everything handed in since Start, once the thread has
    // hashed it all.
    bool Finish(SHA256_DIGEST& digest);

private:
    static DWORD WINAPI ThreadProc(void* pThis);
    void HashSlots();
    // Waits until the thread has hashed every slot handed to it.
    void Drain();

    static const int kSlots = 4;
    CSha256 m_hash;
    DWORD m_nChunk;
    char* m_pSlots;
    DWORD m_anBytes[kSlots];
    int m_nHead;     // the next slot to fill
    int m_nTail;     // the next slot the thread hashes
    HANDLE m_hFree;  // semaphore: slots free to fill
    HANDLE m_hFull;  // semaphore: slots filled
    HANDLE m_hThread;
    std::atomic<bool> m_bStop;
    std::atomic<bool> m_bFailed;
};
