// The demo build run from a script: /quiet against each example scenario
// (no window at all, the outcome its expected.ini names as exit code), the
// log that /log leaves, and the usage for what the program does not know.
#include "DialogProbe.h"
#include "ExampleExpectation.h"
#include "ProgramFolder.h"
#include "TestFiles.h"
#include "TestText.h"
#include "UpdaterRun.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

const DWORD kTimeoutMs = 60000;

class CommandLineRunTest : public ::testing::Test
{
protected:
    std::string strFolder;

    void SetUp() override { EmptyDrives(); }
    void TearDown() override { EmptyDrives(); }
    static void EmptyDrives()
    {
        for (const char* pszRoot : {"E:\\", "F:\\", "G:\\", "H:\\"})
            EmptyFolder(pszRoot);
    }
    static bool SticksAreEmpty() { return ListFiles("E:").empty() && ListFiles("F:").empty(); }

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

    // A run with "/quiet /log run.log" (or strArgs) beside the program: its log.
    std::string RunLogged(const std::string& strScenario, DWORD nExitCode,
                          const std::string& strArgs = "/quiet /log run.log")
    {
        EXPECT_EQ(nExitCode, RunQuiet(LayOut(strScenario), strArgs));
        const std::string strLog = ReadFileBytes(strFolder + "\\run.log");
        EXPECT_NE(std::string::npos, strLog.find(" started; command line: " + strArgs + "\r\n"));
        EXPECT_NE(std::string::npos, strLog.find(" Exit code " + std::to_string(nExitCode) + "\r\n"));
        return strLog;
    }
};

// Each line is found once, after a time stamp, and whole up to its end.
#define EXPECT_LINE(strLog, strLine) EXPECT_EQ(1, CountOf(strLog, std::string(" ") + (strLine) + "\r\n")) << (strLine)

TEST_F(CommandLineRunTest, QuietRunOfEveryExample)
{
    std::vector<EXAMPLE_EXPECTATION> examples;
    std::string strError;
    ASSERT_TRUE(ReadExamplesThatCanEndHere(examples, strError)) << strError;
    for (const EXAMPLE_EXPECTATION& expected : examples) {
        SCOPED_TRACE(expected.strExample);
        EmptyDrives();
        EXPECT_EQ(QuietExitCode(expected.outcome), RunQuiet(LayOut(expected.strExample), "/quiet"));
        if (expected.outcome == UPDATE_OUTCOME::Updated) {
            EXPECT_EQ("", CompareWithPackage(strFolder + "\\" + expected.strSection, expected.strDriveRoot));
            // The first target alone: the other stick stays as it was.
            EXPECT_TRUE(ListFiles(expected.strDriveRoot == "E:\\" ? "F:" : "E:").empty());
        } else
            EXPECT_TRUE(SticksAreEmpty());
    }
    // A host that can't list its drives.
    const std::string strProgram = LayOut("updated");
    WriteFileBytes(strFolder + "\\hostsim.ini",
                   ReadFileBytes(strFolder + "\\hostsim.ini") + "\n[Fail]\nGetLogicalDriveStringsA=all\n");
    EXPECT_EQ(5u, RunQuiet(strProgram, "/quiet"));
    EXPECT_TRUE(SticksAreEmpty());
    // Nothing to show, so nothing is needed to show it.
    EmptyDrives();
    EXPECT_EQ(0u, RunQuiet(LayOut("updated", false), "-QUIET"));
    EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelB", "E:\\"));
}

TEST_F(CommandLineRunTest, LogSaysWhyNothingWasFound)
{
    const std::string strLog = RunLogged("not-found", 1);
    EXPECT_LINE(strLog, "E:\\: USB device USB\\VID_1234&PID_2001\\PKX000777");
    EXPECT_LINE(strLog, "E:\\ passed over: no section of Update.cfg names vendor 0x1234, product 0x2001");
    // The prefix's drive F: has no mount-table value at all.
    EXPECT_LINE(strLog, "F:\\: the mount table has no value for the drive, or cannot be read");
    EXPECT_LINE(strLog, "F:\\ passed over: no USB device identified");
    EXPECT_LINE(strLog, "Outcome: Not found");
}

