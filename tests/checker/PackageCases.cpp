#include "PackageCases.h"

#include "ProgramFolder.h"
#include "ReleaseCheck.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

const char kModelBFolder[] = "[ModelB] ModelB\\";

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

// A section of vendor 0x1234 with its package of one file.
std::string ModelSection(const std::string& strName, unsigned nProduct)
{
    char szIds[64];
    std::snprintf(szIds, sizeof szIds, "DeviceID=0x%04X\nVendorID=0x1234\n", nProduct);
    return "\n[" + strName + "]\n" + szIds + "DeviceName=Pelkin " + strName + "\nVersion=0200\n";
}

void AddModel(const std::string& strFolder, const std::string& strName, unsigned nProduct)
{
    AppendCfg(strFolder, ModelSection(strName, nProduct));
    WriteFileBytes(strFolder + "\\" + strName + "\\FW.BIN", "firmware of " + strName);
}

// A section name that makes the package folder's path, with the program
// folder before it, exactly nLength characters long.
std::string NameForPath(const std::string& strFolder, size_t nLength)
{
    return std::string(nLength - strFolder.size() - 1, 'L');
}

EXPECTED_FINDING Error(const std::string& strPlace, const std::string& strText)
{
    return EXPECTED_FINDING{true, strPlace, strText};
}

EXPECTED_FINDING Warning(const std::string& strPlace, const std::string& strText)
{
    return EXPECTED_FINDING{false, strPlace, strText};
}

// Cases whose device is the example's Model B (release 01.05).
PACKAGE_CASE ModelBCase(const std::string& strName, std::function<void(const std::string&)> pfnBreak,
                        std::vector<EXPECTED_FINDING> findings, UPDATE_OUTCOME outcome)
{
    return PACKAGE_CASE{strName, pfnBreak, findings, 0, 0x1002, 0x0105, outcome, "", ""};
}

PACKAGE_CASE UpdatedCase(const std::string& strName, std::function<void(const std::string&)> pfnBreak,
                         std::vector<EXPECTED_FINDING> findings, const std::string& strShownName)
{
    return PACKAGE_CASE{strName,  pfnBreak, findings, 0, 0x1002, 0x0105, UPDATE_OUTCOME::Updated,
                        "ModelB", strShownName};
}

PACKAGE_CASE CheckOnlyCase(const std::string& strName, std::function<void(const std::string&)> pfnBreak,
                           std::vector<EXPECTED_FINDING> findings, unsigned nDriveMiB = 0)
{
    return PACKAGE_CASE{strName, pfnBreak, findings, nDriveMiB, 0, 0, UPDATE_OUTCOME::None, "", ""};
}

void AddConfigCases(std::vector<PACKAGE_CASE>& cases)
{
    cases.push_back(ModelBCase(
        "NoUpdateCfg", [](const std::string& f) { RemovePath(CfgOf(f)); }, {Error("Update.cfg", "missing")},
        UPDATE_OUTCOME::NotFound));
    cases.push_back(ModelBCase(
        "NoSection", [](const std::string& f) { WriteFileBytes(CfgOf(f), "; models to come\n"); },
        {Error("Update.cfg", "no section")}, UPDATE_OUTCOME::NotFound));

    // Two sections of six characters and thirty of seven fill 255 of the
    // 260 bytes; the name after them no longer fits.
    PACKAGE_CASE pastList = ModelBCase(
        "PastSectionList",
        [](const std::string& f) {
            for (int i = 1; i <= 30; ++i) {
                char szName[16];
                std::snprintf(szName, sizeof szName, "Fill%03d", i);
                AddModel(f, szName, 0x2000 + static_cast<unsigned>(i));
            }
            AddModel(f, "ModelC", 0x1003);
        },
        {Error("[ModelC]", "past the 260 bytes of section names")}, UPDATE_OUTCOME::NotFound);
    pastList.nProduct = 0x1003;
    cases.push_back(pastList);

    cases.push_back(UpdatedCase(
        "SameIdsAsEarlier",
        [](const std::string& f) {
            AppendCfg(f, "\n[ModelB2]\nDeviceID=0X1002\nvendorid=0x1234\nDeviceName=Pelkin Model B2\n");
            WriteFileBytes(f + "\\ModelB2\\MODELB2.BIN", "never copied");
        },
        {Error("[ModelB2]", "same DeviceID and VendorID as [ModelB], which stands first")}, "Pelkin Model B"));

    PACKAGE_CASE sameName = ModelBCase(
        "SameNameTwice", [](const std::string& f) { AppendCfg(f, ModelSection("modelb", 0x1003)); },
        {Error("[modelb]", "a section of this name stands earlier")}, UPDATE_OUTCOME::NotFound);
    sameName.nProduct = 0x1003;
    cases.push_back(sameName);

    // Meant for product 0x0102.
    PACKAGE_CASE threeDigits = ModelBCase(
        "DeviceIdThreeDigits", [](const std::string& f) { EditCfg(f, "DeviceID=0x1002", "DeviceID=0x102"); },
        {Error("[ModelB] DeviceID", "\"0x102\" is not 0x and four hexadecimal digits")}, UPDATE_OUTCOME::NotFound);
    threeDigits.nProduct = 0x0102;
    cases.push_back(threeDigits);

    cases.push_back(ModelBCase(
        "VendorIdMissing",
        [](const std::string& f) {
            EditCfg(f, "DeviceID=0x1002\nVendorID=0x1234\n", "DeviceID=0x1002\n");
        },
        {Error("[ModelB] VendorID", "missing")}, UPDATE_OUTCOME::NotFound));
    cases.push_back(ModelBCase(
        "DeviceIdMissing", [](const std::string& f) { EditCfg(f, "DeviceID=0x1002\n", ""); },
        {Error("[ModelB] DeviceID", "missing")}, UPDATE_OUTCOME::NotFound));

    // Meant to refuse 02.01; the text comparison lets it through.
    PACKAGE_CASE version = UpdatedCase(
        "VersionWithPrefix", [](const std::string& f) { EditCfg(f, "Version=0200", "Version=0x0200"); },
        {Error("[ModelB] Version", "lets releases 0000 to 0FFF through and refuses 1000 to FFFF")}, "Pelkin Model B");
    version.nRelease = 0x0201;
    cases.push_back(version);

    cases.push_back(UpdatedCase(
        "DeviceNameEmpty", [](const std::string& f) { EditCfg(f, "DeviceName=Pelkin Model B", "DeviceName="); },
        {Warning("[ModelB] DeviceName", "missing or empty")}, ""));
    cases.push_back(UpdatedCase(
        "ValueCut",
        [](const std::string& f) { EditCfg(f, "DeviceName=Pelkin Model B", "DeviceName=" + std::string(300, 'N')); },
        {Warning("[ModelB] DeviceName", "300 characters: the updater reads only the first 259")},
        std::string(259, 'N')));
}

