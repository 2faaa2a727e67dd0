// The update engine without any window: each example scenario's simulated
// host, its Update.cfg and firmware folders in a folder of their own beside
// the test, and the prefix's removable drives E: and F: as the sticks.
#include "UpdateEngine.h"
#include "UpdateObserver.h"

#include "DebugTrace.h"
#include "ProgramFolder.h"
#include "SimHost.h"
#include "SimScenarioFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class CEventRecorder : public CUpdateObserver
{
public:
    void OnEvent(const char* pszText) override { m_events.push_back(pszText); }
    void OnCopyProgress(ULONGLONG nDone, ULONGLONG nTotal) override { m_progress.push_back({nDone, nTotal}); }

    // Events that contain strPart.
    std::vector<std::string> With(const std::string& strPart) const
    {
        std::vector<std::string> found;
        for (const std::string& strEvent : m_events)
            if (strEvent.find(strPart) != std::string::npos)
                found.push_back(strEvent);
        return found;
    }

    std::vector<std::string> m_events;
    std::vector<std::pair<ULONGLONG, ULONGLONG>> m_progress;
};

// What a scenario leaves: its outcome, the section and device name the
// engine holds, the drive it chose, and the package on that drive.
struct EXAMPLE_RUN
{
    const char* pszScenario;
    SCAN_OUTCOME outcome;
    const char* pszSection;     // "" for no match
    const char* pszDeviceName;  // the name held afterwards
    const char* pszDriveRoot;   // "" for no target
    bool bPackageOnDrive;
};

const EXAMPLE_RUN kExamples[] = {
    {"updated", SCAN_UPDATED, "ModelB", "Pelkin Model B", "E:\\", true},
    {"not-found", SCAN_NOT_FOUND, "", "USB device", "", false},
    {"version-refused", SCAN_VERSION_REFUSED, "ModelB", "Pelkin Model B", "E:\\", false},
    {"no-room", SCAN_NO_ROOM, "ModelA", "Pelkin Model A", "E:\\", false},
    {"copy-failed", SCAN_COPY_FAILED, "ModelB", "Pelkin Model B", "E:\\", false},
    {"composite", SCAN_UPDATED, "ModelA", "Pelkin Model A", "E:\\", true},
    {"second-drive", SCAN_UPDATED, "ModelB", "Pelkin Model B", "F:\\", true},
    {"hub-fails", SCAN_NOT_FOUND, "", "USB device", "", false},
};

bool DriveIsSmall()
{
    ULARGE_INTEGER nFree = {};
    return GetDiskFreeSpaceExA("E:\\", &nFree, nullptr, nullptr) && nFree.QuadPart < 3 * 1024 * 1024;
}

class UpdateEngineTest : public ::testing::Test
{
protected:
    CSimHost& host = CSimHost::Get();

    void SetUp() override { CleanDrives(); }
    void TearDown() override
    {
        EXPECT_EQ(0, host.Leaks()) << host.LeakReport();
        CleanDrives();
        RemovePath(ExeFolder() + "scenario");
    }
    static void CleanDrives()
    {
        EmptyFolder("E:\\");
        EmptyFolder("F:\\");
    }

    // The example's files in a program folder of their own, and its host.
    std::string LayOut(const std::string& strScenario)
    {
        const std::string strFolder = ExeFolder() + "scenario";
        RemovePath(strFolder);
        EXPECT_TRUE(CopyFolder(FolderFromEnvironment("PELKIN_EXAMPLES") + "\\" + strScenario, strFolder));
        CSimScenarioFile scenario;
        EXPECT_TRUE(scenario.Read(strFolder + "\\hostsim.ini")) << scenario.Error();
        scenario.ApplyTo(host);
        return strFolder + "\\";
    }

    static void ExpectPackageOn(const std::string& strFolder, const std::string& strSection, const std::string& strRoot)
    {
        const std::vector<std::string> files = ListFiles(strFolder + strSection);
        ASSERT_FALSE(files.empty());
        EXPECT_EQ(files, ListFiles(strRoot));
        for (const std::string& strName : files)
            EXPECT_EQ(ReadFileBytes(strFolder + strSection + "\\" + strName), ReadFileBytes(strRoot + strName));
    }
};

