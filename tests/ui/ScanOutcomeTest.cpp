// Every outcome of the scan, with the simulated host standing in for the
// device tree and the prefix's removable drives E: and F: as the sticks.
#include "CopyProgressRelay.h"
#include "DialogRemote.h"
#include "FileOps.h"
#include "LayoutRecorder.h"
#include "StationDlg.h"
#include "UiTestSupport.h"
#include "UpdateDlg.h"

#include "DebugTrace.h"
#include "ModuleCopy.h"
#include "SimHostTest.h"
#include "TestConfig.h"
#include "TestFiles.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

const ULONGLONG kSmallDrive = 64ULL * 1024 * 1024;

// The copy's file calls, each write held at a gate until the test lets it
// pass: the copy stays in progress for as long as the test needs.
class CGatedFileOps : public CFileOps
{
public:
    CGatedFileOps()
        : m_hPermits(CreateSemaphoreA(nullptr, 0, 1000, nullptr)),
          m_hWaiting(CreateEventA(nullptr, FALSE, FALSE, nullptr))
    {}
    ~CGatedFileOps() override
    {
        CloseHandle(m_hPermits);
        CloseHandle(m_hWaiting);
    }
    BOOL Write(HANDLE hFile, const void* pBuffer, DWORD nBytes, DWORD* pnWritten) override
    {
        SetEvent(m_hWaiting);
        // A test that fails before it opens the gate must not hang the suite.
        WaitForSingleObject(m_hPermits, 20000);
        return CFileOps::Write(hFile, pBuffer, nBytes, pnWritten);
    }
    // Until a write waits at the gate: the copy's progress before it has
    // been reported.
    bool WaitForWriter() { return WaitForSingleObject(m_hWaiting, 20000) == WAIT_OBJECT_0; }
    void Let(LONG nWrites) { ReleaseSemaphore(m_hPermits, nWrites, nullptr); }

private:
    HANDLE m_hPermits;
    HANDLE m_hWaiting;
};

// The shell's taskbar list as the dialog tells it what to show: its calls,
// in order; what it never calls answers E_NOTIMPL. Laid out as a table,
// which the formatter would break up.
// clang-format off
#define NOT_CALLED(name, ...) HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) override { return E_NOTIMPL; }
class CFakeTaskbarList : public ITaskbarList3
{
public:
    std::vector<std::string> calls;
    HRESULT Note(const std::string& strCall) { return calls.push_back(strCall), S_OK; }
    HRESULT STDMETHODCALLTYPE HrInit() override { return Note("init"); }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND, TBPFLAG f) override { return Note("state " + std::to_string(f)); }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG n, ULONGLONG nOf) override
        { return Note("value " + std::to_string(n) + "/" + std::to_string(nOf)); }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    NOT_CALLED(QueryInterface, REFIID, void**) NOT_CALLED(AddTab, HWND) NOT_CALLED(DeleteTab, HWND)
    NOT_CALLED(ActivateTab, HWND) NOT_CALLED(SetActiveAlt, HWND) NOT_CALLED(MarkFullscreenWindow, HWND, WINBOOL)
    NOT_CALLED(RegisterTab, HWND, HWND) NOT_CALLED(UnregisterTab, HWND) NOT_CALLED(SetTabOrder, HWND, HWND)
    NOT_CALLED(SetTabActive, HWND, HWND, DWORD) NOT_CALLED(ThumbBarAddButtons, HWND, UINT, LPTHUMBBUTTON)
    NOT_CALLED(ThumbBarUpdateButtons, HWND, UINT, LPTHUMBBUTTON) NOT_CALLED(ThumbBarSetImageList, HWND, HIMAGELIST)
    NOT_CALLED(SetOverlayIcon, HWND, HICON, LPCWSTR) NOT_CALLED(SetThumbnailTooltip, HWND, LPCWSTR)
    NOT_CALLED(SetThumbnailClip, HWND, RECT*)
};
#undef NOT_CALLED
// clang-format on

// The dialog with its engine's file calls handed in.
class CFileOpsDlg : public CUpdateDlg
{
public:
    explicit CFileOpsDlg(CFileOps* pOps) { m_engine.SetFileOps(pOps); }
};

