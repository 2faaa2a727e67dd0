#include "ModuleFolder.h"

int GetModuleFolder(CString& strFolder)
{
    CString strPath;
    const DWORD nLength = GetModuleFileNameA(nullptr, strPath.GetBuffer(MAX_PATH), MAX_PATH);
    strPath.ReleaseBuffer();
    // A result of MAX_PATH means the path was cut: never build on a
    // truncated path.
    if (nLength == 0 || nLength >= MAX_PATH)
        return 0;
    strFolder = strPath.Left(strPath.ReverseFind('\\') + 1);
    return 1;
}
