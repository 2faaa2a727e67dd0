#include "DeviceEject.h"

#include "DevInfoList.h"
#include "HostApi.h"
#include "IdentityRecord.h"
#include "InstanceIdText.h"

namespace {

struct EJECT_SEARCH
{
    const char* pszInstanceId;
    DEVINST dnDevice;  // 0 until found
};

int FindDeviceCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID*, void* pContext)
{
    EJECT_SEARCH* pSearch = static_cast<EJECT_SEARCH*>(pContext);
    char szId[INSTANCE_ID_CHARS];
    if (!ReadInstanceId(hDevInfo, pDevInfoData, szId) || lstrcmpiA(szId, pSearch->pszInstanceId) != 0)
        return 1;
    pSearch->dnDevice = pDevInfoData->DevInst;
    return 0;
}

// The node of the present device whose whole id it is; the list is given
// back before the device is asked to go.
CONFIGRET FindDeviceNode(const char* pszInstanceId, DEVINST* pdnDevice)
{
    EJECT_SEARCH search = {pszInstanceId, 0};
    CDevInfoList list;
    if (!OpenPresentDevices(&list) || !list.Enumerate(FindDeviceCallback, &search))
        return CR_FAILURE;
    *pdnDevice = search.dnDevice;
    return search.dnDevice ? CR_SUCCESS : CR_NO_SUCH_DEVNODE;
}

}  // namespace

CONFIGRET RequestDeviceEject(const char* pszInstanceId, PNP_VETO_TYPE* pVetoType,
                             char (&szVetoName)[EJECT_VETO_NAME_CHARS])
{
    *pVetoType = PNP_VetoTypeUnknown;
    ZeroMemory(szVetoName, sizeof(szVetoName));
    if (!pszInstanceId || !pszInstanceId[0])
        return CR_NO_SUCH_DEVNODE;
    DEVINST dnDevice = 0;
    const CONFIGRET crFound = FindDeviceNode(pszInstanceId, &dnDevice);
    if (crFound != CR_SUCCESS)
        return crFound;
    const CONFIGRET cr =
        GetDeviceHostApi().pfnCM_Request_Device_EjectA(dnDevice, pVetoType, szVetoName, EJECT_VETO_NAME_CHARS, 0);
    szVetoName[EJECT_VETO_NAME_CHARS - 1] = '\0';
    return cr;
}
