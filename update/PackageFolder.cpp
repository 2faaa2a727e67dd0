#include "PackageFolder.h"

#include "AfxFileFind.h"

#include <shlwapi.h>

bool FitsMaxPath(const CString& strPath)
{
    return strPath.GetLength() < MAX_PATH;
}

int LocatePackageFolder(const char* pszProgramFolder, const char* pszSection, CString& strFolder)
{
    CString strPath(pszProgramFolder);
    strPath += pszSection;
    if (!FitsMaxPath(strPath) || !PathFileExistsA(strPath))
        return 0;
    strFolder = strPath;
    return 1;
}

int WalkPackageFiles(const char* pszProgramFolder, const char* pszSection, PACKAGE_FILE_PROC pfnProc,
                     void* pContext)
{
    CString strFolder;
    if (!LocatePackageFolder(pszProgramFolder, pszSection, strFolder))
        return 0;
    const CString strPattern = strFolder + "\\*.*";
    if (!FitsMaxPath(strPattern))
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
