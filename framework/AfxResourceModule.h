// CResourceModule: a resource module loaded as data (AfxLoadResourceModule)
// and owned: freed when the object goes, at Close, or when another is
// loaded in its place.
//
// A module anyone can replace is loaded with Load, which keeps it only
// when its resource tables pass their check. The platform's resource
// lookups trust a module's tables: an entry that points outside the image,
// a string whose length runs past its block or a dialog template cut short
// make them read beyond the module, and the program ends in an access
// violation. So no resource of a module is read before the check: the
// updater uses a module that fails it as if it were missing, and the
// checker says so and reads nothing more of it.
#pragma once

#include "AfxModuleState.h"
#include "AfxString.h"

#include <vector>

// A dialog template that the check reads to its end, where the module
// holds it, and the controls it must then hold (an update dialog without
// its message line or its OK button would let an update run without a
// word and without a way to close the window).
struct AFX_DIALOG_RULE
{
    UINT nID;
    std::vector<DWORD> controls;
};
typedef std::vector<AFX_DIALOG_RULE> AFX_DIALOG_RULES;

// 1 when the resource tables of hModule can be read whole within the
// module: every resource directory, directory entry, entry name and data
// entry, and every resource's data, lies inside the image; every string
// block's sixteen lengths stay within its data; and each dialog template
// of the rules, where the module has it, is well-formed to its end
// (AfxReadDialogTemplate) and holds the rule's controls. A module without
// resources passes. 0 with why in strReason otherwise.
//
// hModule is a module loaded by LoadLibraryExA as data (with or without
// LOAD_LIBRARY_AS_IMAGE_RESOURCE) or as an image.
int AfxCheckResourceTables(HMODULE hModule, const AFX_DIALOG_RULES& dialogs, CString& strReason);

// Why Load holds no module.
enum AFX_MODULE_FAULT
{
    AFX_MODULE_HELD,        // none: loaded, and its tables passed
    AFX_MODULE_NOT_LOADED,  // the loader refused it, or found nothing
    AFX_MODULE_NOT_PLAIN,   // no plain file (a pipe, a device): never read
    AFX_MODULE_CORRUPT      // its tables failed the check
};

struct AFX_MODULE_LOAD
{
    AFX_MODULE_FAULT fault;
    DWORD dwError;      // with AFX_MODULE_NOT_LOADED, the loader's error
    CString strReason;  // with AFX_MODULE_NOT_PLAIN and AFX_MODULE_CORRUPT, why it is passed over
};

class CResourceModule
{
public:
    CResourceModule() : m_hModule(nullptr) {}
    // Loads the module as it is, unchecked: for modules that come with the
    // program itself. A null path loads nothing.
    explicit CResourceModule(LPCSTR lpszPath);
    ~CResourceModule() { Close(); }
    CResourceModule(const CResourceModule&) = delete;
    CResourceModule& operator=(const CResourceModule&) = delete;

    // Loads the module at lpszPath in place of the one held, and keeps it
    // only when its tables pass AfxCheckResourceTables with dialogs. A name
    // that holds no plain file is never loaded: it is opened without any
    // access, as a pipe or a device may never answer a read.
    AFX_MODULE_LOAD Load(LPCSTR lpszPath, const AFX_DIALOG_RULES& dialogs);

    // Null when nothing is held.
    HINSTANCE Get() const { return m_hModule; }
    void Close();

private:
    HINSTANCE m_hModule;
};
