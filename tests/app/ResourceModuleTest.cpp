// PelkinUpdate.prm holds resources and nothing that could run; the
// executable carries its icon, version record and application manifest.
#include "AfxString.h"
#include "TestFiles.h"
#include "TestText.h"
#include "resource.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace {

const DWORD kAsImageResource = 0x20;  // LOAD_LIBRARY_AS_IMAGE_RESOURCE

std::string ModulePath()
{
    return ExeFolder() + "PelkinUpdate.prm";
}

std::string ProgramPath()
{
    return ExeFolder() + "PelkinUpdate.exe";
}

HMODULE LoadAsData(const std::string& path)
{
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | kAsImageResource);
}

std::string StringOf(HMODULE hModule, UINT nID)
{
    char szText[1024] = {};
    LoadStringA(hModule, nID, szText, sizeof szText);
    return szText;
}

TEST(ResourceModuleTest, ImageHoldsNoCodeNoImportsNoEntryPoint)
{
    const std::string image = ReadFileBytes(ModulePath());
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    const IMAGE_DOS_HEADER* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    ASSERT_EQ(IMAGE_DOS_SIGNATURE, pDos->e_magic);
    // The module is built for the same Windows as this test: PE32 headers
    // in the 32-bit build, PE32+ in a 64-bit one.
    ASSERT_LE(static_cast<size_t>(pDos->e_lfanew) + sizeof(IMAGE_NT_HEADERS), image.size());
    const IMAGE_NT_HEADERS* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image.data() + pDos->e_lfanew);
    ASSERT_EQ(IMAGE_NT_SIGNATURE, pNt->Signature);
    EXPECT_TRUE(pNt->FileHeader.Characteristics & IMAGE_FILE_DLL);
    EXPECT_EQ(0u, pNt->OptionalHeader.AddressOfEntryPoint);
    EXPECT_EQ(0u, pNt->OptionalHeader.SizeOfCode);
    const IMAGE_DATA_DIRECTORY* pDirs = pNt->OptionalHeader.DataDirectory;
    EXPECT_EQ(0u, pDirs[IMAGE_DIRECTORY_ENTRY_IMPORT].Size);
    EXPECT_EQ(0u, pDirs[IMAGE_DIRECTORY_ENTRY_EXPORT].Size);
    EXPECT_EQ(0u, pDirs[IMAGE_DIRECTORY_ENTRY_TLS].Size);
    EXPECT_NE(0u, pDirs[IMAGE_DIRECTORY_ENTRY_RESOURCE].Size);

    const IMAGE_SECTION_HEADER* pSection = IMAGE_FIRST_SECTION(pNt);
    for (WORD i = 0; i < pNt->FileHeader.NumberOfSections; ++i, ++pSection) {
        const std::string name(reinterpret_cast<const char*>(pSection->Name),
                               strnlen(reinterpret_cast<const char*>(pSection->Name), 8));
        EXPECT_EQ(".rsrc", name);
        EXPECT_FALSE(pSection->Characteristics & (IMAGE_SCN_CNT_CODE | IMAGE_SCN_MEM_EXECUTE)) << name;
    }
}