TEST_F(CommandLineRunTest, LogNamesTheHubThatFails)
{
    const std::string strLog = RunLogged("hub-fails", 1);
    EXPECT_LINE(strLog, "E:\\: USB device USB\\VID_1234&PID_1002\\PKB000127");
    EXPECT_LINE(strLog, "E:\\: the hub cannot be asked for its ports: its node information cannot be had");
    EXPECT_LINE(strLog, "E:\\ passed over: no USB device identified");
    EXPECT_EQ(0, CountOf(strLog, "USB device vendor"));
}

TEST_F(CommandLineRunTest, LogOfACompositeDevice)
{
    const std::string strLog = RunLogged("composite", 0);
    // The interface's storage leads to the composite device, on the external hub.
    EXPECT_EQ(0, CountOf(strLog, "&MI_"));
    EXPECT_EQ(1, CountOf(strLog, " E:\\: hub \\\\?\\USB#VID_"));
    EXPECT_LINE(strLog, "E:\\: USB device vendor 0x1234, product 0x1001, release 0105; manufacturer "
                        "\"Pelkin Devices\", product \"Model A\", serial number \"\"");
    EXPECT_LINE(strLog, "Version: device release 0105, Version 0105 of section [ModelA]: accepted");
    EXPECT_EQ(2, CountOf(strLog, ": copied\r\n"));
    EXPECT_LINE(strLog, "Outcome: Updated");
}

// /all: every matching device has its own sequence, in drive order; a
// refused one doesn't keep the next from its update.
TEST_F(CommandLineRunTest, AllUpdatesEveryMatchingDevice)
{
    std::string strLog = RunLogged("two-devices", 0, "/quiet /all /log run.log");
    EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelB", "E:\\"));
    EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelA", "F:\\"));
    EXPECT_EQ(2, CountOf(strLog, " Outcome: Updated\r\n"));
    EXPECT_LINE(strLog, "Devices: 2 matched; Updated 2");

    EmptyDrives();
    strLog = RunLogged("one-refused", 2, "/quiet /all /log run.log");
    EXPECT_TRUE(ListFiles("E:").empty());
    EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelA", "F:\\"));
    EXPECT_LINE(strLog, "Devices: 2 matched; Updated 1, Version refused 1");

    // The sticks swapped: the refused one's code, though E: was updated.
    EmptyDrives();
    const std::string strProgram = LayOut("one-refused");
    std::string strHost = ReadFileBytes(strFolder + "\\hostsim.ini");
    std::swap(strHost[strHost.find("Drive=E") + 6], strHost[strHost.find("Drive=F") + 6]);
    WriteFileBytes(strFolder + "\\hostsim.ini", strHost);
    EXPECT_EQ(2u, RunQuiet(strProgram, "/quiet /all"));
    EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelA", "E:\\"));
    EXPECT_TRUE(ListFiles("F:").empty());
}

// /list names every device and what an update would do, and leaves the
// sticks as they were.
TEST_F(CommandLineRunTest, ListWritesNothing)
{
    WriteFileBytes("E:\\MODELB.BIN", "the old firmware");
    WriteFileBytes("F:\\NOTES.TXT", "notes");
    std::string strLog = RunLogged("one-refused", 2, "/list /log run.log");
    EXPECT_EQ(1, CountOf(strLog, "serial number \"PKB000130\""));
    EXPECT_EQ(1, CountOf(strLog, "serial number \"PKA000131\""));
    EXPECT_LINE(strLog, "E:\\: an update would end in: Version refused");
    EXPECT_EQ(1, CountOf(strLog, " F:\\ would be updated: package [ModelA], 2096 bytes in 2 files, takes "));
    EXPECT_LINE(strLog, "F:\\: an update would end in: Updated");
    EXPECT_EQ(std::vector<std::string>{"MODELB.BIN"}, ListFiles("E:"));
    EXPECT_EQ("the old firmware", ReadFileBytes("E:\\MODELB.BIN"));
    EXPECT_EQ(std::vector<std::string>{"NOTES.TXT"}, ListFiles("F:"));
    EXPECT_EQ("notes", ReadFileBytes("F:\\NOTES.TXT"));
    strLog = RunLogged("two-devices", 0, "/list /log run.log");
    EXPECT_LINE(strLog, "Devices: 2 matched; an update would end in: Updated 2");
    EXPECT_EQ(std::vector<std::string>{"MODELB.BIN"}, ListFiles("E:"));
    // A log inside the package folder is no firmware, to a look as to an update.
    EXPECT_EQ(0u, RunQuiet(LayOut("updated"), "/list /log ModelB\\run.log"));
    EXPECT_EQ(1, CountOf(ReadFileBytes(strFolder + "\\ModelB\\run.log"),
                         " E:\\ would be updated: package [ModelB], 2096 bytes in 2 files, "));
}

