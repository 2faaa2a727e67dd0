// PelkinCheck: checks a release folder as the updater will read it, before
// it reaches any user.
//
//   PelkinCheck.exe [--drive-size MIB] FOLDER
//   PelkinCheck.exe /sums FOLDER      writes FOLDER\SHA256SUMS anew
//
// One line per finding ("error: ..." or "warning: ..."), then a summary.
// Exit code 0 when clean, 1 with warnings only, 2 with errors (or when the
// command line is wrong).
#include "ReleaseCheck.h"
#include "SumsCheck.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const int kUsageExit = 2;

bool ParseDriveSize(const char* pszValue, ULONGLONG* pnBytes)
{
    char* pszEnd = nullptr;
    const unsigned long long nMiB = std::strtoull(pszValue, &pszEnd, 10);
    if (pszEnd == pszValue || *pszEnd || nMiB == 0 || nMiB > (1ULL << 40))
        return false;
    *pnBytes = nMiB * 1024 * 1024;
    return true;
}

bool ParseArguments(int argc, char** argv, CHECK_OPTIONS* pOptions, const char** ppszFolder)
{
    *ppszFolder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--drive-size") && i + 1 < argc) {
            if (!ParseDriveSize(argv[++i], &pOptions->nDriveBytes))
                return false;
        } else if (argv[i][0] != '-' && !*ppszFolder) {
            *ppszFolder = argv[i];
        } else {
            return false;
        }
    }
    return *ppszFolder != nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && !_stricmp(argv[1], "/sums")) {
        CString strWhy;
        CString strFolder(argv[2]);
        if (!strFolder.IsEmpty() && strFolder.GetAt(strFolder.GetLength() - 1) != '\\')
            strFolder += '\\';
        if (WriteSums(strFolder, strWhy)) {
            std::printf("wrote %sSHA256SUMS\n", static_cast<const char*>(strFolder));
            return 0;
        }
        std::fprintf(stderr, "PelkinCheck /sums: %s\n", static_cast<const char*>(strWhy));
        return kUsageExit;
    }
    CHECK_OPTIONS options;
    const char* pszFolder = nullptr;
    if (!ParseArguments(argc, argv, &options, &pszFolder)) {
        std::fprintf(stderr,
                     "usage: PelkinCheck [--drive-size MIB] FOLDER | PelkinCheck /sums FOLDER\n"
                     "  checks the release folder FOLDER as PelkinUpdate.exe will read it;\n"
                     "  --drive-size: the smallest device drive a package must fit on (default %d MiB)\n"
                     "  /sums: writes FOLDER\\SHA256SUMS anew, for every file of the release\n",
                     static_cast<int>(kTypicalDriveBytes / (1024 * 1024)));
        return kUsageExit;
    }
    CCheckReport report;
    CString strFolder;
    const int nExit = CheckReleaseFolder(pszFolder, options, report, strFolder);
    report.Print(stdout, strFolder);
    return nExit;
}
