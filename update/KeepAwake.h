// Keeps the machine from sleeping while files are staged and committed: a
// stick left half-written by a sleep is what the two phases guard against.
#pragma once

#include <windows.h>

class CKeepAwake
{
public:
    CKeepAwake() : m_previous(SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED)) {}
    ~CKeepAwake() { SetThreadExecutionState(m_previous & ES_CONTINUOUS ? m_previous : ES_CONTINUOUS); }
    CKeepAwake(const CKeepAwake&) = delete;
    CKeepAwake& operator=(const CKeepAwake&) = delete;

private:
    EXECUTION_STATE m_previous;
};