// Every way a user or another program ends a dialog, bar the mouse on the
// close box (which the platform turns into SC_CLOSE); the keys reach the
// dialog as the keyboard would deliver them.
void TryToEndTheDialog(CDialogRemote& remote, std::vector<bool>& sent)
{
    HWND hDlg = remote.Dialog();
    sent.push_back(remote.SysCommand(SC_CLOSE, 3000));
    remote.PostSysCommand(SC_CLOSE);
    PostMessageA(hDlg, WM_CLOSE, 0, 0);
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDOK)));
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDCANCEL)));
    PostMessageA(hDlg, WM_KEYDOWN, VK_ESCAPE, 1);
    PostMessageA(hDlg, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(hDlg, WM_SYSKEYDOWN, VK_F4, 1 | (KF_ALTDOWN << 16));
}

class ScanOutcomeTest : public CSimHostTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(UseResourceModule());
        CSimHostTest::SetUp();
        m_nHub = host.AddHub(4);
        CleanUp();
        WriteCfg(kTwoModelsCfg);
    }
    void TearDown() override
    {
        CSimHostTest::TearDown();
        UseResourceModule();
        if (m_hModuleCopy)
            FreeLibrary(m_hModuleCopy);
        CleanUp();
    }
    static void CleanUp()
    {
        RemovePath(ExeFolder() + "ModuleCopy.prm");
        RemovePath(CfgPath());
        RemovePath(ExeFolder() + "ModelA");
        RemovePath(ExeFolder() + "ModelB");
        EmptyFolder("E:\\");
        EmptyFolder("F:\\");
    }

    // A stick on the next port of the hub, release bcdDevice.
    void PlugStick(char chDrive, USHORT idProduct, USHORT bcdDevice)
    {
        ++m_nPort;
        const std::string strSerial = "SN000" + std::to_string(m_nPort);
        host.AddStick(m_nHub, m_nPort, 0x1234, idProduct, strSerial.c_str(), chDrive);
        host.Port(m_nHub, m_nPort).Descriptor.bcdDevice = bcdDevice;
    }
    static void WritePackage()
    {
        WriteFileBytes(ExeFolder() + "ModelB\\fw.bin", std::string(1000, 'F'));
        WriteFileBytes(ExeFolder() + "ModelB\\fw.txt", "release notes");
    }

    // Runs the dialog, takes the outcome the first scan left, then the
    // script's own steps; the dialog's result. pTaskbar: the taskbar list
    // instead of the shell's.
    INT_PTR Run(DIALOG_SNAPSHOT& shot, CDialogRemote::SCRIPT then = nullptr, ITaskbarList3* pTaskbar = nullptr)
    {
        CUpdateDlg dlg;
        dlg.SetTaskbarList(pTaskbar);
        CDialogRemote remote([&](CDialogRemote& r) {
            shot = r.Snapshot();
            if (then)
                then(r);
        });
        const INT_PTR nResult = dlg.DoModal();
        remote.Join();
        EXPECT_TRUE(remote.FoundDialog());
        return nResult;
    }

    // The final layout: the message, Close in the middle of the client area
    // at the button row's height, Cancel gone, the dialog at full size.
    void ExpectFinalLayout(const DIALOG_SNAPSHOT& shot, const std::string& strMessage)
    {
        EXPECT_EQ(strMessage, shot.strMessage);
        EXPECT_TRUE(shot.bMessageVisible);
        EXPECT_FALSE(shot.bBusyVisible);
        EXPECT_EQ(Text(IDS_CLOSE_BUTTON), shot.strOk);
        EXPECT_TRUE(shot.bOkVisible);
        EXPECT_FALSE(shot.bCancelVisible);
        const RECT rcTemplateOk = TemplateItemRect(IDOK);
        const int cxOk = shot.rcOk.right - shot.rcOk.left;
        EXPECT_EQ((shot.rcClient.right - cxOk) / 2, shot.rcOk.left);
        EXPECT_EQ(rcTemplateOk.top, shot.rcOk.top);
        EXPECT_EQ(rcTemplateOk.bottom - rcTemplateOk.top, shot.rcOk.bottom - shot.rcOk.top);
        EXPECT_GE(shot.rcClient.bottom, shot.rcOk.bottom);
        EXPECT_FALSE(shot.bProgressVisible);
    }

    // The busy layout came and went: its text, and the dialog one OK
    // button shorter, then back to full height.
    void ExpectBusyLayoutShown(const CLayoutRecorder& recorder, const DIALOG_SNAPSHOT& shot)
    {
        EXPECT_EQ(std::vector<std::string>{Text(IDS_UPDATING)}, recorder.TextsOf(IDC_BUSY_TEXT));
        EXPECT_TRUE(recorder.WasShown(IDC_BUSY_TEXT));
        EXPECT_TRUE(recorder.WasShown(IDC_BUSY_PROGRESS));
        const int cyWindow = shot.rcWindow.bottom - shot.rcWindow.top;
        const int cyOk = shot.rcOk.bottom - shot.rcOk.top;
        const std::vector<int> heights = recorder.DialogHeights();
        ASSERT_GE(heights.size(), 2u);
        EXPECT_EQ(cyWindow - cyOk, heights[heights.size() - 2]);
        EXPECT_EQ(cyWindow, heights.back());
    }

    // Makes a copy of the module, with the given strings, the resource
    // source until the test ends.
    bool UseModuleCopy(const std::vector<MODULE_STRING>& strings)
    {
        const std::string strCopy = ExeFolder() + "ModuleCopy.prm";
        if (!CopyModuleWithStrings(ExeFolder() + "PelkinUpdate.prm", strCopy, strings))
            return false;
        m_hModuleCopy = LoadModuleAsData(strCopy);
        if (m_hModuleCopy)
            AfxGetModuleState()->m_hCurrentResourceHandle = m_hModuleCopy;
        return m_hModuleCopy != nullptr;
    }

    int m_nHub = 0;
    int m_nPort = 0;
    HMODULE m_hModuleCopy = nullptr;
};

