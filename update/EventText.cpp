#include "EventText.h"

#include "UpdateObserver.h"

#include <cstdio>

namespace {

// One event line: room for a mount-table path, an instance id and the
// three descriptor strings of a device.
const int kEventChars = 2048;

}  // namespace

void ReportEvent(CUpdateObserver* pObserver, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    ReportEventV(pObserver, pszFormat, args);
    va_end(args);
}

void ReportEventV(CUpdateObserver* pObserver, const char* pszFormat, va_list args)
{
    if (!pObserver)
        return;
    char szText[kEventChars];
    if (std::vsnprintf(szText, sizeof szText, pszFormat, args) < 0)
        return;
    pObserver->OnEvent(szText);
}

CString GetErrorText(DWORD dwError)
{
    char szSystem[256] = {};
    const DWORD nLength = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, dwError,
                                         0, szSystem, sizeof szSystem, nullptr);
    // The system's texts end in a line break.
    DWORD nEnd = nLength < sizeof szSystem ? nLength : 0;
    while (nEnd > 0 && (szSystem[nEnd - 1] == '\r' || szSystem[nEnd - 1] == '\n' || szSystem[nEnd - 1] == ' '))
        --nEnd;
    szSystem[nEnd] = '\0';
    CString strText;
    if (nEnd > 0)
        strText.Format("error %lu: %s", static_cast<unsigned long>(dwError), szSystem);
    else
        strText.Format("error %lu", static_cast<unsigned long>(dwError));
    return strText;
}

const char* GetDriveTypeName(UINT nType)
{
    switch (nType) {
    case DRIVE_NO_ROOT_DIR:
        return "no such root";
    case DRIVE_FIXED:
        return "fixed";
    case DRIVE_REMOTE:
        return "network";
    case DRIVE_CDROM:
        return "optical";
    case DRIVE_RAMDISK:
        return "RAM disk";
    default:
        return "of unknown type";
    }
}
