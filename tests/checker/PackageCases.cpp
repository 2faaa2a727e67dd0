#include "PackageCases.h"

#include "ModuleCopy.h"
#include "ProgramFolder.h"
#include "ReleaseCheck.h"
#include "SumsCheck.h"
#include "TestFiles.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace {

const char kModelBFolder[] = "[ModelB] ModelB\\";
const UPDATE_OUTCOME kNotFound = UPDATE_OUTCOME::NotFound;
const UPDATE_OUTCOME kCopyFailed = UPDATE_OUTCOME::CopyFailed;
const UPDATE_OUTCOME kUpdated = UPDATE_OUTCOME::Updated;
const UPDATE_OUTCOME kNoWindow = UPDATE_OUTCOME::None;
const UPDATE_OUTCOME kDamaged = UPDATE_OUTCOME::PackageDamaged;

std::string CfgOf(const std::string& strFolder)
{
    return strFolder + "\\Update.cfg";
}

// Replaces the one place of strFrom in the folder's Update.cfg.
void EditCfg(const std::string& strFolder, const std::string& strFrom, const std::string& strTo)
{
    std::string strText = ReadFileBytes(CfgOf(strFolder));
    const size_t nAt = strText.find(strFrom);
    if (nAt == std::string::npos)
        throw std::runtime_error("Update.cfg holds no " + strFrom);
    WriteFileBytes(CfgOf(strFolder), strText.replace(nAt, strFrom.size(), strTo));
}

void AppendCfg(const std::string& strFolder, const std::string& strText)
{
    WriteFileBytes(CfgOf(strFolder), ReadFileBytes(CfgOf(strFolder)) + strText);
}

// A section of vendor 0x1234, up to release 02.00.
std::string ModelSection(const std::string& strName, unsigned nProduct)
{
    char szIds[64];
    std::snprintf(szIds, sizeof szIds, "DeviceID=0x%04X\nVendorID=0x1234\n", nProduct);
    return "\n[" + strName + "]\n" + szIds + "DeviceName=Pelkin " + strName + "\nVersion=0200\n";
}

// The section and its package of one file, whose path may be long.
void AddModel(const std::string& strFolder, const std::string& strName, unsigned nProduct,
              const std::string& strFile = "FW.BIN")
{
    AppendCfg(strFolder, ModelSection(strName, nProduct));
    MakeLongPathFolder(strFolder + "\\" + strName);
    WriteLongPathFile(strFolder + "\\" + strName + "\\" + strFile, "firmware of " + strName);
}

// A section name that makes the package folder's path, with the program
// folder before it, exactly nLength characters long.
std::string NameForPath(const std::string& strFolder, size_t nLength)
{
    return std::string(nLength - strFolder.size() - 1, 'L');
}

// Replaces bytes of the folder's module at a spot of one resource: its data
// entry in the resource directory (bEntry) or its data, nAt bytes past the
// first strAfter in it (counted back from its end when negative).
void PatchModule(const std::string& strFolder, LPCSTR pszName, LPCSTR pszType, bool bEntry, ptrdiff_t nAt,
                 const std::string& strBytes, const std::string& strAfter = std::string())
{
    const std::string strModule = strFolder + "\\PelkinUpdate.prm";
    // Loaded as a plain data file, the module lies in memory as in the file.
    HMODULE hModule = LoadLibraryExA(strModule.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC hFound = hModule ? FindResourceA(hModule, pszName, pszType) : nullptr;
    if (!hFound)
        throw std::runtime_error("no resource to break in " + strModule);
    const BYTE* pBase = reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(hModule) & ~ULONG_PTR{3});
    const char* pData = static_cast<const char*>(LockResource(LoadResource(hModule, hFound)));
    const std::string strData(pData, SizeofResource(hModule, hFound));
    const size_t nFrom = strAfter.empty() ? 0 : strData.find(strAfter);
    if (nFrom == std::string::npos)
        throw std::runtime_error("no such bytes to break in " + strModule);
    const BYTE* pSpot = bEntry ? reinterpret_cast<const BYTE*>(hFound) : reinterpret_cast<const BYTE*>(pData) + nFrom;
    const size_t nOffset = static_cast<size_t>(pSpot - pBase + (nAt < 0 ? strData.size() : 0) + nAt);
    FreeLibrary(hModule);
    std::string strImage = ReadFileBytes(strModule);
    WriteFileBytes(strModule, strImage.replace(nOffset, strBytes.size(), strBytes));
}