TEST_F(ScanOutcomeTest, UpdatedCaptionNamesFirstModelMessageTheMatchedOne)
{
    PlugStick('E', 0x1002, 0x0150);
    WritePackage();
    CDebugTraceCapture traces;
    CLayoutRecorder recorder;
    DIALOG_SNAPSHOT shot;
    CFakeTaskbarList taskbar;
    const INT_PTR nResult = Run(
        shot, [](CDialogRemote& remote) { remote.Click(IDOK); }, &taskbar);

    EXPECT_EQ(IDOK, nResult);  // Close ends the dialog
    // The taskbar button from empty on, then nothing.
    ASSERT_GT(taskbar.calls.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"init", "state 2", "value 0/100"}),
              std::vector<std::string>(taskbar.calls.begin(), taskbar.calls.begin() + 3));
    EXPECT_EQ("state 0", taskbar.calls.back());
    EXPECT_EQ(Formatted(IDS_CAPTION, "Model A"), shot.strCaption);
    ExpectFinalLayout(shot, Formatted(IDS_UPDATE_DONE, "Model B"));
    ExpectBusyLayoutShown(recorder, shot);
    EXPECT_EQ(std::string(1000, 'F'), ReadFileBytes("E:\\fw.bin"));
    EXPECT_EQ("release notes", ReadFileBytes("E:\\fw.txt"));
    EXPECT_EQ(1, traces.Count("E:\\"));
    EXPECT_EQ(1, traces.Count("Removable Drive\n"));
    EXPECT_EQ(1, traces.Count("0x1002"));
    EXPECT_EQ(0, traces.Count("Device not Found\n"));
}

