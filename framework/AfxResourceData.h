// The layouts of the resource data the program reads itself: string-table
// blocks and dialog templates. Everything here reads a resource module's
// data as untrusted: each read stays within the data's size, whatever its
// counts and lengths say. These are the only readers of the two layouts;
// the module's tables check, the string lookup and the checker all use
// them.
#pragma once

#include <windows.h>

#include <vector>

// A string table is stored in blocks of sixteen entries: block n + 1 holds
// entries 16n to 16n + 15, each a count of UTF-16 characters followed by
// that many characters.
const UINT AFX_STRINGS_PER_BLOCK = 16;

// The resource name of the block that holds entry nID.
inline LPCSTR AfxStringBlockName(UINT nID)
{
    return MAKEINTRESOURCEA((nID >> 4) + 1);
}

// The first entry of the block named nBlock (1 or more).
inline UINT AfxFirstStringOfBlock(UINT nBlock)
{
    return (nBlock - 1) * AFX_STRINGS_PER_BLOCK;
}

// How many of a block's entries, from the first on, lie whole within its
// nBytes of data; the character count of each of them comes back in
// anLengths. A block cut short holds nothing past its end.
UINT AfxReadStringBlock(const BYTE* pData, DWORD nBytes, WORD anLengths[AFX_STRINGS_PER_BLOCK]);

// What a dialog template holds, as far as the program asks.
struct AFX_DIALOG_TEMPLATE
{
    BOOL bExtended;               // DLGTEMPLATEEX; else the classic DLGTEMPLATE
    DWORD dwStyle;                // the dialog's style
    DWORD nPointSizeAt;           // byte offset of the font's point size; 0 without DS_SETFONT
    std::vector<DWORD> controls;  // the controls' ids, in template order
};

// Reads a template of either form from its nBytes of data: FALSE when it
// is not well-formed to its end (header, menu, class, caption, font, and
// every control with its class, text and creation data).
BOOL AfxReadDialogTemplate(const BYTE* pData, DWORD nBytes, AFX_DIALOG_TEMPLATE& dialog);
