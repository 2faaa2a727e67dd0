#include "VolumeMatch.h"

#include "DevInfoList.h"
#include "DeviceSearchContext.h"
#include "FetchInstanceId.h"
#include "HostApi.h"
#include "IdentityReport.h"
#include "InstanceIdText.h"
#include "InstanceIdentity.h"

#include <shlwapi.h>

namespace {

// Instance ids appear in device paths with '#' for each '\'.
void HashBackslashes(char* psz)
{
    for (char* p = psz; *p; p = CharNextA(p)) {
        if (*p == '\\')
            *p = '#';
    }
}

// The USB device above a volume's storage device: its parent from host
// version 6 on, its grandparent below.
int FindUsbDeviceNode(DEVINST dnStorage, DEVINST* pdnUsb)
{
    const DEVICE_HOST_API& host = GetDeviceHostApi();
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!host.pfnGetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) {
        ReportIdentityStep(IDENTITY_CLIMB_FAILED, "the host's version cannot be had");
        return 0;
    }
    DEVINST dn = dnStorage;
    if ((version.dwMajorVersion < 6 && host.pfnCM_Get_Parent(&dn, dn, 0) != CR_SUCCESS) ||
        host.pfnCM_Get_Parent(pdnUsb, dn, 0) != CR_SUCCESS) {
        ReportIdentityStep(IDENTITY_CLIMB_FAILED, "CM_Get_Parent failed above the storage device");
        return 0;
    }
    return 1;
}

}  // namespace

int MatchVolumeCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID*, void* pContext)
{
    DEVICE_SEARCH_CONTEXT* pSearch = static_cast<DEVICE_SEARCH_CONTEXT*>(pContext);
    if (!pSearch || !pSearch->pList)
        return 0;
    char szId[INSTANCE_ID_CHARS];
    if (!ReadInstanceId(hDevInfo, pDevInfoData, szId))
        return 1;
    HashBackslashes(szId);
    if (!StrStrIA(pSearch->szTarget, szId))
        return 1;

    // This element is the volume's storage device; the walk ends here.
    ReportIdentityStep(IDENTITY_STORAGE_DEVICE, szId);
    DEVINST dnUsb = 0;
    if (!FindUsbDeviceNode(pDevInfoData->DevInst, &dnUsb))
        return 0;
    pSearch->dnTarget = dnUsb;
    if (!pSearch->pList->Enumerate(FetchInstanceIdCallback, pSearch)) {
        ReportIdentityStep(IDENTITY_NO_DEVICE_LIST, nullptr);
        return 0;
    }
    if (pSearch->szInstanceId[0])
        GetDeviceIdentityByInstanceId(pSearch->szInstanceId, pSearch->pIdentity);
    else
        ReportIdentityStep(IDENTITY_CLIMB_FAILED,
                           "the device above the storage device is not among the present devices");
    return 0;
}