// Eject, left of Close, as large, 4 dialog units apart. A program holds the
// device for six requests: the first press shows it by name after four;
// the second press is vetoed twice more, then the device goes.
TEST_F(ScanOutcomeTest, EjectShowsTheVetoThenTheDeviceGoes)
{
    PlugStick('E', 0x1002, 0x0150);
    WritePackage();
    host.SetEjectVeto(PNP_VetoWindowsApp, "Explorer", 6);
    RECT rcEject = {}, rcGap = {0, 0, 4, 0};
    DIALOG_SNAPSHOT shot, vetoed, ejected;
    std::vector<size_t> requests;
    std::vector<bool> shown;
    Run(shot, [&](CDialogRemote& r) {
        rcEject = ChildRect(r.Dialog(), GetDlgItem(r.Dialog(), IDC_EJECT));
        MapDialogRect(r.Dialog(), &rcGap);
        for (DIALOG_SNAPSHOT* pAfter : {&vetoed, &ejected}) {
            const std::string strBefore = r.StoredText(IDC_MESSAGE);
            r.Click(IDC_EJECT);
            for (int i = 0; i < 500 && r.StoredText(IDC_MESSAGE) == strBefore; ++i)
                Sleep(10);
            r.WaitIdle();
            *pAfter = r.Snapshot();
            requests.push_back(host.EjectRequests().size());
            shown.push_back(r.IsItemVisible(IDC_EJECT) && IsWindowEnabled(GetDlgItem(r.Dialog(), IDC_EJECT)));
        }
    });

    ExpectFinalLayout(shot, Formatted(IDS_UPDATE_DONE, "Model B"));
    EXPECT_EQ(shot.rcOk.left - rcGap.right, rcEject.right);
    EXPECT_EQ(shot.rcOk.right - shot.rcOk.left, rcEject.right - rcEject.left);
    EXPECT_TRUE(shot.rcOk.top == rcEject.top && shot.rcOk.bottom == rcEject.bottom);
    EXPECT_EQ(Formatted(IDS_EJECT_VETOED, "Model B", "Explorer"), vetoed.strMessage);
    EXPECT_EQ(Formatted(IDS_EJECTED, "Model B"), ejected.strMessage);
    EXPECT_EQ((std::vector<size_t>{4, 7}), requests);
    EXPECT_EQ((std::vector<bool>{true, false}), shown);
    EXPECT_TRUE(ejected.bOkVisible && host.IsDriveGone('E'));
}

// The copy held at its first write, then let through write by write: the
// dialog keeps answering, its progress grows, nothing ends it or scans
// again; the About box opens, and the outcome comes while it is open. Then
// the package is on the stick, whole, and Alt+F4 (one of the tries that did
// nothing before) closes the dialog.
TEST_F(ScanOutcomeTest, CopyInProgressKeepsTheDialogAnsweringAndOpen)
{
    PlugStick('E', 0x1002, 0x0150);
    std::string strFirmware(1536 * 1024, '\0');  // two writes of the copy
    for (size_t i = 0; i < strFirmware.size(); ++i)
        strFirmware[i] = static_cast<char>(i * 7 % 251);
    WriteFileBytes(ExeFolder() + "ModelB\\fw.bin", strFirmware);
    WriteFileBytes(ExeFolder() + "ModelB\\fw.txt", "release notes");
    CGatedFileOps gate;
    CDebugTraceCapture traces;
    CLayoutRecorder recorder;
    DIALOG_SNAPSHOT busy;
    DIALOG_SNAPSHOT after;
    std::vector<bool> answered;
    std::vector<int> positions;
    std::vector<std::string> captions;
    std::string strBarName;
    bool bBusyAfterTries = false;
    bool bOutcomeWithAbout = false;
    CFileOpsDlg dlg(&gate);
    CDialogRemote remote(
        [&](CDialogRemote& r) {
            ASSERT_TRUE(gate.WaitForWriter());
            busy = r.Snapshot();
            answered.push_back(r.Answers(100));
            TryToEndTheDialog(r, answered);
            answered.push_back(r.FlushPosted());
            bBusyAfterTries = r.IsItemVisible(IDC_BUSY_TEXT) && r.IsItemVisible(IDC_BUSY_PROGRESS);
            positions.push_back(r.ProgressPos());
            captions.push_back(WindowText(r.Dialog()));
            strBarName = AccessibleName(GetDlgItem(r.Dialog(), IDC_BUSY_PROGRESS));
            for (int nWrite = 0; nWrite < 2; ++nWrite) {
                gate.Let(1);
                ASSERT_TRUE(gate.WaitForWriter());
                r.FlushPosted();  // the progress that the write reported
                answered.push_back(r.Answers(100));
                positions.push_back(r.ProgressPos());
                captions.push_back(WindowText(r.Dialog()));
            }
            r.PostSysCommand(IDM_ABOUT);
            HWND hAbout = r.WaitForOtherDialog(5000);
            ASSERT_NE(nullptr, hAbout);
            gate.Let(100);
            for (int i = 0; i < 2000 && r.IsItemVisible(IDC_BUSY_TEXT); ++i)
                Sleep(10);
            bOutcomeWithAbout = !r.IsItemVisible(IDC_BUSY_TEXT) && IsWindowVisible(hAbout);
            DWORD_PTR nIgnored = 0;
            SendMessageTimeoutA(GetDlgItem(hAbout, IDOK), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &nIgnored);
            r.WaitIdle();
            after = r.Snapshot();
            PostMessageA(r.Dialog(), WM_SYSKEYDOWN, VK_F4, 1 | (KF_ALTDOWN << 16));
        },
        true);
    const INT_PTR nResult = dlg.DoModal();
    remote.Join();
    ASSERT_TRUE(remote.FoundDialog());

    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_EQ(std::vector<bool>(answered.size(), true), answered);
    EXPECT_TRUE(bBusyAfterTries);
    EXPECT_EQ(1, traces.Count("E:\\"));
    // The bar: under the busy text, as wide, inside the shrunk window.
    EXPECT_TRUE(busy.bProgressVisible);
    EXPECT_EQ(busy.rcBusy.left, busy.rcProgress.left);
    EXPECT_EQ(busy.rcBusy.right, busy.rcProgress.right);
    EXPECT_GE(busy.rcProgress.top, busy.rcBusy.bottom);
    EXPECT_GT(busy.rcProgress.bottom, busy.rcProgress.top);
    EXPECT_LE(busy.rcProgress.bottom, busy.rcClient.bottom);
    EXPECT_LT(busy.rcClient.bottom, after.rcClient.bottom);
    // Growing, never full while the copy runs.
    ASSERT_EQ(3u, positions.size());
    EXPECT_EQ(0, positions[0]);
    EXPECT_LT(positions[0], positions[1]);
    EXPECT_LT(positions[1], positions[2]);
    EXPECT_LT(positions[2], CCopyProgressRelay::kRange);
    // The caption: the percentage before it while the copy runs, then as it was.
    for (size_t i = 0; i < captions.size(); ++i)
        EXPECT_EQ(std::to_string(positions[i] / 10) + "% - " + Formatted(IDS_CAPTION, "Model A"), captions[i]);
    EXPECT_EQ(Formatted(IDS_CAPTION, "Model A"), after.strCaption);
    EXPECT_EQ(Text(IDS_UPDATING), strBarName);
    // The outcome, shown while the About box was open.
    EXPECT_TRUE(bOutcomeWithAbout);
    ExpectFinalLayout(after, Formatted(IDS_UPDATE_DONE, "Model B"));
    ExpectBusyLayoutShown(recorder, after);
    const std::map<std::string, std::string> expected = {{"fw.bin", strFirmware}, {"fw.txt", "release notes"}};
    EXPECT_EQ(expected, ReadFolderFiles("E:\\"));
}

