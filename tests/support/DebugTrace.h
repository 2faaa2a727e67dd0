// Captures what this process sends to the debug output: the platform
// raises DBG_PRINTEXCEPTION_C for every OutputDebugStringA, and a vectored
// handler sees it before anyone else.
#pragma once

#include <string>
#include <vector>

class CDebugTraceCapture
{
public:
    CDebugTraceCapture();
    ~CDebugTraceCapture();
    CDebugTraceCapture(const CDebugTraceCapture&) = delete;
    CDebugTraceCapture& operator=(const CDebugTraceCapture&) = delete;

    const std::vector<std::string>& Lines() const;
    int Count(const std::string& text) const;
    void Clear();
};
