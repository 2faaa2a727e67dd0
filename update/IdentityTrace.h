// CIdentityTrace: what the log says of the identification of one drive.
// While it lives, the steps that device identification reports (mount
// path, storage device, USB device, hub, or where the way ended) go to the
// observer as events about that drive, and the USB device reached is kept
// (the device to eject after an update). Without an observer no event is
// formatted.
#pragma once

#include "AfxString.h"
#include "IdentityReport.h"

class CUpdateObserver;

class CIdentityTrace
{
public:
    CIdentityTrace(CUpdateObserver* pObserver, const char* pszDriveRoot);
    ~CIdentityTrace();
    CIdentityTrace(const CIdentityTrace&) = delete;
    CIdentityTrace& operator=(const CIdentityTrace&) = delete;

    // The lookup failed: says why, if identification didn't say it itself
    // (a walk that found nothing reports nothing).
    void ReportFailure() const;
    // The USB device's instance id (the composite device for an interface),
    // once identification reached it; empty before.
    const CString& GetUsbDevice() const { return m_strUsbDevice; }
    // The hub and the port that carries the device, once the port was
    // found: the hub's instance id and the port's number
    // ("USB\ROOT_HUB20\4&1A2B&0 port 2"); empty before. Not logged: the
    // hub is, and the device's identity follows.
    const CString& GetHubPort() const { return m_strHubPort; }

private:
    static void OnStep(IDENTITY_STEP nStep, const char* pszDetail, void* pContext);
    void Report(IDENTITY_STEP nStep, const char* pszDetail);

    CUpdateObserver* m_pObserver;
    const char* m_pszDriveRoot;
    int m_nReached;  // the last step passed; -1: none
    bool m_bEnded;   // a failure was reported
    CString m_strUsbDevice;
    CString m_strHub;  // the hub's device path, as reported
    CString m_strHubPort;
};
