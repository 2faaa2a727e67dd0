// The check of a resource module's tables, before any resource of it is
// used. The platform's resource lookups trust a module's tables: an entry
// that points outside the image, a string whose length runs past its block
// or a dialog template cut short make them read beyond the module, and the
// program ends in an access violation. An update dialog without its
// message line or its OK button lets an update run without a word and
// without a way to close the window. A module that fails the check is
// treated as missing.
#pragma once

#include "AfxString.h"

// 1 when the resource tables of hModule can be read whole within the
// module: every resource directory, directory entry, entry name and data
// entry, and every resource's data, lies inside the image; every string
// block's sixteen lengths stay within its data; and the dialog templates
// IDD_ABOUT and IDD_UPDATE_DIALOG, where the module has them, are
// well-formed to their end (header, menu, class, caption, font, and every
// control with its class, text and creation data); and IDD_UPDATE_DIALOG
// holds the controls IDC_MESSAGE and IDOK. A module without resources
// passes. 0 with why in strReason otherwise.
//
// hModule is a module loaded by LoadLibraryExA as data (with or without
// LOAD_LIBRARY_AS_IMAGE_RESOURCE) or as an image.
int CheckResourceTables(HMODULE hModule, CString& strReason);
