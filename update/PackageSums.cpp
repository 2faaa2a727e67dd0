#include "PackageSums.h"

#include "FileOps.h"
#include "PackageFolder.h"
#include "PackageRules.h"
#include "PackageSpace.h"

#include <bcrypt.h>

#include <cstring>

namespace {

// No release lists more than a few hundred files: a larger list is no list
// of ours, and is not read into memory.
const DWORD kMaxSumsBytes = 1024 * 1024;
const DWORD kHashChunk = 1024 * 1024;

bool IsOk(NTSTATUS status)
{
    return status >= 0;
}

bool ParseDigest(const char* pHex, SHA256_DIGEST& digest)
{
    for (int i = 0; i < 32; ++i) {
        const int nHigh = HexDigitValue(pHex[2 * i]);
        const int nLow = HexDigitValue(pHex[2 * i + 1]);
        if (nHigh < 0 || nLow < 0)
            return false;
        digest.ab[i] = static_cast<BYTE>(nHigh * 16 + nLow);
    }
    return true;
}

// coreutils escapes a name holding '\' or a line end, and marks the line
// with a leading '\'. A list written on Windows names folders with '\',
// which becomes '/' here like any other separator.
bool Unescape(const CString& strRaw, bool bEscaped, CString& strName)
{
    strName.Empty();
    for (int i = 0; i < strRaw.GetLength(); ++i) {
        char ch = strRaw.GetAt(i);
        if (bEscaped && ch == '\\') {
            if (++i >= strRaw.GetLength())
                return false;
            const char chNext = strRaw.GetAt(i);
            if (chNext == 'n')
                return false;  // no Windows file name holds a line end
            if (chNext != '\\')
                return false;
            ch = '\\';
        }
        strName += ch == '\\' ? '/' : ch;
    }
    return true;
}

// "" when the name may stand in the list, else why not: a name relative to
// the release folder, folders separated by single '/', none "." or "..".
const char* JudgeListedName(const CString& strName)
{
    if (strName.IsEmpty())
        return "the line names no file";
    if (strName.GetAt(0) == '/' || strchr(strName, ':'))
        return "it names an absolute path";
    const char* pszPart = strName;
    for (;;) {
        const char* pszEnd = strchr(pszPart, '/');
        const size_t nPart = pszEnd ? static_cast<size_t>(pszEnd - pszPart) : strlen(pszPart);
        if (nPart == 2 && strncmp(pszPart, "..", 2) == 0)
            return "it names a path that leaves the release folder (\"..\")";
        if (nPart == 0 || (nPart == 1 && pszPart[0] == '.'))
            return "it names a malformed path";
        if (!pszEnd)
            return "";
        pszPart = pszEnd + 1;
    }
}

int Untrust(SUMS_LIST& list, int nLine, const char* pszWhy)
{
    list.bTrusted = false;
    list.nBadLine = nLine;
    list.strWhy = pszWhy;
    list.entries.clear();
    return 0;
}

// One line without its end; "" when it is trusted.
const char* ParseLine(const CString& strLine, int nLine, SUMS_LIST& list)
{
    const bool bEscaped = strLine.GetLength() > 0 && strLine.GetAt(0) == '\\';
    const char* p = static_cast<const char*>(strLine) + (bEscaped ? 1 : 0);
    const size_t nLength = strlen(p);
    SUMS_ENTRY entry = {CString(), {}, nLine};
    if (nLength < 67 || !ParseDigest(p, entry.digest) || p[64] != ' ' || (p[65] != ' ' && p[65] != '*'))
        return "a malformed line";
    if (!Unescape(p + 66, bEscaped, entry.strName))
        return "a malformed line";
    const char* pszWhy = JudgeListedName(entry.strName);
    if (*pszWhy)
        return pszWhy;
    if (FindSum(list, entry.strName))
        return "a name listed twice";
    list.entries.push_back(entry);
    return "";
}

}  // namespace

CSha256::CSha256() : m_hAlgorithm(nullptr), m_hHash(nullptr)
{
    BCRYPT_ALG_HANDLE hAlgorithm = nullptr;
    if (!IsOk(BCryptOpenAlgorithmProvider(&hAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)))
        return;
    m_hAlgorithm = hAlgorithm;
    // Windows 7 wants the hash object's memory from the caller.
    DWORD nObject = 0;
    ULONG nGot = 0;
    if (!IsOk(BCryptGetProperty(hAlgorithm, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&nObject), sizeof nObject,
                                &nGot, 0)))
        return;
    m_object.resize(nObject);
    Start();
}

