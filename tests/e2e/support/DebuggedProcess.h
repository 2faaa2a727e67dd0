// CDebuggedProcess: starts a program as a user would, but as its debugger,
// so that everything it sends to the debug output is collected here. One
// thread of our own creates the process and runs the debug loop (the
// platform delivers debug events only to the creating thread); the test's
// thread reads the traces, waits for them, and looks at the windows.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CDebuggedProcess
{
public:
    CDebuggedProcess();
    // Ends a process that still runs and waits for the debug loop.
    ~CDebuggedProcess();
    CDebuggedProcess(const CDebuggedProcess&) = delete;
    CDebuggedProcess& operator=(const CDebuggedProcess&) = delete;

    // Starts strExePath (a Windows path) in its own folder, with an optional
    // argument text. False when the process could not be created.
    bool Start(const std::string& strExePath, const std::string& strArgs = std::string());

    DWORD ProcessId() const;
    bool HasExited() const;
    bool WaitForExit(DWORD nTimeoutMs) const;
    DWORD ExitCode() const;
    // Second-chance exceptions: the process died of them.
    int CrashCount() const;
    void Terminate();

    std::vector<std::string> Traces() const;
    int CountTrace(const std::string& strText) const;
    // Waits until strText has been traced at least nCount times.
    bool WaitForTrace(const std::string& strText, int nCount, DWORD nTimeoutMs) const;

    // Seconds since just before the process was created.
    double SecondsSinceStart() const;

private:
    void RunDebugLoop(std::string strExePath, std::string strArgs);
    bool CreateDebuggee(const std::string& strExePath, const std::string& strArgs);
    bool HandleEvent(const DEBUG_EVENT& event, DWORD* pContinue);
    void ReadTrace(const OUTPUT_DEBUG_STRING_INFO& info);
    int CountTraceLocked(const std::string& strText) const;

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::thread m_thread;
    PROCESS_INFORMATION m_info;
    bool m_bStartDone;
    bool m_bStarted;
    bool m_bExited;
    bool m_bSawLoaderBreak;
    DWORD m_nExitCode;
    int m_nCrashCount;
    std::vector<std::string> m_traces;
    LARGE_INTEGER m_nStartCount;
};
