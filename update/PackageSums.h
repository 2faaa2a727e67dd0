// SHA256SUMS: the list of the release's files and their SHA-256 hashes
// that lies beside Update.cfg, in the format of GNU coreutils' sha256sum
// (dist.sh writes it, and so does PelkinCheck /sums). It is what the vendor
// shipped: a file the copy would take must be listed and hash as listed,
// or the package counts as damaged (a download cut short, an extraction
// stopped halfway, a file a virus scanner took away) and nothing of it
// reaches the drive. It protects against damage, not against someone who
// changes a file and the list alike.
//
// Hashing goes through the platform (bcrypt.dll, since Windows Vista),
// never through a SHA-256 of our own.
#pragma once

#include "AfxString.h"

#include <vector>

struct PACKAGE_FILE;

const char kSumsName[] = "SHA256SUMS";

struct SHA256_DIGEST
{
    BYTE ab[32];
};

// One SHA-256 over bytes handed in pieces, through bcrypt.dll.
class CSha256
{
public:
    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    // False when bcrypt.dll gave no hash object (then nothing matches).
    bool IsReady() const { return m_hHash != nullptr; }
    bool Add(const void* pData, DWORD nBytes);
    // The digest of everything added; the object starts anew after it.
    bool Finish(SHA256_DIGEST& digest);
    // Starts anew, what was added forgotten.
    bool Start();

private:
    void* m_hAlgorithm;  // BCRYPT_ALG_HANDLE
    void* m_hHash;       // BCRYPT_HASH_HANDLE
    std::vector<BYTE> m_object;
};

// The digest of a whole file, read in large chunks; false when it can't be
// opened or read (or is no plain disk file).
bool HashFile(const CString& strPath, SHA256_DIGEST& digest);

// 64 lower-case hex digits.
CString FormatDigest(const SHA256_DIGEST& digest);

// One line of the list: the name relative to the release folder with '/'
// between folders, as the line gives it once unescaped, and the line's
// number (from 1).
struct SUMS_ENTRY
{
    CString strName;
    SHA256_DIGEST digest;
    int nLine;
};

// What the list holds; an untrusted list (a malformed line, an absolute
// path, "..", a name listed twice) holds nothing the updater believes.
struct SUMS_LIST
{
    bool bPresent = false;  // the file is there
    bool bTrusted = false;
    int nBadLine = 0;  // the first line that made it untrusted (0: the file as a whole)
    CString strWhy;
    std::vector<SUMS_ENTRY> entries;
};

// Parses the list's text (nLength bytes): blank lines and lines starting
// with '#' are passed over, CRLF ends and upper-case hex are accepted, a
// line that starts with '\' has its name escaped ("\\", "\n"). Fills list
// and returns 1 when it is trusted.
int ParseSums(const char* pText, size_t nLength, SUMS_LIST& list);

// Reads pszProgramFolder's SHA256SUMS (pszProgramFolder ending in '\'):
// bPresent false when there is none; one that can't be read, or is too
// large for any release, is untrusted.
int ReadSums(const char* pszProgramFolder, SUMS_LIST& list);

// The entry that names pszName (compared as the file system does, without
// regard to case); null when none does.
const SUMS_ENTRY* FindSum(const SUMS_LIST& list, const char* pszName);

// One fault the list finds with the release: the file at fault, relative
// to the release folder, the list's line that names it (0: none does), and
// what is wrong ("listed, but not there", "expected ..., found ...").
struct SUMS_FAULT
{
    CString strName;
    int nLine;
    CString strWhat;
};

// "ModelA/FW.BIN (SHA256SUMS line 3): expected ..., found ...".
CString FormatSumsFault(const SUMS_FAULT& fault);

// The list's own fault when it is untrusted; 0 when it is trusted.
int GetUntrustedFault(const SUMS_LIST& list, SUMS_FAULT& fault);

// Update.cfg against a trusted list: listed, and its bytes as listed. 1
// when it is; else 0 with the fault. Nothing of Update.cfg may be read
// before this passed.
int CheckCfgSum(const char* pszProgramFolder, const SUMS_LIST& list, SUMS_FAULT& fault);

// The files the copy would take of pszSection against a trusted list,
// by name, none of them opened: each one listed (its expected digest and
// line then go with it, for the copy to compare), and every file the list
// names directly inside the section's folder there. Returns how many
// faults it found and appends them to *pFaults when it is given.
int ApplySectionSums(const SUMS_LIST& list, const char* pszSection, std::vector<PACKAGE_FILE>& files,
                     std::vector<SUMS_FAULT>* pFaults);

// Each file with an expected digest hashed whole against it, for those
// who only read (a look, the checker): the faults, appended as above.
int HashListedFiles(const std::vector<PACKAGE_FILE>& files, const char* pszSection, std::vector<SUMS_FAULT>* pFaults);

// The fault of a file whose bytes, as hashed, differ from its line.
SUMS_FAULT MakeMismatchFault(const CString& strName, int nLine, const SHA256_DIGEST& expected,
                             const SHA256_DIGEST& found);