CSha256::~CSha256()
{
    if (m_hHash)
        BCryptDestroyHash(m_hHash);
    if (m_hAlgorithm)
        BCryptCloseAlgorithmProvider(m_hAlgorithm, 0);
}

bool CSha256::Start()
{
    if (m_hHash)
        BCryptDestroyHash(m_hHash);
    m_hHash = nullptr;
    if (!m_hAlgorithm)
        return false;
    BCRYPT_HASH_HANDLE hHash = nullptr;
    if (!IsOk(BCryptCreateHash(m_hAlgorithm, &hHash, m_object.data(), static_cast<ULONG>(m_object.size()), nullptr, 0,
                               0)))
        return false;
    m_hHash = hHash;
    return true;
}

bool CSha256::Add(const void* pData, DWORD nBytes)
{
    return m_hHash && IsOk(BCryptHashData(m_hHash, static_cast<PUCHAR>(const_cast<void*>(pData)), nBytes, 0));
}

bool CSha256::Finish(SHA256_DIGEST& digest)
{
    if (!m_hHash)
        return false;
    const bool bDone = IsOk(BCryptFinishHash(m_hHash, digest.ab, sizeof digest.ab, 0));
    BCryptDestroyHash(m_hHash);
    m_hHash = nullptr;
    return Start() && bDone;
}

bool HashFile(const CString& strPath, SHA256_DIGEST& digest)
{
    if (!FitsMaxPath(strPath))
        return false;
    CFileOps& ops = CFileOps::Real();
    CFileHandle file(ops, ops.Open(strPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!file.IsOpen() || !IsDiskFile(file.Get()))
        return false;
    CSha256 hash;
    std::vector<char> buffer(kHashChunk);
    for (;;) {
        DWORD nRead = 0;
        if (!ops.Read(file.Get(), buffer.data(), kHashChunk, &nRead))
            return false;
        if (nRead == 0)
            return hash.Finish(digest);
        if (!hash.Add(buffer.data(), nRead))
            return false;
    }
}

CString FormatDigest(const SHA256_DIGEST& digest)
{
    static const char kHex[] = "0123456789abcdef";
    CString strHex;
    for (BYTE b : digest.ab) {
        strHex += kHex[b >> 4];
        strHex += kHex[b & 15];
    }
    return strHex;
}

int ParseSums(const char* pText, size_t nLength, SUMS_LIST& list)
{
    list.bTrusted = true;
    list.nBadLine = 0;
    list.strWhy.Empty();
    list.entries.clear();
    if (memchr(pText, '\0', nLength))
        return Untrust(list, 0, "it holds a NUL byte");
    int nLine = 0;
    for (size_t nStart = 0; nStart < nLength;) {
        const char* pEnd = static_cast<const char*>(memchr(pText + nStart, '\n', nLength - nStart));
        size_t nEnd = pEnd ? static_cast<size_t>(pEnd - pText) : nLength;
        const size_t nNext = nEnd + 1;
        if (nEnd > nStart && pText[nEnd - 1] == '\r')
            --nEnd;
        ++nLine;
        CString strLine;
        memcpy(strLine.GetBuffer(static_cast<int>(nEnd - nStart)), pText + nStart, nEnd - nStart);
        strLine.ReleaseBuffer(static_cast<int>(nEnd - nStart));
        nStart = nNext;
        if (strLine.IsEmpty() || strLine.GetAt(0) == '#')
            continue;
        const char* pszWhy = ParseLine(strLine, nLine, list);
        if (*pszWhy)
            return Untrust(list, nLine, pszWhy);
    }
    return 1;
}

int ReadSums(const char* pszProgramFolder, SUMS_LIST& list)
{
    list = SUMS_LIST();
    const CString strPath = CString(pszProgramFolder) + kSumsName;
    if (GetFileAttributesA(strPath) == INVALID_FILE_ATTRIBUTES &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND))
        return 0;
    list.bPresent = true;
    CFileOps& ops = CFileOps::Real();
    CFileHandle file(ops, FitsMaxPath(strPath)
                              ? ops.Open(strPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL)
                              : INVALID_HANDLE_VALUE);
    LARGE_INTEGER size = {};
    if (!file.IsOpen() || !IsDiskFile(file.Get()) || !GetFileSizeEx(file.Get(), &size))
        return Untrust(list, 0, "it can't be read");
    if (size.QuadPart > kMaxSumsBytes)
        return Untrust(list, 0, "it is larger than any list of a release");
    std::vector<char> text(static_cast<size_t>(size.QuadPart) + 1);
    DWORD nRead = 0;
    if (!ops.Read(file.Get(), text.data(), static_cast<DWORD>(text.size()), &nRead) || nRead > size.QuadPart)
        return Untrust(list, 0, "it can't be read");
    return ParseSums(text.data(), nRead, list);
}