TEST_F(ScanOutcomeTest, VersionRefusedWithoutBusyLayout)
{
    PlugStick('E', 0x1002, 0x0201);
    WritePackage();
    CLayoutRecorder recorder;
    DIALOG_SNAPSHOT shot;
    Run(shot);

    ExpectFinalLayout(shot, Formatted(IDS_VERSION_REFUSED, "Model B", "0201"));
    EXPECT_TRUE(recorder.TextsOf(IDC_BUSY_TEXT).empty());
    EXPECT_FALSE(recorder.WasShown(IDC_BUSY_TEXT));
    const std::vector<int> heights = recorder.DialogHeights();
    const int cyWindow = shot.rcWindow.bottom - shot.rcWindow.top;
    EXPECT_TRUE(std::all_of(heights.begin(), heights.end(), [&](int cy) { return cy == cyWindow; }));
    EXPECT_FALSE(FileExists("E:\\fw.bin"));
}

TEST_F(ScanOutcomeTest, NoRoomOnTheStick)
{
    if (FreeBytes("E:\\") > kSmallDrive)
        GTEST_SKIP() << "E: is not the small test drive";
    PlugStick('E', 0x1002, 0x0150);
    WriteFileOfSize(ExeFolder() + "ModelB\\fw.bin", FreeBytes("E:\\") + 1);
    CLayoutRecorder recorder;
    DIALOG_SNAPSHOT shot;
    Run(shot);

    ExpectFinalLayout(shot, Formatted(IDS_NO_ROOM, "Model B"));
    ExpectBusyLayoutShown(recorder, shot);
    EXPECT_FALSE(FileExists("E:\\fw.bin"));
}

