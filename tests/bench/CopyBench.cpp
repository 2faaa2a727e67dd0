// Console program of the copy benchmark (scripts/bench-copy.sh): copies one
// package with the program's staged copy and prints how long the copy took;
// with a SHA256SUMS in PROGRAM_FOLDER, the copy is checked against it.
//     bench_copy.exe PROGRAM_FOLDER SECTION DRIVE_ROOT
// (both folders ending in '\'). Output: "files N bytes B seconds S"; exit code 0 when every file was
// committed, 1 when the copy failed, 2 for wrong arguments.
#include "StagedCopy.h"

#include <windows.h>

#include <cstdio>

namespace {

struct BENCH_PROGRESS
{
    ULONGLONG nTotal;
};

void RecordTotal(ULONGLONG, ULONGLONG nTotal, void* pContext)
{
    static_cast<BENCH_PROGRESS*>(pContext)->nTotal = nTotal;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        fprintf(stderr, "usage: bench_copy PROGRAM_FOLDER\\ SECTION DRIVE_ROOT\\\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    // A progress procedure, as the dialog will have one: its cost counts.
    BENCH_PROGRESS progress = {0};
    CStagedCopy copy(argv[3]);
    PACKAGE_FILE_LIST files;
    const int nFiles = ListPackageFiles(argv[1], argv[2], nullptr, files);
    // With SHA256SUMS, the checked copy: each file hashed as it is staged.
    SUMS_LIST sums;
    if (ReadSums(argv[1], sums) == 0 && sums.bPresent)
        return 1;
    if (sums.bPresent && ApplySectionSums(sums, argv[2], files, nullptr) != 0)
        return 1;
    copy.AddPackage(files);
    copy.SetProgress(RecordTotal, &progress);
    const int nCopied = nFiles > 0 ? copy.Run() : 0;
    QueryPerformanceCounter(&end);
    const double dSeconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    // The total counts every byte twice (written, verified) and one unit per file.
    const ULONGLONG nBytes = progress.nTotal > static_cast<ULONGLONG>(nFiles) ? (progress.nTotal - nFiles) / 2 : 0;
    printf("files %d bytes %llu seconds %.6f\n", nFiles, nBytes, dSeconds);
    return nCopied ? 0 : 1;
}