const SUMS_ENTRY* FindSum(const SUMS_LIST& list, const char* pszName)
{
    for (const SUMS_ENTRY& entry : list.entries) {
        if (entry.strName.CompareNoCase(pszName) == 0)
            return &entry;
    }
    return nullptr;
}

CString FormatSumsFault(const SUMS_FAULT& fault)
{
    CString strText;
    if (fault.nLine > 0)
        strText.Format("%s (%s line %d): %s", static_cast<const char*>(fault.strName), kSumsName, fault.nLine,
                       static_cast<const char*>(fault.strWhat));
    else
        strText.Format("%s: %s", static_cast<const char*>(fault.strName), static_cast<const char*>(fault.strWhat));
    return strText;
}

int GetUntrustedFault(const SUMS_LIST& list, SUMS_FAULT& fault)
{
    if (list.bTrusted)
        return 0;
    fault = SUMS_FAULT{kSumsName, list.nBadLine, list.strWhy + ", so no file of the package is trusted"};
    return 1;
}

int CheckCfgSum(const char* pszProgramFolder, const SUMS_LIST& list, SUMS_FAULT& fault)
{
    const SUMS_ENTRY* pEntry = FindSum(list, "Update.cfg");
    if (!pEntry) {
        fault = SUMS_FAULT{"Update.cfg", 0, CString("not listed in ") + kSumsName};
        return 0;
    }
    SHA256_DIGEST found = {};
    if (!HashFile(CString(pszProgramFolder) + "Update.cfg", found)) {
        fault = SUMS_FAULT{"Update.cfg", pEntry->nLine, "listed, but it can't be read"};
        return 0;
    }
    if (memcmp(found.ab, pEntry->digest.ab, sizeof found.ab) != 0) {
        fault = MakeMismatchFault("Update.cfg", pEntry->nLine, pEntry->digest, found);
        return 0;
    }
    return 1;
}

int ApplySectionSums(const SUMS_LIST& list, const char* pszSection, PACKAGE_FILE_LIST& files,
                     std::vector<SUMS_FAULT>* pFaults)
{
    int nFaults = 0;
    const CString strPrefix = CString(pszSection) + "/";
    for (PACKAGE_FILE& file : files) {
        const CString strName = strPrefix + file.strName;
        const SUMS_ENTRY* pEntry = FindSum(list, strName);
        file.nSumLine = pEntry ? pEntry->nLine : 0;
        if (pEntry) {
            file.sum = pEntry->digest;
            continue;
        }
        ++nFaults;
        if (pFaults)
            pFaults->push_back(SUMS_FAULT{strName, 0, CString("a package file not listed in ") + kSumsName});
    }
    // Listed directly inside the section's folder, and not among the files.
    for (const SUMS_ENTRY& entry : list.entries) {
        const CString strRest = entry.strName.Left(strPrefix.GetLength());
        const char* pszFile = static_cast<const char*>(entry.strName) + strRest.GetLength();
        if (strRest.CompareNoCase(strPrefix) != 0 || strchr(pszFile, '/'))
            continue;
        bool bThere = false;
        for (const PACKAGE_FILE& file : files)
            bThere = bThere || file.strName.CompareNoCase(pszFile) == 0;
        if (bThere)
            continue;
        ++nFaults;
        if (pFaults)
            pFaults->push_back(SUMS_FAULT{entry.strName, entry.nLine, "listed, but not there"});
    }
    return nFaults;
}

int HashListedFiles(const PACKAGE_FILE_LIST& files, const char* pszSection, std::vector<SUMS_FAULT>* pFaults)
{
    int nFaults = 0;
    for (const PACKAGE_FILE& file : files) {
        if (file.nSumLine == 0)
            continue;
        const CString strName = CString(pszSection) + "/" + file.strName;
        SHA256_DIGEST found = {};
        const bool bRead = HashFile(file.strPath, found);
        if (bRead && memcmp(found.ab, file.sum.ab, sizeof found.ab) == 0)
            continue;
        ++nFaults;
        if (pFaults)
            pFaults->push_back(bRead ? MakeMismatchFault(strName, file.nSumLine, file.sum, found)
                                     : SUMS_FAULT{strName, file.nSumLine, "listed, but it can't be read"});
    }
    return nFaults;
}

SUMS_FAULT MakeMismatchFault(const CString& strName, int nLine, const SHA256_DIGEST& expected,
                             const SHA256_DIGEST& found)
{
    return SUMS_FAULT{strName, nLine, CString("expected ") + FormatDigest(expected) + ", found " + FormatDigest(found)};
}