TEST_F(ScanOutcomeTest, CopyFailedForAMissingPackageFolder)
{
    PlugStick('E', 0x1002, 0x0150);
    CLayoutRecorder recorder;
    DIALOG_SNAPSHOT shot;
    CFakeTaskbarList taskbar;
    Run(shot, nullptr, &taskbar);

    ExpectFinalLayout(shot, Text(IDS_COPY_FAILED));
    ASSERT_GE(taskbar.calls.size(), 2u);  // the taskbar button ends full and red
    EXPECT_EQ((std::vector<std::string>{"value 1/1", "state 4"}),
              std::vector<std::string>(taskbar.calls.end() - 2, taskbar.calls.end()));
    ExpectBusyLayoutShown(recorder, shot);
}

TEST_F(ScanOutcomeTest, NotFoundThenOkThenFound)
{
    WritePackage();
    CDebugTraceCapture traces;
    DIALOG_SNAPSHOT shot;
    DIALOG_SNAPSHOT after;
    const INT_PTR nResult = Run(shot, [&](CDialogRemote& remote) {
        PlugStick('E', 0x1002, 0x0150);  // the dialog's thread waits for input
        remote.Click(IDOK);
        after = remote.Snapshot();
        remote.Click(IDOK);
    });

    EXPECT_EQ(IDOK, nResult);
    EXPECT_EQ(Formatted(IDS_DEVICE_NOT_FOUND, "Model A"), shot.strMessage);
    EXPECT_EQ(Text(IDS_RETRY_BUTTON), shot.strOk);
    EXPECT_TRUE(shot.bCancelVisible);
    ExpectFinalLayout(after, Formatted(IDS_UPDATE_DONE, "Model B"));
    EXPECT_EQ(1, traces.Count("Device not Found\n"));
    EXPECT_EQ("release notes", ReadFileBytes("E:\\fw.txt"));
}

// The drive list cannot be read on the first scan: the window keeps what
// its template and its opening gave it, no drive is looked at, and OK
// closes the dialog.
TEST_F(ScanOutcomeTest, UnreadableDriveListOnTheFirstScanChangesNothing)
{
    PlugStick('E', 0x1002, 0x0150);
    WritePackage();
    host.FailCall("GetLogicalDriveStringsA");
    CDebugTraceCapture traces;
    CLayoutRecorder recorder;
    DIALOG_SNAPSHOT shot;
    const INT_PTR nResult = Run(shot, [](CDialogRemote& remote) { remote.Click(IDOK); });

    EXPECT_EQ(IDOK, nResult);
    EXPECT_EQ(TemplateItemText(IDC_MESSAGE), shot.strMessage);
    EXPECT_EQ(TemplateItemText(IDOK), shot.strOk);
    EXPECT_TRUE(shot.bMessageVisible);
    EXPECT_FALSE(shot.bBusyVisible);
    EXPECT_TRUE(shot.bOkVisible);
    EXPECT_TRUE(shot.bCancelVisible);
    EXPECT_TRUE(recorder.TextsOf(IDC_MESSAGE).empty());
    EXPECT_TRUE(recorder.TextsOf(IDOK).empty());
    EXPECT_TRUE(recorder.MovesOf(IDOK).empty());
    EXPECT_EQ(0, traces.Count("E:\\"));
    EXPECT_EQ(0, traces.Count("Device not Found\n"));
    EXPECT_EQ(1u, host.Calls("GetLogicalDriveStringsA"));
    EXPECT_EQ(0u, host.Calls("GetDriveTypeA"));
    EXPECT_FALSE(FileExists("E:\\fw.bin"));
}

// Not found, then the retry finds the drive list unreadable: the message
// line keeps the searching text, OK keeps the retry label, and the next OK
// closes the dialog instead of scanning again.
TEST_F(ScanOutcomeTest, UnreadableDriveListOnARetryKeepsTheSearchingText)
{
    WritePackage();
    host.FailCall("GetLogicalDriveStringsA", 2);
    CDebugTraceCapture traces;
    DIALOG_SNAPSHOT shot;
    DIALOG_SNAPSHOT after;
    const INT_PTR nResult = Run(shot, [&](CDialogRemote& remote) {
        PlugStick('E', 0x1002, 0x0150);  // a readable list would find it
        remote.Click(IDOK);
        after = remote.Snapshot();
        remote.Click(IDOK);
    });

    EXPECT_EQ(IDOK, nResult);
    EXPECT_EQ(Formatted(IDS_DEVICE_NOT_FOUND, "Model A"), shot.strMessage);
    EXPECT_EQ(Text(IDS_SEARCHING), after.strMessage);
    EXPECT_EQ(Text(IDS_RETRY_BUTTON), after.strOk);
    EXPECT_TRUE(after.bMessageVisible);
    EXPECT_TRUE(after.bCancelVisible);
    EXPECT_EQ(1, traces.Count("Device not Found\n"));
    EXPECT_EQ(2u, host.Calls("GetLogicalDriveStringsA"));
    EXPECT_FALSE(FileExists("E:\\fw.bin"));
}

