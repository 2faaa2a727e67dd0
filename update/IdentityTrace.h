// CIdentityTrace: what the log says of the identification of one drive.
// While it lives, the steps that device identification reports (mount
// path, storage device, USB device, hub, or where the way ended) go to the
// observer as events about that drive. Without an observer it installs
// nothing, so identification reports nothing.
#pragma once

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

private:
    static void OnStep(IDENTITY_STEP nStep, const char* pszDetail, void* pContext);
    void Report(IDENTITY_STEP nStep, const char* pszDetail);

    CUpdateObserver* m_pObserver;
    const char* m_pszDriveRoot;
    int m_nReached;  // the last step passed; -1: none
    bool m_bEnded;   // a failure was reported
};
