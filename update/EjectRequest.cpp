// The eject of the update engine: the device identified behind the target
// drive, asked to go, again after a pause while a retried veto holds it.
#include "EjectRequest.h"

#include "DeviceEject.h"
#include "UpdateEngine.h"

bool IsRetriedVeto(PNP_VETO_TYPE vetoType)
{
    return vetoType == PNP_VetoWindowsApp || vetoType == PNP_VetoOutstandingOpen || vetoType == PNP_VetoDriver;
}

bool IsNamedVeto(PNP_VETO_TYPE vetoType)
{
    return vetoType != PNP_VetoTypeUnknown;
}

bool IsVetoNameShown(PNP_VETO_TYPE vetoType)
{
    return vetoType == PNP_VetoWindowsApp || vetoType == PNP_VetoWindowsService;
}

const char* GetVetoTypeName(PNP_VETO_TYPE vetoType)
{
    static const char* const apszNames[] = {
        "unknown",
        "legacy device",
        "pending close",
        "application",
        "service",
        "outstanding open",
        "device",
        "driver",
        "illegal request",
        "insufficient power",
        "not disableable",
        "legacy driver",
        "insufficient rights",
        "already removed",
    };
    const unsigned nType = static_cast<unsigned>(vetoType);
    return nType < sizeof(apszNames) / sizeof(apszNames[0]) ? apszNames[nType] : "of unknown type";
}

int CUpdateEngine::EjectDevice(EJECT_OUTCOME& outcome)
{
    outcome = EJECT_OUTCOME{false, CR_NO_SUCH_DEVNODE, PNP_VetoTypeUnknown, CString(), 0};
    Report("Eject: asking the host to eject %s", static_cast<const char*>(m_strUsbDevice));
    for (;;) {
        char szVetoName[EJECT_VETO_NAME_CHARS];
        outcome.cr = RequestDeviceEject(m_strUsbDevice, &outcome.vetoType, szVetoName);
        outcome.strVetoName = szVetoName;
        ++outcome.nRequests;
        // A device that is gone already (pulled since the update) is what
        // the user asked for: it can be unplugged, or is.
        outcome.bEjected = outcome.cr == CR_SUCCESS || outcome.vetoType == PNP_VetoAlreadyRemoved;
        if (outcome.bEjected || outcome.cr != CR_REMOVE_VETOED || !IsRetriedVeto(outcome.vetoType) ||
            outcome.nRequests >= kEjectRequests)
            break;
        Report("Eject: vetoed (type %d, %s) by \"%s\"; asking again in %lu ms", static_cast<int>(outcome.vetoType),
               GetVetoTypeName(outcome.vetoType), szVetoName, kEjectRetryPauseMs);
        Sleep(kEjectRetryPauseMs);
    }
    if (outcome.cr == CR_SUCCESS)
        Report("Eject: %s ejected; the device can be unplugged", static_cast<const char*>(m_strUsbDevice));
    else if (outcome.bEjected)
        Report("Eject: %s is gone already (type 13, already removed); the device can be unplugged",
               static_cast<const char*>(m_strUsbDevice));
    else if (IsNamedVeto(outcome.vetoType))
        Report("Eject: vetoed (type %d, %s) by \"%s\"", static_cast<int>(outcome.vetoType),
               GetVetoTypeName(outcome.vetoType), static_cast<const char*>(outcome.strVetoName));
    else
        Report("Eject: failed without a veto: the host answered 0x%08lX and named nothing that holds the device",
               static_cast<unsigned long>(outcome.cr));
    return outcome.bEjected ? 1 : 0;
}
