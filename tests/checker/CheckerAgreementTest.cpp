// The checker and the updater agree: the demo build, run on the very
// folders the checker judged with a device on drive E:, updates the
// package the checker calls clean, and ends each broken one as the
// checker's finding predicts.
#include "DialogProbe.h"
#include "PackageCases.h"
#include "ProgramFolder.h"
#include "ReleaseCheck.h"
#include "SumsCheck.h"
#include "TestFiles.h"
#include "UpdaterRun.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const DWORD kTimeoutMs = 60000;

// The cases with a device to run the updater for.
std::vector<PACKAGE_CASE> RunCases()
{
    std::vector<PACKAGE_CASE> cases;
    for (const PACKAGE_CASE& packageCase : MakePackageCases(ExeFolder())) {
        if (packageCase.nProduct)
            cases.push_back(packageCase);
    }
    return cases;
}

void WriteDevice(const std::string& strFolder, unsigned nProduct, unsigned nRelease)
{
    char szDevice[160];
    std::snprintf(szDevice, sizeof szDevice,
                  "[Device1]\nDrive=E\nVendorID=0x1234\nProductID=0x%04X\nRelease=0x%04X\nSerial=PKC000001\n"
                  "Product=Model\nPort=1\n",
                  nProduct, nRelease);
    WriteFileBytes(strFolder + "\\hostsim.ini", std::string("[Host]\nMajorVersion=6\n\n") + szDevice);
}

bool DriveIsSmall()
{
    ULARGE_INTEGER nFree = {};
    return GetDiskFreeSpaceExA("E:\\", &nFree, nullptr, nullptr) && nFree.QuadPart < 3 * 1024 * 1024;
}

// The checker and the updater pass over the same modules for the same
// reasons: the updater's log names each module the checker says it passes
// over, with the checker's reason.
void ExpectSamePassOvers(const std::string& strFolder, const CCheckReport& report)
{
    const std::string strLog = ReadFileBytes(strFolder + "\\run.log");
    const std::string strLead = "the updater passes this module over: ";
    for (int i = 0; i < report.GetCount(); ++i) {
        const std::string strText(report.GetAt(i).strText);
        if (strText.compare(0, strLead.size(), strLead) != 0)
            continue;
        const std::string strPlace(report.GetAt(i).strPlace);
        EXPECT_NE(strLog.find(" Texts: " + strPlace + " passed over: " + strText.substr(strLead.size()) + "\r\n"),
                  std::string::npos)
            << strLog;
    }
}

// Runs the demo build in strFolder to its end, as the case says it ends.
void ExpectUpdaterEnd(const std::string& strFolder, const PACKAGE_CASE& packageCase, const CCheckReport& report)
{
    const std::string strProgram = strFolder + "\\PelkinUpdateDemo.exe";
    if (packageCase.outcome == UPDATE_OUTCOME::None) {
        CDebuggedProcess process;
        ASSERT_TRUE(process.Start(strProgram));
        bool bShowedWindow = true;
        ASSERT_TRUE(WaitForExitWatchingWindows(process, kTimeoutMs, &bShowedWindow));
        EXPECT_FALSE(bShowedWindow);
        EXPECT_EQ(process.CrashCount(), 0);
        return;
    }
    CUpdaterRun run(strProgram);
    ASSERT_TRUE(run.Start("/log run.log"));
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_STREQ(OutcomeName(run.Outcome()), OutcomeName(packageCase.outcome)) << run.Message();
    if (packageCase.outcome == UPDATE_OUTCOME::Updated) {
        EXPECT_EQ(run.Message(), run.Texts().Format(IDS_UPDATE_DONE, packageCase.strShownName));
        const std::vector<std::string> files = ListFiles(strFolder + "\\" + packageCase.strCopied);
        ASSERT_FALSE(files.empty());
        EXPECT_EQ(ListFiles("E:\\"), files);
    } else {
        EXPECT_TRUE(ListFiles("E:\\").empty());
    }
    const bool bNotFound = run.Outcome() == UPDATE_OUTCOME::NotFound;
    ASSERT_TRUE(bNotFound ? PressButton(run.Dialog(), IDCANCEL) : ClickButton(run.Dialog(), IDOK));
    ASSERT_TRUE(run.Process().WaitForExit(kTimeoutMs));
    EXPECT_EQ(run.Process().CrashCount(), 0);
    ExpectSamePassOvers(strFolder, report);
}

class CheckerAgreementTest : public ::testing::TestWithParam<PACKAGE_CASE>
{
protected:
    void SetUp() override { EmptyFolder("E:\\"); }
    void TearDown() override
    {
        EmptyFolder("E:\\");
        RemoveLongPath(ExeFolder() + GetParam().strName);
    }
};

TEST_P(CheckerAgreementTest, UpdaterEndsAsTheCheckerPredicts)
{
    const PACKAGE_CASE& packageCase = GetParam();
    if (packageCase.outcome == UPDATE_OUTCOME::NoRoom && !DriveIsSmall())
        GTEST_SKIP() << "drive E: is not the small test drive (tmpfs needs root)";
    const std::string strFolder = LayOutCase(ExeFolder(), packageCase, true);
    WriteDevice(strFolder, packageCase.nProduct, packageCase.nRelease);
    CCheckReport report;
    ASSERT_NO_FATAL_FAILURE(CheckCase(strFolder, packageCase, report));
    ExpectUpdaterEnd(strFolder, packageCase, report);
}

INSTANTIATE_TEST_SUITE_P(BrokenPackages, CheckerAgreementTest, ::testing::ValuesIn(RunCases()),
                         [](const ::testing::TestParamInfo<PACKAGE_CASE>& info) { return info.param.strName; });

TEST(CheckerCleanAgreementTest, CleanPackageIsUpdated)
{
    EmptyFolder("E:\\");
    const std::string strFolder = ExeFolder() + "Clean";
    LayOutCleanRelease(strFolder, true);
    CString strWhy;
    ASSERT_TRUE(WriteSums((strFolder + "\\").c_str(), strWhy)) << strWhy;
    CCheckReport report;
    CString strChecked;
    ASSERT_EQ(CheckReleaseFolder(strFolder.c_str(), CHECK_OPTIONS(), report, strChecked), 0);
    ExpectUpdaterEnd(strFolder, PACKAGE_CASE{"Clean", nullptr, {}, UPDATE_OUTCOME::Updated}, report);
    EmptyFolder("E:\\");
    RemovePath(strFolder);
}

}  // namespace
