#include "FetchInstanceId.h"

#include "DeviceSearchContext.h"
#include "HostApi.h"

int FetchInstanceIdCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID*, void* pContext)
{
    DEVICE_SEARCH_CONTEXT* pSearch = static_cast<DEVICE_SEARCH_CONTEXT*>(pContext);
    if (!pSearch)
        return 0;
    if (pDevInfoData->DevInst != pSearch->dnTarget)
        return 1;
    // A failed read may leave anything in the buffer: keep it terminated.
    GetDeviceHostApi().pfnSetupDiGetDeviceInstanceIdA(hDevInfo, pDevInfoData, pSearch->szInstanceId,
                                                      DEVICE_SEARCH_TEXT_CHARS, nullptr);
    pSearch->szInstanceId[DEVICE_SEARCH_TEXT_CHARS - 1] = '\0';
    return 0;
}
