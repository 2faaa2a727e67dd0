#include "ConfigCheck.h"

#include "PackageFolder.h"
#include "PackageRules.h"
#include "UpdateCfg.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace {

const char* const kKeys[] = {"DeviceID", "VendorID", "DeviceName", "Version"};

bool IsHexDigits(const char* psz, int nCount)
{
    for (int i = 0; i < nCount; ++i) {
        if (!std::isxdigit(static_cast<unsigned char>(psz[i])))
            return false;
    }
    return psz[nCount] == '\0';
}

// What the updater does with a section's keys, as it reads them.
struct SECTION_KEYS
{
    CString strDeviceID;
    CString strVendorID;
    bool bCanMatch;  // both ids can equal the text of a device's ids
};

void CheckValueLengths(CUpdateCfg& cfg, const char* pszSection, CCheckReport& report)
{
    for (const char* pszKey : kKeys) {
        CString strWhole;
        if (!cfg.ReadWholeValue(pszSection, pszKey, strWhole) || strWhole.GetLength() <= kCfgValueChars)
            continue;
        CString strText;
        strText.Format("%d characters: the updater reads only the first %d", strWhole.GetLength(), kCfgValueChars);
        report.AddWarning(SectionPlace(pszSection, pszKey), strText);
    }
}

void CheckId(const char* pszSection, const char* pszKey, const CString& strValue, CCheckReport& report)
{
    if (strValue.IsEmpty()) {
        report.AddError(SectionPlace(pszSection, pszKey), "missing or empty: the section never matches a device");
    } else if (!CanMatchIdText(strValue)) {
        CString strText;
        strText.Format("\"%s\" is not 0x and four hexadecimal digits: the updater compares it as text with the "
                       "device's id printed that way, so the section never matches a device",
                       static_cast<const char*>(strValue));
        report.AddError(SectionPlace(pszSection, pszKey), strText);
    }
}

// What the gate does with a Version that is not four hexadecimal digits.
CString DescribeGate(const char* pszVersion)
{
    const unsigned nRefused = FirstRefusedRelease(pszVersion);
    CString strText;
    if (nRefused == 0)
        strText = "it refuses every release";
    else if (nRefused > 0xFFFF)
        strText = "it lets every release through";
    else
        strText.Format("it lets releases 0000 to %04X through and refuses %04X to FFFF", nRefused - 1, nRefused);
    return strText;
}

void CheckVersion(CUpdateCfg& cfg, const char* pszSection, CCheckReport& report)
{
    CString strVersion;
    if (!cfg.ReadVersion(pszSection, strVersion) || IsHexDigits(strVersion, 4))
        return;  // without Version every release is updated, as meant
    CString strText;
    strText.Format("\"%s\" is not four hexadecimal digits: compared as text with the device's release, %s",
                   static_cast<const char*>(strVersion), static_cast<const char*>(DescribeGate(strVersion)));
    report.AddError(SectionPlace(pszSection, "Version"), strText);
}

SECTION_KEYS CheckKeys(CUpdateCfg& cfg, const char* pszSection, CCheckReport& report)
{
    SECTION_KEYS keys;
    cfg.ReadDeviceID(pszSection, keys.strDeviceID);
    cfg.ReadVendorID(pszSection, keys.strVendorID);
    CheckId(pszSection, "DeviceID", keys.strDeviceID, report);
    CheckId(pszSection, "VendorID", keys.strVendorID, report);
    keys.bCanMatch = CanMatchIdText(keys.strDeviceID) && CanMatchIdText(keys.strVendorID);

    CString strName;
    if (!cfg.ReadDeviceName(pszSection, strName))
        report.AddWarning(SectionPlace(pszSection, "DeviceName"),
                          "missing or empty: the updater's caption and messages name this model with an empty text");
    CheckVersion(cfg, pszSection, report);
    CheckValueLengths(cfg, pszSection, report);
    return keys;
}

// The one id a value that can match names: the number it spells.
WORD SpelledId(const char* pszValue)
{
    return static_cast<WORD>(std::strtoul(pszValue, nullptr, 16));
}

// Sections are tried in file order and the first whose ids match is
// taken: a later section that names the same device (as the matcher
// compares) is never used.
int FindEarlierSameIds(const std::vector<SECTION_KEYS>& earlier, const SECTION_KEYS& keys)
{
    if (!keys.bCanMatch)
        return -1;
    const WORD nDeviceID = SpelledId(keys.strDeviceID);
    const WORD nVendorID = SpelledId(keys.strVendorID);
    for (size_t i = 0; i < earlier.size(); ++i) {
        if (IsIdTextMatch(earlier[i].strDeviceID, nDeviceID) && IsIdTextMatch(earlier[i].strVendorID, nVendorID))
            return static_cast<int>(i);
    }
    return -1;
}

