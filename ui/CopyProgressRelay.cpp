#include "CopyProgressRelay.h"

void CCopyProgressRelay::Start(HWND hNotify, UINT nMessage, CUpdateObserver* pNext)
{
    m_hNotify = hNotify;
    m_nMessage = nMessage;
    SetNext(pNext);
    m_nPosition = 0;
    m_bPosted = false;
}

void CCopyProgressRelay::OnCopyProgress(ULONGLONG nDone, ULONGLONG nTotal)
{
    CObserverRelay::OnCopyProgress(nDone, nTotal);
    const int nPosition = ToPosition(nDone, nTotal);
    if (m_nPosition.exchange(nPosition) == nPosition)
        return;
    // The dialog's thread clears the flag before it reads the position: a
    // position stored after that read finds the flag clear and posts.
    if (!m_bPosted.exchange(true) && !PostMessageA(m_hNotify, m_nMessage, 0, 0))
        m_bPosted = false;  // a full queue: the next change tries again
}

int CCopyProgressRelay::TakePosition()
{
    m_bPosted = false;
    return m_nPosition;
}

int CCopyProgressRelay::ToPosition(ULONGLONG nDone, ULONGLONG nTotal)
{
    if (nTotal == 0 || nDone >= nTotal)
        return kRange;
    // Both scaled down alike until the product fits 64 bits; the position
    // rounds down, so it stays below kRange while a unit remains.
    while (nTotal > ~0ULL / kRange) {
        nTotal >>= 1;
        nDone >>= 1;
    }
    const ULONGLONG nPosition = nDone * kRange / nTotal;
    return nPosition < kRange ? static_cast<int>(nPosition) : kRange - 1;
}
