// Text of a USB string descriptor as the device returned it. The device is
// not trusted: the text is bounded by the bytes returned, by the
// descriptor's bLength and by the 255-byte data area (at most 126 UTF-16
// units), and ends early at a zero unit.
#pragma once

#include <windows.h>

#define USB_STRING_DATA_BYTES 255

// pDescriptor: the returned bytes (bLength, bDescriptorType, bString...);
// cbReturned: how many of them the device returned. Converts the text with
// the ANSI code page into pszText (cchText characters with the terminator).
// 1 on success (an empty text included); 0 when the text does not convert
// or fit, with pszText empty.
int UsbStringToText(const BYTE* pDescriptor, DWORD cbReturned, char* pszText, int cchText);
