// Measuring the firmware package, the space check and the copy, with real
// folders beside the test executable and the removable drive E:.
#include "PackageFolder.h"
#include "UpdateEngine.h"

#include "FaultyFileOps.h"
#include "StagedCopy.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

const char kSection[] = "FwPackage";
// Shift-JIS U+8868: lead byte 0x95, trail byte 0x5C ('\').
const char kHyou[] = "\x95\x5C";
const char kDrive[] = "E:\\";
const ULONGLONG kSmallDrive = 64ULL * 1024 * 1024;

// The engine with its matched section set, as FindConfigSection leaves it.
class CPackageEngine : public CUpdateEngine
{
public:
    explicit CPackageEngine(const std::string& strSection = kSection) : CUpdateEngine(nullptr, strSection.c_str()) {}
};

// A file of nSize bytes that takes (next to) no room on disk.
void MakeSparseFile(const std::string& path, ULONGLONG nSize)
{
    const ULONGLONG nFreeBefore = FreeBytes(path.substr(0, 3).c_str());
    ASSERT_TRUE(WriteSparseFile(path, nSize));
    // Other writers share the disk: anything well below the size will do.
    const ULONGLONG nFreeAfter = FreeBytes(path.substr(0, 3).c_str());
    const ULONGLONG nTaken = nFreeBefore > nFreeAfter ? nFreeBefore - nFreeAfter : 0;
    ASSERT_LT(nTaken, 1ULL << 30) << "not sparse: " << path;
}

class PackageTransferTest : public ::testing::Test
{
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }

    static void Clean()
    {
        RemoveLongPath(ExeFolder() + "FwPackage");
        for (const std::string& name : ListFolder(ExeFolder()))
            if (name.compare(0, 4, "Long") == 0)
                RemoveLongPath(ExeFolder() + name);
        RemoveLongPath(ExeFolder() + "ModelB");
        RemovePath(ExeFolder() + "..\\outside");  // the narrow call resolves ".."
        for (const std::string& name : ListFolder(kDrive))
            RemoveLongPath(kDrive + name);
    }
    static std::string Package() { return ExeFolder() + kSection; }
    static std::string InPackage(const std::string& name) { return Package() + "\\" + name; }
    static bool DriveIsSmall() { return FreeBytes(kDrive) <= kSmallDrive; }
    // The package of kSection added to the copy, as the engine lists it.
    static PACKAGE_FILE_LIST AddPackageTo(CStagedCopy& copy)
    {
        PACKAGE_FILE_LIST files;
        ListPackageFiles(ExeFolder().c_str(), kSection, nullptr, files);
        copy.AddPackage(files);
        return files;
    }

    // An earlier release on the drive and a new package of the same names.
    typedef std::map<std::string, std::string> FILES;
    static FILES OldReleaseOnDrive(const std::vector<std::string>& names)
    {
        FILES old;
        for (const std::string& name : names) {
            old[name] = "old " + name;
            WriteFileBytes(kDrive + name, old[name]);
            WriteFileBytes(InPackage(name), "new " + name + std::string(3000, 'n'));
        }
        return old;
    }

    CPackageEngine engine;
};

TEST_F(PackageTransferTest, OnlyFilesDirectlyInsideAreMeasuredAndCopiedFlat)
{
    WriteFileBytes(InPackage("a.bin"), std::string(100, 'a'));
    WriteFileBytes(InPackage("b.bin"), std::string(250, 'b'));
    WriteFileBytes(InPackage("sub\\c.bin"), std::string(1000, 'c'));
    EXPECT_EQ(350u, engine.GetPackageSize());
    EXPECT_EQ(1, engine.HasRoomForPackage(kDrive));
    EXPECT_EQ(1, engine.CopyPackageToDrive(kDrive));
    EXPECT_EQ(std::string(100, 'a'), ReadFileBytes("E:\\a.bin"));
    EXPECT_EQ(std::string(250, 'b'), ReadFileBytes("E:\\b.bin"));
    EXPECT_EQ(2u, ListFolder(kDrive).size());
}

TEST_F(PackageTransferTest, RoomWhenFreeSpaceEqualsPackageNotOneByteLess)
{
    if (!DriveIsSmall())
        GTEST_SKIP() << "E: is not a small drive";
    const ULONGLONG nFree = FreeBytes(kDrive);
    WriteFileOfSize(InPackage("fw.bin"), nFree);
    EXPECT_EQ(nFree, engine.GetPackageSize());
    EXPECT_EQ(1, engine.HasRoomForPackage(kDrive));
    WriteFileOfSize(InPackage("fw.bin"), nFree + 1);
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));
}

