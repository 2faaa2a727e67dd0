// The update dialog as a window: caption, retry after Not found, the About
// box, the minimised icon, and a resource source without templates.
#include "DialogRemote.h"
#include "LayoutRecorder.h"
#include "UiTestSupport.h"
#include "UpdateDlg.h"

#include "DebugTrace.h"
#include "ModuleCopy.h"
#include "SimHostTest.h"
#include "TestConfig.h"
#include "TestFiles.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A host without USB sticks: every scan ends in Not found.
class UpdateDlgWindowTest : public CSimHostTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(UseResourceModule());
        CSimHostTest::SetUp();
        RemovePath(CfgPath());
        EmptyFolder("E:\\");
        EmptyFolder("F:\\");
    }
    void TearDown() override
    {
        CSimHostTest::TearDown();
        RemovePath(CfgPath());
    }

    // Runs the dialog with a script; the dialog's result.
    INT_PTR Run(CDialogRemote::SCRIPT script)
    {
        CUpdateDlg dlg;
        CDialogRemote remote(std::move(script));
        const INT_PTR nResult = dlg.DoModal();
        remote.Join();
        EXPECT_TRUE(remote.FoundDialog());
        return nResult;
    }
};

TEST_F(UpdateDlgWindowTest, NotFoundTwiceKeepsOfferingTheRetry)
{
    WriteCfg(kTwoModelsCfg);
    CDebugTraceCapture traces;
    std::vector<DIALOG_SNAPSHOT> shots;
    std::string strDuringRetry;
    DWORD nSearchingMs = 0;
    bool bHasIcon = false;
    const INT_PTR nResult = Run([&](CDialogRemote& remote) {
        bHasIcon = SendMessageA(remote.Dialog(), WM_GETICON, ICON_BIG, 0) != 0;
        shots.push_back(remote.Snapshot());
        remote.PostClick(IDOK);
        // The retry shows its searching text while it pauses.
        const std::string strSearching = Text(IDS_SEARCHING);
        for (int i = 0; i < 500 && remote.StoredText(IDC_MESSAGE) != strSearching; ++i)
            Sleep(2);
        strDuringRetry = remote.StoredText(IDC_MESSAGE);
        const DWORD nStart = GetTickCount();
        for (int i = 0; i < 1000 && remote.StoredText(IDC_MESSAGE) == strSearching; ++i)
            Sleep(2);
        nSearchingMs = GetTickCount() - nStart;
        remote.WaitIdle();
        shots.push_back(remote.Snapshot());
        remote.Click(IDOK);
        shots.push_back(remote.Snapshot());
        remote.Click(IDCANCEL);
    });

    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_TRUE(bHasIcon);
    EXPECT_EQ(Text(IDS_SEARCHING), strDuringRetry);
    EXPECT_GE(nSearchingMs, 250u);
    ASSERT_EQ(3u, shots.size());
    for (const DIALOG_SNAPSHOT& shot : shots) {
        EXPECT_EQ(Formatted(IDS_CAPTION, "Model A"), shot.strCaption);
        EXPECT_EQ(Formatted(IDS_DEVICE_NOT_FOUND, "Model A"), shot.strMessage);
        EXPECT_EQ(Text(IDS_RETRY_BUTTON), shot.strOk);
        EXPECT_TRUE(shot.bMessageVisible);
        EXPECT_FALSE(shot.bBusyVisible);
        EXPECT_TRUE(shot.bOkVisible);
        EXPECT_TRUE(shot.bCancelVisible);
    }
    EXPECT_EQ(3, traces.Count("Device not Found\n"));
    EXPECT_EQ(3, traces.Count("E:\\"));
    EXPECT_EQ(3, traces.Count("F:\\"));
}

TEST_F(UpdateDlgWindowTest, WithoutUpdateCfgTheDefaultNameIsShown)
{
    DIALOG_SNAPSHOT shot;
    Run([&](CDialogRemote& remote) { shot = remote.Snapshot(); });
    EXPECT_FALSE(Text(IDS_DEFAULT_DEVICE_NAME).empty());
    EXPECT_EQ(Formatted(IDS_CAPTION, Text(IDS_DEFAULT_DEVICE_NAME).c_str()), shot.strCaption);
    EXPECT_EQ(Formatted(IDS_DEVICE_NOT_FOUND, Text(IDS_DEFAULT_DEVICE_NAME).c_str()), shot.strMessage);
}

