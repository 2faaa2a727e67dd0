#include "ProgramFolder.h"

#include "TestFiles.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

std::string WindowsPathOf(const std::string& strUnixPath)
{
    std::string strPath = "Z:" + strUnixPath;
    std::replace(strPath.begin(), strPath.end(), '/', '\\');
    return strPath;
}

std::string FolderFromEnvironment(const char* pszVariable)
{
    const char* pszValue = std::getenv(pszVariable);
    return pszValue ? WindowsPathOf(pszValue) : std::string();
}

bool CopyFolder(const std::string& strSource, const std::string& strTarget)
{
    MakeFolder(strTarget);
    WIN32_FIND_DATAA found = {};
    HANDLE hFind = FindFirstFileA((strSource + "\\*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    bool bOk = true;
    do {
        const std::string strName = found.cFileName;
        if (strName == "." || strName == "..")
            continue;
        const std::string strFrom = strSource + "\\" + strName;
        const std::string strTo = strTarget + "\\" + strName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            bOk = CopyFolder(strFrom, strTo) && bOk;
        else
            bOk = CopyFileA(strFrom.c_str(), strTo.c_str(), FALSE) && bOk;
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
    return bOk;
}

std::string LayOutProgram(const std::string& strFolder, const std::string& strProgram, const std::string& strScenario,
                          bool bWithModule)
{
    RemovePath(strFolder);
    MakeFolder(strFolder);
    const std::string strBuilt = FolderFromEnvironment("PELKIN_APP_DIR");
    const std::string strPath = strFolder + "\\" + strProgram;
    CopyFileA((strBuilt + "\\" + strProgram).c_str(), strPath.c_str(), FALSE);
    if (bWithModule)
        CopyFileA((strBuilt + "\\PelkinUpdate.prm").c_str(), (strFolder + "\\PelkinUpdate.prm").c_str(), FALSE);
    if (!strScenario.empty())
        CopyFolder(FolderFromEnvironment("PELKIN_EXAMPLES") + "\\" + strScenario, strFolder);
    return strPath;
}

std::vector<std::string> ListFiles(const std::string& strFolder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found = {};
    HANDLE hFind = FindFirstFileA((strFolder + "\\*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileA(hFind, &found));
    FindClose(hFind);
    std::sort(names.begin(), names.end());
    return names;
}