EXPECTED_FINDING Error(const std::string& strPlace, const std::string& strText)
{
    return EXPECTED_FINDING{true, strPlace, strText};
}

EXPECTED_FINDING Warning(const std::string& strPlace, const std::string& strText)
{
    return EXPECTED_FINDING{false, strPlace, strText};
}

std::vector<PACKAGE_CASE> ConfigCases()
{
    return {
        {"NoUpdateCfg",
         [](const std::string& f) { RemovePath(CfgOf(f)); },
         {Error("Update.cfg", "missing")},
         kNotFound},
        {"NoSection",
         [](const std::string& f) { WriteFileBytes(CfgOf(f), "; models to come\n"); },
         {Error("Update.cfg", "no section")},
         kNotFound},
        // Two names of six characters and thirty of seven fill 255 of the
        // 260 bytes; the name after them no longer fits, nor do two more.
        {"PastSectionList",
         [](const std::string& f) {
             for (unsigned i = 1; i <= 30; ++i)
                 AddModel(f, "Fill0" + std::to_string(10 + i), 0x2000 + i);
             for (const char* pszName : {"ModelC", "ModelD", "ModelE"})
                 AddModel(f, pszName, 0x1003 + static_cast<unsigned>(pszName[5] - 'C'));
         },
         {Error("[ModelC]", "past the 260 bytes of section names the updater reads: it never sees this "
                            "section, nor the 2 after it")},
         kNotFound,
         0x1003},
        {"SameIdsAsEarlier",
         [](const std::string& f) {
             AppendCfg(f, "\n[ModelB2]\nDeviceID=0X1002\nvendorid=0x1234\nDeviceName=Pelkin Model B2\n");
             WriteFileBytes(f + "\\ModelB2\\MODELB2.BIN", "never copied");
         },
         {Error("[ModelB2]", "same DeviceID and VendorID as [ModelB], which stands first")},
         kUpdated},
        // Names a folder below the program's: the updater takes no package
        // for it, though the folder is there.
        {"SectionNotAFolderName",
         [](const std::string& f) {
             AppendCfg(f, ModelSection("Firmware\\ModelC", 0x1003));
             WriteFileBytes(f + "\\Firmware\\ModelC\\FW.BIN", "never copied");
         },
         {Error("[Firmware\\ModelC]", "not a plain folder name")},
         kCopyFailed,
         0x1003},
        {"SectionDeviceName",
         [](const std::string& f) { AppendCfg(f, ModelSection("AUX", 0x1003)); },
         {Error("[AUX]", "not a plain folder name")},
         kCopyFailed,
         0x1003},
        {"SameNameTwice",
         [](const std::string& f) { AppendCfg(f, ModelSection("modelb", 0x1003)); },
         {Error("[modelb]", "a section of this name stands earlier")},
         kNotFound,
         0x1003},
        // Meant for product 0x0102.
        {"DeviceIdThreeDigits",
         [](const std::string& f) { EditCfg(f, "DeviceID=0x1002", "DeviceID=0x102"); },
         {Error("[ModelB] DeviceID", "\"0x102\" is not 0x and four hexadecimal digits")},
         kNotFound,
         0x0102},
        {"VendorIdMissing",
         [](const std::string& f) {
             EditCfg(f, "VendorID=0x1234\nDeviceName=Pelkin Model B", "DeviceName=Pelkin Model B");
         },
         {Error("[ModelB] VendorID", "missing")},
         kNotFound},
        {"DeviceIdMissing",
         [](const std::string& f) { EditCfg(f, "DeviceID=0x1002\n", ""); },
         {Error("[ModelB] DeviceID", "missing")},
         kNotFound},
        // Meant to refuse release 02.01; compared as text, it lets it through.
        {"VersionWithPrefix",
         [](const std::string& f) { EditCfg(f, "Version=0200", "Version=0x0200"); },
         {Error("[ModelB] Version", "lets releases 0000 to 0FFF through and refuses 1000 to FFFF")},
         kUpdated,
         0x1002,
         0x0201},
        {"DeviceNameEmpty",
         [](const std::string& f) { EditCfg(f, "DeviceName=Pelkin Model B", "DeviceName="); },
         {Warning("[ModelB] DeviceName", "missing or empty")},
         kUpdated,
         0x1002,
         0x0105,
         0,
         ""},
        {"ValueCut",
         [](const std::string& f) { EditCfg(f, "DeviceName=Pelkin Model B", "DeviceName=" + std::string(300, 'N')); },
         {Warning("[ModelB] DeviceName", "300 characters: the updater reads only the first 259")},
         kUpdated,
         0x1002,
         0x0105,
         0,
         std::string(259, 'N')},
        // 259 characters reach the updater whole, 260 don't.
        {"ValueAtLimit",
         [](const std::string& f) {
             EditCfg(f, "DeviceName=Pelkin Model A", "DeviceName=" + std::string(260, 'A'));
             EditCfg(f, "DeviceName=Pelkin Model B", "DeviceName=" + std::string(259, 'B'));
         },
         {Warning("[ModelA] DeviceName", "260 characters: the updater reads only the first 259")},
         kUpdated,
         0x1002,
         0x0105,
         0,
         std::string(259, 'B')},
    };
}