TEST_F(UpdateEngineTest, EveryExampleEndsInItsOutcome)
{
    for (const EXAMPLE_RUN& example : kExamples) {
        SCOPED_TRACE(example.pszScenario);
        if (example.outcome == SCAN_NO_ROOM && !DriveIsSmall())
            continue;  // E: is not the small test drive
        CleanDrives();
        const std::string strFolder = LayOut(example.pszScenario);
        CUpdateEngine engine(strFolder.c_str());
        engine.m_strDeviceName = "USB device";
        CEventRecorder events;
        engine.SetObserver(&events);

        EXPECT_EQ(example.outcome, engine.Run());
        EXPECT_EQ(example.outcome, engine.GetOutcome());
        EXPECT_STREQ(example.pszSection, engine.GetSection());
        EXPECT_STREQ(example.pszDeviceName, engine.GetDeviceName());
        EXPECT_STREQ(example.pszDriveRoot, engine.GetDriveRoot());
        ASSERT_FALSE(events.m_events.empty());
        EXPECT_EQ(std::string("Outcome: ") + GetScanOutcomeName(example.outcome), events.m_events.back());
        if (example.bPackageOnDrive)
            ExpectPackageOn(strFolder, example.pszSection, example.pszDriveRoot);
        else
            EXPECT_TRUE(ListFiles("E:\\").empty() && ListFiles("F:\\").empty());
        EXPECT_EQ(0, host.Leaks()) << host.LeakReport();
    }
}

// The dialog calls the steps one by one; after the step that ended the run
// the later ones do nothing.
TEST_F(UpdateEngineTest, StepsOneByOne)
{
    CUpdateEngine engine(LayOut("version-refused").c_str());
    ASSERT_EQ(1, engine.FindTargetDrive());
    EXPECT_STREQ("E:\\", engine.GetDriveRoot());
    EXPECT_EQ(0x0201, engine.GetIdentity().bcdDevice);
    EXPECT_STREQ("0201", engine.GetReleaseText());
    EXPECT_EQ(0, engine.CheckVersion());
    EXPECT_EQ(SCAN_VERSION_REFUSED, engine.GetOutcome());

    CUpdateEngine lost(LayOut("not-found").c_str());
    EXPECT_EQ(0, lost.FindTargetDrive());
    EXPECT_EQ(0, lost.CheckVersion());
    EXPECT_EQ(0, lost.CheckRoom());
    EXPECT_EQ(0, lost.CopyPackage());
    EXPECT_EQ(SCAN_NOT_FOUND, lost.GetOutcome());
    EXPECT_TRUE(ListFiles("E:\\").empty());
}

// A second scan starts afresh: a stick plugged in after Not found is found,
// and the section and name of the match replace what was held.
TEST_F(UpdateEngineTest, SecondScanFindsWhatTheFirstDidNot)
{
    const std::string strFolder = LayOut("updated");
    CSimHost::Get().Reset();
    CUpdateEngine engine(strFolder.c_str());
    engine.m_strDeviceName = "USB device";
    EXPECT_EQ(SCAN_NOT_FOUND, engine.Run());
    EXPECT_STREQ("USB device", engine.GetDeviceName());
    LayOut("updated");
    EXPECT_EQ(SCAN_UPDATED, engine.Run());
    EXPECT_STREQ("Pelkin Model B", engine.GetDeviceName());
    ExpectPackageOn(strFolder, "ModelB", "E:\\");
}

// An observer hears the run; it changes nothing of it: the same platform
// calls, the same traces in the same order, the same files.
TEST_F(UpdateEngineTest, AnObserverChangesNothingOfTheRun)
{
    std::vector<unsigned> calls[2];
    std::vector<std::string> traces[2];
    for (int nRun = 0; nRun < 2; ++nRun) {
        CleanDrives();
        CUpdateEngine engine(LayOut("second-drive").c_str());
        CEventRecorder events;
        if (nRun == 1)
            engine.SetObserver(&events);
        CDebugTraceCapture capture;
        EXPECT_EQ(SCAN_UPDATED, engine.Run());
        traces[nRun] = capture.Lines();
        for (int nCall = 0; nCall < CSimHost::kCallCount; ++nCall)
            calls[nRun].push_back(host.Calls(CSimHost::CallName(nCall)));
        EXPECT_EQ(nRun == 1, !events.m_events.empty());
    }
    EXPECT_EQ(calls[0], calls[1]);
    EXPECT_EQ(traces[0], traces[1]);
    // The walk's traces, in order, among those of the other drives.
    const std::vector<std::string> expected = {"E:\\", "Removable Drive\n", "0x0129", "F:\\", "Removable Drive\n",
                                               "0x1002"};
    std::vector<std::string> seen;
    for (const std::string& strLine : traces[0])
        if (std::find(expected.begin(), expected.end(), strLine) != expected.end())
            seen.push_back(strLine);
    EXPECT_EQ(expected, seen);
}