// The drive hands out whole allocation units (4 KiB pages on the test
// drive, whose free space is a whole number of them).
TEST_F(PackageTransferTest, RoomIsCountedInAllocationUnits)
{
    if (!DriveIsSmall())
        GTEST_SKIP() << "E: is not a small drive";
    const ULONGLONG nFree = FreeBytes(kDrive);
    // One file of the free space less 1,000 bytes takes every unit there
    // is: room, and staging it under a temporary name fits as well; the
    // commit goes on without a journal, for which no unit is left.
    WriteFileOfSize(InPackage("fw.bin"), nFree - 1000);
    EXPECT_EQ(1, engine.HasRoomForPackage(kDrive));
    EXPECT_EQ(1, engine.CopyPackageToDrive(kDrive));
    EmptyFolder(kDrive);
    // Ten bytes more fit by bytes, but take a unit that isn't there.
    WriteFileBytes(InPackage("fw.txt"), "0123456789");
    EXPECT_EQ(nFree - 990, engine.GetPackageSize());
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));
    // 2,000 files of 10 bytes: 20,000 bytes, 2,000 units.
    RemoveLongPath(Package());
    for (int i = 0; i < 2000; ++i)
        WriteFileBytes(InPackage("f" + std::to_string(i)), "0123456789");
    EXPECT_EQ(20000u, engine.GetPackageSize());
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));
}

TEST_F(PackageTransferTest, FolderWithoutFilesIsNoPackage)
{
    WriteFileBytes(InPackage("sub\\c.bin"), "only in a sub-folder");
    EXPECT_EQ(0u, engine.GetPackageSize());
    EXPECT_EQ(1, engine.HasRoomForPackage(kDrive));
    EXPECT_EQ(0, engine.CopyPackageToDrive(kDrive));
    EXPECT_TRUE(ListFolder(kDrive).empty());
}

TEST_F(PackageTransferTest, MissingFolderIsNoPackage)
{
    EXPECT_EQ(0u, engine.GetPackageSize());
    EXPECT_EQ(1, engine.HasRoomForPackage(kDrive));
    EXPECT_EQ(0, engine.CopyPackageToDrive(kDrive));
}

TEST_F(PackageTransferTest, PackageNameThatIsAFileIsNoPackage)
{
    WriteFileBytes(Package(), "a file, not a folder");
    EXPECT_EQ(0u, engine.GetPackageSize());
    EXPECT_EQ(0, engine.CopyPackageToDrive(kDrive));
    EXPECT_TRUE(ListFolder(kDrive).empty());
}

TEST_F(PackageTransferTest, UnknownDriveHasNoFreeSpace)
{
    EXPECT_EQ(1, engine.HasRoomForPackage("R:\\"));
    WriteFileBytes(InPackage("fw.bin"), "x");
    EXPECT_EQ(0, engine.HasRoomForPackage("R:\\"));
}

TEST_F(PackageTransferTest, FileOfSameNameInRootIsReplaced)
{
    WriteFileBytes("E:\\fw.bin", "an older and longer firmware image");
    WriteFileBytes(InPackage("fw.bin"), "new image");
    EXPECT_EQ(1, engine.CopyPackageToDrive(kDrive));
    EXPECT_EQ("new image", ReadFileBytes("E:\\fw.bin"));
}