std::vector<PACKAGE_CASE> PackageFolderCases(const std::string& strRoot)
{
    // With the program folder before it, the package folder's path fits,
    // its search pattern doesn't; or the pattern fits, a file's path doesn't.
    const std::string strLong = NameForPath(strRoot + "FolderPathTooLong", MAX_PATH - 4);
    const std::string strDeep = NameForPath(strRoot + "FilePathTooLong", MAX_PATH - 6);
    return {
        {"FolderMissing",
         [](const std::string& f) { RemovePath(f + "\\ModelB"); },
         {Error(kModelBFolder, "firmware folder missing")},
         kCopyFailed},
        {"FolderIsFile",
         [](const std::string& f) {
             RemovePath(f + "\\ModelB");
             WriteFileBytes(f + "\\ModelB", "not a folder");
         },
         {Error(kModelBFolder, "a file, not a folder")},
         kCopyFailed},
        {"FolderEmpty",
         [](const std::string& f) { EmptyFolder(f + "\\ModelB"); },
         {Error(kModelBFolder, "holds no file")},
         kCopyFailed},
        {"FolderPathTooLong",
         [strLong](const std::string& f) { AddModel(f, strLong, 0x1003); },
         {Error("[" + strLong + "] " + strLong + "\\", "its search pattern")},
         kCopyFailed,
         0x1003},
        {"FilePathTooLong",
         [strDeep](const std::string& f) { AddModel(f, strDeep, 0x1004, "FIRMWARE.BIN"); },
         {Error("[" + strDeep + "] " + strDeep + "\\FIRMWARE.BIN",
                "its path is " + std::to_string(MAX_PATH - 6 + 13) + " characters")},
         kCopyFailed,
         0x1004},
        {"FilesInSubFolder",
         [](const std::string& f) {
             WriteFileBytes(f + "\\ModelB\\docs\\MANUAL.TXT", "left behind");
             WriteFileBytes(f + "\\ModelB\\docs\\old\\MODELB.BIN", "left behind");
             WriteFileBytes(f + "\\ModelB\\docs\\old\\RELEASE.TXT", "left behind");
         },
         {Warning("[ModelB] ModelB\\docs\\", "a sub-folder holding 3 files")},
         kUpdated},
        // The test drive E: holds 2 MiB.
        {"LargerThanDrive",
         [](const std::string& f) { WriteFileOfSize(f + "\\ModelB\\MODELB.BIN", 3 << 20); },
         {Warning(kModelBFolder, "more than a drive of 2 MiB holds")},
         UPDATE_OUTCOME::NoRoom,
         0x1002,
         0x0105,
         2},
        {"FourGiB",
         [](const std::string& f) {
             if (!WriteSparseFile(f + "\\ModelB\\IMAGE.BIN", (4ULL << 30) + 1))
                 throw std::runtime_error("no sparse file of 4 GiB");
         },
         {Warning(kModelBFolder, "4 GiB or more: more than most device drives hold, and no FAT32 drive")},
         kNoWindow,
         0,
         0,
         8192},
        // Other file systems take the name; FAT drives don't.
        {"NotFatName",
         [](const std::string& f) { WriteFileBytes(f + "\\ModelB\\FW:1.BIN", "firmware"); },
         {Warning("[ModelB] ModelB\\FW:1.BIN", "not a valid name on FAT drives (it holds ':')")},
         kNoWindow,
         0},
        // Refused before anything is opened: COM1.BIN would open the port.
        {"DeviceNamedFile",
         [](const std::string& f) { WriteLongPathFile(f + "\\ModelB\\com1.bin", "firmware"); },
         {Error("[ModelB] ModelB\\com1.bin", "named like a device")},
         kCopyFailed},
        {"NameEndsInDot",
         [](const std::string& f) { WriteLongPathFile(f + "\\ModelB\\FW.BIN.", "firmware"); },
         {Error("[ModelB] ModelB\\FW.BIN.", "ends in a dot or a blank")},
         kCopyFailed},
        // Two Chinese characters, which the tests' Western code page lacks.
        {"NameOutsideCodePage",
         [](const std::string& f) {
             const std::wstring strPath = L"\\\\?\\" + std::wstring(f.begin(), f.end()) + L"\\ModelB\\\u56FA\u4EF6.BIN";
             CloseHandle(CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
         },
         {Error("[ModelB] ModelB\\??.BIN", "the ANSI code page can't hold the name")},
         kCopyFailed},
        // U+0101, which it holds only as the look-alike 'a'.
        {"NameBestFitInCodePage",
         [](const std::string& f) {
             const std::wstring strPath = L"\\\\?\\" + std::wstring(f.begin(), f.end()) + L"\\ModelB\\\u0101.BIN";
             CloseHandle(CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
         },
         {Error("[ModelB] ModelB\\a.BIN", "the ANSI code page can't hold the name")},
         kCopyFailed},
    };
}

// A built module copied into a case's folder under another name.
void CopyModule(const std::string& strFrom, const std::string& strTo)
{
    if (!CopyFileA(strFrom.c_str(), strTo.c_str(), FALSE))
        throw std::runtime_error("no " + strFrom);
}

void ChangeModuleStrings(const std::string& strFolder, const std::vector<MODULE_STRING>& strings)
{
    const std::string strModule = strFolder + "\\PelkinUpdate.prm";
    const std::string strOld = strFolder + "\\Old.prm";
    if (!MoveFileA(strModule.c_str(), strOld.c_str()) || !CopyModuleWithStrings(strOld, strModule, strings))
        throw std::runtime_error("no module copy in " + strFolder);
    DeleteFileA(strOld.c_str());
}

// PartialModule.prm as language module de-CH: the texts it lacks (the
// station window's all of them), its caption, and the dialogs it lacks.
std::vector<EXPECTED_FINDING> PartialLanguageModuleFindings()
{
    const std::string strPlace = "PelkinUpdate.de-CH.prm";
    std::vector<EXPECTED_FINDING> findings = {Warning(strPlace, "no string 108: the default's text is shown"),
                                              Warning(strPlace, "no string 110"),
                                              Error(strPlace, "string 111 takes 2 format arguments, the default's 1")};
    for (UINT nID = IDS_USAGE; nID <= IDS_STATION_CLOSING; ++nID)
        findings.push_back(Warning(strPlace, "no string " + std::to_string(nID) + ":"));
    findings.push_back(Warning(strPlace, "no dialog 102: the default's is shown"));
    findings.push_back(Warning(strPlace, "no dialog 103: the default's is shown"));
    return findings;
}

std::vector<PACKAGE_CASE> ModuleCases()
{
    return {
        {"NoProgram",
         [](const std::string& f) { RemovePath(f + "\\PelkinUpdate.exe"); },
         {Error("PelkinUpdate.exe", "missing")},
         kNoWindow,
         0},
        {"NoModule",
         [](const std::string& f) { RemovePath(f + "\\PelkinUpdate.prm"); },
         {Error("PelkinUpdate.prm", "missing: the updater ends at once without a window")},
         kNoWindow},
        {"NotAModule",
         [](const std::string& f) { WriteFileBytes(f + "\\PelkinUpdate.prm", "[Strings]\n"); },
         {Error("PelkinUpdate.prm", "not a resource module")},
         kNoWindow},
        // A module without the update dialog and the Version refused text.
        {"ModuleLacksResources",
         [](const std::string& f) {
             const std::string strPartial = FolderFromEnvironment("PELKIN_PARTIAL_MODULE");
             if (!CopyFileA(strPartial.c_str(), (f + "\\PelkinUpdate.prm").c_str(), FALSE))
                 throw std::runtime_error("no " + strPartial);
         },
         {Error("PelkinUpdate.prm", "no dialog 102: the updater ends at once without a window"),
          Error("PelkinUpdate.prm", "no string 108: the Version refused message is empty"),
          Warning("PelkinUpdate.prm", "no string 114: no Eject button")},
         kNoWindow},
        // A module made before there was an Eject button; one whose eject
        // messages take other texts than the updater gives.
        {"ModuleWithoutEjectButton",
         [](const std::string& f) {
             ChangeModuleStrings(f, {{IDS_EJECT_BUTTON, ""}});
         },
         {Warning("PelkinUpdate.prm", "no string 114: no Eject button")},
         kUpdated},
        {"EjectMessagesTakeOtherTexts",
         [](const std::string& f) {
             ChangeModuleStrings(f, {{IDS_EJECTED, "Unplug it."}, {IDS_EJECT_VETOED, "%s%s%s"}});
         },
         {Error("PelkinUpdate.prm", "string 115 takes 0 texts"), Error("PelkinUpdate.prm", "string 116 takes 3 texts")},
         kUpdated},
        // A usage that names no exit code 6 or 64 (16 and 640 are others).
        {"UsageLacksExitCodes",
         [](const std::string& f) {
             ChangeModuleStrings(f, {{IDS_USAGE, "/quiet: exit code 0 1 2 3 4 5 16 640"}});
         },
         {Warning("PelkinUpdate.prm", "string 113, the usage, names no exit code 6, 7, 64")},
         kUpdated},
        // The block of strings 96 to 111: the first length says 65535.
        {"StringLengthPastBlock",
         [](const std::string& f) { PatchModule(f, MAKEINTRESOURCEA(7), RT_STRING, false, 0, "\xFF\xFF"); },
         {Error("PelkinUpdate.prm", "a string block's lengths run past its data")},
         kNoWindow},
        // Its 16th length, the last, one past the block.
        {"StringLastLengthPastBlock",
         [](const std::string& f) {
             ChangeModuleStrings(f, {{IDS_CAPTION, ""}});
             PatchModule(f, MAKEINTRESOURCEA(7), RT_STRING, false, -2, "\x01");
         },
         {Error("PelkinUpdate.prm", "a string block's lengths run past its data")},
         kNoWindow},
        {"DataOutsideImage",
         [](const std::string& f) { PatchModule(f, MAKEINTRESOURCEA(7), RT_STRING, true, 3, "\x7F"); },
         {Error("PelkinUpdate.prm", "a resource's data lies outside the image")},
         kNoWindow},
        // 255 controls where the template holds five.
        {"DialogCutShort",
         [](const std::string& f) {
             PatchModule(f, MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), RT_DIALOG, false, 16, "\xFF");
         },
         {Error("PelkinUpdate.prm", "dialog 102 is not well-formed to its end")},
         kNoWindow},
        {"AboutDialogCutShort",
         [](const std::string& f) { PatchModule(f, MAKEINTRESOURCEA(IDD_ABOUT), RT_DIALOG, false, 16, "\xFF"); },
         {Error("PelkinUpdate.prm", "dialog 100 is not well-formed to its end")},
         kNoWindow},
        // The message line, a static text, renumbered.
        {"UpdateDialogWithoutMessage",
         [](const std::string& f) {
             PatchModule(f, MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), RT_DIALOG, false, 0, "\xEA",
                         std::string("\xE9\x03\0\0\xFF\xFF\x82", 7));
         },
         {Error("PelkinUpdate.prm", "dialog 102 has no control 1001")},
         kNoWindow},
        // The language module of the test's own UI language does not stand
        // in for a missing default.
        {"OnlyALanguageModule",
         [](const std::string& f) {
             RemovePath(f + "\\PelkinUpdate.prm");
             CopyModule(FolderFromEnvironment("PELKIN_APP_DIR") + "\\PelkinUpdate.de.prm", f + "\\PelkinUpdate.en.prm");
         },
         {Error("PelkinUpdate.prm", "missing: the updater ends at once without a window")},
         kNoWindow},
        // The default's copy, with a string length past its block, as the
        // language module of the test's own UI language.
        {"LanguageModuleCorrupt",
         [](const std::string& f) {
             PatchModule(f, MAKEINTRESOURCEA(7), RT_STRING, false, 0, "\xFF\xFF");
             MoveFileA((f + "\\PelkinUpdate.prm").c_str(), (f + "\\PelkinUpdate.en.prm").c_str());
             CopyModule(FolderFromEnvironment("PELKIN_APP_DIR") + "\\PelkinUpdate.prm", f + "\\PelkinUpdate.prm");
         },
         {Error("PelkinUpdate.en.prm",
                "the updater passes this module over: a string block's lengths run past its data")},
         kUpdated},
        {"LanguageModuleNotAModule",
         [](const std::string& f) { WriteFileBytes(f + "\\PelkinUpdate.xx-YY.prm", "[Strings]\n"); },
         {Warning("PelkinUpdate.xx-YY.prm", "not a locale name Windows knows"),
          Error("PelkinUpdate.xx-YY.prm", "not a resource module")},
         kUpdated},
        // German and French as shipped: clean, so every text fits at 96 and
        // 144 DPI.
        {"ShippedLanguages",
         [](const std::string& f) {
             for (const char* pszName : {"\\PelkinUpdate.de.prm", "\\PelkinUpdate.fr.prm"})
                 CopyModule(FolderFromEnvironment("PELKIN_APP_DIR") + pszName, f + pszName);
         },
         {},
         kUpdated},
        // The default as a Spanish module whose usage leaves out switches:
        // "/QUIET" names /quiet; "-all" and "and/eject/list" name none.
        {"LanguageUsageLacksSwitches",
         [](const std::string& f) {
             if (!CopyModuleWithStrings(f + "\\PelkinUpdate.prm", f + "\\PelkinUpdate.es.prm",
                                        {{IDS_USAGE, "[/QUIET] [/Log FILE] [/lang NAME] [-all] and/eject/list"}}))
                 throw std::runtime_error("no module copy in " + f);
         },
         {Warning("PelkinUpdate.es.prm",
                  "string 113, the usage, names no /all, /eject, /list, /count, /station, /parallel, /record, as the "
                  "default's")},
         kUpdated},
        // PartialModule.prm as a language module: its caption takes two texts.
        {"LanguageModuleArguments",
         [](const std::string& f) {
             CopyModule(FolderFromEnvironment("PELKIN_PARTIAL_MODULE"), f + "\\PelkinUpdate.de-CH.prm");
         },
         PartialLanguageModuleFindings(), kUpdated},
    };
}

