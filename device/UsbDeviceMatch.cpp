#include "UsbDeviceMatch.h"

#include "DevInfoList.h"
#include "DeviceSearchContext.h"
#include "FetchInstanceId.h"
#include "HostApi.h"
#include "HubPortQuery.h"
#include "IdentityReport.h"
#include "InstanceIdText.h"

#include <shlwapi.h>

namespace {

// The composite device above an interface: its node and instance id.
int FindCompositeDevice(DEVICE_SEARCH_CONTEXT* pSearch, DEVINST dnInterface, DEVINST* pdnDevice)
{
    if (GetDeviceHostApi().pfnCM_Get_Parent(pdnDevice, dnInterface, 0) != CR_SUCCESS) {
        ReportIdentityStep(IDENTITY_CLIMB_FAILED, "CM_Get_Parent failed above the interface of the composite device");
        return 0;
    }
    pSearch->dnTarget = *pdnDevice;
    if (!pSearch->pList->Enumerate(FetchInstanceIdCallback, pSearch)) {
        ReportIdentityStep(IDENTITY_NO_DEVICE_LIST, nullptr);
        return 0;
    }
    return 1;
}

}  // namespace

int MatchUsbDeviceCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID*, void* pContext)
{
    DEVICE_SEARCH_CONTEXT* pSearch = static_cast<DEVICE_SEARCH_CONTEXT*>(pContext);
    if (!pSearch || !pSearch->pList)
        return 0;
    char szId[INSTANCE_ID_CHARS];
    if (!ReadInstanceId(hDevInfo, pDevInfoData, szId))
        return 1;
    // The whole id, not a part of it: a serial number may begin another,
    // and an id without one begins every id of the model.
    if (lstrcmpiA(szId, pSearch->szTarget) != 0)
        return 1;

    // This element is the device looked up; the walk ends here.
    DEVINST dnDevice = pDevInfoData->DevInst;
    if (StrStrIA(pSearch->szTarget, "&MI_")) {
        if (!FindCompositeDevice(pSearch, pDevInfoData->DevInst, &dnDevice))
            return 0;
    } else {
        lstrcpynA(pSearch->szInstanceId, szId, DEVICE_SEARCH_TEXT_CHARS);
        pSearch->dnTarget = dnDevice;
    }
    ReportIdentityStep(IDENTITY_USB_DEVICE, pSearch->szInstanceId);
    DEVINST dnHub = 0;
    if (GetDeviceHostApi().pfnCM_Get_Parent(&dnHub, dnDevice, 0) != CR_SUCCESS) {
        ReportIdentityStep(IDENTITY_CLIMB_FAILED, "CM_Get_Parent failed above the USB device");
        return 0;
    }
    pSearch->dnHub = dnHub;
    pSearch->pList->Enumerate(QueryHubPortsCallback, pSearch);
    return 0;
}
