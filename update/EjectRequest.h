// The eject after an update: the engine asks the host to eject the USB
// device it identified behind the target drive (CUpdateEngine::EjectDevice)
// and retries the vetoes that tend to pass within a second. The dialog and
// the command line judge the outcome with the same functions.
#pragma once

#include "AfxString.h"

#include <windows.h>
#include <cfgmgr32.h>

struct EJECT_OUTCOME
{
    bool bEjected;           // gone: ejected now, or found removed already
    CONFIGRET cr;            // the host's last answer
    PNP_VETO_TYPE vetoType;  // what refused, when the host vetoed
    CString strVetoName;     // ... and its name, as the host gave it
    int nRequests;           // requests made
};

// Requests made at most for one eject, and the pause between two.
const int kEjectRequests = 4;
const DWORD kEjectRetryPauseMs = 500;

// An application, an open handle or a driver: what often lets go of the
// device a moment later, so the request is made again after a pause.
bool IsRetriedVeto(PNP_VETO_TYPE vetoType);
// The host named what refused; without a type (PNP_VetoTypeUnknown) the
// failure is the host's own, and nothing is known to hold the device.
bool IsNamedVeto(PNP_VETO_TYPE vetoType);
// An application or a service: its name tells the user what holds the
// device; for other vetoes the name is the host's own and says nothing.
bool IsVetoNameShown(PNP_VETO_TYPE vetoType);
// "outstanding open", ...: the veto type for the log.
const char* GetVetoTypeName(PNP_VETO_TYPE vetoType);