TEST_F(UpdateDlgWindowTest, FirstSectionWithoutDeviceNameGivesAnEmptyName)
{
    WriteCfg("[ModelA]\nDeviceID=0x1001\nVendorID=0x1234\n"
             "[ModelB]\nDeviceID=0x1002\nVendorID=0x1234\nDeviceName=Model B\n");
    DIALOG_SNAPSHOT shot;
    Run([&](CDialogRemote& remote) { shot = remote.Snapshot(); });
    EXPECT_EQ(Formatted(IDS_CAPTION, ""), shot.strCaption);
    EXPECT_EQ(Formatted(IDS_DEVICE_NOT_FOUND, ""), shot.strMessage);
}

TEST_F(UpdateDlgWindowTest, SystemCommandsSixteenToThirtyOneOpenTheAboutBox)
{
    WriteCfg(kTwoModelsCfg);
    std::string strItem;
    UINT nSeparatorState = 0;
    std::vector<std::string> aboutCaptions;
    bool bCloseReturned = false;
    HWND hAboutAfterClose = nullptr;
    const INT_PTR nResult = Run([&](CDialogRemote& remote) {
        HMENU hSysMenu = GetSystemMenu(remote.Dialog(), FALSE);
        const int nItems = GetMenuItemCount(hSysMenu);
        char szItem[256] = {};
        GetMenuStringA(hSysMenu, IDM_ABOUT, szItem, sizeof szItem, MF_BYCOMMAND);
        strItem = szItem;
        nSeparatorState = GetMenuState(hSysMenu, nItems - 2, MF_BYPOSITION);
        for (WPARAM nCommand = 0x0010; nCommand <= 0x001F; ++nCommand) {
            // The About box runs modally inside the command.
            remote.PostSysCommand(nCommand);
            HWND hAbout = remote.WaitForOtherDialog(3000);
            aboutCaptions.push_back(hAbout ? WindowText(hAbout) : "");
            if (!hAbout)
                continue;
            DWORD_PTR nIgnored = 0;
            SendMessageTimeoutA(GetDlgItem(hAbout, IDOK), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &nIgnored);
            remote.WaitIdle();
        }
        // The close box closes; no About box comes up.
        bCloseReturned = remote.SysCommand(SC_CLOSE, 3000);
        hAboutAfterClose = remote.WaitForOtherDialog(300);
    });

    EXPECT_EQ(IDCANCEL, nResult);
    EXPECT_EQ(Text(IDS_ABOUT_ITEM), strItem);
    EXPECT_TRUE(nSeparatorState & MF_SEPARATOR);
    ASSERT_EQ(16u, aboutCaptions.size());
    for (const std::string& strCaption : aboutCaptions)
        EXPECT_EQ("About PelkinUpdate", strCaption);
    EXPECT_TRUE(bCloseReturned);
    EXPECT_EQ(nullptr, hAboutAfterClose);
}

// What the module lacks comes from the executable: a module without the
// icon leaves the dialog with the executable's, its templates and texts
// still the module's.
TEST_F(UpdateDlgWindowTest, ModuleWithoutIconGivesTheExecutablesIcon)
{
    const std::string strCopy = ExeFolder() + "NoIcon.prm";
    ASSERT_TRUE(CopyModuleWithoutResource(ExeFolder() + "PelkinUpdate.prm", strCopy, RT_GROUP_ICON, IDI_UPDATE_ICON));
    HMODULE hCopy = LoadModuleAsData(strCopy);
    ASSERT_NE(nullptr, hCopy);
    EXPECT_EQ(nullptr, FindResourceA(hCopy, MAKEINTRESOURCEA(IDI_UPDATE_ICON), RT_GROUP_ICON));
    const LPCSTR pszIcon = MAKEINTRESOURCEA(IDI_UPDATE_ICON);
    EXPECT_EQ(UseResourceModule(), AfxFindResourceHandle(pszIcon, RT_GROUP_ICON));
    AfxGetModuleState()->m_hCurrentResourceHandle = hCopy;
    EXPECT_EQ(GetModuleHandleA(nullptr), AfxFindResourceHandle(pszIcon, RT_GROUP_ICON));
    EXPECT_EQ(hCopy, AfxFindResourceHandle(MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), RT_DIALOG));
    // Held by neither: the resource source, where the caller finds it missing.
    EXPECT_EQ(hCopy, AfxFindResourceHandle(MAKEINTRESOURCEA(4242), RT_DIALOG));
    HICON hIcon = nullptr;
    DIALOG_SNAPSHOT shot;
    Run([&](CDialogRemote& remote) {
        hIcon = reinterpret_cast<HICON>(SendMessageA(remote.Dialog(), WM_GETICON, ICON_BIG, 0));
        shot = remote.Snapshot();
    });
    UseResourceModule();
    FreeLibrary(hCopy);
    RemovePath(strCopy);

    EXPECT_NE(nullptr, hIcon);
    EXPECT_EQ(Formatted(IDS_DEVICE_NOT_FOUND, Text(IDS_DEFAULT_DEVICE_NAME).c_str()), shot.strMessage);
}

