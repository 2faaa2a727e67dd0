// PelkinUpdate.exe started as a user starts it, from folders laid out as a
// vendor ships them, on the real platform: with its module it shows its
// dialog (the wine prefix has no USB devices: Not found); without it, or
// when the module's path doesn't fit, it ends quietly without a window.
#include "AfxModuleState.h"
#include "AfxString.h"
#include "TestFiles.h"
#include "resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const DWORD kRunTimeoutMs = 30000;

struct FIND_PROGRAM_DIALOG
{
    DWORD nProcessId;
    HWND hFound;
};

BOOL CALLBACK FindProgramDialogProc(HWND hWnd, LPARAM lParam)
{
    FIND_PROGRAM_DIALOG* pFind = reinterpret_cast<FIND_PROGRAM_DIALOG*>(lParam);
    DWORD nProcessId = 0;
    GetWindowThreadProcessId(hWnd, &nProcessId);
    if (nProcessId == pFind->nProcessId && IsWindowVisible(hWnd)) {
        pFind->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the process, or null.
HWND FindProgramWindow(DWORD nProcessId)
{
    FIND_PROGRAM_DIALOG find = {nProcessId, nullptr};
    EnumWindows(FindProgramDialogProc, reinterpret_cast<LPARAM>(&find));
    return find.hFound;
}

std::string TextOf(HWND hWnd)
{
    char szText[1024] = {};
    DWORD_PTR nIgnored = 0;
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof szText, reinterpret_cast<LPARAM>(szText), SMTO_NORMAL, 10000,
                        &nIgnored);
    return szText;
}

class CProgram
{
public:
    explicit CProgram(const std::string& strExePath)
    {
        const std::string strFolder = strExePath.substr(0, strExePath.rfind('\\'));
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        m_bStarted = CreateProcessA(strExePath.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                    strFolder.c_str(), &si, &m_pi) != FALSE;
    }
    ~CProgram()
    {
        if (!m_bStarted)
            return;
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_pi.hProcess, 1);
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }
    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;

    bool Started() const { return m_bStarted; }
    // Waits for the process's window; null if it ended first or none came.
    HWND WaitForWindow()
    {
        for (DWORD nWaited = 0; nWaited < kRunTimeoutMs; nWaited += 20) {
            if (HWND hWnd = FindProgramWindow(m_pi.dwProcessId))
                return hWnd;
            if (WaitForSingleObject(m_pi.hProcess, 20) == WAIT_OBJECT_0)
                return nullptr;
        }
        return nullptr;
    }
    // Waits for the end; false on timeout. Notes any window that showed.
    bool WaitForExit(DWORD* pExitCode)
    {
        for (DWORD nWaited = 0; nWaited < kRunTimeoutMs; nWaited += 20) {
            if (FindProgramWindow(m_pi.dwProcessId))
                m_bShowedWindow = true;
            if (WaitForSingleObject(m_pi.hProcess, 20) == WAIT_OBJECT_0) {
                GetExitCodeProcess(m_pi.hProcess, pExitCode);
                return true;
            }
        }
        return false;
    }
    bool ShowedWindow() const { return m_bShowedWindow; }

private:
    PROCESS_INFORMATION m_pi = {};
    bool m_bStarted = false;
    bool m_bShowedWindow = false;
};

class ProgramTest : public ::testing::Test
{
protected:
    void SetUp() override { RemovePath(Install()); }
    void TearDown() override { RemovePath(Install()); }

    static std::string Install() { return ExeFolder() + "install"; }

    // A vendor's folder: the program, maybe its module, Update.cfg.
    static std::string MakeInstall(const std::string& strFolder, const char* pszModule,
                                   const char* pszExeName = "PelkinUpdate.exe", bool bWithCfg = true)
    {
        MakeFolder(strFolder);
        const std::string strExe = strFolder + "\\" + pszExeName;
        EXPECT_TRUE(CopyFileA((ExeFolder() + "PelkinUpdate.exe").c_str(), strExe.c_str(), FALSE));
        if (pszModule) {
            EXPECT_TRUE(CopyFileA((ExeFolder() + pszModule).c_str(), (strFolder + "\\PelkinUpdate.prm").c_str(), FALSE));
        }
        if (bWithCfg)
            WriteFileBytes(strFolder + "\\Update.cfg",
                           "[ModelA]\nDeviceID=0x1001\nVendorID=0x1234\nDeviceName=Model A\nVersion=0105\n");
        return strExe;
    }

