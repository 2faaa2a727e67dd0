#include "IdentityTrace.h"

#include "EventText.h"

#include <cstring>

CIdentityTrace::CIdentityTrace(CUpdateObserver* pObserver, const char* pszDriveRoot)
    : m_pObserver(pObserver), m_pszDriveRoot(pszDriveRoot), m_nReached(-1), m_bEnded(false)
{
    SetIdentityReport(OnStep, this);
}

CIdentityTrace::~CIdentityTrace()
{
    SetIdentityReport(nullptr, nullptr);
}

namespace {

// "\\?\USB#ROOT_HUB20#4&1A2B&0#{f18a0e88-...}" -> "USB\ROOT_HUB20\4&1A2B&0":
// the hub's instance id, which its device path holds with '#' for '\'.
CString GetHubInstanceId(const CString& strPath)
{
    const char* psz = strPath;
    if (std::strncmp(psz, "\\\\?\\", 4) == 0 || std::strncmp(psz, "\\\\.\\", 4) == 0)
        psz += 4;
    CString strId;
    for (; *psz && !(psz[0] == '#' && psz[1] == '{'); ++psz)
        strId += *psz == '#' ? '\\' : *psz;
    return strId;
}

}  // namespace

void CIdentityTrace::OnStep(IDENTITY_STEP nStep, const char* pszDetail, void* pContext)
{
    static_cast<CIdentityTrace*>(pContext)->Report(nStep, pszDetail ? pszDetail : "");
}

void CIdentityTrace::Report(IDENTITY_STEP nStep, const char* pszDetail)
{
    if (m_bEnded)
        return;  // what the failure left undone
    if (nStep == IDENTITY_HUB_PORT) {
        m_strHubPort = GetHubInstanceId(m_strHub) + " port " + pszDetail;
        return;
    }
    const char* pszDrive = m_pszDriveRoot;
    switch (nStep) {
    case IDENTITY_MOUNT_PATH:
        ReportEvent(m_pObserver, "%s: mount-table path %s", pszDrive, pszDetail);
        break;
    case IDENTITY_STORAGE_DEVICE:
        ReportEvent(m_pObserver, "%s: storage device %s occurs in it", pszDrive, pszDetail);
        break;
    case IDENTITY_USB_DEVICE:
        m_strUsbDevice = pszDetail;
        ReportEvent(m_pObserver, "%s: USB device %s", pszDrive, pszDetail);
        break;
    case IDENTITY_HUB:
        m_strHub = pszDetail;
        ReportEvent(m_pObserver, "%s: hub %s", pszDrive, pszDetail);
        break;
    case IDENTITY_HUB_PORT:
        break;  // kept above
    case IDENTITY_NO_MOUNT_VALUE:
        ReportEvent(m_pObserver, "%s: the mount table has no value for the drive, or cannot be read", pszDrive);
        break;
    case IDENTITY_MOUNT_PATH_UNFIT:
        ReportEvent(m_pObserver, "%s: the mount-table path does not fit 259 characters", pszDrive);
        break;
    case IDENTITY_NO_DEVICE_LIST:
        ReportEvent(m_pObserver, "%s: the present devices cannot be listed", pszDrive);
        break;
    case IDENTITY_CLIMB_FAILED:
        ReportEvent(m_pObserver, "%s: climbing the device tree failed: %s", pszDrive, pszDetail);
        break;
    case IDENTITY_HUB_FAILED:
        ReportEvent(m_pObserver, "%s: the hub cannot be asked for its ports: %s", pszDrive, pszDetail);
        break;
    case IDENTITY_NO_HUB_PORT:
        ReportEvent(m_pObserver, "%s: no port of the hub carries the device (%s)", pszDrive, pszDetail);
        break;
    }
    if (nStep <= IDENTITY_HUB)
        m_nReached = nStep;
    else
        m_bEnded = true;
}

void CIdentityTrace::ReportFailure() const
{
    if (m_bEnded)
        return;
    switch (m_nReached) {
    case IDENTITY_MOUNT_PATH:
        ReportEvent(m_pObserver, "%s: no present device's id occurs in the mount path", m_pszDriveRoot);
        break;
    case IDENTITY_STORAGE_DEVICE:
        ReportEvent(m_pObserver, "%s: climbing the device tree failed: no present device has the USB device's id",
                    m_pszDriveRoot);
        break;
    case IDENTITY_USB_DEVICE:
        ReportEvent(m_pObserver, "%s: climbing the device tree failed: its hub is not among the present devices",
                    m_pszDriveRoot);
        break;
    default:
        break;
    }
}
