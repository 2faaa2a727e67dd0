#include "DriveIdentity.h"

#include "DevInfoList.h"
#include "DevicePath.h"
#include "DeviceSearchContext.h"
#include "HostResource.h"
#include "IdentityRecord.h"
#include "IdentityReport.h"
#include "MountedDevice.h"
#include "VolumeMatch.h"

#include <memory>
#include <new>

int GetDeviceIdentityByDrive(const char* pszDrive, USB_DEVICE_IDENTITY* pIdentity)
{
    if (!pszDrive || !pszDrive[0] || !AcceptIdentityRecord(pIdentity))
        return 0;
    DEVICE_SEARCH_CONTEXT search = {};
    search.pIdentity = pIdentity;

    WCHAR* pPath = nullptr;
    if (!LookupMountedDevice(pszDrive, &pPath)) {
        ReportIdentityStep(IDENTITY_NO_MOUNT_VALUE, nullptr);
        return 0;
    }
    const CProcessHeapBlock path(pPath);
    if (!WideCharToMultiByte(CP_ACP, 0, pPath, -1, search.szTarget, DEVICE_SEARCH_TEXT_CHARS, nullptr, nullptr)) {
        ReportIdentityStep(IDENTITY_MOUNT_PATH_UNFIT, nullptr);
        return 0;
    }
    MakeOpenableDevicePath(search.szTarget, sizeof(search.szTarget));
    ReportIdentityStep(IDENTITY_MOUNT_PATH, search.szTarget);

    std::unique_ptr<CDevInfoList> pList(new (std::nothrow) CDevInfoList);
    if (!pList) {
        ReportIdentityStep(IDENTITY_NO_DEVICE_LIST, nullptr);
        return 0;
    }
    search.pList = pList.get();
    if (!OpenPresentDevices(pList.get()) || !pList->Enumerate(MatchVolumeCallback, &search)) {
        ReportIdentityStep(IDENTITY_NO_DEVICE_LIST, nullptr);
        return 0;
    }
    return pIdentity->bcdDevice != 0;
}
