// The driver against the minimal dialog program beside this test: starting
// it as a user would, collecting its traces, reading and pressing its
// dialog, and seeing it end.
#include "DebuggedProcess.h"
#include "DialogProbe.h"
#include "TestFiles.h"
#include "UpdaterTexts.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

const int kMessageId = 1001;

std::string MinimalDialogPath()
{
    return ExeFolder() + "e2e_minimal_dialog.exe";
}

}  // namespace

TEST(DriverTest, ReadsPressesAndSeesTheDialogClose)
{
    CDebuggedProcess process;
    ASSERT_TRUE(process.Start(MinimalDialogPath()));
    HWND hDlg = WaitForProcessDialog(process, 30000);
    ASSERT_NE(hDlg, nullptr);
    EXPECT_EQ(GetWindowTextOf(hDlg), "Minimal Dialog");
    ASSERT_TRUE(WaitForControlText(hDlg, kMessageId, "Ready", 10000));
    EXPECT_TRUE(IsControlVisible(hDlg, kMessageId));
    EXPECT_TRUE(IsControlVisible(hDlg, IDOK));
    EXPECT_FALSE(IsControlVisible(hDlg, 1004));
    EXPECT_EQ(GetControlText(hDlg, IDOK), "OK");
    ASSERT_TRUE(process.WaitForTrace("Ready\n", 1, 10000));

    ASSERT_TRUE(ClickButton(hDlg, IDOK));
    ASSERT_TRUE(process.WaitForExit(10000));
    const double nSeconds = process.SecondsSinceStart();
    EXPECT_EQ(process.ExitCode(), 7u);
    EXPECT_EQ(process.CrashCount(), 0);
    const std::vector<std::string> expected = {"Minimal dialog shown\n", "Ready\n", "Closing\n"};
    EXPECT_EQ(process.Traces(), expected);
    std::printf("minimal dialog: shown and closed in %.2f s\n", nSeconds);
}

TEST(DriverTest, CommandFromCancelEndsTheDialog)
{
    CDebuggedProcess process;
    ASSERT_TRUE(process.Start(MinimalDialogPath()));
    HWND hDlg = WaitForProcessDialog(process, 30000);
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(PressButton(hDlg, IDCANCEL));
    ASSERT_TRUE(process.WaitForExit(10000));
    EXPECT_EQ(process.ExitCode(), 8u);
    EXPECT_EQ(process.CountTrace("Closing\n"), 1);
}

TEST(DriverTest, LongTraceIsReadWhole)
{
    CDebuggedProcess process;
    ASSERT_TRUE(process.Start(MinimalDialogPath(), "long"));
    ASSERT_TRUE(process.WaitForTrace(std::string(5000, 'x'), 1, 30000));
    HWND hDlg = WaitForProcessDialog(process, 10000);
    ASSERT_NE(hDlg, nullptr);
    PressButton(hDlg, IDOK);
    EXPECT_TRUE(process.WaitForExit(10000));
}

TEST(DriverTest, ProcessWithoutWindowIsSeenToEnd)
{
    CDebuggedProcess process;
    ASSERT_TRUE(process.Start(MinimalDialogPath(), "quit"));
    EXPECT_EQ(WaitForProcessDialog(process, 30000), nullptr);
    ASSERT_TRUE(process.WaitForExit(10000));
    EXPECT_EQ(process.ExitCode(), 3u);
    EXPECT_TRUE(process.Traces().empty());
}

TEST(DriverTest, MissingProgramDoesNotStart)
{
    CDebuggedProcess process;
    EXPECT_FALSE(process.Start(ExeFolder() + "no-such-program.exe"));
    EXPECT_TRUE(process.HasExited());
}

TEST(DriverTest, UnfinishedProcessIsEndedWithItsDriver)
{
    DWORD nProcessId = 0;
    {
        CDebuggedProcess process;
        ASSERT_TRUE(process.Start(MinimalDialogPath()));
        ASSERT_NE(WaitForProcessDialog(process, 30000), nullptr);
        nProcessId = process.ProcessId();
    }
    EXPECT_EQ(FindProcessDialog(nProcessId), nullptr);
}

TEST(DriverTest, FormatsMatchTheirResults)
{
    EXPECT_TRUE(MatchesFormat("Model B updated.", "%s updated."));
    EXPECT_TRUE(MatchesFormat(" updated.", "%s updated."));
    EXPECT_FALSE(MatchesFormat("Model B updated", "%s updated."));
    EXPECT_TRUE(MatchesFormat("Model B 0201 refused", "%s %s refused"));
    EXPECT_FALSE(MatchesFormat("Model B", "%s %s refused"));
    EXPECT_FALSE(MatchesFormat("Model B  refused.", "%s %s refused"));
    EXPECT_TRUE(MatchesFormat("100% sure", "100%% sure"));
    EXPECT_TRUE(MatchesFormat("Copy failed", "Copy failed"));
    EXPECT_FALSE(MatchesFormat("Copy failed!", "Copy failed"));
    EXPECT_FALSE(MatchesFormat("ab", "a%sba"));
}