TEST_F(UpdateDlgWindowTest, WithoutTheModuleNoWindowIsCreated)
{
    UseOwnResources();
    CUpdateDlg dlg;
    const INT_PTR nResult = dlg.DoModal();
    UseResourceModule();
    EXPECT_EQ(-1, nResult);
    EXPECT_EQ(nullptr, dlg.GetSafeHwnd());
}

// Minimised, the dialog paints its icon and offers it for dragging;
// restored, it shows its outcome as before. Without a window manager, Wine
// restores a minimised window by itself as soon as the dialog's thread
// handles the X events that minimising it caused, often within a
// millisecond: so the whole round runs on the dialog's thread inside one
// message, where no such event can come between.
TEST_F(UpdateDlgWindowTest, MinimisedAndRestoredTheDialogKeepsItsOutcome)
{
    WriteCfg(kTwoModelsCfg);
    CLayoutRecorder recorder;
    bool bIconic = false;
    int nIconErasures = 0;
    bool bRestored = false;
    DIALOG_SNAPSHOT before;
    DIALOG_SNAPSHOT after;
    HICON hIcon = nullptr;
    HICON hDragIcon = nullptr;
    Run([&](CDialogRemote& remote) {
        before = remote.Snapshot();
        HWND hDlg = remote.Dialog();
        remote.OnDialogThread([&] {
            // Minimise is a system command outside the About range: it
            // reaches default processing.
            SendMessageA(hDlg, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            bIconic = IsIconic(hDlg) != FALSE;
            const int nErasuresBefore = recorder.IconErasures();
            // A minimised window has no client area left to invalidate here:
            // the paint is asked for directly.
            SendMessageA(hDlg, WM_PAINT, 0, 0);
            nIconErasures = recorder.IconErasures() - nErasuresBefore;
            hIcon = reinterpret_cast<HICON>(SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0));
            hDragIcon = reinterpret_cast<HICON>(SendMessageA(hDlg, WM_QUERYDRAGICON, 0, 0));
            ShowWindow(hDlg, SW_RESTORE);
            bRestored = !IsIconic(hDlg);
        });
        remote.WaitIdle();
        after = remote.Snapshot();
    });
    EXPECT_TRUE(bIconic);
    EXPECT_EQ(1, nIconErasures);  // painted minimised: the icon
    EXPECT_NE(nullptr, hIcon);
    EXPECT_EQ(hIcon, hDragIcon);
    EXPECT_TRUE(bRestored);
    EXPECT_EQ(before.strMessage, after.strMessage);
    EXPECT_EQ(before.rcWindow.right - before.rcWindow.left, after.rcWindow.right - after.rcWindow.left);
    EXPECT_EQ(before.rcWindow.bottom - before.rcWindow.top, after.rcWindow.bottom - after.rcWindow.top);
}

// Minimised, the icon sits in the middle of the client area, rounding up;
// a client area smaller than the icon puts it at a negative offset.
TEST(UpdateDlgIconTest, IconOriginCentresTheIcon)
{
    const RECT rcSquare = {0, 0, 36, 36};
    const POINT ptSquare = CUpdateDlg::IconOrigin(rcSquare, 32, 32);
    EXPECT_EQ(2, ptSquare.x);
    EXPECT_EQ(2, ptSquare.y);
    const RECT rcOdd = {0, 0, 37, 40};
    const POINT ptOdd = CUpdateDlg::IconOrigin(rcOdd, 32, 32);
    EXPECT_EQ(3, ptOdd.x);
    EXPECT_EQ(4, ptOdd.y);
    const RECT rcEmpty = {0, 0, 0, 0};  // what the platform gives a minimised window here
    const POINT ptEmpty = CUpdateDlg::IconOrigin(rcEmpty, 32, 32);
    EXPECT_EQ(-15, ptEmpty.x);
    EXPECT_EQ(-15, ptEmpty.y);
}

}  // namespace
