#include "ProgramFolder.h"

#include "TestFiles.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>

namespace {

bool IsFolder(const std::string& strPath)
{
    const DWORD nAttributes = GetFileAttributesA(strPath.c_str());
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

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
    if (!IsFolder(strSource))
        return false;
    bool bOk = true;
    for (const std::string& strName : ListFolder(strSource)) {
        const std::string strFrom = strSource + "\\" + strName;
        const std::string strTo = strTarget + "\\" + strName;
        if (IsFolder(strFrom))
            bOk = CopyFolder(strFrom, strTo) && bOk;
        else
            bOk = CopyFileA(strFrom.c_str(), strTo.c_str(), FALSE) && bOk;
    }
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
    for (const std::string& strName : ListFolder(strFolder)) {
        if (!IsFolder(strFolder + "\\" + strName))
            names.push_back(strName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string CompareWithPackage(const std::string& strPackage, const std::string& strDriveRoot)
{
    const std::vector<std::string> files = ListFiles(strPackage);
    if (files.empty())
        return "no package files in " + strPackage;
    if (ListFiles(strDriveRoot) != files)
        return strDriveRoot + " holds other files than " + strPackage;
    for (const std::string& strName : files) {
        if (ReadFileBytes(strDriveRoot + strName) != ReadFileBytes(strPackage + "\\" + strName))
            return strDriveRoot + strName + " differs from the package's";
    }
    return std::string();
}
