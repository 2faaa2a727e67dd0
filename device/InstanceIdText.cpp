#include "InstanceIdText.h"

#include "HostApi.h"

int ReadInstanceId(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, char (&szId)[INSTANCE_ID_CHARS])
{
    ZeroMemory(szId, sizeof(szId));
    BOOL bRead =
        GetDeviceHostApi().pfnSetupDiGetDeviceInstanceIdA(hDevInfo, pDevInfoData, szId, INSTANCE_ID_CHARS, nullptr);
    szId[INSTANCE_ID_CHARS - 1] = '\0';
    return bRead && szId[0] ? 1 : 0;
}
