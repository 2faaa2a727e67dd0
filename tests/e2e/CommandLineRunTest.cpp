// The demo build run from a script: /quiet against each example scenario
// (no window at all, the outcome as exit code), the log that /log leaves,
// and the usage for what the program does not know.
#include "DialogProbe.h"
#include "ProgramFolder.h"
#include "TestFiles.h"
#include "UpdaterRun.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const DWORD kTimeoutMs = 60000;

struct QUIET_RUN
{
    const char* pszScenario;
    DWORD nExitCode;
    const char* pszSection;    // the package found on the drive; null: the sticks stay empty
    const char* pszDriveRoot;
};

const QUIET_RUN kQuietRuns[] = {
    {"updated", 0, "ModelB", "E:\\"},
    {"not-found", 1, nullptr, nullptr},
    {"version-refused", 2, nullptr, nullptr},
    {"no-room", 3, nullptr, nullptr},
    {"copy-failed", 4, nullptr, nullptr},
    {"composite", 0, "ModelA", "E:\\"},
    {"second-drive", 0, "ModelB", "F:\\"},
    {"hub-fails", 1, nullptr, nullptr},
};

bool DriveIsSmall()
{
    ULARGE_INTEGER nFree = {};
    return GetDiskFreeSpaceExA("E:\\", &nFree, nullptr, nullptr) && nFree.QuadPart < 3 * 1024 * 1024;
}

