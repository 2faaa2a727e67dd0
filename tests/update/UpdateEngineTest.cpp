// The update engine without any window: each example scenario's simulated
// host, its Update.cfg and firmware folders in a folder of their own beside
// the test, and the prefix's removable drives E: and F: as the sticks.
#include "DriveIdentity.h"
#include "EjectRequest.h"
#include "UpdateEngine.h"
#include "UpdateLog.h"
#include "UpdateObserver.h"

#include "DebugTrace.h"
#include "ExampleExpectation.h"
#include "ProgramFolder.h"
#include "SimHostTest.h"
#include "SimScenarioFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace {

class CEventRecorder : public CUpdateObserver
{
public:
    void OnEvent(const char* pszText) override { m_events.push_back(pszText); }
    int Count(const std::string& strPart) const
    {
        int nCount = 0;
        for (const std::string& strEvent : m_events)
            nCount += strEvent.find(strPart) != std::string::npos;
        return nCount;
    }
    std::vector<std::string> m_events;
};

class UpdateEngineTest : public CSimHostTest
{
protected:
    const std::string strFolder = ExeFolder() + "scenario\\";

    void SetUp() override
    {
        CSimHostTest::SetUp();
        CleanDrives();
    }
    void TearDown() override
    {
        CSimHostTest::TearDown();
        CleanDrives();
        RemovePath(strFolder);
    }
    static void CleanDrives()
    {
        EmptyFolder("E:\\");
        EmptyFolder("F:\\");
    }
    // The example's files in the program folder, and its host.
    void LayOut(const std::string& strScenario)
    {
        RemovePath(strFolder);
        EXPECT_TRUE(CopyFolder(FolderFromEnvironment("PELKIN_EXAMPLES") + "\\" + strScenario, strFolder));
        CSimScenarioFile scenario;
        EXPECT_TRUE(scenario.Read(strFolder + "hostsim.ini")) << scenario.Error();
        scenario.ApplyTo(host);
    }
};

TEST_F(UpdateEngineTest, EveryExampleEndsInItsOutcome)
{
    std::vector<EXAMPLE_EXPECTATION> examples;
    std::string strError;
    ASSERT_TRUE(ReadExamplesThatCanEndHere(examples, strError)) << strError;
    for (const EXAMPLE_EXPECTATION& expected : examples) {
        SCOPED_TRACE(expected.strExample);
        CleanDrives();
        LayOut(expected.strExample);
        CUpdateEngine engine(strFolder.c_str());
        engine.SetDeviceName("USB device");
        CEventRecorder events;
        engine.SetObserver(&events);

        // Without a matched section the engine keeps the name it had.
        const std::string strDeviceName = expected.strSection.empty() ? "USB device" : expected.strDevice;
        const SCAN_OUTCOME outcome = engine.Run();
        EXPECT_STREQ(OutcomeName(expected.outcome), GetScanOutcomeName(outcome));
        EXPECT_STREQ(expected.strSection.c_str(), engine.GetSection());
        EXPECT_STREQ(strDeviceName.c_str(), engine.GetDeviceName());
        EXPECT_STREQ(expected.strDriveRoot.c_str(), engine.GetDriveRoot());
        ASSERT_FALSE(events.m_events.empty());
        EXPECT_EQ(std::string("Outcome: ") + GetScanOutcomeName(outcome), events.m_events.back());
        if (expected.outcome == UPDATE_OUTCOME::Updated)
            EXPECT_EQ("", CompareWithPackage(strFolder + expected.strSection, expected.strDriveRoot));
        else
            EXPECT_TRUE(ListFiles("E:\\").empty() && ListFiles("F:\\").empty());
        // After the step that ended the run, the later ones do nothing.
        EXPECT_EQ(0, engine.CheckRoom() + engine.CopyPackage());
        EXPECT_EQ(outcome, engine.GetOutcome());
    }
    // A host that can't list its drives.
    LayOut("updated");
    host.FailCall("GetLogicalDriveStringsA");
    CUpdateEngine engine(strFolder.c_str());
    EXPECT_EQ(SCAN_NO_DRIVE_LIST, engine.Run());
    EXPECT_TRUE(engine.GetSection().IsEmpty());
    EXPECT_TRUE(ListFiles("E:\\").empty());
}

