// The release build run as a user would, against Wine's own mount table
// and device tree: no USB device stands behind the test drives, so the
// outcome is Not found, OK scans again and Cancel ends it. Without its
// resource module, or when the module's path doesn't fit, the program ends
// quietly without a window; and the module is only ever read, never run.
#include "DialogProbe.h"
#include "ProgramFolder.h"
#include "TestFiles.h"
#include "UpdaterRun.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

const DWORD kTimeoutMs = 60000;

// The release program in a folder of its own beside the test, with the
// example's Update.cfg (no simulated host: the real one stands behind it).
std::string LayOutRelease(const std::string& strName, bool bWithModule = true)
{
    const std::string strFolder = ExeFolder() + strName;
    const std::string strProgram = LayOutProgram(strFolder, "PelkinUpdate.exe", "updated", bWithModule);
    RemovePath(strFolder + "\\hostsim.ini");
    return strProgram;
}

// Starts the program and waits for its end, which must come without any
// window showing meanwhile.
void RunToEndWithoutWindow(CDebuggedProcess& process, const std::string& strProgram)
{
    ASSERT_TRUE(process.Start(strProgram));
    bool bShowedWindow = true;
    ASSERT_TRUE(WaitForExitWatchingWindows(process, kTimeoutMs, &bShowedWindow));
    EXPECT_FALSE(bShowedWindow);
}

// The folders of every comctl32.dll loaded in a process, in lower case.
std::vector<std::string> CommonControlsFolders(DWORD nProcessId)
{
    std::vector<std::string> folders;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, nProcessId);
    if (hSnapshot == INVALID_HANDLE_VALUE)
        return folders;
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL bMore = Module32First(hSnapshot, &module); bMore; bMore = Module32Next(hSnapshot, &module)) {
        if (lstrcmpiA(module.szModule, "comctl32.dll") != 0)
            continue;
        std::string strPath = module.szExePath;
        std::transform(strPath.begin(), strPath.end(), strPath.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        folders.push_back(strPath.substr(0, strPath.rfind('\\') + 1));
    }
    CloseHandle(hSnapshot);
    return folders;
}

TEST(ReleaseTest, RealHostHasNoDeviceAndOkScansAgain)
{
    EmptyFolder("E:\\");
    CUpdaterRun run(LayOutRelease("release"));
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
    // The manifest took effect: the controls are those of the common
    // controls of version 6, from the side-by-side store.
    const std::vector<std::string> folders = CommonControlsFolders(process.ProcessId());
    ASSERT_EQ(1u, folders.size());
    // The store's folder names the processor: x86 for the 32-bit program,
    // amd64 for a 64-bit build of it.
    const std::string strArch = sizeof(void*) == 8 ? "amd64" : "x86";
    EXPECT_NE(std::string::npos,
              folders[0].find("\\winsxs\\" + strArch + "_microsoft.windows.common-controls_6595b64144ccf1df_6."))
        << folders[0];

    ASSERT_TRUE(ClickButton(run.Dialog(), IDOK));
    ASSERT_TRUE(run.WaitForNotFound(2, kTimeoutMs));
    EXPECT_EQ(process.CountTrace("E:\\"), 2);
    EXPECT_FALSE(process.HasExited());
    EXPECT_TRUE(IsWindow(run.Dialog()));
    EXPECT_EQ(run.Message(), run.Texts().Format(IDS_DEVICE_NOT_FOUND, "Pelkin Model A"));
    EXPECT_TRUE(ListFiles("E:").empty());

    ASSERT_TRUE(ClickButton(run.Dialog(), IDCANCEL));
    ASSERT_TRUE(process.WaitForExit(kTimeoutMs));
    EXPECT_EQ(process.CrashCount(), 0);
    EXPECT_EQ(process.ExitCode(), 0u);
}

TEST(ReleaseTest, WithoutResourceModuleEndsQuietly)
{
    const std::string strProgram = LayOutRelease("no-module", false);
    ASSERT_FALSE(FileExists(ExeFolder() + "no-module\\PelkinUpdate.prm"));
    CDebuggedProcess process;
    ASSERT_NO_FATAL_FAILURE(RunToEndWithoutWindow(process, strProgram));
    EXPECT_EQ(process.CrashCount(), 0);
    EXPECT_EQ(process.ExitCode(), 0u);
    // It never got to look at a drive.
    EXPECT_EQ(process.CountTrace("Removable Drive\n"), 0);
}

// The module's path is the program's folder and "PelkinUpdate.prm"; from a
// folder where that no longer fits 259 characters it is not loaded.
TEST(ReleaseTest, ModulePathTooLongEndsQuietly)
{
    const std::string strRoot = ExeFolder() + "long";
    std::string strFolder = strRoot;
    while (strFolder.size() + 1 + 5 < MAX_PATH - 4)  // "\P.exe" still fits
        strFolder += "\\" + std::string(std::min<size_t>(40, MAX_PATH - 4 - strFolder.size() - 7), 'd');
    // The module lies beyond what the narrow file calls take: it goes by
    // its wide, long form.
    auto removeAll = [&] {
        const std::string strModule = "\\\\?\\" + strFolder + "\\PelkinUpdate.prm";
        DeleteFileW(std::wstring(strModule.begin(), strModule.end()).c_str());
        RemovePath(strRoot);
    };
    removeAll();
    MakeFolder(strFolder);
    // Update.cfg doesn't fit either; without it the dialog would still show.
    const std::string strBuilt = FolderFromEnvironment("PELKIN_APP_DIR");
    const std::string strProgram = strFolder + "\\P.exe";
    ASSERT_TRUE(CopyFileA((strBuilt + "\\PelkinUpdate.exe").c_str(), strProgram.c_str(), FALSE));
    EXPECT_TRUE(
        CopyFileA((strBuilt + "\\PelkinUpdate.prm").c_str(), (strFolder + "\\PelkinUpdate.prm").c_str(), FALSE));
    ASSERT_LT(strProgram.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_GE(strFolder.size() + 17, static_cast<size_t>(MAX_PATH));

    CDebuggedProcess process;
    ASSERT_NO_FATAL_FAILURE(RunToEndWithoutWindow(process, strProgram));
    EXPECT_EQ(process.CrashCount(), 0);
    removeAll();
    EXPECT_FALSE(FileExists(strRoot));
}

// A module that would run code if it were loaded as a library: the program
// reads it as data, so its entry point never runs (and, holding no
// dialogs, it leaves the program without a window).
TEST(ReleaseTest, TheModuleIsReadNeverRun)
{
    const std::string strProgram = LayOutRelease("code-module", false);
    const std::string strFolder = ExeFolder() + "code-module";
    const std::string strModule = strFolder + "\\PelkinUpdate.prm";
    ASSERT_TRUE(CopyFileA((ExeFolder() + "CodeModule.dll").c_str(), strModule.c_str(), FALSE));
    CDebuggedProcess process;
    ASSERT_NO_FATAL_FAILURE(RunToEndWithoutWindow(process, strProgram));
    EXPECT_FALSE(FileExists(strFolder + "\\DllMainRan.txt"));

    // The probe itself works: loaded as a library, it runs.
    HMODULE hRun = LoadLibraryA(strModule.c_str());
    ASSERT_NE(nullptr, hRun);
    FreeLibrary(hRun);
    EXPECT_TRUE(FileExists(strFolder + "\\DllMainRan.txt"));
}

}  // namespace