// The lines of a log file, without their line ends.
std::vector<std::string> ReadLines(const std::string& strPath)
{
    std::vector<std::string> lines;
    const std::string strText = ReadFileBytes(strPath);
    for (size_t nStart = 0; nStart < strText.size();) {
        size_t nEnd = strText.find("\r\n", nStart);
        if (nEnd == std::string::npos)
            nEnd = strText.size();
        lines.push_back(strText.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    return lines;
}

// How many lines hold strPart after their time stamp.
int CountLines(const std::vector<std::string>& lines, const std::string& strPart)
{
    int nCount = 0;
    for (const std::string& strLine : lines)
        if (strLine.size() > 20 && strLine.find(strPart, 20) != std::string::npos)
            ++nCount;
    return nCount;
}

class CommandLineRunTest : public ::testing::Test
{
protected:
    std::string strFolder;

    void SetUp() override { EmptyDrives(); }
    void TearDown() override { EmptyDrives(); }
    static void EmptyDrives()
    {
        EmptyFolder("E:\\");
        EmptyFolder("F:\\");
    }

    std::string LayOut(const std::string& strScenario, bool bWithModule = true)
    {
        strFolder = ExeFolder() + "cmd-" + strScenario;
        return LayOutProgram(strFolder, "PelkinUpdateDemo.exe", strScenario, bWithModule);
    }

    // Runs the program with strArgs to its end, which must come without any
    // window showing meanwhile; its exit code.
    DWORD RunQuiet(const std::string& strProgram, const std::string& strArgs)
    {
        CDebuggedProcess process;
        EXPECT_TRUE(process.Start(strProgram, strArgs));
        bool bShowedWindow = true;
        EXPECT_TRUE(WaitForExitWatchingWindows(process, kTimeoutMs, &bShowedWindow));
        EXPECT_FALSE(bShowedWindow) << strArgs;
        EXPECT_EQ(0, process.CrashCount());
        return process.ExitCode();
    }

    void ExpectPackageOnDrive(const std::string& strSection, const std::string& strDriveRoot)
    {
        const std::string strPackage = strFolder + "\\" + strSection;
        const std::vector<std::string> files = ListFiles(strPackage);
        ASSERT_FALSE(files.empty());
        EXPECT_EQ(ListFiles(strDriveRoot), files);
        for (const std::string& strName : files)
            EXPECT_EQ(ReadFileBytes(strDriveRoot + strName), ReadFileBytes(strPackage + "\\" + strName)) << strName;
    }

    static void ExpectSticksEmpty()
    {
        EXPECT_TRUE(ListFiles("E:").empty());
        EXPECT_TRUE(ListFiles("F:").empty());
    }

    // A run with "/quiet /log run.log" beside the program: its log's lines.
    std::vector<std::string> RunLogged(const std::string& strScenario, DWORD nExitCode)
    {
        const std::string strProgram = LayOut(strScenario);
        EXPECT_EQ(nExitCode, RunQuiet(strProgram, "/quiet /log run.log"));
        const std::vector<std::string> lines = ReadLines(strFolder + "\\run.log");
        EXPECT_GE(lines.size(), 3u);
        if (!lines.empty()) {
            EXPECT_EQ(1, CountLines({lines.front()}, " started; command line: /quiet /log run.log")) << lines.front();
        }
        return lines;
    }
};

TEST_F(CommandLineRunTest, QuietRunOfEveryExample)
{
    for (const QUIET_RUN& run : kQuietRuns) {
        SCOPED_TRACE(run.pszScenario);
        if (run.nExitCode == 3 && !DriveIsSmall())
            continue;  // E: is not the small test drive (tmpfs needs root)
        EmptyDrives();
        EXPECT_EQ(run.nExitCode, RunQuiet(LayOut(run.pszScenario), "/quiet"));
        if (run.pszSection)
            ExpectPackageOnDrive(run.pszSection, run.pszDriveRoot);
        else
            ExpectSticksEmpty();
    }
}

// Nothing to show, so nothing is needed to show it.
TEST_F(CommandLineRunTest, QuietRunNeedsNoResourceModule)
{
    const std::string strProgram = LayOut("updated", false);
    ASSERT_FALSE(FileExists(strFolder + "\\PelkinUpdate.prm"));
    EXPECT_EQ(0u, RunQuiet(strProgram, "-QUIET"));
    ExpectPackageOnDrive("ModelB", "E:\\");
}

TEST_F(CommandLineRunTest, LogSaysWhyNothingWasFound)
{
    const std::vector<std::string> lines = RunLogged("not-found", 1);
    EXPECT_EQ(1, CountLines(lines, "E:\\ is removable"));
    EXPECT_EQ(1, CountLines(lines, "E:\\: USB device USB\\VID_1234&PID_2001\\PKX000777"));
    EXPECT_EQ(1, CountLines(lines, "E:\\: USB device vendor 0x1234, product 0x2001, release 0100"));
    EXPECT_EQ(1, CountLines(lines, "E:\\ passed over: no section of Update.cfg names vendor 0x1234, product 0x2001"));
    // The prefix's drive F: has no mount-table value at all.
    EXPECT_EQ(1, CountLines(lines, "F:\\: the mount table has no value for the drive"));
    EXPECT_EQ(1, CountLines(lines, "F:\\ passed over: no USB device identified"));
    EXPECT_EQ(1, CountLines(lines, "Outcome: Not found"));
    EXPECT_EQ(1, CountLines({lines.back()}, "Exit code 1"));
}

TEST_F(CommandLineRunTest, LogNamesTheHubThatFails)
{
    const std::vector<std::string> lines = RunLogged("hub-fails", 1);
    EXPECT_EQ(1, CountLines(lines, "E:\\: USB device USB\\VID_1234&PID_1002\\PKB000127"));
    EXPECT_EQ(1, CountLines(lines, "E:\\: hub \\\\?\\USB#ROOT_HUB"));
    EXPECT_EQ(1, CountLines(lines, "E:\\: the hub cannot be asked for its ports: its node information cannot be had"));
    EXPECT_EQ(1, CountLines(lines, "E:\\ passed over: no USB device identified"));
    EXPECT_EQ(0, CountLines(lines, "E:\\: USB device vendor"));
    EXPECT_EQ(1, CountLines(lines, "Outcome: Not found"));
}

TEST_F(CommandLineRunTest, LogOfACompositeDevice)
{
    const std::vector<std::string> lines = RunLogged("composite", 0);
    // The interface's storage leads to the composite device, whose hub is
    // the external one.
    EXPECT_EQ(1, CountLines(lines, "E:\\: storage device STORAGE#REMOVABLEMEDIA#"));
    EXPECT_EQ(1, CountLines(lines, "E:\\: USB device USB\\VID_1234&PID_1001\\"));
    EXPECT_EQ(0, CountLines(lines, "&MI_"));
    EXPECT_EQ(1, CountLines(lines, "E:\\: hub \\\\?\\USB#VID_"));
    EXPECT_EQ(1, CountLines(lines, "E:\\: USB device vendor 0x1234, product 0x1001, release 0105; manufacturer "
                                   "\"Pelkin Devices\", product \"Model A\", serial number \"\""));
    EXPECT_EQ(1, CountLines(lines, "E:\\ is the target: section [ModelA]"));
    EXPECT_EQ(1, CountLines(lines, "Version: device release 0105, Version 0105 of section [ModelA]: accepted"));
    EXPECT_EQ(1, CountLines(lines, ": room"));
    EXPECT_EQ(2, CountLines(lines, ": copied"));
    EXPECT_EQ(1, CountLines(lines, "Outcome: Updated"));
    ExpectPackageOnDrive("ModelA", "E:\\");
}

// The log also works with the dialog, and each run appends to it.
TEST_F(CommandLineRunTest, LogOfADialogRun)
{
    const std::string strProgram = LayOut("updated");
    WriteFileBytes(strFolder + "\\run.log", "an earlier line\r\n");
    CUpdaterRun run(strProgram);
    ASSERT_TRUE(run.Start("/log run.log"));
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    EXPECT_EQ(run.Outcome(), UPDATE_OUTCOME::Updated);
    ASSERT_TRUE(ClickButton(run.Dialog(), IDOK));
    ASSERT_TRUE(run.Process().WaitForExit(kTimeoutMs));
    EXPECT_EQ(0u, run.Process().ExitCode());
    const std::vector<std::string> lines = ReadLines(strFolder + "\\run.log");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("an earlier line", lines.front());
    EXPECT_EQ(1, CountLines(lines, "Outcome: Updated"));
    ExpectPackageOnDrive("ModelB", "E:\\");
}

// A log that can't be written is no reason not to update.
TEST_F(CommandLineRunTest, UnwritableLogStillUpdates)
{
    const std::string strProgram = LayOut("updated");
    for (const char* pszLog : {"\"no such folder\\run.log\"", "ModelB", "E:\\"}) {
        EmptyDrives();
        EXPECT_EQ(0u, RunQuiet(strProgram, std::string("/quiet /log ") + pszLog)) << pszLog;
        ExpectPackageOnDrive("ModelB", "E:\\");
    }
    EXPECT_FALSE(FileExists(strFolder + "\\no such folder"));
}

// The usage, and nothing else: the sticks stay as they were.
TEST_F(CommandLineRunTest, UnknownSwitchShowsTheUsage)
{
    const std::string strProgram = LayOut("updated");
    WriteFileBytes("E:\\MODELB.BIN", "the old firmware");
    CUpdaterRun run(strProgram);
    ASSERT_TRUE(run.Start("/update-all /log run.log"));
    HWND hBox = WaitForProcessDialog(run.Process(), kTimeoutMs);
    ASSERT_NE(nullptr, hBox);
    const std::string strUsage = run.Texts().Load(IDS_USAGE);
    ASSERT_FALSE(strUsage.empty());
    EXPECT_EQ(strUsage, GetStaticTexts(hBox));
    EXPECT_EQ(0, run.Process().CountTrace("Removable Drive\n"));
    ASSERT_TRUE(PressButton(hBox, IDOK));
    ASSERT_TRUE(run.Process().WaitForExit(kTimeoutMs));
    EXPECT_EQ(64u, run.Process().ExitCode());
    EXPECT_EQ(std::vector<std::string>{"MODELB.BIN"}, ListFiles("E:"));
    EXPECT_EQ("the old firmware", ReadFileBytes("E:\\MODELB.BIN"));
    EXPECT_FALSE(FileExists(strFolder + "\\run.log"));

    // With /quiet nothing shows, not even the usage.
    EXPECT_EQ(64u, RunQuiet(strProgram, "/quiet /?"));
    EXPECT_EQ("the old firmware", ReadFileBytes("E:\\MODELB.BIN"));
}

// A module without the usage text (or no module at all): the built-in one.
TEST_F(CommandLineRunTest, UsageWithoutModuleIsBuiltIn)
{
    const std::string strProgram = LayOut("updated", false);
    CDebuggedProcess process;
    ASSERT_TRUE(process.Start(strProgram, "-?"));
    HWND hBox = WaitForProcessDialog(process, kTimeoutMs);
    ASSERT_NE(nullptr, hBox);
    const std::string strText = GetStaticTexts(hBox);
    EXPECT_NE(std::string::npos, strText.find("/quiet")) << strText;
    EXPECT_NE(std::string::npos, strText.find("/log FILE")) << strText;
    ASSERT_TRUE(PressButton(hBox, IDOK));
    ASSERT_TRUE(process.WaitForExit(kTimeoutMs));
    EXPECT_EQ(64u, process.ExitCode());
    ExpectSticksEmpty();
}

}  // namespace
