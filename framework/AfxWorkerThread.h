// CWorkerThread: one function run on a thread of its own, without a
// message queue or windows (a worker thread of MFC, without CWinThread).
// The object owns the thread's handle: Wait, or the destructor, waits for
// the thread to end and closes the handle, so the function's data must
// outlive the object, and the object never outlives a running thread.
#pragma once

#include <windows.h>

// The function a worker thread runs; its result is the thread's exit code.
typedef UINT (*AFX_THREADPROC)(LPVOID pParam);

class CWorkerThread
{
public:
    CWorkerThread() = default;
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Runs pfnThreadProc(pParam) on a new thread. FALSE when no thread
    // could be made (nothing runs then), or one still belongs to the object.
    BOOL Start(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    // The running thread's handle, signalled once the thread has ended;
    // null before Start and after Wait.
    HANDLE GetHandle() const { return m_hThread; }
    // Waits for the thread to end and closes its handle; nothing to do
    // without a thread.
    void Wait();

private:
    static unsigned __stdcall ThreadEntry(void* pThis);

    HANDLE m_hThread = nullptr;
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pParam = nullptr;
};