// The log also works with the dialog, and appends to what the file held.
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
    const std::string strLog = ReadFileBytes(strFolder + "\\run.log");
    EXPECT_EQ(0u, strLog.find("an earlier line\r\n"));
    EXPECT_LINE(strLog, "Outcome: Updated");
}

// A log that can't be written is no reason not to update.
TEST_F(CommandLineRunTest, UnwritableLogStillUpdates)
{
    const std::string strProgram = LayOut("updated");
    for (const char* pszLog : {"\"no such folder\\run.log\"", "ModelB", "E:\\"}) {
        EmptyDrives();
        EXPECT_EQ(0u, RunQuiet(strProgram, std::string("/quiet /log ") + pszLog)) << pszLog;
        EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelB", "E:\\")) << pszLog;
    }
}

// /quiet /eject: 0 once the device is ejected; 6 when a program holds it
// (the log names the veto), the firmware updated all the same.
TEST_F(CommandLineRunTest, QuietEjectAfterTheUpdate)
{
    const std::string strProgram = LayOut("updated");
    EXPECT_EQ(0u, RunQuiet(strProgram, "/quiet /eject /log run.log"));
    EXPECT_LINE(ReadFileBytes(strFolder + "\\run.log"),
                "Eject: USB\\VID_1234&PID_1002\\PKB000123 ejected; the device can be unplugged");
    const std::string strVeto = "\n[Eject]\nVeto=5\nVetoName=\\Device\\HarddiskVolume9\n";
    WriteFileBytes(strFolder + "\\hostsim.ini", ReadFileBytes(strFolder + "\\hostsim.ini") + strVeto);
    EmptyDrives();
    EXPECT_EQ(6u, RunQuiet(strProgram, "/quiet /eject /log veto.log"));
    const std::string strLog = ReadFileBytes(strFolder + "\\veto.log");
    EXPECT_LINE(strLog, "Eject: vetoed (type 5, outstanding open) by \"\\Device\\HarddiskVolume9\"");
    EXPECT_EQ(3, CountOf(strLog, " Eject: vetoed (type 5, outstanding open) by \"\\Device\\HarddiskVolume9\"; "
                                 "asking again in 500 ms\r\n"));
    EXPECT_LINE(strLog, "Exit code 6");
    EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelB", "E:\\"));
}

// The usage and nothing else: the stick stays as it was. The module's text,
// or without a module the built-in one; with /quiet nothing shows.
TEST_F(CommandLineRunTest, UnknownSwitchShowsTheUsage)
{
    WriteFileBytes("E:\\MODELB.BIN", "the old firmware");
    // A program without the station window (no module here) shows the usage for /station.
    for (const char* pszArgs : {"/update-all /log run.log", "-?", "/eject", "-station"}) {
        const bool bWithModule = pszArgs[0] == '/';
        CUpdaterRun run(LayOut("updated", bWithModule));
        ASSERT_TRUE(run.Start(pszArgs));
        HWND hBox = WaitForProcessDialog(run.Process(), kTimeoutMs);
        ASSERT_NE(nullptr, hBox);
        const std::string strText = GetStaticTexts(hBox);
        if (bWithModule) {
            EXPECT_EQ(run.Texts().Load(IDS_USAGE), strText);
        }
        EXPECT_NE(std::string::npos, strText.find("/log FILE")) << strText;
        ASSERT_TRUE(PressButton(hBox, IDOK));
        ASSERT_TRUE(run.Process().WaitForExit(kTimeoutMs));
        EXPECT_EQ(64u, run.Process().ExitCode());
        EXPECT_EQ(0, run.Process().CountTrace("Removable Drive\n"));
        EXPECT_FALSE(FileExists(strFolder + "\\run.log"));
    }
    EXPECT_EQ(64u, RunQuiet(LayOut("updated"), "/quiet /?"));
    EXPECT_EQ(std::vector<std::string>{"MODELB.BIN"}, ListFiles("E:"));
    EXPECT_EQ("the old firmware", ReadFileBytes("E:\\MODELB.BIN"));
}

}  // namespace

