#include "StagingNames.h"

#include "AfxFileFind.h"
#include "DriveEntry.h"
#include "FileOps.h"
#include "PackageFolder.h"
#include "PackageRules.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsNameIn(const PACKAGE_FILE_LIST& files, const CString& strName)
{
    for (const PACKAGE_FILE& file : files) {
        if (file.strName.GetLength() == strName.GetLength() && file.strName.CompareNoCase(strName) == 0)
            return true;
    }
    return false;
}

// A leftover the cleanup can remove: a plain file of the drive (see
// DriveEntry.h) that no other program holds open against deletion. Its
// bytes in nBytes.
bool CanRemoveLeftover(CFileOps& ops, const CString& strPath, ULONGLONG& nBytes)
{
    DRIVE_FILE_INFO info = {};
    if (LookAtDriveEntry(strPath, &info) != ENTRY_PLAIN_FILE)
        return false;
    const CFileHandle probe(ops, ops.Open(strPath, DELETE | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT));
    nBytes = info.nBytes;
    return probe.IsOpen();
}

}  // namespace

int GetStagingNumber(const char* pszName, bool bExact)
{
    if (pszName == nullptr || strnlen(pszName, 13) != 12)
        return -1;
    const bool bFrame = bExact ? strncmp(pszName, "~PKU", 4) == 0 && strcmp(pszName + 8, ".TMP") == 0
                               : _strnicmp(pszName, "~PKU", 4) == 0 && _stricmp(pszName + 8, ".TMP") == 0;
    if (!bFrame)
        return -1;
    int nNumber = 0;
    for (int i = 4; i < 8; ++i) {
        const int nDigit = HexDigitValue(pszName[i]);
        if (nDigit < 0 || (bExact && pszName[i] >= 'a'))
            return -1;
        nNumber = nNumber * 16 + nDigit;
    }
    return nNumber;
}

bool HasStagingNames(int nFiles)
{
    return nFiles >= 0 && static_cast<unsigned>(nFiles) <= (kStagingNameCount - 1) / 2;
}

bool IsStagingName(const char* pszName)
{
    return GetStagingNumber(pszName, true) >= 0;
}

CString GetStagingName(unsigned nNumber)
{
    char szName[16];
    snprintf(szName, sizeof szName, "~PKU%04X.TMP", nNumber & 0xFFFFu);
    return szName;
}

void ListLeftoverTemps(CFileOps& ops, const char* pszDriveRoot, const PACKAGE_FILE_LIST& files,
                       PACKAGE_FILE_LIST& leftovers, std::vector<bool>* pTaken, bool bBesideJournal)
{
    leftovers.clear();
    if (pTaken)
        pTaken->assign(kStagingNameCount, false);
    const CString strPattern = CString(pszDriveRoot) + "*";
    if (!FitsMaxPath(strPattern))
        return;
    bool bJournal = false;
    CFileFind finder;
    BOOL bMore = finder.FindFile(strPattern);
    while (bMore) {
        bMore = finder.FindNextFile();
        const CString strName = finder.GetFileName();
        const int nNumber = GetStagingNumber(strName, false);
        if (nNumber < 0)
            continue;
        if (pTaken)
            (*pTaken)[static_cast<size_t>(nNumber)] = true;
        if (nNumber == static_cast<int>(kJournalNumber)) {
            bJournal = true;
            continue;
        }
        ULONGLONG nBytes = 0;
        if (IsStagingName(strName) && !IsNameIn(files, strName) && CanRemoveLeftover(ops, finder.GetFilePath(), nBytes))
            leftovers.push_back(PACKAGE_FILE{finder.GetFilePath(), strName, nBytes});
    }
    finder.Close();
    if (bJournal && !bBesideJournal)
        leftovers.clear();
}

size_t CStagingNames::Prepare(const char* pszDriveRoot, const PACKAGE_FILE_LIST& files, CFileOps& ops)
{
    PACKAGE_FILE_LIST leftovers;
    ListLeftoverTemps(ops, pszDriveRoot, files, leftovers, &m_taken);
    for (const PACKAGE_FILE& leftover : leftovers) {
        if (RemoveOwnFile(ops, leftover.strPath))
            m_taken[static_cast<size_t>(GetStagingNumber(leftover.strName, true))] = false;
    }
    for (const PACKAGE_FILE& file : files) {
        const int nNumber = GetStagingNumber(file.strName, false);
        if (nNumber >= 0)
            m_taken[static_cast<size_t>(nNumber)] = true;
    }
    m_taken[kJournalNumber] = true;
    m_nNext = 0;
    size_t nFree = 0;
    for (unsigned n = 0; n < kJournalNumber; ++n)
        nFree += m_taken[n] ? 0 : 1;
    return nFree;
}

bool CStagingNames::Take(CString& strName)
{
    for (; m_nNext < kJournalNumber; ++m_nNext) {
        if (!m_taken[m_nNext]) {
            m_taken[m_nNext] = true;
            strName = GetStagingName(m_nNext++);
            return true;
        }
    }
    return false;
}
