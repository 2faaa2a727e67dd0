// Reading an element's instance id into a cleared 260-character buffer.
#pragma once

#include <windows.h>
#include <setupapi.h>

#define INSTANCE_ID_CHARS 260

// 1 when a non-empty id was read; the buffer is always terminated.
int ReadInstanceId(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, char (&szId)[INSTANCE_ID_CHARS]);
