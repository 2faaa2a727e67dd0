#include "IdentityRecord.h"

int AcceptIdentityRecord(USB_DEVICE_IDENTITY* pIdentity)
{
    if (!pIdentity || pIdentity->cbSize < sizeof(USB_DEVICE_IDENTITY))
        return 0;
    ZeroMemory(pIdentity, sizeof(USB_DEVICE_IDENTITY));
    pIdentity->cbSize = sizeof(USB_DEVICE_IDENTITY);
    return 1;
}

int OpenPresentDevices(CDevInfoList* pList)
{
    return pList->Open(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES, 0, nullptr);
}
