// The demo build run as a user would against each example scenario: a
// folder laid out like the shipped one, the test prefix's drives E: and F:
// as the sticks, the dialog read and pressed from outside, the traces of
// the run, and what ended up on the sticks.
#include "DialogProbe.h"
#include "ProgramFolder.h"
#include "TestFiles.h"
#include "UpdaterRun.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const DWORD kTimeoutMs = 60000;
const char kModelA[] = "Pelkin Model A";
const char kModelB[] = "Pelkin Model B";

class DemoScenarioTest : public ::testing::Test
{
protected:
    std::string strFolder;

    void SetUp() override
    {
        EmptyFolder("E:\\");
        EmptyFolder("F:\\");
    }

    void TearDown() override
    {
        EmptyFolder("E:\\");
        EmptyFolder("F:\\");
    }

    std::string LayOut(const std::string& strScenario)
    {
        strFolder = ExeFolder() + strScenario;
        return LayOutProgram(strFolder, "PelkinUpdateDemo.exe", strScenario);
    }

    // The firmware files of a section as the package holds them.
    void ExpectPackageOnDrive(const std::string& strSection, const std::string& strDriveRoot)
    {
        EXPECT_EQ("", CompareWithPackage(strFolder + "\\" + strSection, strDriveRoot));
    }

    // A final outcome closes with OK, and the process ends.
    void CloseFinal(CUpdaterRun& run)
    {
        EXPECT_EQ(run.OkLabel(), run.Texts().Load(IDS_CLOSE_BUTTON));
        EXPECT_TRUE(IsControlVisible(run.Dialog(), IDOK));
        EXPECT_FALSE(IsControlVisible(run.Dialog(), IDCANCEL));
        EXPECT_FALSE(IsControlVisible(run.Dialog(), IDC_BUSY_TEXT));
        EXPECT_FALSE(IsControlVisible(run.Dialog(), IDC_BUSY_PROGRESS));
        ASSERT_TRUE(ClickButton(run.Dialog(), IDOK));
        ASSERT_TRUE(run.Process().WaitForExit(kTimeoutMs));
        EXPECT_EQ(run.Process().CrashCount(), 0);
    }

    void CloseNotFound(CUpdaterRun& run)
    {
        ASSERT_TRUE(PressButton(run.Dialog(), IDCANCEL));
        ASSERT_TRUE(run.Process().WaitForExit(kTimeoutMs));
        EXPECT_EQ(run.Process().CrashCount(), 0);
    }
};

TEST_F(DemoScenarioTest, Updated)
{
    CUpdaterRun run(LayOut("updated"));
    ASSERT_TRUE(run.Texts().IsLoaded());
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    std::printf("updater: start to outcome Updated in %.2f s\n", run.OutcomeSeconds());
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::Updated);
    EXPECT_EQ(run.Caption(), run.Texts().Format(IDS_CAPTION, kModelA));
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_UPDATE_DONE, kModelB));
    ExpectPackageOnDrive("ModelB", "E:\\");
    const CDebuggedProcess& process = run.Process();
    EXPECT_EQ(process.CountTrace("E:\\"), 1);
    EXPECT_GE(process.CountTrace("Removable Drive\n"), 1);
    EXPECT_EQ(process.CountTrace("0x1002"), 1);
    EXPECT_EQ(process.CountTrace("Device not Found\n"), 0);
    // The target ends the walk: F: is never looked at.
    EXPECT_EQ(process.CountTrace("F:\\"), 0);
    // The copy's progress bar, made at run time: the common controls of
    // the manifest are there.
    EXPECT_NE(GetDlgItem(run.Dialog(), IDC_BUSY_PROGRESS), nullptr);
    CloseFinal(run);
}

TEST_F(DemoScenarioTest, NotFoundThenOkScansAgain)
{
    CUpdaterRun run(LayOut("not-found"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::NotFound);
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_DEVICE_NOT_FOUND, kModelA));
    EXPECT_EQ(run.OkLabel(), run.Texts().Load(IDS_RETRY_BUTTON));
    EXPECT_EQ(run.Process().CountTrace("0x2001"), 1);
    EXPECT_EQ(run.Process().CountTrace("Device not Found\n"), 1);

    ASSERT_TRUE(ClickButton(run.Dialog(), IDOK));
    ASSERT_TRUE(run.WaitForNotFound(2, kTimeoutMs));
    EXPECT_EQ(run.Process().CountTrace("0x2001"), 2);
    EXPECT_FALSE(run.Process().HasExited());
    EXPECT_TRUE(ListFiles("E:").empty());
    CloseNotFound(run);
}

TEST_F(DemoScenarioTest, VersionRefused)
{
    CUpdaterRun run(LayOut("version-refused"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::VersionRefused);
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_VERSION_REFUSED, kModelB, "0201"));
    EXPECT_TRUE(ListFiles("E:").empty());
    CloseFinal(run);
}