namespace {

// The fields of one CSV line (RFC 4180 quoting).
std::vector<std::string> SplitCsv(const std::string& strLine)
{
    std::vector<std::string> fields(1);
    bool bQuoted = false;
    for (size_t i = 0; i < strLine.size(); ++i) {
        const char ch = strLine[i];
        if (ch == '"' && bQuoted && i + 1 < strLine.size() && strLine[i + 1] == '"')
            fields.back() += strLine[++i];
        else if (ch == '"')
            bQuoted = !bQuoted;
        else if (ch == ',' && !bQuoted)
            fields.emplace_back();
        else
            fields.back() += ch;
    }
    return fields;
}

}  // namespace

// The station's example, unattended: three devices of ours arrive (the
// first message sent twice), one is pulled out mid-copy, one is refused;
// the foreign stick is left alone, no device is taken twice, and the record
// says so line by line.
TEST_F(CommandLineRunTest, StationTakesEachDeviceOnce)
{
    const std::string strProgram = LayOut("station");
    // Large enough that the pull at 2.7 s comes before the copy ends; if it
    // comes before the copy begins, the device is just as much removed.
    ASSERT_TRUE(WriteSparseFile(strFolder + "\\ModelC\\MODELC.BIN", 256ull << 20));
    const std::map<std::string, std::string> oldC = {{"MODELC.BIN", "old firmware"}, {"RELEASE.TXT", "02.00"}};
    for (const auto& file : oldC)
        WriteFileBytes("G:\\" + file.first, file.second);
    WriteFileBytes("H:\\NOTES.TXT", "the user's own");

    EXPECT_EQ(4u, RunQuiet(strProgram, "/quiet /station /count 3 /record rec.csv /log run.log"));

    const std::string strLog = ReadFileBytes(strFolder + "\\run.log");
    EXPECT_LINE(strLog, "Devices: 3 handled; Updated 1, Version refused 1, Removed 1");
    EXPECT_EQ(0, CountOf(strLog, "H:\\ taken"));

    std::vector<std::vector<std::string>> lines;
    const std::string strRecord = ReadFileBytes(strFolder + "\\rec.csv");
    for (size_t nStart = 0, nEnd; (nEnd = strRecord.find("\r\n", nStart)) != std::string::npos; nStart = nEnd + 2)
        lines.push_back(SplitCsv(strRecord.substr(nStart, nEnd - nStart)));
    ASSERT_EQ(4u, lines.size()) << strRecord;
    const std::vector<std::vector<std::string>> expected = {
        {"time", "drive", "vendor id", "product id", "serial", "port", "release before", "release after", "section",
         "outcome", "seconds", "reason"},
        {"", "E:", "1234", "1001", "PKA000301", " port 1", "0100", "0105", "ModelA", "Updated", "", ""},
        {"", "G:", "1234", "1003", "PKC000302", " port 3", "0200", "0200", "ModelC", "Removed", "", "*"},
        {"", "F:", "1234", "1002", "PKB000303", " port 2", "0201", "0201", "ModelB", "Version refused", "",
         "Version: device release 0201, Version 0200 of section [ModelB]: refused, the device's release is newer"}};
    for (size_t nLine = 0; nLine < expected.size(); ++nLine) {
        ASSERT_EQ(12u, lines[nLine].size()) << nLine;
        for (size_t nField = 0; nField < 12; ++nField) {
            const std::string& strWant = expected[nLine][nField];
            const std::string& strHave = lines[nLine][nField];
            if (nLine == 0 || (nField > 0 && nField != 5 && nField != 10 && strWant != "*"))
                EXPECT_EQ(strWant, strHave) << nLine << "," << nField;
            else if (nField == 5)  // the hub's id, then the port
                EXPECT_EQ(strWant, strHave.substr(strHave.size() - strWant.size())) << strHave;
            else
                EXPECT_FALSE(strHave.empty()) << nLine << "," << nField;
        }
    }
    EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelA", "E:\\"));
    // The pulled stick holds its old package whole; only staging leftovers beside it.
    std::map<std::string, std::string> pulled = ReadFolderFiles(WindowsPathOf(UnixDrivePath('g', "")));
    for (auto it = pulled.begin(); it != pulled.end();)
        it = it->first.compare(0, 4, "~PKU") == 0 ? pulled.erase(it) : std::next(it);
    EXPECT_EQ(oldC, pulled);
    EXPECT_TRUE(ListFiles("F:").empty());
    EXPECT_EQ((std::map<std::string, std::string>{{"NOTES.TXT", "the user's own"}}), ReadFolderFiles("H:\\"));
}