void AddPackageCases(const std::string& strRoot, std::vector<PACKAGE_CASE>& cases)
{
    cases.push_back(ModelBCase(
        "FolderMissing", [](const std::string& f) { RemovePath(f + "\\ModelB"); },
        {Error(kModelBFolder, "firmware folder missing")}, UPDATE_OUTCOME::CopyFailed));
    cases.push_back(ModelBCase(
        "FolderIsFile",
        [](const std::string& f) {
            RemovePath(f + "\\ModelB");
            WriteFileBytes(f + "\\ModelB", "not a folder");
        },
        {Error(kModelBFolder, "a file, not a folder")}, UPDATE_OUTCOME::CopyFailed));
    cases.push_back(ModelBCase(
        "FolderEmpty", [](const std::string& f) { EmptyFolder(f + "\\ModelB"); },
        {Error(kModelBFolder, "holds no file")}, UPDATE_OUTCOME::CopyFailed));

    // The folder's path fits, with its search pattern it doesn't.
    const std::string strPatternFolder = strRoot + "FolderPathTooLong";
    const std::string strLong = NameForPath(strPatternFolder, MAX_PATH - 4);
    PACKAGE_CASE pattern = ModelBCase(
        "FolderPathTooLong",
        [strLong](const std::string& f) {
            AppendCfg(f, ModelSection(strLong, 0x1003));
            MakeLongPathFolder(f + "\\" + strLong);
            WriteLongPathFile(f + "\\" + strLong + "\\FW.BIN", "firmware");
        },
        {Error("[" + strLong + "] " + strLong + "\\", "its search pattern")}, UPDATE_OUTCOME::CopyFailed);
    pattern.nProduct = 0x1003;
    cases.push_back(pattern);

    // The search pattern fits exactly; the file's path doesn't.
    const std::string strFileFolder = strRoot + "FilePathTooLong";
    const std::string strDeep = NameForPath(strFileFolder, MAX_PATH - 6);
    PACKAGE_CASE file = ModelBCase(
        "FilePathTooLong",
        [strDeep](const std::string& f) {
            AppendCfg(f, ModelSection(strDeep, 0x1004));
            MakeLongPathFolder(f + "\\" + strDeep);
            WriteLongPathFile(f + "\\" + strDeep + "\\FIRMWARE.BIN", "firmware");
        },
        {Error("[" + strDeep + "] " + strDeep + "\\FIRMWARE.BIN",
               "its path is " + std::to_string(MAX_PATH - 6 + 13) + " characters")},
        UPDATE_OUTCOME::CopyFailed);
    file.nProduct = 0x1004;
    cases.push_back(file);

    cases.push_back(UpdatedCase(
        "FilesInSubFolder",
        [](const std::string& f) {
            WriteFileBytes(f + "\\ModelB\\docs\\MANUAL.TXT", "left behind");
            WriteFileBytes(f + "\\ModelB\\docs\\old\\MODELB.BIN", "left behind");
        },
        {Warning("[ModelB] ModelB\\docs\\", "a sub-folder holding 2 files")}, "Pelkin Model B"));

    PACKAGE_CASE larger = ModelBCase(
        "LargerThanDrive", [](const std::string& f) { WriteFileOfSize(f + "\\ModelB\\MODELB.BIN", 3 << 20); },
        {Warning(kModelBFolder, "more than a drive of 2 MiB holds")}, UPDATE_OUTCOME::NoRoom);
    larger.nDriveMiB = 2;  // the test drive E:
    cases.push_back(larger);

    cases.push_back(CheckOnlyCase(
        "FourGiB",
        [](const std::string& f) {
            if (!WriteSparseFile(f + "\\ModelB\\IMAGE.BIN", (4ULL << 30) + 1))
                throw std::runtime_error("no sparse file of 4 GiB");
        },
        {Warning(kModelBFolder, "4 GiB or more: more than most device drives hold, and no FAT32 drive")}, 8192));

    // Other file systems take these names; FAT drives don't.
    cases.push_back(CheckOnlyCase(
        "NotFatNames",
        [](const std::string& f) {
            WriteFileBytes(f + "\\ModelB\\FW:1.BIN", "firmware");
        },
        {Warning("[ModelB] ModelB\\FW:1.BIN", "not a valid name on FAT drives (it holds ':')")}));
}

