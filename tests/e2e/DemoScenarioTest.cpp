// The demo build run as a user would against each example scenario: a
// folder laid out like the shipped one, the test prefix's drives E: and F:
// as the sticks, the dialog read and pressed from outside, the traces of
// the run, and what ended up on the sticks. Every folder of the examples is
// a case, judged by its expected.ini and by the checks of its own below.
#include "DialogProbe.h"
#include "ExampleExpectation.h"
#include "LanguageChoice.h"
#include "ProgramFolder.h"
#include "TestFiles.h"
#include "UpdaterRun.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cctype>
#include <cstdio>
#include <map>

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

// What the dialog says with an outcome.
std::string ExpectedMessage(const CUpdaterTexts& texts, const EXAMPLE_EXPECTATION& expected)
{
    const char* pszDevice = expected.strDevice.c_str();
    switch (expected.outcome) {
    case UPDATE_OUTCOME::Updated:
        return texts.Format(IDS_UPDATE_DONE, pszDevice);
    case UPDATE_OUTCOME::NotFound:
        return texts.Format(IDS_DEVICE_NOT_FOUND, pszDevice);
    case UPDATE_OUTCOME::VersionRefused:
        return texts.Format(IDS_VERSION_REFUSED, pszDevice, expected.strVersion.c_str());
    case UPDATE_OUTCOME::NoRoom:
        return texts.Format(IDS_NO_ROOM, pszDevice);
    case UPDATE_OUTCOME::CopyFailed:
        return texts.Load(IDS_COPY_FAILED);
    case UPDATE_OUTCOME::PackageDamaged:
        return texts.Format(IDS_PACKAGE_DAMAGED, expected.strDamaged.c_str());
    case UPDATE_OUTCOME::None:
        break;
    }
    return std::string();
}

// A scenario's own checks, after its outcome, its message and its sticks,
// before the dialog is closed.
void CheckUpdated(CUpdaterRun& run)
{
    EXPECT_EQ(run.Caption(), run.Texts().Format(IDS_CAPTION, kModelA));
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
    // Eject: the device goes, and drive E: with it.
    EXPECT_TRUE(IsControlVisible(run.Dialog(), IDC_EJECT));
    ASSERT_TRUE(ClickButton(run.Dialog(), IDC_EJECT));
    EXPECT_TRUE(WaitForControlText(run.Dialog(), IDC_MESSAGE, run.Texts().Format(IDS_EJECTED, kModelB), kTimeoutMs));
    EXPECT_EQ(1, process.CountTrace("hostsim: USB\\VID_1234&PID_1002\\PKB000123 ejected; drive E: is gone\n"));
}

// Not found, then OK scans again.
void CheckNotFound(CUpdaterRun& run)
{
    EXPECT_EQ(run.OkLabel(), run.Texts().Load(IDS_RETRY_BUTTON));
    EXPECT_EQ(run.Process().CountTrace("0x2001"), 1);
    EXPECT_EQ(run.Process().CountTrace("Device not Found\n"), 1);

    ASSERT_TRUE(ClickButton(run.Dialog(), IDOK));
    ASSERT_TRUE(run.WaitForNotFound(2, kTimeoutMs));
    EXPECT_EQ(run.Process().CountTrace("0x2001"), 2);
    EXPECT_FALSE(run.Process().HasExited());
    EXPECT_TRUE(ListFiles("E:").empty());
}

// Two sticks of one model, the one on E: too new, its sibling on F: old
// enough, with a serial number that begins E:'s: E: is judged by its own
// release and refused, and nothing is copied anywhere. Also two matching
// sticks of two models: the dialog is for E: alone and never looks at F:.
void CheckSiblingRefused(CUpdaterRun& run)
{
    EXPECT_EQ(run.Process().CountTrace("F:\\"), 0);
}

void CheckSecondDrive(CUpdaterRun& run)
{
    const CDebuggedProcess& process = run.Process();
    EXPECT_EQ(process.CountTrace("E:\\"), 1);
    EXPECT_EQ(process.CountTrace("F:\\"), 1);
    EXPECT_EQ(process.CountTrace("0x0129"), 1);
    EXPECT_EQ(process.CountTrace("0x1002"), 1);
}

