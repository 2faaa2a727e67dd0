// A SHA-256 computed on a thread of its own, so that the staged copy's
// hashing runs beside its writes and read-backs instead of after them: on
// a machine with two cores the checked copy then takes about as long as
// the unchecked one. The caller reads the bytes straight into one of a
// few chunk slots and hands it over; the thread hashes the slots in order.
// Without a thread (it could not be made) there are no slots, and the
// bytes are hashed at once, on the caller's.
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
    // A free slot of one chunk to read the next bytes into, for Hand; null
    // without a thread (then Add).
    char* TakeSlot();
    // Hands the slot taken last to the thread, its first nBytes to hash.
    // Only the thread writes nothing into it: the caller may go on reading
    // it (to write it out) until its next TakeSlot.
    void Hand(DWORD nBytes);
    // Hashes bytes at once, on the caller's thread.
    bool Add(const void* pData, DWORD nBytes) { return m_hash.Add(pData, nBytes); }
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
