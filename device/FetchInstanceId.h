// FetchInstanceIdCallback: copies the instance id of the element whose
// device node is the context's dnTarget into its szInstanceId and stops the
// walk there; if no element has that node, szInstanceId keeps what it held.
#pragma once

#include <windows.h>
#include <setupapi.h>

int FetchInstanceIdCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID* pClassGuid, void* pContext);
