#include "AfxModuleFolder.h"

int AfxGetModuleFolder(CString& strFolder)
{
    char szPath[MAX_PATH] = {};
    const DWORD nLength = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    // A result of MAX_PATH means the path was cut (and, before Windows
    // Vista, not terminated): never build on a truncated path.
    if (nLength == 0 || nLength >= MAX_PATH)
        return 0;
    szPath[nLength] = '\0';
    const CString strPath(szPath);
    strFolder = strPath.Left(strPath.ReverseFind('\\') + 1);
    return 1;
}
