// The release build run as a user would, against Wine's own mount table
// and device tree: no USB device stands behind the test drives, so the
// outcome is Not found and OK scans again; and without its resource module
// the program ends quietly.
#include "DialogProbe.h"
#include "ProgramFolder.h"
#include "TestFiles.h"
#include "UpdaterRun.h"
#include "resource.h"

#include <gtest/gtest.h>

namespace {

const DWORD kTimeoutMs = 60000;

TEST(ReleaseTest, RealHostHasNoDeviceAndOkScansAgain)
{
    EmptyFolder("E:\\");
    const std::string strProgram = LayOutProgram(ExeFolder() + "release", "PelkinUpdate.exe", "updated");
    RemovePath(ExeFolder() + "release\\hostsim.ini");
    CUpdaterRun run(strProgram);
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::NotFound);
    EXPECT_EQ(run.Caption(), run.Texts().Format(IDS_CAPTION, "Pelkin Model A"));
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_DEVICE_NOT_FOUND, "Pelkin Model A"));
    EXPECT_EQ(run.OkLabel(), run.Texts().Load(IDS_RETRY_BUTTON));
    CDebuggedProcess& process = run.Process();
    EXPECT_EQ(process.CountTrace("E:\\"), 1);
    EXPECT_EQ(process.CountTrace("F:\\"), 1);
    EXPECT_EQ(process.CountTrace("Removable Drive\n"), 2);
    EXPECT_EQ(process.CountTrace("Device not Found\n"), 1);

    ASSERT_TRUE(ClickButton(run.Dialog(), IDOK));
    ASSERT_TRUE(run.WaitForNotFound(2, kTimeoutMs));
    EXPECT_EQ(process.CountTrace("E:\\"), 2);
    EXPECT_FALSE(process.HasExited());
    EXPECT_TRUE(ListFiles("E:").empty());

    ASSERT_TRUE(PressButton(run.Dialog(), IDCANCEL));
    ASSERT_TRUE(process.WaitForExit(kTimeoutMs));
    EXPECT_EQ(process.CrashCount(), 0);
}

TEST(ReleaseTest, WithoutResourceModuleEndsQuietly)
{
    const std::string strProgram =
        LayOutProgram(ExeFolder() + "no-module", "PelkinUpdate.exe", "updated", false);
    ASSERT_FALSE(FileExists(ExeFolder() + "no-module\\PelkinUpdate.prm"));
    CDebuggedProcess process;
    ASSERT_TRUE(process.Start(strProgram));
    EXPECT_EQ(WaitForProcessDialog(process, kTimeoutMs), nullptr);
    ASSERT_TRUE(process.WaitForExit(kTimeoutMs));
    EXPECT_EQ(process.CrashCount(), 0);
    // It never got to look at a drive.
    EXPECT_EQ(process.CountTrace("Removable Drive\n"), 0);
}

}  // namespace
