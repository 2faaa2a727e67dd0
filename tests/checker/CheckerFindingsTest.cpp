// The checker's findings: one broken release folder per finding, checked
// for exactly that finding and the exit code it makes; and the rules that
// no folder on this host can exercise (names that only a double-byte code
// page makes long enough, releases the gate compares as text).
#include "ConfigCheck.h"
#include "PackageCases.h"
#include "PackageCheck.h"
#include "PackageJudge.h"
#include "PackageRules.h"
#include "ProgramFolder.h"
#include "ProgramModules.h"
#include "StagingNames.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

std::vector<PACKAGE_CASE> Cases()
{
    return MakePackageCases(ExeFolder());
}

class CheckerFindingsTest : public ::testing::TestWithParam<PACKAGE_CASE>
{
protected:
    void TearDown() override { RemoveLongPath(ExeFolder() + GetParam().strName); }
};

TEST_P(CheckerFindingsTest, ReportsTheFindingAndItsExitCode)
{
    const std::string strFolder = LayOutCase(ExeFolder(), GetParam(), false);
    CCheckReport report;
    CheckCase(strFolder, GetParam(), report);
}

INSTANTIATE_TEST_SUITE_P(BrokenPackages, CheckerFindingsTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<PACKAGE_CASE>& info) { return info.param.strName; });

// "E:\" and the name must fit 259 characters: a name of 257 bytes, which
// only a double-byte code page makes of 255 characters, can't be copied.
TEST(CheckerRulesTest, NameMustFitTheDriveRoot)
{
    EXPECT_TRUE(FitsDriveRoot(std::string(256, 'n').c_str()));
    EXPECT_FALSE(FitsDriveRoot(std::string(257, 'n').c_str()));
}

// Names other file systems take and FAT drives refuse.
TEST(CheckerRulesTest, FatNames)
{
    CString strReason;
    for (const char* pszGood : {"MODELB.BIN", "COM0.TXT", "CONSOLE.BIN", "COM10.BIN", "LPT12"})
        EXPECT_TRUE(IsFatFileName(pszGood, &strReason)) << pszGood;
    const char* const bad[][2] = {
        {"fw|1.bin", "it holds '|'"},
        {"fw\x01.bin", "it holds a control character"},
        {"fw.bin.", "it ends in a dot or a blank"},
        {"fw.bin ", "it ends in a dot or a blank"},
        {"Lpt9.txt", "a device name"},
    };
    for (const auto& name : bad) {
        EXPECT_FALSE(IsFatFileName(name[0], &strReason)) << name[0];
        EXPECT_EQ(std::string(strReason), name[1]) << name[0];
    }
}

// Names equal but for case: the drive would keep only one of them. (A
// Windows folder can't hold both, so no release folder here shows it.)
TEST(CheckerRulesTest, NamesEqualButForCaseRefused)
{
    PACKAGE_NAME_SET seen;
    EXPECT_EQ(JudgePackageFileName(L"FW.BIN", seen), nullptr);
    EXPECT_EQ(JudgePackageFileName(L"FW.BIN2", seen), nullptr);
    EXPECT_NE(JudgePackageFileName(L"fw.bin", seen), nullptr);
}

// Windows drops the blanks before the extension.
TEST(CheckerRulesTest, DeviceNames)
{
    for (const wchar_t* pszName : {L"COM1 .BIN", L"AUX .TXT", L"nul  .bin", L"LPT9 .BIN", L"CONIN$", L"conout$.txt",
                                   L"COM\u00B9", L"LPT\u00B3.BIN"})
        EXPECT_TRUE(IsDeviceName(pszName)) << pszName;
}

// Two temporary names a file and one for the journal, of 65,536: a package
// of more than 32,767 files is refused, and the refusal counts (a folder of
// so many files takes minutes to lay out here).
TEST(CheckerRulesTest, NoMoreFilesThanTemporaryNames)
{
    EXPECT_TRUE(HasStagingNames(0x7FFF));
    EXPECT_FALSE(HasStagingNames(0x8000));
    EXPECT_EQ(JudgeFileCount(0x7FFF, nullptr), 0);
    EXPECT_EQ(JudgeFileCount(0x8000, nullptr), 1);
}

// A sound module passes the check in either layout the loader maps it in:
// as an image, or as a plain data file (hosts before Windows Vista).
TEST(CheckerRulesTest, SoundModuleInEitherLayout)
{
    const std::string strModule = FolderFromEnvironment("PELKIN_APP_DIR") + "\\PelkinUpdate.prm";
    for (DWORD dwFlags : {DWORD{LOAD_LIBRARY_AS_DATAFILE}, DWORD{LOAD_LIBRARY_AS_DATAFILE | 0x20}}) {
        HMODULE hModule = LoadLibraryExA(strModule.c_str(), nullptr, dwFlags);
        ASSERT_NE(hModule, nullptr);
        CString strReason;
        EXPECT_EQ(AfxCheckResourceTables(hModule, GetModuleDialogRules(), strReason), 1)
            << static_cast<const char*>(strReason);
        FreeLibrary(hModule);
    }
}

// The gate compares the release printed "%04X" with Version as text.
TEST(CheckerRulesTest, VersionGateAsText)
{
    const struct
    {
        const char* pszVersion;
        unsigned nFirstRefused;
    } gates[] = {
        {"0200", 0x0201},  {"01ab", 0x01AC}, {"0x0200", 0x1000}, {"200", 0x2000},
        {"02.00", 0x0200}, {"!", 0x0000},    {"zz", 0x10000},    {"FFFF", 0x10000},
    };
    for (const auto& gate : gates)
        EXPECT_EQ(FirstRefusedRelease(gate.pszVersion), gate.nFirstRefused) << gate.pszVersion;
}

}  // namespace
