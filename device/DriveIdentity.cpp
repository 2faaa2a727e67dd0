#include "DriveIdentity.h"

#include "DevInfoList.h"
#include "DevicePath.h"
#include "DeviceSearchContext.h"
#include "HostApi.h"
#include "IdentityRecord.h"
#include "IdentityReport.h"
#include "MountedDevice.h"
#include "VolumeMatch.h"

#include <memory>
#include <new>

namespace {

// The mount-table block, freed on the process heap when it goes.
class CMountPath
{
public:
    CMountPath() : m_pPath(NULL) {}
    ~CMountPath()
    {
        if (m_pPath)
        {
            const DEVICE_HOST_API& host = GetDeviceHostApi();
            host.pfnHeapFree(host.pfnGetProcessHeap(), 0, m_pPath);
        }
    }
    WCHAR* m_pPath;

private:
    CMountPath(const CMountPath&) = delete;
    CMountPath& operator=(const CMountPath&) = delete;
};

}  // namespace

int GetDeviceIdentityByDrive(const char* pszDrive, USB_DEVICE_IDENTITY* pIdentity)
{
    if (!pszDrive || !pszDrive[0] || !AcceptIdentityRecord(pIdentity))
        return 0;
    DEVICE_SEARCH_CONTEXT search = {};
    search.pIdentity = pIdentity;

    CMountPath path;
    if (!LookupMountedDevice(pszDrive, &path.m_pPath))
    {
        ReportIdentityStep(IDENTITY_NO_MOUNT_VALUE, NULL);
        return 0;
    }
    if (!WideCharToMultiByte(CP_ACP, 0, path.m_pPath, -1, search.szTarget, DEVICE_SEARCH_TEXT_CHARS, NULL, NULL))
    {
        ReportIdentityStep(IDENTITY_MOUNT_PATH_UNFIT, NULL);
        return 0;
    }
    MakeOpenableDevicePath(search.szTarget, sizeof(search.szTarget));
    ReportIdentityStep(IDENTITY_MOUNT_PATH, search.szTarget);

    std::unique_ptr<CDevInfoList> pList(new (std::nothrow) CDevInfoList);
    if (!pList)
    {
        ReportIdentityStep(IDENTITY_NO_DEVICE_LIST, NULL);
        return 0;
    }
    search.pList = pList.get();
    if (!OpenPresentDevices(pList.get()) || !pList->Enumerate(MatchVolumeCallback, &search))
    {
        ReportIdentityStep(IDENTITY_NO_DEVICE_LIST, NULL);
        return 0;
    }
    return pIdentity->bcdDevice != 0;
}