void CheckHubFails(CUpdaterRun& run)
{
    EXPECT_EQ(run.Process().CountTrace("0x1002"), 0);
    EXPECT_GE(run.Process().CountTrace("Removable Drive\n"), 1);
}

// The mount table answers every request for its next value with an error:
// each scan ends with Not found, and the dialog keeps answering.
void CheckMountTableFails(CUpdaterRun& run)
{
    EXPECT_GE(run.Process().CountTrace("Removable Drive\n"), 1);
    EXPECT_EQ(run.Process().CountTrace("0x1002"), 0);

    ASSERT_TRUE(ClickButton(run.Dialog(), IDOK));
    ASSERT_TRUE(run.WaitForNotFound(2, kTimeoutMs));
    EXPECT_FALSE(run.Process().HasExited());
    EXPECT_TRUE(ListFiles("E:").empty());
}

const std::map<std::string, void (*)(CUpdaterRun&)> kOwnChecks = {
    {"updated", CheckUpdated},
    {"not-found", CheckNotFound},
    {"sibling-refused", CheckSiblingRefused},
    {"second-drive", CheckSecondDrive},
    {"hub-fails", CheckHubFails},
    {"mount-table-fails", CheckMountTableFails},
    {"two-devices", CheckSiblingRefused},
    {"one-refused", CheckSiblingRefused},
};

class DemoExampleTest : public DemoScenarioTest, public ::testing::WithParamInterface<std::string>
{
protected:
    // The sticks after the run: the package on the target's drive after an
    // update, nothing anywhere else.
    void ExpectSticks(const EXAMPLE_EXPECTATION& expected)
    {
        for (const char* pszRoot : {"E:\\", "F:\\"}) {
            if (expected.outcome == UPDATE_OUTCOME::Updated && expected.strDriveRoot == pszRoot)
                ExpectPackageOnDrive(expected.strSection, pszRoot);
            else
                EXPECT_TRUE(ListFiles(pszRoot).empty()) << pszRoot;
        }
    }
};

TEST_P(DemoExampleTest, EndsAsItsFolderSays)
{
    EXAMPLE_EXPECTATION expected;
    std::string strError;
    ASSERT_TRUE(ReadExampleExpectation(GetParam(), expected, strError)) << strError;
    if (expected.outcome == UPDATE_OUTCOME::NoRoom) {
        ULARGE_INTEGER nFree = {};
        ASSERT_TRUE(GetDiskFreeSpaceExA("E:\\", &nFree, nullptr, nullptr));
        if (nFree.QuadPart >= 3 * 1024 * 1024)
            GTEST_SKIP() << "drive E: is not the small test drive (tmpfs needs root)";
    }
    CUpdaterRun run(LayOut(GetParam()));
    ASSERT_TRUE(run.Texts().IsLoaded());
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs));
    std::printf("updater: start to outcome %s in %.2f s\n", OutcomeName(run.Outcome()), run.OutcomeSeconds());
    EXPECT_EQ(run.Outcome(), expected.outcome);
    EXPECT_EQ(run.Message(), ExpectedMessage(run.Texts(), expected));
    ExpectSticks(expected);
    const auto own = kOwnChecks.find(GetParam());
    if (own != kOwnChecks.end())
        own->second(run);
    if (HasFatalFailure())
        return;
    if (expected.outcome == UPDATE_OUTCOME::NotFound)
        CloseNotFound(run);
    else
        CloseFinal(run);
}

// A case's name: the folder's, each character other than a letter or a
// digit an underscore, as CMake's MAKE_C_IDENTIFIER names its ctest entry.
std::string CaseName(const ::testing::TestParamInfo<std::string>& info)
{
    std::string strName = info.param;
    for (char& ch : strName)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    if (!strName.empty() && std::isdigit(static_cast<unsigned char>(strName[0])))
        strName.insert(0, "_");
    return strName;
}

INSTANTIATE_TEST_SUITE_P(Examples, DemoExampleTest, ::testing::ValuesIn(ListExamples()), CaseName);

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

