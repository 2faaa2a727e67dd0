// Device object paths. The registry names a device object "\??\..." (the
// mount table's values, a hub's "SymbolicName"); the same object is opened,
// and found in device paths, as "\\?\...". Shared by the lookups and by the
// simulated host, which opens hubs by the names it stores.
#pragma once

#include <cstddef>

// Turns "\??\..." into "\\?\..." in place: writes the second character,
// whatever the text is. cchPath: the characters at pszPath that may be
// written (a buffer's size, or a text's length); below two nothing is.
inline void MakeOpenableDevicePath(char* pszPath, size_t cchPath)
{
    if (cchPath > 1)
        pszPath[1] = '\\';
}