// Two sticks of one model, the one on E: too new, its sibling on F: old
// enough, with a serial number that begins E:'s: E: is judged by its own
// release and refused, and nothing is copied anywhere.
TEST_F(DemoScenarioTest, VersionRefusedBesideAnOlderSibling)
{
    CUpdaterRun run(LayOut("sibling-refused"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::VersionRefused);
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_VERSION_REFUSED, kModelB, "0300"));
    EXPECT_EQ(run.Process().CountTrace("F:\\"), 0);
    EXPECT_TRUE(ListFiles("E:").empty());
    EXPECT_TRUE(ListFiles("F:").empty());
    CloseFinal(run);
}

TEST_F(DemoScenarioTest, NoRoom)
{
    ULARGE_INTEGER nFree = {};
    ASSERT_TRUE(GetDiskFreeSpaceExA("E:\\", &nFree, nullptr, nullptr));
    if (nFree.QuadPart >= 3 * 1024 * 1024)
        GTEST_SKIP() << "drive E: is not the small test drive (tmpfs needs root)";
    CUpdaterRun run(LayOut("no-room"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::NoRoom);
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_NO_ROOM, kModelA));
    EXPECT_TRUE(ListFiles("E:").empty());
    CloseFinal(run);
}

TEST_F(DemoScenarioTest, CopyFailed)
{
    CUpdaterRun run(LayOut("copy-failed"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::CopyFailed);
    EXPECT_EQ(run.Message(), run.Texts().Load(IDS_COPY_FAILED));
    EXPECT_TRUE(ListFiles("E:").empty());
    CloseFinal(run);
}

TEST_F(DemoScenarioTest, CompositeDeviceOnExternalHub)
{
    CUpdaterRun run(LayOut("composite"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::Updated);
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_UPDATE_DONE, kModelA));
    ExpectPackageOnDrive("ModelA", "E:\\");
    CloseFinal(run);
}

TEST_F(DemoScenarioTest, SecondDriveIsUpdated)
{
    CUpdaterRun run(LayOut("second-drive"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::Updated);
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_UPDATE_DONE, kModelB));
    ExpectPackageOnDrive("ModelB", "F:\\");
    EXPECT_TRUE(ListFiles("E:").empty());
    const CDebuggedProcess& process = run.Process();
    EXPECT_EQ(process.CountTrace("E:\\"), 1);
    EXPECT_EQ(process.CountTrace("F:\\"), 1);
    EXPECT_EQ(process.CountTrace("0x0129"), 1);
    EXPECT_EQ(process.CountTrace("0x1002"), 1);
    CloseFinal(run);
}

TEST_F(DemoScenarioTest, HubThatFailsEveryRequest)
{
    CUpdaterRun run(LayOut("hub-fails"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::NotFound);
    EXPECT_EQ(run.Process().CountTrace("0x1002"), 0);
    EXPECT_GE(run.Process().CountTrace("Removable Drive\n"), 1);
    CloseNotFound(run);
}

// The mount table answers every request for its next value with an error:
// each scan ends with Not found, and the dialog keeps answering.
TEST_F(DemoScenarioTest, MountTableThatFailsEveryEnumeration)
{
    CUpdaterRun run(LayOut("mount-table-fails"));
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::NotFound);
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_DEVICE_NOT_FOUND, kModelA));
    EXPECT_GE(run.Process().CountTrace("Removable Drive\n"), 1);
    EXPECT_EQ(run.Process().CountTrace("0x1002"), 0);

    ASSERT_TRUE(ClickButton(run.Dialog(), IDOK));
    ASSERT_TRUE(run.WaitForNotFound(2, kTimeoutMs));
    EXPECT_FALSE(run.Process().HasExited());
    EXPECT_TRUE(ListFiles("E:").empty());
    CloseNotFound(run);
}

TEST_F(DemoScenarioTest, BadScenarioFileIsAnEmptyHost)
{
    const std::string strProgram = LayOut("updated");
    WriteFileBytes(strFolder + "\\hostsim.ini", "[Device1]\nDrive=E\nVendorID=0x1234\nProductID=0x10022\n");
    CUpdaterRun run(strProgram);
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::NotFound);
    EXPECT_EQ(run.Process().CountTrace("0x1002"), 0);
    EXPECT_TRUE(ListFiles("E:").empty());
    CloseNotFound(run);
}

TEST_F(DemoScenarioTest, MissingScenarioFileIsAnEmptyHost)
{
    const std::string strProgram = LayOut("updated");
    RemovePath(strFolder + "\\hostsim.ini");
    CUpdaterRun run(strProgram);
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::NotFound);
    EXPECT_TRUE(ListFiles("E:").empty());
    CloseNotFound(run);
}

}  // namespace