TEST_F(ScanOutcomeTest, MatchedSectionWithoutDeviceName)
{
    WriteCfg("[ModelA]\nDeviceID=0x1001\nVendorID=0x1234\nDeviceName=Model A\n"
             "[ModelB]\nDeviceID=0x1002\nVendorID=0x1234\n");
    PlugStick('E', 0x1002, 0x0150);
    WritePackage();
    DIALOG_SNAPSHOT shot;
    Run(shot);

    EXPECT_EQ(Formatted(IDS_CAPTION, "Model A"), shot.strCaption);
    ExpectFinalLayout(shot, Formatted(IDS_UPDATE_DONE, ""));
}

TEST_F(ScanOutcomeTest, TwoSticksTheFirstWinsTheSecondIsNotLookedAt)
{
    PlugStick('E', 0x1002, 0x0150);
    PlugStick('F', 0x1002, 0x0150);
    WritePackage();
    CDebugTraceCapture traces;
    DIALOG_SNAPSHOT shot;
    Run(shot);

    ExpectFinalLayout(shot, Formatted(IDS_UPDATE_DONE, "Model B"));
    EXPECT_TRUE(FileExists("E:\\fw.bin"));
    EXPECT_FALSE(FileExists("F:\\fw.bin"));
    EXPECT_EQ(1, traces.Count("E:\\"));
    EXPECT_EQ(0, traces.Count("F:\\"));
    EXPECT_EQ(1, traces.Count("Removable Drive\n"));
}

TEST_F(ScanOutcomeTest, NonMatchingStickBeforeTheTarget)
{
    PlugStick('E', 0x4711, 0x0150);
    PlugStick('F', 0x1002, 0x0150);
    WritePackage();
    CDebugTraceCapture traces;
    DIALOG_SNAPSHOT shot;
    Run(shot);

    ExpectFinalLayout(shot, Formatted(IDS_UPDATE_DONE, "Model B"));
    EXPECT_FALSE(FileExists("E:\\fw.bin"));
    EXPECT_TRUE(FileExists("F:\\fw.bin"));
    const std::vector<std::string> expected = {"E:\\", "Removable Drive\n", "0x4711",
                                               "F:\\", "Removable Drive\n", "0x1002"};
    std::vector<std::string> seen;
    for (const std::string& line : traces.Lines())
        if (std::find(expected.begin(), expected.end(), line) != expected.end())
            seen.push_back(line);
    EXPECT_EQ(expected, seen);
}

// A module without its own busy text: the busy layout shows the About
// item's label instead.
TEST_F(ScanOutcomeTest, ModuleWithoutBusyTextFallsBackToTheAboutItemLabel)
{
    ASSERT_TRUE(UseModuleCopy({{IDS_UPDATING, ""}}));
    EXPECT_EQ("", Text(IDS_UPDATING));
    PlugStick('E', 0x1002, 0x0150);
    CLayoutRecorder recorder;
    DIALOG_SNAPSHOT shot;
    Run(shot);
    const std::string strAboutItem = Text(IDS_ABOUT_ITEM);

    EXPECT_FALSE(strAboutItem.empty());
    EXPECT_EQ(std::vector<std::string>{strAboutItem}, recorder.TextsOf(IDC_BUSY_TEXT));
    EXPECT_EQ(Text(IDS_COPY_FAILED), shot.strMessage);
}