// A package file named like a device is refused before anything is
// opened: Copy failed without a space check, the stick untouched, the log
// naming the file and why.
TEST_F(UpdateEngineTest, PackageRefusedBeforeAnythingIsOpened)
{
    LayOut("updated");
    WriteLongPathFile(strFolder + "ModelB\\aux.dat", "firmware");
    CUpdateEngine engine(strFolder.c_str());
    CEventRecorder events;
    engine.SetObserver(&events);
    EXPECT_EQ(SCAN_COPY_FAILED, engine.Run());
    EXPECT_TRUE(ListFiles("E:\\").empty());
    EXPECT_EQ(1, events.Count("ModelB\\aux.dat: named like a device"));
    EXPECT_EQ(0, events.Count("Space:"));
    // The look predicts the same, by the same judgement.
    CUpdateEngine look(strFolder.c_str());
    ASSERT_EQ(1, look.FindTargetDrive());
    EXPECT_EQ(SCAN_COPY_FAILED, look.LookAtTarget());
    RemoveLongPath(strFolder + "ModelB\\aux.dat");  // only the \\?\\ form names the file
}

// A commit cut off on the stick is undone before anything is decided: a
// run that the version gate or the package's names refuse leaves the stick
// wholly old. A journal's name held by a folder ends every run in Copy
// failed, said once. The look predicts each outcome and writes nothing.
TEST_F(UpdateEngineTest, CutOffCommitIsUndoneBeforeAnythingIsDecided)
{
    const std::map<std::string, std::string> old = {{"MODELB.BIN", "old B"}};
    const struct
    {
        const char* pszScenario;
        const char* pszPackageFile;  // added to the package
        bool bBlocked;
        SCAN_OUTCOME outcome;
        const char* pszSaid;
    } cases[] = {
        {"version-refused", nullptr, false, SCAN_VERSION_REFUSED, "would undo the commit first"},
        {"updated", "aux.dat", false, SCAN_COPY_FAILED, "would undo the commit first"},
        {"updated", nullptr, true, SCAN_COPY_FAILED, "stands where the commit keeps its journal"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.pszScenario);
        CleanDrives();
        LayOut(test.pszScenario);
        if (test.pszPackageFile)
            WriteLongPathFile(strFolder + "ModelB\\" + test.pszPackageFile, "firmware");
        WriteFileBytes("E:\\MODELB.BIN", "new B");
        WriteFileBytes("E:\\~PKU0001.TMP", "old B");
        WriteFileBytes("E:\\~PKU0002.TMP", "staged");
        if (test.bBlocked)
            MakeFolder("E:\\~PKUFFFF.TMP");
        else
            WriteFileBytes("E:\\~PKUFFFF.TMP",
                           "PelkinUpdate commit journal\r\nMODELB.BIN\t~PKU0001.TMP\t00000020\r\nend\r\n");
        const std::map<std::string, std::string> cutOff = ReadFolderFiles("E:\\");
        CEventRecorder said[2];
        CUpdateEngine look(strFolder.c_str());
        look.SetObserver(&said[0]);
        ASSERT_EQ(1, look.FindTargetDrive());
        EXPECT_EQ(test.outcome, look.LookAtTarget());
        EXPECT_EQ(cutOff, ReadFolderFiles("E:\\"));
        CUpdateEngine engine(strFolder.c_str());
        engine.SetObserver(&said[1]);
        EXPECT_EQ(test.outcome, engine.Run());
        EXPECT_EQ(test.bBlocked ? cutOff : old, ReadFolderFiles("E:\\"));
        EXPECT_EQ(1, said[0].Count(test.pszSaid));
        EXPECT_EQ(1, said[1].Count(test.bBlocked ? test.pszSaid : "the commit is undone"));
        if (test.pszPackageFile)
            RemoveLongPath(strFolder + "ModelB\\" + test.pszPackageFile);
        RemovePath("E:\\~PKUFFFF.TMP");
    }
}