TEST_F(PackageTransferTest, HiddenAndReadOnlyFilesArePartOfPackage)
{
    WriteFileBytes(InPackage("hidden.bin"), std::string(10, 'h'));
    WriteFileBytes(InPackage("readonly.bin"), std::string(20, 'r'));
    ASSERT_TRUE(SetFileAttributesA(InPackage("hidden.bin").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesA(InPackage("readonly.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(GetFileAttributesA(InPackage("hidden.bin").c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(30u, engine.GetPackageSize());
    EXPECT_EQ(1, engine.CopyPackageToDrive(kDrive));
    EXPECT_EQ(std::string(10, 'h'), ReadFileBytes("E:\\hidden.bin"));
    EXPECT_EQ(std::string(20, 'r'), ReadFileBytes("E:\\readonly.bin"));
}

// Each file in turn can't be replaced (a folder of its name stands in the
// root): wherever it stands in the listing, the copy fails before any file
// is read, and the drive holds exactly what it held before. A
// read-only file of its name is the package's to replace, and the new one
// is not read-only.
TEST_F(PackageTransferTest, FileThatCannotBeReplacedLeavesDriveAsItWas)
{
    const std::vector<std::string> files = {"a.bin", "b.bin", "c.bin"};
    for (const bool bFolder : {true, false}) {
        for (const std::string& blocked : files) {
            Clean();
            FILES old = OldReleaseOnDrive(files);
            if (bFolder) {
                RemovePath(kDrive + blocked);
                MakeFolder(kDrive + blocked);
                old.erase(blocked);
            } else {
                SetFileAttributesA((kDrive + blocked).c_str(), FILE_ATTRIBUTE_READONLY);
            }
            CFaultyFileOps ops(CFaultyFileOps::kNoFault, "");
            CStagedCopy copy(kDrive, &ops);
            const PACKAGE_FILE_LIST listed = AddPackageTo(copy);
            ASSERT_EQ(3u, listed.size());
            if (!bFolder) {
                EXPECT_EQ(1, copy.Run()) << blocked;
                EXPECT_EQ(0u, GetFileAttributesA((kDrive + blocked).c_str()) & FILE_ATTRIBUTE_READONLY) << blocked;
                EXPECT_EQ(3u, ReadFolderFiles(kDrive).size()) << blocked;
                continue;
            }
            EXPECT_EQ(0, copy.Run()) << blocked;
            EXPECT_EQ(old, ReadFolderFiles(kDrive)) << blocked;
            EXPECT_TRUE(ops.SourcesOpened().empty()) << blocked;  // refused before anything is written
            for (int i = 0; i < copy.GetFileCount(); ++i)
                EXPECT_EQ(listed[static_cast<size_t>(i)].strName == blocked.c_str()
                              ? "failed: a folder or link of that name is in the way"
                              : "not copied, as another file failed",
                          std::string(copy.GetFileResult(i)))
                    << blocked;
            RemovePath(kDrive + blocked);
        }
    }
}

// The drive fills up with the second file: the first, staged whole, is
// taken back too.
TEST_F(PackageTransferTest, DriveThatFillsUpLeavesDriveAsItWas)
{
    if (!DriveIsSmall())
        GTEST_SKIP() << "E: is not a small drive";
    const FILES old = OldReleaseOnDrive({"one.bin", "two.bin"});
    const ULONGLONG nPart = FreeBytes(kDrive) * 3 / 5;
    WriteFileOfSize(InPackage("one.bin"), nPart);
    WriteFileOfSize(InPackage("two.bin"), nPart);
    EXPECT_EQ(0, engine.CopyPackageToDrive(kDrive));
    EXPECT_EQ(old, ReadFolderFiles(kDrive));
}

// A fault in any step of staging the second of three files: the copy
// fails, the third file is still attempted, and nothing changes.
TEST_F(PackageTransferTest, FaultWhileStagingLeavesDriveAsItWas)
{
    const std::vector<std::string> files = {"a.bin", "b.bin", "c.bin"};
    const std::pair<CFaultyFileOps::FAULT, std::string> faults[] = {
        {CFaultyFileOps::kSourceEnds, "failed to read it, error 30"},
        {CFaultyFileOps::kWriteFails, "failed to write it, error 29"},
        {CFaultyFileOps::kFlushFails, "failed to flush it to the drive, error 1117"},
        {CFaultyFileOps::kReadBackBad, "failed: the read-back differs at byte 1504"},
    };
    for (const auto& fault : faults) {
        Clean();
        const FILES old = OldReleaseOnDrive(files);
        CFaultyFileOps ops(fault.first, "b.bin");
        CStagedCopy copy(kDrive, &ops);
        AddPackageTo(copy);
        EXPECT_EQ(0, copy.Run()) << fault.first;
        EXPECT_TRUE(ops.Struck()) << fault.first;
        EXPECT_EQ(old, ReadFolderFiles(kDrive)) << fault.first;
        EXPECT_EQ(files, ops.SourcesOpened()) << fault.first;
        EXPECT_EQ(0u, std::string(copy.GetFileResult(1)).find(fault.second)) << copy.GetFileResult(1);
    }
}

// A read-back that differs in its last byte only: of a one-byte file, of
// a file's first full chunk.
TEST_F(PackageTransferTest, ReadBackThatDiffersInTheLastByteFails)
{
    for (const ULONGLONG nSize : {1ULL, 1024ULL * 1024 + 10}) {
        Clean();
        WriteFileOfSize(InPackage("fw.bin"), nSize);
        CFaultyFileOps ops(CFaultyFileOps::kReadBackLast, "fw.bin");
        CStagedCopy copy(kDrive, &ops);
        AddPackageTo(copy);
        EXPECT_EQ(0, copy.Run()) << nSize;
        EXPECT_EQ("failed: the read-back differs at byte " + std::to_string(nSize == 1 ? 0 : 1024 * 1024 - 1),
                  std::string(copy.GetFileResult(0)));
        EXPECT_TRUE(ListFolder(kDrive).empty());
    }
}

// The stick pulled while the second of three files is written: the copy
// stops there at once, the third is never read, nothing changes.
TEST_F(PackageTransferTest, DriveThatGoesAwayEndsTheCopyAtOnce)
{
    const FILES old = OldReleaseOnDrive({"a.bin", "b.bin", "c.bin"});
    CFaultyFileOps ops(CFaultyFileOps::kDriveGone, "b.bin");
    CStagedCopy copy(kDrive, &ops);
    AddPackageTo(copy);
    const DWORD nStart = GetTickCount();
    EXPECT_EQ(0, copy.Run());
    EXPECT_LT(GetTickCount() - nStart, 1000u);
    EXPECT_EQ("the drive went away while the files were written; the copy stopped there",
              std::string(copy.GetRunNote()));
    EXPECT_EQ((std::vector<std::string>{"a.bin", "b.bin"}), ops.SourcesOpened());
    EXPECT_EQ(old, ReadFolderFiles(kDrive));
}

// A move that fails in the commit (the file held open elsewhere, say): the
// files moved before it are taken back, the copy fails and no temporary
// file is left behind. A run cut off there (every later move fails, the
// undo's too) leaves its journal; the next run undoes that commit first.
TEST_F(PackageTransferTest, FailedCommitLeavesDriveAsItWas)
{
    for (const CFaultyFileOps::FAULT fault : {CFaultyFileOps::kMoveFails, CFaultyFileOps::kCutOff}) {
        Clean();
        const FILES old = OldReleaseOnDrive({"a.bin", "b.bin", "c.bin"});
        WriteFileBytes(InPackage("new.bin"), "new");
        SetFileAttributesA("E:\\c.bin", FILE_ATTRIBUTE_READONLY);
        CFaultyFileOps ops(fault, "c.bin");
        CStagedCopy copy(kDrive, &ops);
        AddPackageTo(copy);
        EXPECT_EQ(0, copy.Run());
        // Every file the copy made (the journal among them) bears a name its cleanup knows.
        EXPECT_EQ(5u, ops.Created().size());
        for (const std::string& name : ops.Created())
            EXPECT_TRUE(IsStagingName(name.c_str())) << name;
        if (fault == CFaultyFileOps::kCutOff) {
            EXPECT_TRUE(FileExists("E:\\~PKUFFFF.TMP"));
            EXPECT_EQ(JOURNAL_UNDONE, RecoverCutOffCommit(kDrive, {}, CFileOps::Real()));
        }
        EXPECT_EQ(old, ReadFolderFiles(kDrive)) << fault;
        EXPECT_TRUE(GetFileAttributesA("E:\\c.bin") & FILE_ATTRIBUTE_READONLY) << fault;
        SetFileAttributesA("E:\\c.bin", FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(PackageTransferTest, StaleTemporaryFileIsRemovedLookAlikesAreNot)
{
    WriteFileBytes(InPackage("fw.bin"), "image");
    WriteFileBytes("E:\\~PKU0000.TMP", "left by an interrupted copy");
    SetFileAttributesA("E:\\~PKU0000.TMP", FILE_ATTRIBUTE_READONLY);
    FILES kept;
    for (const char* pszName :
         {"~pku0001.tmp", "~PKU0002.TMP.txt", "~PKU12.TMP", "~PKUXYZW.TMP", "~PKU00af.TMP", "X~PKU0003.TMP"}) {
        kept[pszName] = std::string("user's ") + pszName;
        WriteFileBytes(kDrive + std::string(pszName), kept[pszName]);
    }
    MakeFolder("E:\\~PKU0004.TMP");
    EXPECT_EQ(1, engine.CopyPackageToDrive(kDrive));
    kept["fw.bin"] = "image";
    EXPECT_EQ(kept, ReadFolderFiles(kDrive));
    EXPECT_TRUE(FileExists("E:\\~PKU0004.TMP"));
}

// A copy cut off on a nearly full stick: its temporary file's room counts as
// free, since the next copy removes it first; a user's look-alike doesn't.
TEST_F(PackageTransferTest, StaleTemporaryFileCountsAsFreeSpace)
{
    if (!DriveIsSmall())
        GTEST_SKIP() << "E: is not a small drive";
    const ULONGLONG nStale = 1024 * 1024;
    WriteFileOfSize("E:\\~PKU0000.TMP", nStale);
    WriteFileOfSize("E:\\~pku0001.tmp", 600000);
    const ULONGLONG nFree = FreeBytes(kDrive);
    WriteFileOfSize(InPackage("fw.bin"), nFree + nStale + 100000);
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));
    WriteFileOfSize(InPackage("fw.bin"), nFree + nStale - 100000);
    // Held open by another program, it can't be removed: its room isn't free.
    const HANDLE hHeld =
        CreateFileA("E:\\~PKU0000.TMP", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));
    CloseHandle(hHeld);
    EXPECT_EQ(1, engine.HasRoomForPackage(kDrive));
    // Beside a journal's name in use it may be an old file yet to go back.
    MakeFolder("E:\\~PKUFFFF.TMP");
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));
    RemovePath("E:\\~PKUFFFF.TMP");
    EXPECT_EQ(1, engine.CopyPackageToDrive(kDrive));
    EXPECT_EQ(600000u, ReadFileBytes("E:\\~pku0001.tmp").size());
}

// Progress counts every byte written and verified and every file committed;
// it grows, and it is full only once the copy is through.
TEST_F(PackageTransferTest, ProgressIsFullOnlyWhenEveryFileIsCommitted)
{
    struct PROGRESS
    {
        std::vector<ULONGLONG> done;
        std::vector<ULONGLONG> totals;
    };
    const COPY_PROGRESS_PROC pfnRecord = [](ULONGLONG nDone, ULONGLONG nTotal, void* pContext) {
        static_cast<PROGRESS*>(pContext)->done.push_back(nDone);
        static_cast<PROGRESS*>(pContext)->totals.push_back(nTotal);
    };
    for (const bool bFails : {false, true}) {
        Clean();
        WriteFileOfSize(InPackage("big.bin"), 1500000);
        WriteFileBytes(InPackage("small.bin"), "small");
        CFaultyFileOps ops(bFails ? CFaultyFileOps::kReadBackBad : CFaultyFileOps::kNoFault, "small.bin");
        PROGRESS progress;
        CStagedCopy copy(kDrive, &ops);
        AddPackageTo(copy);
        copy.SetProgress(pfnRecord, &progress);
        EXPECT_EQ(bFails ? 0 : 1, copy.Run());
        const ULONGLONG nTotal = 2 * (1500000 + 5) + 2;
        ASSERT_GT(progress.done.size(), 4u);
        EXPECT_EQ(std::vector<ULONGLONG>(progress.done.size(), nTotal), progress.totals);
        for (size_t i = 1; i < progress.done.size(); ++i)
            EXPECT_LE(progress.done[i - 1], progress.done[i]);
        for (size_t i = 0; i + 1 < progress.done.size(); ++i)
            EXPECT_LT(progress.done[i], nTotal);
        if (bFails)
            EXPECT_LT(progress.done.back(), nTotal);
        else
            EXPECT_EQ(nTotal, progress.done.back());
    }
}

TEST_F(PackageTransferTest, DestinationIsDriveRootFollowedByName)
{
    MakeFolder("E:\\sub");
    WriteFileBytes(InPackage("fw.bin"), "image");
    EXPECT_EQ(1, engine.CopyPackageToDrive("E:\\sub\\"));
    EXPECT_EQ("image", ReadFileBytes("E:\\sub\\fw.bin"));
    EXPECT_FALSE(FileExists("E:\\fw.bin"));
}

TEST(CodePage, IsShiftJis)
{
    ASSERT_EQ(932u, GetACP()) << "the test needs the Shift-JIS code page (LC_ALL=ja_JP.UTF-8 under Wine)";
}

TEST(PlainFolderName, NamesAFolderDirectlyInsideTheProgramFolder)
{
    const char* const plain[] = {
        "ModelA",      "Model B", "x", ".hidden", "a.b", "a..b", " leading", "A-1_2(3)+[4]",
        kHyou,       // its trail byte is 0x5C, not a separator
        "\x81\x7C",  // a trail byte 0x7C, not a '|'
        "Pkg\x95\x5C",
    };
    for (const char* pszName : plain)
        EXPECT_TRUE(IsPlainFolderName(pszName)) << pszName;
}

TEST(PlainFolderName, RefusesEverythingElse)
{
    const char* const refused[] = {
        "",
        ".",
        "..",
        "...",
        "a.",
        "a ",
        " ",
        "\x95\x5C.",
        "..\\outside",
        "ModelB\\..\\..\\outside",
        "..\\..\\windows\\system32\\drivers\\etc",
        "\\Model",
        "Model\\",
        "a/b",
        "../outside",
        "C:",
        "C:\\Windows",
        "a:stream",
        "\\\\server\\share",
        "a<b",
        "a>b",
        "a\"b",
        "a|b",
        "a?b",
        "a*b",
        "*",
        "a\tb",
        "a\x01",
        "\x1F",
        "a\nb",
        "COM1 .X",
    };
    for (const char* pszName : refused)
        EXPECT_FALSE(IsPlainFolderName(pszName)) << pszName;
    EXPECT_FALSE(IsPlainFolderName(nullptr));
}

// Sections named like paths out of the program folder: files placed where
// they lead are neither measured nor copied, and the copy fails as for a
// missing package.
TEST_F(PackageTransferTest, SectionNamesThatLeadOutOfTheProgramFolderHaveNoPackage)
{
    WriteFileBytes(ExeFolder() + "..\\outside\\secret.bin", std::string(700, 's'));
    MakeFolder(ExeFolder() + "ModelB");
    ASSERT_TRUE(FileExists(ExeFolder() + "ModelB\\..\\..\\outside\\secret.bin"));
    ASSERT_FALSE(ListFolder(ExeFolder()).empty());
    for (const char* pszSection : {"..\\outside", "ModelB\\..\\..\\outside", ".", ".\\", "ModelB\\.."}) {
        CPackageEngine outside(pszSection);
        EXPECT_EQ(0u, outside.GetPackageSize()) << pszSection;
        EXPECT_EQ(1, outside.HasRoomForPackage(kDrive)) << pszSection;
        EXPECT_EQ(0, outside.CopyPackageToDrive(kDrive)) << pszSection;
        EXPECT_TRUE(ListFolder(kDrive).empty()) << pszSection;
    }
}

// A section whose folder path has nLength characters: one folder name,
// "Long" and enough p's, directly inside ExeFolder().
std::string SectionOfLength(size_t nLength)
{
    const std::string prefix = "Long";
    return prefix + std::string(nLength - ExeFolder().size() - prefix.size(), 'p');
}

TEST_F(PackageTransferTest, PackageFolderPastMaxPathIsRefused)
{
    const std::string section = SectionOfLength(MAX_PATH);
    // The folder that the path cut at MAX_PATH - 1 characters would name.
    const std::string cut = (ExeFolder() + section).substr(0, MAX_PATH - 1);
    MakeLongPathFolder(cut);
    WriteLongPathFile(cut + "\\fw.bin", "wrong package");
    CPackageEngine longEngine(section);
    EXPECT_EQ(0u, longEngine.GetPackageSize());
    EXPECT_EQ(0, longEngine.CopyPackageToDrive(kDrive));
    EXPECT_TRUE(ListFolder(kDrive).empty());
}

TEST_F(PackageTransferTest, SearchPatternPastMaxPathIsRefused)
{
    // The folder fits; the folder with "\*.*" does not.
    const std::string section = SectionOfLength(MAX_PATH - 4);
    MakeLongPathFolder(ExeFolder() + section);
    WriteLongPathFile(ExeFolder() + section + "\\a", "x");
    CPackageEngine longEngine(section);
    EXPECT_EQ(0u, longEngine.GetPackageSize());
    EXPECT_EQ(0, longEngine.CopyPackageToDrive(kDrive));
    EXPECT_TRUE(ListFolder(kDrive).empty());
}

TEST_F(PackageTransferTest, SourcePathPastMaxPathIsRefused)
{
    const std::string section = SectionOfLength(200);
    const std::string folder = ExeFolder() + section;
    const std::string longName = std::string(70, 'n') + ".bin";
    // The name that the source path cut at MAX_PATH - 1 characters ends in.
    const std::string cutName = (folder + "\\" + longName).substr(folder.size() + 1, MAX_PATH - 1 - folder.size() - 1);
    MakeLongPathFolder(folder);
    WriteLongPathFile(folder + "\\short.bin", std::string(10, 's'));
    WriteLongPathFile(folder + "\\" + longName, std::string(20, 'l'));
    WriteLongPathFile(folder + "\\" + cutName, std::string(30, 'c'));
    CPackageEngine longEngine(section);
    // The long one can't be measured: it counts 0 bytes. Nor can it be
    // copied, so nothing is: the file the cut path names least of all.
    EXPECT_EQ(40u, longEngine.GetPackageSize());
    EXPECT_EQ(0, longEngine.CopyPackageToDrive(kDrive));
    EXPECT_TRUE(ListFolder(kDrive).empty());
}

TEST_F(PackageTransferTest, DestinationPastMaxPathIsRefused)
{
    // A root of MAX_PATH - 6 characters: "a.bin" fits behind it, "fw.bin" does not.
    const std::string root = kDrive + std::string(MAX_PATH - 6 - 4, 'd') + "\\";
    ASSERT_EQ(static_cast<size_t>(MAX_PATH - 6), root.size());
    MakeLongPathFolder(root.substr(0, root.size() - 1));
    WriteFileBytes(InPackage("a.bin"), "a");
    WriteFileBytes(InPackage("fw.bin"), "fw");
    EXPECT_EQ(0, engine.CopyPackageToDrive(root.c_str()));
    EXPECT_TRUE(ListFolder(root).empty());
}

TEST_F(PackageTransferTest, DriveRootPastMaxPathIsRefused)
{
    WriteFileBytes(InPackage("fw.bin"), "fw");
    const std::string root = kDrive + std::string(MAX_PATH, 'r') + "\\";
    EXPECT_EQ(0, engine.HasRoomForPackage(root.c_str()));
    EXPECT_EQ(0, engine.CopyPackageToDrive(root.c_str()));
}

// Sizes past 32 bits must not wrap into a small package that "fits".
TEST_F(PackageTransferTest, PackageOf4GiBOrMoreNeverFits)
{
    if (!DriveIsSmall())
        GTEST_SKIP() << "E: is not a small drive";
    MakeFolder(Package());
    MakeSparseFile(InPackage("huge.bin"), 0x100000000ULL + 100);
    EXPECT_EQ(0xFFFFFFFFu, engine.GetPackageSize());
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));

    // Two files whose sizes add up past 32 bits.
    RemovePath(InPackage("huge.bin"));
    MakeSparseFile(InPackage("half1.bin"), 0x80000000ULL + 50);
    MakeSparseFile(InPackage("half2.bin"), 0x80000000ULL + 50);
    EXPECT_EQ(0xFFFFFFFFu, engine.GetPackageSize());
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));

    // A size of exactly 0xFFFFFFFF bytes is a size, not a failure.
    RemoveLongPath(Package());
    MakeFolder(Package());
    MakeSparseFile(InPackage("max.bin"), 0xFFFFFFFFULL);
    EXPECT_EQ(0xFFFFFFFFu, engine.GetPackageSize());
    EXPECT_EQ(0, engine.HasRoomForPackage(kDrive));
}

}  // namespace