    // The module's string, as the program would show it.
    static std::string ModuleString(UINT nID, const char* pszArgument = nullptr)
    {
        HMODULE hModule = LoadLibraryExA((ExeFolder() + "PelkinUpdate.prm").c_str(), nullptr,
                                         LOAD_LIBRARY_AS_DATAFILE | 0x20 /* LOAD_LIBRARY_AS_IMAGE_RESOURCE */);
        AfxGetModuleState()->m_hCurrentResourceHandle = hModule;
        CString strText;
        strText.Format(nID, pszArgument);
        AfxGetModuleState()->m_hCurrentResourceHandle = GetModuleHandleA(nullptr);
        FreeLibrary(hModule);
        return static_cast<const char*>(strText);
    }
};

TEST_F(ProgramTest, WithItsModuleTheDialogShowsAndRetriesUntilCancelled)
{
    CProgram program(MakeInstall(Install(), "PelkinUpdate.prm"));
    ASSERT_TRUE(program.Started());
    HWND hDlg = program.WaitForWindow();
    ASSERT_NE(nullptr, hDlg);
    // The scan has run before the dialog takes input.
    DWORD_PTR nIgnored = 0;
    SendMessageTimeoutA(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, kRunTimeoutMs, &nIgnored);
    EXPECT_EQ(ModuleString(IDS_CAPTION, "Model A"), TextOf(hDlg));
    EXPECT_EQ(ModuleString(IDS_DEVICE_NOT_FOUND, "Model A"), TextOf(GetDlgItem(hDlg, IDC_MESSAGE)));
    EXPECT_EQ(ModuleString(IDS_RETRY_BUTTON), TextOf(GetDlgItem(hDlg, IDOK)));

    // OK scans again and stays.
    SendMessageTimeoutA(GetDlgItem(hDlg, IDOK), BM_CLICK, 0, 0, SMTO_NORMAL, kRunTimeoutMs, &nIgnored);
    SendMessageTimeoutA(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, kRunTimeoutMs, &nIgnored);
    EXPECT_TRUE(IsWindow(hDlg));
    EXPECT_EQ(ModuleString(IDS_DEVICE_NOT_FOUND, "Model A"), TextOf(GetDlgItem(hDlg, IDC_MESSAGE)));

    PostMessageA(GetDlgItem(hDlg, IDCANCEL), BM_CLICK, 0, 0);
    DWORD nExitCode = 1;
    ASSERT_TRUE(program.WaitForExit(&nExitCode));
    EXPECT_EQ(0u, nExitCode);
}

TEST_F(ProgramTest, WithoutItsModuleTheProgramEndsWithoutAWindow)
{
    CProgram program(MakeInstall(Install(), nullptr));
    ASSERT_TRUE(program.Started());
    DWORD nExitCode = 1;
    ASSERT_TRUE(program.WaitForExit(&nExitCode));
    EXPECT_FALSE(program.ShowedWindow());
    EXPECT_EQ(0u, nExitCode);
}

// The module's path is the program's folder and "PelkinUpdate.prm"; from a
// folder where that no longer fits 259 characters it is not loaded.
TEST_F(ProgramTest, ModulePathTooLongEndsWithoutAWindow)
{
    std::string strFolder = Install();
    while (strFolder.size() + 1 + 5 < MAX_PATH - 4)  // "\P.exe" still fits
        strFolder += "\\" + std::string(std::min<size_t>(40, MAX_PATH - 4 - strFolder.size() - 7), 'd');
    // (Update.cfg doesn't fit either; without it the dialog would still show.)
    const std::string strExe = MakeInstall(strFolder, "PelkinUpdate.prm", "P.exe", false);
    ASSERT_LT(strExe.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_GE(strFolder.size() + 17, static_cast<size_t>(MAX_PATH));
    CProgram program(strExe);
    ASSERT_TRUE(program.Started());
    DWORD nExitCode = 1;
    ASSERT_TRUE(program.WaitForExit(&nExitCode));
    EXPECT_FALSE(program.ShowedWindow());
}

// A module that would run code if it were loaded as a library: the program
// reads it as data, so its entry point never runs (and, holding no
// dialogs, it leaves the program without a window).
TEST_F(ProgramTest, TheModuleIsReadNeverRun)
{
    CProgram program(MakeInstall(Install(), "CodeModule.dll"));
    ASSERT_TRUE(program.Started());
    DWORD nExitCode = 1;
    ASSERT_TRUE(program.WaitForExit(&nExitCode));
    EXPECT_FALSE(program.ShowedWindow());
    EXPECT_FALSE(FileExists(Install() + "\\DllMainRan.txt"));

    // The probe itself works: loaded as a library, it runs.
    HMODULE hRun = LoadLibraryA((Install() + "\\PelkinUpdate.prm").c_str());
    ASSERT_NE(nullptr, hRun);
    FreeLibrary(hRun);
    EXPECT_TRUE(FileExists(Install() + "\\DllMainRan.txt"));
}

}  // namespace
