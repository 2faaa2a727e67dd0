// CDevInfoList: owner and walker of one device information set (the
// platform's list of device elements). The list is the only owner of the
// set handle. Walks may nest: a callback may walk the same list again; each
// walk keeps its own index and element record, so the outer walk resumes
// with its next element. A callback must not Open or delete the list.
#pragma once

#include "HostResource.h"

#include <windows.h>
#include <setupapi.h>

// Called for each element of a walk: the set, the element (valid during the
// call only), the list's class GUID and the caller's context. Returns
// non-zero to go on with the next element, zero to stop the walk.
typedef int (*DEVINFO_ENUM_PROC)(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID* pClassGuid, void* pContext);

// Does nothing and returns 1; stands in for a null callback.
int DefaultEnumCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID* pClassGuid, void* pContext);

class CDevInfoList
{
public:
    CDevInfoList();
    virtual ~CDevInfoList();

    // Opens (bAdd zero: replaces; non-zero: adds to) a set through
    // SetupDiGetClassDevsExA. An empty, non-null enumerator or machine name
    // is refused without changing anything. 1 on success, 0 on failure.
    int Open(const GUID* pClassGuid, const char* pszEnumerator, HWND hwndParent, DWORD dwFlags, int bAdd,
             const char* pszMachineName);

    // Walks the set from index 0, calling pfnCallback (or
    // DefaultEnumCallback) for each element until it returns zero or the set
    // runs out. 1 when stopped by the callback or at the end, 0 on any other
    // element-request error.
    int Enumerate(DEVINFO_ENUM_PROC pfnCallback, void* pContext);

    CHostDeviceSet m_hDevInfo;  // INVALID_HANDLE_VALUE while no set is held
    GUID m_ClassGuid;

private:
    CDevInfoList(const CDevInfoList&) = delete;
    CDevInfoList& operator=(const CDevInfoList&) = delete;
};