namespace {

enum JOURNAL_IDENTITY
{
    kEarlierVersion,  // the first three fields alone
    kSameFile,        // the file now under the final name
    kOtherFile,       // a file of another size
};

// A line of the commit's journal as the copy writes it.
std::string JournalLine(const std::string& name, const std::string& aside, JOURNAL_IDENTITY identity)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExA((kDrive + name).c_str(), GetFileExInfoStandard, &data);
    char szLine[128];
    const int nLength = identity == kEarlierVersion
                            ? snprintf(szLine, sizeof szLine, "\t00000020\r\n")
                            : snprintf(szLine, sizeof szLine, "\t00000020\t%016llX\t%08lX%08lX\r\n",
                                       static_cast<ULONGLONG>(data.nFileSizeLow) + (identity == kOtherFile ? 1 : 0),
                                       data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return name + "\t" + aside + std::string(szLine, static_cast<size_t>(nLength));
}

}  // namespace

// A commit cut off midway, with the old file of MODELB.BIN set aside and
// the new one in, a new NEW.BIN without an old one, RELEASE.TXT's new file
// still staged; beside it a user's THESIS.DOC. The journal is carried out
// only as far as it is the copy's, and touches nothing else.
TEST_F(PackageTransferTest, JournalIsCarriedOutOnlyAsFarAsItIsTheCopys)
{
    const FILES cutOff = {{"MODELB.BIN", "new B"},  {"~PKU0001.TMP", "old B"}, {"NEW.BIN", "new N"},
                          {"RELEASE.TXT", "old R"}, {"~PKU0002.TMP", "new R"}, {"THESIS.DOC", "user's"}};
    const FILES undone = {{"MODELB.BIN", "old B"}, {"RELEASE.TXT", "old R"}, {"THESIS.DOC", "user's"}};
    FILES newB = cutOff;  // the journal set aside, or not the copy's: only the leftovers go
    newB.erase("~PKU0001.TMP");
    newB.erase("~PKU0002.TMP");
    const struct
    {
        const char* pszWhat;
        JOURNAL_IDENTITY thesis;  // of THESIS.DOC's line, listed as a new file without an old one
        std::string extra;        // a line after the copy's
        const char* pszTail;
        JOURNAL_RECOVERY recovery;
        const FILES& after;
    } cases[] = {
        {"cut off midway", kOtherFile, "", "end\r\n", JOURNAL_UNDONE, undone},
        {"earlier version", kEarlierVersion, "", "end\r\n", JOURNAL_UNDONE, undone},
        {"through", kOtherFile, "", "end\r\ncommitted\r\n", JOURNAL_FINISHED, newB},
        {"not quite through", kOtherFile, "", "end\r\ncommit\r\n", JOURNAL_DISCARDED, newB},
        {"aside is the journal", kOtherFile, "OTHER.BIN\t~PKUFFFF.TMP\t00000020\r\n", "end\r\n", JOURNAL_DISCARDED,
         newB},
        {"device name", kOtherFile, "COM1 .BIN\t\t00000020\r\n", "end\r\n", JOURNAL_DISCARDED, newB},
        {"past MAX_PATH", kOtherFile, std::string(300, 'L') + "\t\t00000020\r\n", "end\r\n", JOURNAL_DISCARDED, newB},
        {"garbage", kOtherFile, std::string(5000, '\x1A'), "", JOURNAL_DISCARDED, newB},
    };
    for (const auto& test : cases) {
        Clean();
        for (const auto& file : cutOff)
            WriteFileBytes(kDrive + file.first, file.second);
        const std::string copys =
            JournalLine("MODELB.BIN", "~PKU0001.TMP", kSameFile) + JournalLine("NEW.BIN", "", kSameFile) +
            JournalLine("RELEASE.TXT", "~PKU0003.TMP", kOtherFile) + JournalLine("THESIS.DOC", "", test.thesis);
        const bool bGarbage = test.extra[0] == '\x1A';
        WriteFileBytes("E:\\~PKUFFFF.TMP",
                       bGarbage ? test.extra : "PelkinUpdate commit journal\r\n" + copys + test.extra + test.pszTail);
        EXPECT_EQ(test.recovery, RecoverCutOffCommit(kDrive, {}, CFileOps::Real())) << test.pszWhat;
        EXPECT_EQ(test.after, ReadFolderFiles(kDrive)) << test.pszWhat;
    }
}