// The profile reader looks a section up by name, ignoring case: of two
// sections of one name only the first is ever read.
bool IsNameTaken(const CStringArray& arrNames, const char* pszName)
{
    for (int i = 0; i < arrNames.GetSize(); ++i) {
        if (arrNames[i].CompareNoCase(pszName) == 0)
            return true;
    }
    return false;
}

// The updater reads the section names into 260 bytes: a section is seen
// only when its name stands whole at its place in that cut list.
bool IsInSectionList(const CStringArray& arrListed, int nIndex, const CString& strName)
{
    return nIndex < arrListed.GetSize() && arrListed[nIndex].Compare(strName) == 0;
}

// The first section past the list stands for itself and those after it.
void ReportUnseenSections(const CStringArray& arrAll, int nFirst, CCheckReport& report)
{
    const int nAfter = arrAll.GetSize() - nFirst - 1;
    CString strText = "past the 260 bytes of section names the updater reads: it never sees this section";
    if (nAfter > 0) {
        CString strMore;
        strMore.Format(", nor the %d after it", nAfter);
        strText += strMore;
    }
    report.AddError(SectionPlace(arrAll[nFirst]), strText);
}

}  // namespace

// A value can name no other id than the number it spells (a value
// spelling none, or one past 0xFFFF, names none).
bool CanMatchIdText(const char* pszValue)
{
    const unsigned long nId = std::strtoul(pszValue, nullptr, 16);
    return nId <= 0xFFFF && IsIdTextMatch(pszValue, static_cast<WORD>(nId));
}

unsigned FirstRefusedRelease(const char* pszVersion)
{
    unsigned nRelease = 0;
    while (nRelease <= 0xFFFF && IsReleaseAccepted(pszVersion, static_cast<WORD>(nRelease)))
        ++nRelease;
    return nRelease;
}

void CheckConfiguration(const char* pszFolder, CCheckReport& report, CStringArray& arrPackages)
{
    const CString strPath = CString(pszFolder) + "Update.cfg";
    const DWORD nAttributes = GetFileAttributesA(strPath);
    if (nAttributes == INVALID_FILE_ATTRIBUTES || (nAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        report.AddError("Update.cfg", "missing: the updater knows no model and reports Not found for every device");
        return;
    }
    CUpdateCfg cfg(pszFolder);
    CStringArray arrListed;
    CStringArray arrAll;
    cfg.GetSectionNames(arrListed);
    if (!cfg.GetAllSectionNames(arrAll)) {
        report.AddError("Update.cfg", "can't be read whole: it is no profile file the updater can use");
        return;
    }
    if (arrAll.GetSize() == 0) {
        report.AddError("Update.cfg", "no section: the updater knows no model and reports Not found for every device");
        return;
    }

    std::vector<SECTION_KEYS> checked;
    CStringArray arrChecked;
    for (int i = 0; i < arrAll.GetSize(); ++i) {
        const CString& strName = arrAll[i];
        // What the updater never sees has no keys or package to check, so
        // the work stays bounded by the 260 bytes, however long the file.
        if (!IsInSectionList(arrListed, i, strName)) {
            ReportUnseenSections(arrAll, i, report);
            break;
        }
        if (IsNameTaken(arrChecked, strName)) {
            report.AddError(SectionPlace(strName), "a section of this name stands earlier: the updater reads the "
                                                   "keys of the first one only, never these");
            continue;
        }
        const bool bPlainName = IsPlainFolderName(strName);
        if (!bPlainName)
            report.AddError(SectionPlace(strName), "not a plain folder name: the updater takes no package for this "
                                                   "section, and devices of this model get Copy failed");
        const SECTION_KEYS keys = CheckKeys(cfg, strName, report);
        const int nEarlier = FindEarlierSameIds(checked, keys);
        if (nEarlier >= 0) {
            CString strText;
            strText.Format("same DeviceID and VendorID as [%s], which stands first: the updater always takes "
                           "that section for these devices and never uses this one",
                           static_cast<const char*>(arrChecked[nEarlier]));
            report.AddError(SectionPlace(strName), strText);
        }
        checked.push_back(keys);
        arrChecked.Add(strName);
        if (bPlainName)
            arrPackages.Add(strName);
    }
}