void AddModuleCases(std::vector<PACKAGE_CASE>& cases)
{
    cases.push_back(CheckOnlyCase(
        "NoProgram", [](const std::string& f) { RemovePath(f + "\\PelkinUpdate.exe"); },
        {Error("PelkinUpdate.exe", "missing")}));
    cases.push_back(ModelBCase(
        "NoModule", [](const std::string& f) { RemovePath(f + "\\PelkinUpdate.prm"); },
        {Error("PelkinUpdate.prm", "missing: the updater ends at once without a window")}, UPDATE_OUTCOME::None));
    cases.push_back(ModelBCase(
        "NotAModule", [](const std::string& f) { WriteFileBytes(f + "\\PelkinUpdate.prm", "[Strings]\n"); },
        {Error("PelkinUpdate.prm", "not a resource module")}, UPDATE_OUTCOME::None));
    // A module that lacks the update dialog and the Version refused text.
    cases.push_back(ModelBCase(
        "ModuleLacksResources",
        [](const std::string& f) {
            const std::string strPartial = FolderFromEnvironment("PELKIN_PARTIAL_MODULE");
            if (!CopyFileA(strPartial.c_str(), (f + "\\PelkinUpdate.prm").c_str(), FALSE))
                throw std::runtime_error("no " + strPartial);
        },
        {Error("PelkinUpdate.prm", "no dialog 102: the updater ends at once without a window"),
         Error("PelkinUpdate.prm", "no string 108: the Version refused message is empty")},
        UPDATE_OUTCOME::None));
}

}  // namespace

std::vector<PACKAGE_CASE> MakePackageCases(const std::string& strRoot)
{
    std::vector<PACKAGE_CASE> cases;
    AddConfigCases(cases);
    AddPackageCases(strRoot, cases);
    AddModuleCases(cases);
    return cases;
}

void LayOutCleanRelease(const std::string& strFolder, bool bWithDemo)
{
    RemoveLongPath(strFolder);
    LayOutProgram(strFolder, "PelkinUpdate.exe", "updated");
    if (bWithDemo) {
        const std::string strBuilt = FolderFromEnvironment("PELKIN_APP_DIR");
        CopyFileA((strBuilt + "\\PelkinUpdateDemo.exe").c_str(), (strFolder + "\\PelkinUpdateDemo.exe").c_str(),
                  FALSE);
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

    std::string strAll;
    bool bAnyError = false;
    for (int i = 0; i < report.GetCount(); ++i)
        strAll += std::string(CCheckReport::FormatFinding(report.GetAt(i))) + "\n";
    ASSERT_EQ(report.GetCount(), static_cast<int>(packageCase.findings.size())) << strAll;
    for (size_t i = 0; i < packageCase.findings.size(); ++i) {
        const EXPECTED_FINDING& expected = packageCase.findings[i];
        const CHECK_FINDING& finding = report.GetAt(static_cast<int>(i));
        EXPECT_EQ(finding.nLevel == FINDING_ERROR, expected.bError) << strAll;
        EXPECT_EQ(std::string(finding.strPlace), expected.strPlace) << strAll;
        EXPECT_NE(std::string(finding.strText).find(expected.strText), std::string::npos) << strAll;
        bAnyError = bAnyError || expected.bError;
    }
    EXPECT_EQ(nExit, bAnyError ? 2 : 1);
}