// Anyone may replace the module: its texts are shown, never run. Every
// conversion but %s, and every %s beyond the arguments, stands as written;
// handed to the C formatter, %n would write through whatever the stack
// holds, %d and %p would show it.
TEST_F(ScanOutcomeTest, ModuleTextsWithConversionsAreShownAsTheyStand)
{
    ASSERT_TRUE(UseModuleCopy({
        {IDS_CAPTION, "%n%d%p %s %s%%"},
        {IDS_DEVICE_NOT_FOUND, "No %s %n %d %p %s %x"},
        {IDS_VERSION_REFUSED, "%s %s %s %n %p %d"},
        {IDS_COPY_FAILED, "%n %s %d"},
        {IDS_UPDATE_DONE, "%p%s%n%s%d"},
        {IDS_NO_ROOM, "%n %s %s %p"},
    }));
    DIALOG_SNAPSHOT shot;
    Run(shot);  // no stick yet
    EXPECT_EQ("%n%d%p Model A %s%", shot.strCaption);
    EXPECT_EQ("No Model A %n %d %p %s %x", shot.strMessage);

    PlugStick('E', 0x1002, 0x0201);
    Run(shot);
    EXPECT_EQ("Model B 0201 %s %n %p %d", shot.strMessage);

    host.Port(m_nHub, m_nPort).Descriptor.bcdDevice = 0x0150;
    Run(shot);  // no package: Copy failed, whose text takes no argument
    EXPECT_EQ("%n %s %d", shot.strMessage);

    WritePackage();
    Run(shot);
    EXPECT_EQ("%pModel B%n%s%d", shot.strMessage);

    if (FreeBytes("E:\\") <= kSmallDrive) {
        EmptyFolder("E:\\");
        WriteFileOfSize(ExeFolder() + "ModelB\\fw.bin", FreeBytes("E:\\") + 1);
        Run(shot);
        EXPECT_EQ("%n Model B %s %p", shot.strMessage);
    }
}

// The station window with two sticks there from the start: E: is updated,
// F: refused for a release newer than its model's.
TEST_F(ScanOutcomeTest, StationWindowUpdatesOneStickAndRefusesTheOther)
{
    PlugStick('E', 0x1002, 0x0150);
    PlugStick('F', 0x1001, 0x0200);
    WritePackage();
    const std::vector<std::string> ended = {Text(IDS_STATION_UPDATED), Text(IDS_STATION_VERSION_REFUSED)};
    CString strCounted;
    strCounted.FormatText(IDS_STATION_COUNTS, "1", "1", "0");
    std::vector<std::string> states;
    std::string strCounts;
    CStationDlg dlg(STATION_OPTIONS{});
    CDialogRemote remote([&](CDialogRemote& r) {
        HWND hList = GetDlgItem(r.Dialog(), IDC_STATION_LIST);
        for (int i = 0; i < 1500 && (states != ended || strCounts != static_cast<const char*>(strCounted)); ++i) {
            Sleep(20);
            states.clear();
            for (int nRow = 0; nRow < ListView_GetItemCount(hList); ++nRow) {
                char szState[64] = {};
                ListView_GetItemText(hList, nRow, 6, szState, sizeof szState);
                states.push_back(szState);
            }
            strCounts = r.StoredText(IDC_STATION_COUNTS);
        }
        r.Click(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    remote.Join();

    EXPECT_EQ(ended, states);
    EXPECT_EQ(static_cast<const char*>(strCounted), strCounts);
    EXPECT_EQ(std::string(1000, 'F'), ReadFileBytes("E:\\fw.bin"));
}

// Positions of the progress bar: full only when the last unit is done,
// for counts as large as the copy can report.
TEST(CopyProgressRelayTest, PositionIsFullOnlyAtTheEnd)
{
    const int kRange = CCopyProgressRelay::kRange;
    EXPECT_EQ(0, CCopyProgressRelay::ToPosition(0, 3));
    EXPECT_EQ(kRange / 3, CCopyProgressRelay::ToPosition(1, 3));
    EXPECT_EQ(kRange, CCopyProgressRelay::ToPosition(3, 3));
    for (ULONGLONG nTotal : {1001ULL, 1ULL << 40, ~0ULL / 2 + 3, ~0ULL}) {
        EXPECT_EQ(kRange - 1, CCopyProgressRelay::ToPosition(nTotal - 1, nTotal)) << nTotal;
        EXPECT_NEAR(kRange / 2, CCopyProgressRelay::ToPosition(nTotal / 2, nTotal), 1) << nTotal;
        EXPECT_EQ(kRange, CCopyProgressRelay::ToPosition(nTotal, nTotal)) << nTotal;
    }
}

}  // namespace