// What Windows never makes on a stick, made from the Unix side: a link
// (Wine shows it as a plain file, and removes or moves its target), a
// broken link (not listed at all), a pipe. Under the journal's name it
// blocks the copy; under a leftover's, a set-aside file's or a package
// file's name it is left alone with what it leads to.
TEST_F(PackageTransferTest, LinksOnTheStickAreNeverFollowed)
{
    const std::string link = "ln -s " + UnixDrivePath('F', "outside.txt") + " ";
    const struct
    {
        const char* pszName;
        std::string make;
        const char* pszJournal;
        JOURNAL_RECOVERY recovery;
        int nCopied;
    } cases[] = {
        {"~PKUFFFF.TMP", link, nullptr, JOURNAL_BLOCKED, 0},
        {"~PKUFFFF.TMP", "mkfifo ", nullptr, JOURNAL_BLOCKED, 0},
        {"~PKUFFFF.TMP", "ln -s /nonexistent ", nullptr, JOURNAL_BLOCKED, 0},
        {"~PKU0000.TMP", link, nullptr, JOURNAL_NONE, 1},
        {"fw.bin", link, nullptr, JOURNAL_NONE, 0},
        {"~PKU0001.TMP", link, "fw.bin\t~PKU0001.TMP\t00000020\r\nend\r\ncommitted\r\n", JOURNAL_FINISHED, 1},
        {"~PKU0001.TMP", link, "fw.bin\t~PKU0001.TMP\t00000020\r\nend\r\n", JOURNAL_UNDONE, 1},
    };
    for (const auto& test : cases) {
        const std::string what = test.make + test.pszName;
        Clean();
        WriteFileBytes("F:\\outside.txt", "outside");
        WriteFileBytes(InPackage("fw.bin"), "image");
        EXPECT_TRUE(
            RunUnixShell(test.make + UnixDrivePath('E', test.pszName), kDrive + std::string(test.pszName), true))
            << what;
        if (test.pszJournal)
            WriteFileBytes("E:\\~PKUFFFF.TMP", std::string("PelkinUpdate commit journal\r\n") + test.pszJournal);
        EXPECT_EQ(test.recovery, RecoverCutOffCommit(kDrive, {}, CFileOps::Real())) << what;
        CStagedCopy copy(kDrive);
        AddPackageTo(copy);
        EXPECT_EQ(test.nCopied, copy.Run()) << what;
        if (test.nCopied) {
            EXPECT_EQ("image", ReadFileBytes("E:\\fw.bin")) << what;
        }
        EXPECT_EQ("outside", ReadFileBytes("F:\\outside.txt")) << what;
        EXPECT_TRUE(
            RunUnixShell("rm -rf " + UnixDrivePath('E', test.pszName), kDrive + std::string(test.pszName), false));
        RemovePath("F:\\outside.txt");
    }
}