TEST(ResourceModuleTest, StringsTakeTheirTextArguments)
{
    HMODULE hModule = LoadAsData(ModulePath());
    ASSERT_NE(nullptr, hModule) << "the host loads images as resources";
    // How many text arguments each string takes.
    const std::pair<UINT, int> strings[] = {
        {IDS_ABOUT_ITEM, 0},   {IDS_UPDATE_DONE, 1}, {IDS_COPY_FAILED, 0},  {IDS_DEVICE_NOT_FOUND, 1},
        {IDS_RETRY_BUTTON, 0}, {IDS_SEARCHING, 0},   {IDS_CLOSE_BUTTON, 0}, {IDS_VERSION_REFUSED, 2},
        {IDS_NO_ROOM, 1},      {IDS_UPDATING, 0},    {IDS_CAPTION, 1},      {IDS_DEFAULT_DEVICE_NAME, 0},
        {IDS_USAGE, 0},
    };
    for (const auto& entry : strings) {
        const std::string text = StringOf(hModule, entry.first);
        EXPECT_FALSE(text.empty()) << entry.first;
        EXPECT_EQ(entry.second, CountOf(text, "%s")) << entry.first << ": " << text;
        EXPECT_EQ(entry.second, CountOf(text, "%")) << entry.first << ": " << text;
    }
    EXPECT_NE(StringOf(hModule, IDS_ABOUT_ITEM), StringOf(hModule, IDS_UPDATING));
    FreeLibrary(hModule);
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The busy layout takes the OK button's height off the window's bottom: the
// button row must go with it, the texts must stay.
TEST(ResourceModuleTest, UpdateDialogTemplatePlacesTheButtonRowAtTheBottom)
{
    HMODULE hModule = LoadAsData(ModulePath());
    ASSERT_NE(nullptr, hModule);
    HWND hDlg = CreateDialogParamA(hModule, MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), nullptr, QuietDialogProc, 0);
    ASSERT_NE(nullptr, hDlg);
    RECT rcClient = {};
    GetClientRect(hDlg, &rcClient);
    RECT rc[4] = {};
    const int ids[4] = {IDOK, IDCANCEL, IDC_MESSAGE, IDC_BUSY_TEXT};
    for (int i = 0; i < 4; ++i) {
        HWND hItem = GetDlgItem(hDlg, ids[i]);
        ASSERT_NE(nullptr, hItem) << ids[i];
        GetWindowRect(hItem, &rc[i]);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc[i]), 2);
    }
    EXPECT_FALSE(GetWindowLongA(GetDlgItem(hDlg, IDC_BUSY_TEXT), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(hDlg, IDC_MESSAGE), GWL_STYLE) & WS_VISIBLE);
    const int cyOk = rc[0].bottom - rc[0].top;
    const int yCut = rcClient.bottom - cyOk;  // the client's bottom in the busy layout
    EXPECT_GE(rc[0].top, yCut);
    EXPECT_GE(rc[1].top, yCut);
    EXPECT_LE(rc[2].bottom, yCut);
    EXPECT_LE(rc[3].bottom, yCut);
    DestroyWindow(hDlg);

    EXPECT_NE(nullptr, FindResourceA(hModule, MAKEINTRESOURCEA(IDD_ABOUT), RT_DIALOG));
    EXPECT_NE(nullptr, LoadIconA(hModule, MAKEINTRESOURCEA(IDI_UPDATE_ICON)));
    FreeLibrary(hModule);
}

#pragma pack(push, 2)
struct GROUP_ICON_ENTRY
{
    BYTE bWidth;
    BYTE bHeight;
    BYTE bColorCount;
    BYTE bReserved;
    WORD wPlanes;
    WORD wBitCount;
    DWORD dwBytesInRes;
    WORD nID;
};
struct GROUP_ICON_DIR
{
    WORD idReserved;
    WORD idType;
    WORD idCount;
    GROUP_ICON_ENTRY idEntries[1];
};
#pragma pack(pop)

TEST(ProgramResourcesTest, IconGroupHoldsFourteenImages)
{
    HMODULE hProgram = LoadAsData(ProgramPath());
    ASSERT_NE(nullptr, hProgram);
    HRSRC hGroup = FindResourceA(hProgram, MAKEINTRESOURCEA(IDI_UPDATE_ICON), RT_GROUP_ICON);
    ASSERT_NE(nullptr, hGroup);
    const GROUP_ICON_DIR* pDir = static_cast<const GROUP_ICON_DIR*>(LockResource(LoadResource(hProgram, hGroup)));
    ASSERT_NE(nullptr, pDir);
    ASSERT_EQ(14, pDir->idCount);
    ASSERT_GE(SizeofResource(hProgram, hGroup), 6 + 14 * sizeof(GROUP_ICON_ENTRY));
    std::set<std::pair<int, int>> images;  // size, bits per pixel
    for (int i = 0; i < pDir->idCount; ++i) {
        const GROUP_ICON_ENTRY& entry = pDir->idEntries[i];
        images.insert({entry.bWidth ? entry.bWidth : 256, entry.wBitCount});
        EXPECT_EQ(entry.bWidth, entry.bHeight);
    }
    const std::set<std::pair<int, int>> expected = {{16, 4},  {24, 4},  {32, 4},  {48, 4},  {16, 8},
                                                    {24, 8},  {32, 8},  {48, 8},  {16, 32}, {24, 32},
                                                    {32, 32}, {48, 32}, {64, 32}, {256, 32}};
    EXPECT_EQ(expected, images);
    FreeLibrary(hProgram);
}

