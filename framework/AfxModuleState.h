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
// source when it holds the resource, else the executable when that does
// (a resource module without an icon leaves the executable's). When
// neither holds it, the resource source, so that the caller meets the
// missing resource there.
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);

// The module holding string-table entry nID. Strings are stored in blocks
// of sixteen, and a block is looked up like any resource: an entry missing
// from a block that the resource source holds stays missing.
HINSTANCE AfxFindStringResourceHandle(UINT nID);
