// The module state: which module the program's resources come from.
#pragma once

#include <windows.h>

struct AFX_MODULE_STATE
{
    HINSTANCE m_hCurrentInstanceHandle;  // the executable
    HINSTANCE m_hCurrentResourceHandle;  // where templates, strings and icons are found
};

// The one module state of the process; both handles start as the
// executable's own module.
AFX_MODULE_STATE* AfxGetModuleState();

HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// The module to ask for a resource by name and type: the current resource
// source. There is no fallback to the executable, so a resource module that
// lacks a resource leaves it missing.
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);

// The module holding string-table entry nID (strings are stored in blocks
// of sixteen).
HINSTANCE AfxFindStringResourceHandle(UINT nID);
