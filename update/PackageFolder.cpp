#include "PackageFolder.h"

#include "AfxFileFind.h"
#include "PackageRules.h"

#include <shlwapi.h>

#include <cstring>

bool FitsMaxPath(const CString& strPath)
{
    return strPath.GetLength() < MAX_PATH;
}

bool IsDiskFile(HANDLE hFile)
{
    return GetFileType(hFile) == FILE_TYPE_DISK;
}

int BuildPackagePattern(const char* pszPackageFolder, CString& strPattern)
{
    strPattern = CString(pszPackageFolder) + "\\*.*";
    return FitsMaxPath(strPattern) ? 1 : 0;
}

ULONGLONG GetPackageFileBytes(const CString& strPath)
{
    if (!FitsMaxPath(strPath))
        return 0;
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
    HANDLE hFile =
        CreateFileA(strPath, GENERIC_READ, FILE_SHARE_READ, &security, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size = {};
    const BOOL bSized = IsDiskFile(hFile) && GetFileSizeEx(hFile, &size);
    CloseHandle(hFile);
    return bSized ? static_cast<ULONGLONG>(size.QuadPart) : 0;
}

bool IsPlainFolderName(const char* pszName)
{
    if (!pszName || !*pszName)
        return false;
    char chLast = 0;  // the last single-byte character; 0 after a double-byte one
    for (const char* p = pszName; *p;) {
        const char* pNext = CharNextA(p);
        if (pNext == p + 1) {
            const unsigned char ch = static_cast<unsigned char>(*p);
            if (ch < 32 || std::strchr("\\/:<>\"|?*", ch))
                return false;
            chLast = *p;
        } else {
            chLast = 0;
        }
        p = pNext;
    }
    // "." and ".." end in a dot as well.
    return chLast != '.' && chLast != ' ' && !IsDeviceName(pszName);
}

int LocatePackageFolder(const char* pszProgramFolder, const char* pszSection, CString& strFolder)
{
    if (!IsPlainFolderName(pszSection))
        return 0;
    CString strPath(pszProgramFolder);
    strPath += pszSection;
    if (!FitsMaxPath(strPath) || !PathFileExistsA(strPath))
        return 0;
    strFolder = strPath;
    return 1;
}

int WalkPackageFiles(const char* pszProgramFolder, const char* pszSection, PACKAGE_FILE_PROC pfnProc, void* pContext)
{
    CString strFolder;
    if (!LocatePackageFolder(pszProgramFolder, pszSection, strFolder))
        return 0;
    CString strPattern;
    if (!BuildPackagePattern(strFolder, strPattern))
        return 0;

    CFileFind finder;
    int nFiles = 0;
    BOOL bMore = finder.FindFile(strPattern);
    while (bMore) {
        bMore = finder.FindNextFile();
        if (finder.IsDots() || finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY))
            continue;
        ++nFiles;
        if (!pfnProc(finder.GetFilePath(), finder.GetFileName(), pContext))
            break;
    }
    finder.Close();
    return nFiles;
}
