#include "InstanceIdentity.h"

#include "DevInfoList.h"
#include "DeviceSearchContext.h"
#include "IdentityRecord.h"
#include "IdentityReport.h"
#include "UsbDeviceMatch.h"

#include <cstring>
#include <memory>
#include <new>

int GetDeviceIdentityByInstanceId(const char* pszInstanceId, USB_DEVICE_IDENTITY* pIdentity)
{
    if (!pszInstanceId || !pszInstanceId[0])
        return 0;
    // The id must fit szTarget with its terminator.
    if (strnlen(pszInstanceId, DEVICE_SEARCH_TEXT_CHARS) >= DEVICE_SEARCH_TEXT_CHARS)
        return 0;
    if (!AcceptIdentityRecord(pIdentity))
        return 0;
    DEVICE_SEARCH_CONTEXT search = {};
    search.pIdentity = pIdentity;

    std::unique_ptr<CDevInfoList> pList(new (std::nothrow) CDevInfoList);
    if (!pList) {
        ReportIdentityStep(IDENTITY_NO_DEVICE_LIST, nullptr);
        return 0;
    }
    search.pList = pList.get();
    lstrcpynA(search.szTarget, pszInstanceId, DEVICE_SEARCH_TEXT_CHARS);
    if (!OpenPresentDevices(pList.get()) || !pList->Enumerate(MatchUsbDeviceCallback, &search)) {
        ReportIdentityStep(IDENTITY_NO_DEVICE_LIST, nullptr);
        return 0;
    }
    return pIdentity->bcdDevice != 0;
}