// The release's SHA256SUMS written as the checker writes it, then edited:
// strFrom replaced by strTo in its text.
void WriteSumsThen(const std::string& strFolder, const std::string& strFrom = "", const std::string& strTo = "")
{
    CString strWhy;
    if (!WriteSums((strFolder + "\\").c_str(), strWhy))
        throw std::runtime_error(std::string(strWhy));
    std::string strText = ReadFileBytes(strFolder + "\\SHA256SUMS");
    const size_t nAt = strText.find(strFrom);
    if (!strFrom.empty() && nAt != std::string::npos)
        strText.replace(nAt, strFrom.size(), strTo);
    WriteFileBytes(strFolder + "\\SHA256SUMS", strText);
}

std::vector<PACKAGE_CASE> SumsCases()
{
    return {
        {"SumsLastByteChanged",
         [](const std::string& f) {
             WriteSumsThen(f);
             std::string strBytes = ReadFileBytes(f + "\\ModelB\\MODELB.BIN");
             strBytes.back() ^= 1;
             WriteFileBytes(f + "\\ModelB\\MODELB.BIN", strBytes);
         },
         {Error("ModelB/MODELB.BIN", "SHA256SUMS line 3: expected ")},
         kDamaged},
        {"SumsListedFileMissing",
         [](const std::string& f) {
             WriteSumsThen(f);
             RemovePath(f + "\\ModelB\\RELEASE.TXT");
         },
         {Error("ModelB/RELEASE.TXT", "listed, but not there")},
         kDamaged},
        {"SumsUnlistedFile",
         [](const std::string& f) {
             WriteSumsThen(f);
             WriteFileBytes(f + "\\ModelB\\EXTRA.BIN", "unlisted");
         },
         {Error("ModelB/EXTRA.BIN", "not listed")},
         kDamaged},
        {"SumsCfgChanged",
         [](const std::string& f) {
             WriteSumsThen(f);
             AppendCfg(f, "; changed\n");
         },
         {Error("Update.cfg", "expected ")},
         kDamaged},
        {"SumsMalformedLine",
         [](const std::string& f) { WriteSumsThen(f, "  Update.cfg\n", "  Update.cfg\nnot a line\n"); },
         {Error("SHA256SUMS", "a malformed line")},
         kDamaged},
        {"SumsEscapedName",
         [](const std::string& f) {
             const std::string strLine = ReadFileBytes((WriteSumsThen(f), f + "\\SHA256SUMS"));
             const size_t nAt = strLine.find("  ModelB/MODELB.BIN") - 64;
             WriteSumsThen(f, strLine.substr(nAt, 64) + "  ModelB/MODELB.BIN",
                           "\\" + strLine.substr(nAt, 64) + "  ModelB\\\\MODELB.BIN");
         },
         {},
         kUpdated},
        {"SumsCrlfUpperCase",
         [](const std::string& f) {
             WriteSumsThen(f);
             std::string strText, strOld = ReadFileBytes(f + "\\SHA256SUMS");
             for (char ch : strOld)
                 strText += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
             for (size_t nLine = 0; nLine < strText.size(); nLine = strText.find('\n', nLine) + 1) {
                 std::transform(strText.begin() + static_cast<ptrdiff_t>(nLine),
                                strText.begin() + static_cast<ptrdiff_t>(nLine + 64),
                                strText.begin() + static_cast<ptrdiff_t>(nLine), ::toupper);
             }
             WriteFileBytes(f + "\\SHA256SUMS", strText);
         },
         {},
         kUpdated},
        {"NoSums", [](const std::string&) {}, {Warning("SHA256SUMS", "there is none")}, kUpdated},
    };
}

}  // namespace