// What the events say of a run: each drive passed over and why, the
// decisions, each file copied.
TEST_F(UpdateEngineTest, EventsNameEachDriveAndEachDecision)
{
    const std::string strFolder = LayOut("second-drive");
    CUpdateEngine engine(strFolder.c_str());
    CEventRecorder events;
    engine.SetObserver(&events);
    ASSERT_EQ(SCAN_UPDATED, engine.Run());

    EXPECT_EQ(1u, events.With("C:\\ passed over: not removable (fixed)").size());
    EXPECT_EQ(1u, events.With("E:\\: USB device vendor 0x0BDA, product 0x0129, release 3960").size());
    EXPECT_EQ(1u, events.With("E:\\ passed over: no section of Update.cfg names vendor 0x0BDA, product 0x0129").size());
    EXPECT_EQ(1u, events.With("F:\\ is the target: section [ModelB]").size());
    EXPECT_EQ(1u, events.With("Version: device release 0105, Version 0200 of section [ModelB]: accepted").size());
    const std::vector<std::string> space = events.With("Space: ");
    ASSERT_EQ(1u, space.size());
    EXPECT_NE(std::string::npos, space[0].find("bytes in 2 files: room")) << space[0];
    const std::vector<std::string> copies = events.With("Copy: ");
    ASSERT_EQ(2u, copies.size());
    for (const std::string& strCopy : copies)
        EXPECT_NE(std::string::npos, strCopy.find(": copied")) << strCopy;
    ASSERT_EQ(2u, events.m_progress.size());
    EXPECT_EQ(events.m_progress[1].second, events.m_progress[1].first);
    EXPECT_LT(events.m_progress[0].first, events.m_progress[1].first);
}

// Why identification passed a drive over, also where no lookup said so
// itself (a walk that found nothing).
TEST_F(UpdateEngineTest, EventsSayWhereIdentificationEnded)
{
    host.Reset();
    host.AddMountPath('E', "\\??\\STORAGE#Volume#{0123}#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}");
    const int nHub = host.AddHub(4);
    host.AddStick(nHub, 1, 0x1234, 0x1002, "PKB1", 'F');
    host.Port(nHub, 1).ConnectionStatus = NoDeviceConnected;
    CUpdateEngine engine(ExeFolder().c_str());
    CEventRecorder events;
    engine.SetObserver(&events);
    EXPECT_EQ(SCAN_NOT_FOUND, engine.Run());
    EXPECT_EQ(1u, events.With("E:\\: mount-table path \\\\?\\STORAGE#Volume#{0123}").size());
    EXPECT_EQ(1u, events.With("E:\\: no present device's id occurs in the mount path").size());
    EXPECT_EQ(1u, events.With("F:\\: no port of the hub carries USB\\VID_1234&PID_1002\\PKB1").size());
    EXPECT_EQ(2u, events.With("passed over: no USB device identified").size());
}

// A file that can't be copied is named with the system's reason.
TEST_F(UpdateEngineTest, FailedCopyNamesTheFileAndTheError)
{
    const std::string strFolder = LayOut("updated");
    MakeFolder("E:\\MODELB.BIN");  // a folder where the firmware file goes
    CUpdateEngine engine(strFolder.c_str());
    CEventRecorder events;
    engine.SetObserver(&events);
    EXPECT_EQ(SCAN_COPY_FAILED, engine.Run());
    const std::vector<std::string> failed = events.With("MODELB.BIN: failed, error ");
    ASSERT_EQ(1u, failed.size());
    EXPECT_EQ(1u, events.With("RELEASE.TXT: copied").size());

    CUpdateEngine missing(LayOut("copy-failed").c_str());
    missing.SetObserver(&events);
    EXPECT_EQ(SCAN_COPY_FAILED, missing.Run());
    EXPECT_EQ(1u, events.With("Copy: no package file in").size());
}

}  // namespace