// A package that differs from its SHA256SUMS never reaches the stick: the
// run and the look end in Package damaged, the log names the file and its
// line, the stick keeps what it held. The list's forms that coreutils
// writes are read as it reads them; without a list, nothing is checked.
TEST_F(UpdateEngineTest, PackageThatDiffersFromItsSumsNeverReachesTheStick)
{
    const char* const kListed[] = {"Update.cfg", "ModelB/MODELB.BIN", "ModelB/RELEASE.TXT", "ModelA/MODELA.BIN"};
    const struct
    {
        const char* pszCase;
        const char* pszFile;    // changed: its text appended to it; a listed file, removed; else added
        const char* pszAppend;  // null: removed
        const char* pszLines;   // in place of the list's lines; "%s": each listed file's hash
        SCAN_OUTCOME outcome;
        const char* pszSaid;
    } cases[] = {
        {"last byte", "ModelB\\MODELB.BIN", "", nullptr, SCAN_PACKAGE_DAMAGED,
         "ModelB/MODELB.BIN (SHA256SUMS line 2): expected"},
        {"listed, missing", "ModelB\\RELEASE.TXT", nullptr, nullptr, SCAN_PACKAGE_DAMAGED,
         "ModelB/RELEASE.TXT (SHA256SUMS line 3): listed, but not there"},
        {"unlisted", "ModelB\\EXTRA.BIN", "x", nullptr, SCAN_PACKAGE_DAMAGED,
         "ModelB/EXTRA.BIN: a package file not listed"},
        {"Update.cfg", "Update.cfg", "; changed\n", nullptr, SCAN_PACKAGE_DAMAGED,
         "Update.cfg (SHA256SUMS line 1): expected"},
        {"malformed", nullptr, nullptr, "%s  Update.cfg\nnot a line\n", SCAN_PACKAGE_DAMAGED,
         "SHA256SUMS (SHA256SUMS line 2): a malformed line"},
        {"escaped", nullptr, nullptr, "%s  Update.cfg\n\\%s  ModelB\\\\MODELB.BIN\n%s *ModelB/RELEASE.TXT\n",
         SCAN_UPDATED, "E:\\MODELB.BIN: copied"},
        {"CRLF, upper case", nullptr, nullptr,
         "# comment\r\n%S  Update.cfg\r\n\r\n%S  ModelB/MODELB.BIN\r\n%S  ModelB/RELEASE.TXT\r\n", SCAN_UPDATED,
         "E:\\MODELB.BIN: copied"},
        {"no list", nullptr, nullptr, "", SCAN_UPDATED, "no SHA256SUMS: the package is not checked"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.pszCase);
        CleanDrives();
        LayOut("updated");
        std::string strList;
        const char* pszLines =
            test.pszLines ? test.pszLines : "%s  Update.cfg\n%s  ModelB/MODELB.BIN\n%s  ModelB/RELEASE.TXT\n";
        for (size_t i = 0; *pszLines; ++pszLines) {
            if (pszLines[0] != '%' || (pszLines[1] != 's' && pszLines[1] != 'S')) {
                strList += *pszLines;
                continue;
            }
            SHA256_DIGEST digest = {};
            std::string strPath = kListed[i++];
            std::replace(strPath.begin(), strPath.end(), '/', '\\');
            ASSERT_TRUE(HashFile((strFolder + strPath).c_str(), digest));
            std::string strHex(FormatDigest(digest));
            if (*++pszLines == 'S')
                std::transform(strHex.begin(), strHex.end(), strHex.begin(), ::toupper);
            strList += strHex;
        }
        if (test.pszLines == nullptr || *test.pszLines)
            WriteFileBytes(strFolder + "SHA256SUMS", strList);
        if (test.pszFile && test.pszAppend)
            WriteFileBytes(strFolder + test.pszFile, ReadFileBytes(strFolder + test.pszFile) + test.pszAppend);
        else if (test.pszFile)
            RemovePath(strFolder + test.pszFile);
        if (std::string(test.pszCase) == "last byte") {
            std::string strBytes = ReadFileBytes(strFolder + "ModelB\\MODELB.BIN");
            strBytes.back() ^= 1;
            WriteFileBytes(strFolder + "ModelB\\MODELB.BIN", strBytes);
        }
        WriteFileBytes("E:\\MODELB.BIN", "old B");
        const std::map<std::string, std::string> before = ReadFolderFiles("E:\\");
        CEventRecorder said[2];
        CUpdateEngine look(strFolder.c_str());
        look.SetObserver(&said[0]);
        if (look.FindTargetDrive()) {
            EXPECT_EQ(test.outcome, look.LookAtTarget());
        }
        EXPECT_EQ(test.outcome, look.GetOutcome());
        CUpdateEngine engine(strFolder.c_str());
        engine.SetObserver(&said[1]);
        EXPECT_EQ(test.outcome, engine.Run());
        EXPECT_EQ(1, said[1].Count(test.pszSaid));
        if (test.outcome == SCAN_UPDATED)
            continue;
        EXPECT_EQ(1, said[0].Count(test.pszSaid));
        EXPECT_EQ(before, ReadFolderFiles("E:\\"));
        EXPECT_STREQ(std::string(test.pszSaid).substr(0, std::string(test.pszSaid).find_first_of(": ")).c_str(),
                     engine.GetDamagedFile());
    }
}