std::vector<PACKAGE_CASE> MakePackageCases(const std::string& strRoot)
{
    std::vector<PACKAGE_CASE> cases = ConfigCases();
    for (std::vector<PACKAGE_CASE> more : {PackageFolderCases(strRoot), ModuleCases(), SumsCases()})
        cases.insert(cases.end(), more.begin(), more.end());
    return cases;
}

void LayOutCleanRelease(const std::string& strFolder, bool bWithDemo)
{
    RemoveLongPath(strFolder);
    LayOutProgram(strFolder, "PelkinUpdate.exe", "updated");
    if (bWithDemo) {
        const std::string strBuilt = FolderFromEnvironment("PELKIN_APP_DIR");
        CopyFileA((strBuilt + "\\PelkinUpdateDemo.exe").c_str(), (strFolder + "\\PelkinUpdateDemo.exe").c_str(), FALSE);
    }
}

std::string LayOutCase(const std::string& strRoot, const PACKAGE_CASE& packageCase, bool bWithDemo)
{
    const std::string strFolder = strRoot + packageCase.strName;
    LayOutCleanRelease(strFolder, bWithDemo);
    packageCase.pfnBreak(strFolder);
    return strFolder;
}

void CheckCase(const std::string& strFolder, const PACKAGE_CASE& packageCase, CCheckReport& report)
{
    CHECK_OPTIONS options;
    if (packageCase.nDriveMiB)
        options.nDriveBytes = packageCase.nDriveMiB * 1024ULL * 1024;
    CString strChecked;
    const int nExit = CheckReleaseFolder(strFolder.c_str(), options, report, strChecked);

    // A case about something else finds no SHA256SUMS: its warning is
    // left out, but not of the exit code.
    std::vector<CHECK_FINDING> findings;
    bool bNoSums = false;
    for (int i = 0; i < report.GetCount(); ++i) {
        const CHECK_FINDING& finding = report.GetAt(i);
        const bool bSumsWarning = finding.nLevel == FINDING_WARNING && finding.strPlace.Compare("SHA256SUMS") == 0;
        bNoSums = bNoSums || bSumsWarning;
        if (!bSumsWarning || packageCase.strName == "NoSums")
            findings.push_back(finding);
    }
    std::string strAll;
    bool bAnyError = false;
    for (const CHECK_FINDING& finding : findings)
        strAll += std::string(CCheckReport::FormatFinding(finding)) + "\n";
    ASSERT_EQ(findings.size(), packageCase.findings.size()) << strAll;
    for (size_t i = 0; i < packageCase.findings.size(); ++i) {
        const EXPECTED_FINDING& expected = packageCase.findings[i];
        const CHECK_FINDING& finding = findings[i];
        EXPECT_EQ(finding.nLevel == FINDING_ERROR, expected.bError) << strAll;
        EXPECT_EQ(std::string(finding.strPlace), expected.strPlace) << strAll;
        EXPECT_NE(std::string(finding.strText).find(expected.strText), std::string::npos) << strAll;
        bAnyError = bAnyError || expected.bError;
    }
    EXPECT_EQ(nExit, bAnyError ? 2 : packageCase.findings.empty() && !bNoSums ? 0 : 1);
}
