#include "DebugTrace.h"

#include <windows.h>

#include <algorithm>

namespace {

std::vector<std::string> g_lines;
PVOID g_hHandler = nullptr;

LONG CALLBACK CaptureDebugString(EXCEPTION_POINTERS* pInfo)
{
    const EXCEPTION_RECORD* pRecord = pInfo->ExceptionRecord;
    if (pRecord->ExceptionCode == DBG_PRINTEXCEPTION_C && pRecord->NumberParameters >= 2) {
        const size_t nLength = static_cast<size_t>(pRecord->ExceptionInformation[0]);
        const char* psz = reinterpret_cast<const char*>(pRecord->ExceptionInformation[1]);
        // The length counts the terminator.
        g_lines.emplace_back(psz, nLength ? nLength - 1 : 0);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

CDebugTraceCapture::CDebugTraceCapture()
{
    g_lines.clear();
    g_hHandler = AddVectoredExceptionHandler(1, CaptureDebugString);
}

CDebugTraceCapture::~CDebugTraceCapture()
{
    RemoveVectoredExceptionHandler(g_hHandler);
    g_hHandler = nullptr;
}

const std::vector<std::string>& CDebugTraceCapture::Lines() const
{
    return g_lines;
}

int CDebugTraceCapture::Count(const std::string& text) const
{
    return static_cast<int>(std::count(g_lines.begin(), g_lines.end(), text));
}

void CDebugTraceCapture::Clear()
{
    g_lines.clear();
}
