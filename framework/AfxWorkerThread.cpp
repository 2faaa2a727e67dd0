#include "AfxWorkerThread.h"

#include <process.h>

CWorkerThread::~CWorkerThread()
{
    Wait();
}

// _beginthreadex rather than CreateThread: the function may use the C
// runtime, which sets up its per-thread data for threads it started.
BOOL CWorkerThread::Start(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
{
    if (m_hThread || !pfnThreadProc)
        return FALSE;
    m_pfnThreadProc = pfnThreadProc;
    m_pParam = pParam;
    const uintptr_t hThread = _beginthreadex(nullptr, 0, ThreadEntry, this, 0, nullptr);
    m_hThread = reinterpret_cast<HANDLE>(hThread);
    return m_hThread != nullptr;
}

void CWorkerThread::Wait()
{
    if (!m_hThread)
        return;
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    m_hThread = nullptr;
}

unsigned __stdcall CWorkerThread::ThreadEntry(void* pThis)
{
    const CWorkerThread* pThread = static_cast<const CWorkerThread*>(pThis);
    return pThread->m_pfnThreadProc(pThread->m_pParam);
}
