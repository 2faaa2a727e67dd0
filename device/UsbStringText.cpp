#include "UsbStringText.h"

#include <cstring>

int UsbStringToText(const BYTE* pDescriptor, DWORD cbReturned, char* pszText, int cchText)
{
    pszText[0] = '\0';
    DWORD cb = cbReturned < USB_STRING_DATA_BYTES ? cbReturned : USB_STRING_DATA_BYTES;
    if (cb > 0 && pDescriptor[0] < cb)
        cb = pDescriptor[0];  // bLength

    WCHAR szUnits[(USB_STRING_DATA_BYTES - 2) / 2];
    int nUnits = 0;
    for (DWORD ib = 2; ib + 1 < cb; ib += 2) {
        WCHAR ch = static_cast<WCHAR>(pDescriptor[ib] | (pDescriptor[ib + 1] << 8));
        if (!ch)
            break;
        szUnits[nUnits++] = ch;
    }
    if (!nUnits)
        return 1;

    int nChars = WideCharToMultiByte(CP_ACP, 0, szUnits, nUnits, pszText, cchText - 1, nullptr, nullptr);
    if (nChars <= 0) {
        pszText[0] = '\0';
        return 0;
    }
    pszText[nChars] = '\0';
    return 1;
}
