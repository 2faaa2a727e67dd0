#include "DebuggedProcess.h"

#include <algorithm>
#include <chrono>

namespace {

// Reads what the debuggee's pointer addresses, at most nBytes; fewer when
// the tail is not readable.
std::string ReadRemote(HANDLE hProcess, const void* pAddress, size_t nBytes)
{
    std::string bytes(nBytes, '\0');
    SIZE_T nRead = 0;
    if (ReadProcessMemory(hProcess, pAddress, &bytes[0], nBytes, &nRead))
        return bytes.substr(0, nRead);
    // Part of the range is unreadable: take what lies before it.
    size_t nHave = 0;
    const char* pByte = static_cast<const char*>(pAddress);
    while (nHave < nBytes && ReadProcessMemory(hProcess, pByte + nHave, &bytes[nHave], 1, &nRead) && nRead == 1)
        ++nHave;
    return bytes.substr(0, nHave);
}

std::string WideToAnsi(const std::string& bytes)
{
    const int nChars = static_cast<int>(bytes.size() / sizeof(WCHAR));
    if (nChars == 0)
        return std::string();
    std::wstring wide(reinterpret_cast<const WCHAR*>(bytes.data()), nChars);
    const int nNeeded = WideCharToMultiByte(CP_ACP, 0, wide.data(), nChars, nullptr, 0, nullptr, nullptr);
    std::string text(nNeeded > 0 ? nNeeded : 0, '\0');
    if (nNeeded > 0)
        WideCharToMultiByte(CP_ACP, 0, wide.data(), nChars, &text[0], nNeeded, nullptr, nullptr);
    return text;
}

}  // namespace

CDebuggedProcess::CDebuggedProcess()
    : m_info(), m_bStartDone(false), m_bStarted(false), m_bExited(false), m_bSawLoaderBreak(false), m_nExitCode(0),
      m_nCrashCount(0), m_nStartCount()
{}

CDebuggedProcess::~CDebuggedProcess()
{
    Terminate();
    if (m_thread.joinable())
        m_thread.join();
    if (m_info.hThread)
        CloseHandle(m_info.hThread);
    if (m_info.hProcess)
        CloseHandle(m_info.hProcess);
}

bool CDebuggedProcess::Start(const std::string& strExePath, const std::string& strArgs)
{
    if (m_thread.joinable())
        return false;
    m_thread = std::thread(&CDebuggedProcess::RunDebugLoop, this, strExePath, strArgs);
    std::unique_lock<std::mutex> guard(m_lock);
    m_changed.wait(guard, [this] { return m_bStartDone; });
    return m_bStarted;
}

bool CDebuggedProcess::CreateDebuggee(const std::string& strExePath, const std::string& strArgs)
{
    std::string strCommand = "\"" + strExePath + "\"";
    if (!strArgs.empty())
        strCommand += " " + strArgs;
    const size_t nSlash = strExePath.find_last_of("\\/");
    const std::string strFolder = nSlash == std::string::npos ? std::string() : strExePath.substr(0, nSlash);

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    std::vector<char> command(strCommand.begin(), strCommand.end());
    command.push_back('\0');
    QueryPerformanceCounter(&m_nStartCount);
    return CreateProcessA(strExePath.c_str(), command.data(), nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                          strFolder.empty() ? nullptr : strFolder.c_str(), &startup, &m_info) != FALSE;
}

void CDebuggedProcess::RunDebugLoop(std::string strExePath, std::string strArgs)
{
    const bool bStarted = CreateDebuggee(strExePath, strArgs);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bStartDone = true;
        m_bStarted = bStarted;
        m_bExited = !bStarted;
    }
    m_changed.notify_all();
    if (!bStarted)
        return;

    bool bRunning = true;
    while (bRunning) {
        DEBUG_EVENT event = {};
        if (!WaitForDebugEvent(&event, INFINITE))
            break;
        DWORD nContinue = DBG_CONTINUE;
        bRunning = HandleEvent(event, &nContinue);
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, nContinue);
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bExited = true;
    }
    m_changed.notify_all();
}

// Returns false once the process has ended.
bool CDebuggedProcess::HandleEvent(const DEBUG_EVENT& event, DWORD* pContinue)
{
    switch (event.dwDebugEventCode) {
    case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile)
            CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
    case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile)
            CloseHandle(event.u.LoadDll.hFile);
        break;
    case OUTPUT_DEBUG_STRING_EVENT:
        ReadTrace(event.u.DebugString);
        break;
    case EXCEPTION_DEBUG_EVENT: {
        const EXCEPTION_DEBUG_INFO& info = event.u.Exception;
        // The loader's breakpoint on attaching is ours to swallow; every
        // other exception is the program's own business.
        if (info.ExceptionRecord.ExceptionCode == EXCEPTION_BREAKPOINT && !m_bSawLoaderBreak) {
            m_bSawLoaderBreak = true;
            break;
        }
        *pContinue = DBG_EXCEPTION_NOT_HANDLED;
        if (!info.dwFirstChance) {
            std::lock_guard<std::mutex> guard(m_lock);
            ++m_nCrashCount;
        }
        break;
    }
    case EXIT_PROCESS_DEBUG_EVENT: {
        std::lock_guard<std::mutex> guard(m_lock);
        m_nExitCode = event.u.ExitProcess.dwExitCode;
        return false;
    }
    default:
        break;
    }
    return true;
}

void CDebuggedProcess::ReadTrace(const OUTPUT_DEBUG_STRING_INFO& info)
{
    // The length counts characters with the terminator; the text may hold
    // an earlier zero, and must not be read past its stated end.
    const size_t nCharSize = info.fUnicode ? sizeof(WCHAR) : 1;
    const std::string bytes =
        ReadRemote(m_info.hProcess, info.lpDebugStringData, static_cast<size_t>(info.nDebugStringLength) * nCharSize);
    std::string text = info.fUnicode ? WideToAnsi(bytes) : bytes;
    text = text.substr(0, text.find('\0'));
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_traces.push_back(text);
    }
    m_changed.notify_all();
}

DWORD CDebuggedProcess::ProcessId() const
{
    return m_info.dwProcessId;
}

bool CDebuggedProcess::HasExited() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bExited;
}

bool CDebuggedProcess::WaitForExit(DWORD nTimeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(nTimeoutMs), [this] { return m_bExited; });
}

DWORD CDebuggedProcess::ExitCode() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nExitCode;
}

int CDebuggedProcess::CrashCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nCrashCount;
}

void CDebuggedProcess::Terminate()
{
    if (m_info.hProcess && !HasExited())
        TerminateProcess(m_info.hProcess, 255);
}

std::vector<std::string> CDebuggedProcess::Traces() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_traces;
}

int CDebuggedProcess::CountTraceLocked(const std::string& strText) const
{
    return static_cast<int>(std::count(m_traces.begin(), m_traces.end(), strText));
}

int CDebuggedProcess::CountTrace(const std::string& strText) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return CountTraceLocked(strText);
}

bool CDebuggedProcess::WaitForTrace(const std::string& strText, int nCount, DWORD nTimeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(nTimeoutMs),
                              [&] { return CountTraceLocked(strText) >= nCount; });
}

double CDebuggedProcess::SecondsSinceStart() const
{
    LARGE_INTEGER nNow, nFrequency;
    QueryPerformanceCounter(&nNow);
    QueryPerformanceFrequency(&nFrequency);
    return static_cast<double>(nNow.QuadPart - m_nStartCount.QuadPart) / static_cast<double>(nFrequency.QuadPart);
}
