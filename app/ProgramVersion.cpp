#include "ProgramVersion.h"

#include <vector>

CString GetProgramVersion()
{
    CString strVersion;
    char szPath[MAX_PATH] = {};
    const DWORD nLength = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH)
        return strVersion;
    DWORD nHandle = 0;
    const DWORD nSize = GetFileVersionInfoSizeA(szPath, &nHandle);
    if (nSize == 0)
        return strVersion;
    std::vector<BYTE> info(nSize);
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nFixed = 0;
    if (!GetFileVersionInfoA(szPath, 0, nSize, info.data()) ||
        !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&pFixed), &nFixed) || !pFixed ||
        nFixed < sizeof(VS_FIXEDFILEINFO))
        return strVersion;
    strVersion.Format("%u.%u.%u.%u", HIWORD(pFixed->dwFileVersionMS), LOWORD(pFixed->dwFileVersionMS),
                      HIWORD(pFixed->dwFileVersionLS), LOWORD(pFixed->dwFileVersionLS));
    return strVersion;
}