std::string VersionString(const std::vector<BYTE>& info, const char* pszName)
{
    char* pszValue = nullptr;
    UINT nLength = 0;
    const std::string path = std::string("\\StringFileInfo\\040904b0\\") + pszName;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&pszValue), &nLength) || !pszValue)
        return "(missing)";
    return pszValue;
}

TEST(ProgramResourcesTest, VersionRecord)
{
    DWORD nHandle = 0;
    const DWORD nSize = GetFileVersionInfoSizeA(ProgramPath().c_str(), &nHandle);
    ASSERT_NE(0u, nSize);
    std::vector<BYTE> info(nSize);
    ASSERT_TRUE(GetFileVersionInfoA(ProgramPath().c_str(), 0, nSize, info.data()));
    VS_FIXEDFILEINFO* pFixed = nullptr;
    UINT nLength = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&pFixed), &nLength));
    EXPECT_EQ(0x00010001u, pFixed->dwFileVersionMS);
    EXPECT_EQ(0x00020000u, pFixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, pFixed->dwProductVersionMS);
    EXPECT_EQ(0x00000000u, pFixed->dwProductVersionLS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), pFixed->dwFileType);
    WORD* pTranslation = nullptr;
    ASSERT_TRUE(
        VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pTranslation), &nLength));
    ASSERT_GE(nLength, 4u);
    EXPECT_EQ(0x0409, pTranslation[0]);
    EXPECT_EQ(0x04b0, pTranslation[1]);
    EXPECT_EQ("PelkinUpdate.prm", VersionString(info, "InternalName"));
    EXPECT_EQ("PelkinUpdate.prm", VersionString(info, "OriginalFilename"));
    EXPECT_EQ("1.1.2.0", VersionString(info, "FileVersion"));
    EXPECT_EQ("1.0.0.0", VersionString(info, "ProductVersion"));
}

BOOL CALLBACK AddResourceId(HMODULE, LPCSTR, LPSTR pszName, LONG_PTR lParam)
{
    reinterpret_cast<std::vector<ULONG_PTR>*>(lParam)->push_back(reinterpret_cast<ULONG_PTR>(pszName));
    return TRUE;
}

// Both executables carry one application manifest, resource 1 of type 24,
// which the loader reads at start: it runs as whoever starts it (a 32-bit
// program named "update" would otherwise be taken for an installer and ask
// for administrator rights), depends on the common controls of version 6,
// is DPI aware, and names Windows 7 to 11.
TEST(ProgramResourcesTest, ManifestRunsAsInvokerWithCommonControls6)
{
    const char* const statements[] = {
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        "<dependency>\n    <dependentAssembly>\n      <assemblyIdentity type=\"win32\" "
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
        "publicKeyToken=\"6595b64144ccf1df\"",
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/PM</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, "
        "PerMonitor</dpiAwareness>",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // Windows 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // Windows 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // Windows 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // Windows 10 and 11
    };
    for (const char* pszProgram : {"PelkinUpdate.exe", "PelkinUpdateDemo.exe"}) {
        HMODULE hProgram = LoadAsData(ExeFolder() + pszProgram);
        ASSERT_NE(nullptr, hProgram) << pszProgram;
        std::vector<ULONG_PTR> ids;
        EnumResourceNamesA(hProgram, RT_MANIFEST, AddResourceId, reinterpret_cast<LONG_PTR>(&ids));
        EXPECT_EQ(std::vector<ULONG_PTR>{1}, ids) << pszProgram;
        HRSRC hManifest = FindResourceA(hProgram, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
        ASSERT_NE(nullptr, hManifest) << pszProgram;
        const char* pText = static_cast<const char*>(LockResource(LoadResource(hProgram, hManifest)));
        const std::string manifest(pText, SizeofResource(hProgram, hManifest));
        FreeLibrary(hProgram);
        EXPECT_EQ(0u, manifest.find("<?xml version=\"1.0\" encoding=\"UTF-8\"")) << pszProgram;
        for (const char* pszStatement : statements)
            EXPECT_NE(std::string::npos, manifest.find(pszStatement)) << pszProgram << ": " << pszStatement;
    }
}

}  // namespace
