// The module state: which module the program's resources come from.
#pragma once

#include <windows.h>

struct AFX_MODULE_STATE
{
    HINSTANCE m_hCurrentInstanceHandle;  // the executable
    HINSTANCE m_hCurrentResourceHandle;  // where templates, strings and icons are found
    // A language module asked before the resource source; null: none.
    HINSTANCE m_hLanguageResourceHandle;
};

// The one module state of the process; the first two handles start as the
// executable's own module, the language module as none.
AFX_MODULE_STATE* AfxGetModuleState();

HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();

// The module to ask for a resource by name and type: the language module
// when there is one and it holds the resource, else the current resource
// source when that holds it, else the executable when that does (a
// resource module without an icon leaves the executable's). When none
// holds it, the resource source, so that the caller meets the missing
// resource there.
HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType);

// The module holding string-table entry nID. Strings are stored in blocks
// of sixteen: the language module is taken for each entry it holds, one at
// a time; otherwise a block is looked up like any resource, and an entry
// missing from a block that the resource source holds stays missing.
HINSTANCE AfxFindStringResourceHandle(UINT nID);

// Whether hModule's string table holds entry nID with at least one
// character. The block is read as untrusted data: a block cut short holds
// nothing past its end.
BOOL AfxHoldsString(HINSTANCE hModule, UINT nID);

// Loads a resource module as the program does: mapped as data, never run.
// Hosts that don't know the image-resource flag (before Windows Vista)
// refuse the pair; they get a plain data file. Null when it can't be
// loaded, with the system's error left for GetLastError.
HINSTANCE AfxLoadResourceModule(LPCSTR lpszPath);