// Two devices plugged in at once, in one message naming both drives, are
// updated at once with /parallel 2: both are taken before either ends.
TEST_F(CommandLineRunTest, StationUpdatesTwoAtOnce)
{
    const std::string strProgram = LayOut("station");
    std::string strHost = ReadFileBytes(strFolder + "\\hostsim.ini");
    strHost.replace(strHost.find("Arrive=2.5\nLeave=2.7\n"), 20, "Arrive=2\n");
    WriteFileBytes(strFolder + "\\hostsim.ini", strHost);
    EXPECT_EQ(0u, RunQuiet(strProgram, "/quiet /station /count 2 /parallel 2 /log run.log"));
    const std::string strLog = ReadFileBytes(strFolder + "\\run.log");
    const size_t nFirstEnded = strLog.find(" ended: Updated after ");
    EXPECT_LT(strLog.find(" Station: E:\\ taken, \"Pelkin Model A\""), nFirstEnded);
    EXPECT_LT(strLog.find(" Station: G:\\ taken, \"Pelkin Model C\""), nFirstEnded);
    EXPECT_EQ("", CompareWithPackage(strFolder + "\\ModelC", "G:\\"));
}

// A production line must not run unrecorded: a record that can't be opened
// takes no device at all, and the log says why.
TEST_F(CommandLineRunTest, StationWithoutItsRecordTakesNothing)
{
    const std::string strProgram = LayOut("updated");
    MakeFolder(strFolder + "\\rec.csv");
    EXPECT_EQ(4u, RunQuiet(strProgram, "/quiet /station /record rec.csv /log run.log"));
    const std::string strLog = ReadFileBytes(strFolder + "\\run.log");
    EXPECT_EQ(1, CountOf(strLog, "rec.csv cannot be opened")) << strLog;
    EXPECT_LINE(strLog, "Devices: 0 handled");
    EXPECT_TRUE(SticksAreEmpty());
}

// A record that can't be written once stops the station: a production line
// must not run unrecorded. Its earlier lines stay as they were.
TEST_F(CommandLineRunTest, StationRecordFull)
{
    const std::string strProgram = LayOut("two-devices");
    // Earlier lines up to the end of F:'s first page, then F: full: the
    // next line needs a page the drive no longer has.
    const std::string strEarlier = "time,drive\r\n" + std::string(4080, 'x') + "\r\n";
    WriteFileBytes("F:\\rec.csv", strEarlier);
    const unsigned long long nFree = FreeBytes("F:\\");
    if (nFree >= 3 * 1024 * 1024)
        GTEST_SKIP() << "drive F: is not the small test drive (tmpfs needs root)";
    WriteFileOfSize("F:\\FILLER.BIN", nFree);
    ASSERT_EQ(0u, FreeBytes("F:\\"));
    EXPECT_EQ(4u, RunQuiet(strProgram, "/quiet /station /parallel 1 /record F:\\rec.csv /log run.log"));
    const std::string strLog = ReadFileBytes(strFolder + "\\run.log");
    EXPECT_EQ(1, CountOf(strLog, "rec.csv cannot be written: ")) << strLog;
    EXPECT_LINE(strLog, "Devices: 1 handled; Updated 1");
    // The file system may take the line's first bytes before it runs out;
    // the next record opened starts on a line of its own after them.
    EXPECT_EQ(strEarlier, ReadFileBytes("F:\\rec.csv").substr(0, strEarlier.size()));
}
