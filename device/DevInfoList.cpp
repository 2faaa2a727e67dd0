#include "DevInfoList.h"

#include "HostApi.h"

int DefaultEnumCallback(HDEVINFO, SP_DEVINFO_DATA*, GUID*, void*)
{
    return 1;
}

CDevInfoList::CDevInfoList() : m_hDevInfo(), m_ClassGuid() {}

CDevInfoList::~CDevInfoList() {}

int CDevInfoList::Open(const GUID* pClassGuid, const char* pszEnumerator, HWND hwndParent, DWORD dwFlags, int bAdd,
                       const char* pszMachineName)
{
    if (pszEnumerator && !*pszEnumerator)
        return 0;
    if (pszMachineName && !*pszMachineName)
        return 0;

    // Adding needs a held set; adding to a list that is not open opens a
    // fresh set instead.
    const bool bAddToHeld = bAdd && m_hDevInfo.IsOpen();
    if (!bAddToHeld)
        m_hDevInfo.Close();

    HDEVINFO hPassed = bAddToHeld ? m_hDevInfo.Get() : nullptr;
    HDEVINFO hDevInfo = GetDeviceHostApi().pfnSetupDiGetClassDevsExA(pClassGuid, pszEnumerator, hwndParent, dwFlags,
                                                                     hPassed, pszMachineName, nullptr);
    if (hDevInfo == INVALID_HANDLE_VALUE)
        return 0;  // a failed addition leaves the held set open and unchanged

    // Adding hands back the held set itself; anything else is a set of
    // its own, which then replaces the held one.
    if (hDevInfo != m_hDevInfo.Get())
        m_hDevInfo = CHostDeviceSet(hDevInfo);
    if (pClassGuid)
        m_ClassGuid = *pClassGuid;
    else
        m_ClassGuid = GUID();
    return 1;
}

int CDevInfoList::Enumerate(DEVINFO_ENUM_PROC pfnCallback, void* pContext)
{
    const DEVICE_HOST_API& host = GetDeviceHostApi();
    SP_DEVINFO_DATA devInfoData = {};
    devInfoData.cbSize = sizeof(devInfoData);

    for (DWORD dwIndex = 0;; ++dwIndex) {
        if (!host.pfnSetupDiEnumDeviceInfo(m_hDevInfo.Get(), dwIndex, &devInfoData))
            return host.pfnGetLastError() == ERROR_NO_MORE_ITEMS ? 1 : 0;

        if (pfnCallback) {
            if (!pfnCallback(m_hDevInfo.Get(), &devInfoData, &m_ClassGuid, pContext))
                return 1;
        } else {
            DefaultEnumCallback(m_hDevInfo.Get(), &devInfoData, &m_ClassGuid, pContext);
        }
    }
}