// An observer, and with it the identification sink, changes nothing of the
// run: the same platform calls and the same traces in the same order.
TEST_F(UpdateEngineTest, AnObserverChangesNothingOfTheRun)
{
    std::vector<unsigned> calls[2];
    std::vector<std::string> traces[2];
    for (int nRun = 0; nRun < 2; ++nRun) {
        CleanDrives();
        LayOut("second-drive");
        CUpdateEngine engine(strFolder.c_str());
        CEventRecorder events;
        if (nRun == 1)
            engine.SetObserver(&events);
        CDebugTraceCapture capture;
        EXPECT_EQ(SCAN_UPDATED, engine.Run());
        traces[nRun] = capture.Lines();
        for (int nCall = 0; nCall < CSimHost::kCallCount; ++nCall)
            calls[nRun].push_back(host.Calls(CSimHost::CallName(nCall)));
    }
    EXPECT_EQ(calls[0], calls[1]);
    EXPECT_EQ(traces[0], traces[1]);
}

// Why a drive was passed over, also where no lookup said so itself (a walk
// that found nothing), and why a file was not copied.
TEST_F(UpdateEngineTest, EventsSayWhyADriveOrAFileFailed)
{
    host.Reset();
    host.AddMountPath('E', "\\??\\STORAGE#Volume#{0123}#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}");
    const int nHub = host.AddHub(4);
    host.AddStick(nHub, 1, 0x1234, 0x1002, "PKB1", 'F');
    host.Port(nHub, 1).ConnectionStatus = NoDeviceConnected;
    CUpdateEngine lost(ExeFolder().c_str());
    CEventRecorder events;
    lost.SetObserver(&events);
    EXPECT_EQ(SCAN_NOT_FOUND, lost.Run());
    EXPECT_EQ(1, events.Count("E:\\: no present device's id occurs in the mount path"));
    EXPECT_EQ(1, events.Count("F:\\: no port of the hub carries the device (USB\\VID_1234&PID_1002\\PKB1)"));
    EXPECT_EQ(2, events.Count("passed over: no USB device identified"));

    LayOut("updated");
    WriteFileBytes(strFolder + "ModelB\\NOTES.TXT", "notes");
    MakeFolder("E:\\MODELB.BIN");  // a folder where the firmware file goes
    // A source that another program holds open: the copy can't read it.
    HANDLE hHeld =
        CreateFileA((strFolder + "ModelB\\RELEASE.TXT").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    // The folder stops the copy before any file is read; without it, the
    // held source fails and the other files are still attempted.
    for (int nRun = 0; nRun < 2; ++nRun) {
        CUpdateEngine engine(strFolder.c_str());
        engine.SetObserver(&events);
        EXPECT_EQ(SCAN_COPY_FAILED, engine.Run());
        RemovePath("E:\\MODELB.BIN");
    }
    CloseHandle(hHeld);
    EXPECT_EQ(1, events.Count("MODELB.BIN, 2052 bytes, to E:\\MODELB.BIN: failed: a folder or link of that name"));
    EXPECT_EQ(1, events.Count("to E:\\RELEASE.TXT: failed to open it, error 32: "));
    EXPECT_EQ(2, events.Count("NOTES.TXT, 5 bytes, to E:\\NOTES.TXT: not copied, as another file failed"));
    EXPECT_TRUE(ListFolder("E:\\").empty());
    for (const std::string& strEvent : events.m_events)
        EXPECT_EQ(std::string::npos, strEvent.find_first_of("\r\n")) << strEvent;
}

// The run's own log is no firmware when it lies in the firmware folder, and
// makes way, closed before the commit, when a package file replaces it.
TEST_F(UpdateEngineTest, RunsOwnLogIsNoFirmwareAndMakesWay)
{
    LayOut("updated");
    for (const std::string& strLog : {strFolder + "ModelB\\run.log", std::string("E:\\MODELB.BIN")}) {
        RemovePath(strFolder + "ModelB\\run.log");
        CUpdateLog log;
        ASSERT_TRUE(log.Open(strLog.c_str()));
        CUpdateEngine engine(strFolder.c_str());
        engine.SetObserver(&log);
        EXPECT_EQ(SCAN_UPDATED, engine.Run()) << strLog;
        EXPECT_EQ((std::vector<std::string>{"MODELB.BIN", "RELEASE.TXT"}), ListFolder("E:\\")) << strLog;
    }
    EXPECT_EQ(2052u, ReadFileBytes("E:\\MODELB.BIN").size());
    // With a SHA256SUMS (the damaged example, mended), the log is no unlisted file either.
    CleanDrives();
    LayOut("damaged-package");
    std::string strBytes = ReadFileBytes(strFolder + "ModelB\\MODELB.BIN");
    strBytes[1000] ^= 1;
    WriteFileBytes(strFolder + "ModelB\\MODELB.BIN", strBytes);
    CUpdateLog log;
    ASSERT_TRUE(log.Open((strFolder + "ModelB\\run.log").c_str()));
    CUpdateEngine engine(strFolder.c_str());
    engine.SetObserver(&log);
    EXPECT_EQ(SCAN_UPDATED, engine.Run());
}

// The eject goes to the device identified behind the target: for a
// composite device the composite device, not its interface or its disk; a
// second stick stays, and so does its drive.
TEST_F(UpdateEngineTest, EjectGoesToTheIdentifiedDeviceAlone)
{
    LayOut("composite");
    host.Reset();
    const int nHub = host.AddHub(4);
    const SIM_STICK stick = host.AddCompositeStick(nHub, 3, 0x1234, 0x1001, nullptr, 'E');
    host.AddStick(nHub, 1, 0x1234, 0x1002, "PKB2", 'F');
    CUpdateEngine engine(strFolder.c_str());
    ASSERT_EQ(1, engine.FindTargetDrive());
    EJECT_OUTCOME eject;
    EXPECT_EQ(1, engine.EjectDevice(eject));
    EXPECT_EQ(std::vector<DEVINST>{stick.dnUsb}, host.EjectRequests());
    EXPECT_STREQ(stick.strUsbId.c_str(), engine.GetUsbDevice());
    USB_DEVICE_IDENTITY identity = {};
    identity.cbSize = sizeof(identity);
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", &identity));
    EXPECT_EQ(1, GetDeviceIdentityByDrive("F", &identity));
    EXPECT_TRUE(host.IsDriveGone('E') && !host.IsDriveGone('F'));
}

}  // namespace