// A German user (its ctest entry runs with LANG=de_DE.UTF-8, which Wine
// takes for the UI language) gets the German module's texts; /lang fr
// overrides it.
TEST_F(DemoScenarioTest, UiLanguageChoosesTheLanguageModule)
{
    LANGUAGE_REQUEST request;
    ReadUiLanguages(request);
    ASSERT_STREQ("de-DE", request.arrUserUi.GetSize() ? request.arrUserUi[0] : "")
        << "LANG=de_DE.UTF-8 needs that locale generated (scripts/install-deps.sh)";
    LayOut("updated");
    for (const char* pszName : {"PelkinUpdate.de.prm", "PelkinUpdate.fr.prm"})
        CopyFileA((FolderFromEnvironment("PELKIN_APP_DIR") + "\\" + pszName).c_str(),
                  (strFolder + "\\" + pszName).c_str(), FALSE);
    // The runs are made in a folder whose Unix FIFO of a language module's
    // name the entry's setup made (Wine can't): /lang xx passes it over.
    const std::string strLaidOut = strFolder;
    strFolder = ExeFolder() + "fifo";
    ASSERT_TRUE(CopyFolder(strLaidOut, strFolder));
    const std::string strProgram = strFolder + "\\PelkinUpdateDemo.exe";
    const struct
    {
        const char* pszArgs;
        const char* pszLanguage;
        const char* pszUpdated;
    } runs[] = {
        {"/log run.log", "", "Die Firmware Ihres Ger\xe4ts Pelkin Model B wurde aktualisiert."},
        {"/lang fr", "fr", "Le micrologiciel de votre Pelkin Model B a \xe9t\xe9 mis \xe0 jour."},
        {"/lang xx /log run.log", "", "Die Firmware Ihres Ger\xe4ts Pelkin Model B wurde aktualisiert."},
    };
    for (const auto& one : runs) {
        EmptyFolder("E:\\");
        CUpdaterRun run(strProgram, one.pszLanguage);
        ASSERT_TRUE(run.Start(one.pszArgs));
        ASSERT_TRUE(run.WaitForOutcome(kTimeoutMs)) << one.pszArgs;
        EXPECT_EQ(run.Message().find(one.pszUpdated), 0u) << run.Message();
        EXPECT_EQ(run.Message(), run.Texts().Format(IDS_UPDATE_DONE, kModelB));
        CloseFinal(run);
    }
    const std::string strLog = ReadFileBytes(strFolder + "\\run.log");
    EXPECT_NE(strLog.find(" Texts: PelkinUpdate.de.prm, for the user's UI language de-DE;"), std::string::npos)
        << strLog;
    EXPECT_NE(strLog.find(" Texts: PelkinUpdate.xx.prm passed over: a pipe, not a plain file"), std::string::npos)
        << strLog;
}

// Started at 144 DPI (LogPixels, read as a Wine process starts; the test
// prefix has none otherwise), 2.25 pixels a dialog unit (1.5 at 96), the
// Updated and the busy layout (whose controls stay where it put them) fit
// the client area, that one a button row shorter, without overlapping.
TEST_F(DemoScenarioTest, LayoutsHoldAt144Dpi)
{
    CUpdaterRun run(LayOut("updated"));
    const DWORD nDpi = 144;
    SHSetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &nDpi, sizeof nDpi);
    const bool bShown = run.Start() && run.WaitForOutcome(kTimeoutMs);
    SHDeleteValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
    ASSERT_TRUE(bShown);
    RECT rcClient = {}, rects[5] = {};
    GetClientRect(run.Dialog(), &rcClient);
    EXPECT_GE(rcClient.right, 260 * 2);
    const int ids[5] = {IDC_MESSAGE, IDC_BUSY_TEXT, IDC_BUSY_PROGRESS, IDC_EJECT, IDOK};
    for (int i = 0; i < 5; ++i) {
        RECT& rc = rects[i];
        GetWindowRect(GetDlgItem(run.Dialog(), ids[i]), &rc);
        MapWindowPoints(nullptr, run.Dialog(), reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.right <= rcClient.right && rc.bottom <= rcClient.bottom) << i;
    }
    const auto& [rcMessage, rcBusy, rcBar, rcEject, rcClose] = rects;
    EXPECT_LE(rcMessage.bottom, rcClose.top);
    EXPECT_TRUE(rcEject.right < rcClose.left && rcEject.top == rcClose.top && rcEject.bottom == rcClose.bottom);
    EXPECT_TRUE(rcBusy.bottom <= rcBar.top && rcBar.top < rcBar.bottom);
    EXPECT_LE(rcBar.bottom, rcClient.bottom - (rcClose.bottom - rcClose.top));
    CloseFinal(run);
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
