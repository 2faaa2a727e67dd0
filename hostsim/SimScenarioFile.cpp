#include "SimScenarioFile.h"

#include "AfxModuleFolder.h"
#include "SimHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

const char kHostSection[] = "Host";
const char kFailSection[] = "Fail";
const char kEjectSection[] = "Eject";
// The highest PNP_VETO_TYPE (PNP_VetoAlreadyRemoved).
const unsigned long kMaxVetoType = 13;
// What a missing key reads as: no value in a text file can hold it.
const char kMissing[] = "\x01missing\x01";
const DWORD kTextChars = 260;

bool IsHexDigit(char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

// "0x" and one to eight hex digits, or one to nine decimal digits.
bool ParseNumber(const std::string& strText, unsigned long* pnValue)
{
    const bool bHex = strText.size() > 2 && strText[0] == '0' && (strText[1] == 'x' || strText[1] == 'X');
    const std::string strDigits = bHex ? strText.substr(2) : strText;
    if (strDigits.empty() || strDigits.size() > (bHex ? 8u : 9u))
        return false;
    unsigned long nValue = 0;
    for (char ch : strDigits) {
        if (bHex ? !IsHexDigit(ch) : !(ch >= '0' && ch <= '9'))
            return false;
        const unsigned long nDigit = ch <= '9' ? ch - '0' : (ch | 0x20) - 'a' + 10;
        nValue = nValue * (bHex ? 16 : 10) + nDigit;
    }
    *pnValue = nValue;
    return true;
}

// Decimal seconds with up to three decimals ("2", "2.5", "0.125"), in
// milliseconds, up to kMaxSeconds.
bool ParseSeconds(const std::string& strText, DWORD* pdwMs)
{
    const size_t nPoint = std::min(strText.find('.'), strText.size());
    const std::string strWhole = strText.substr(0, nPoint);
    std::string strFraction = nPoint < strText.size() ? strText.substr(nPoint + 1) : "0";
    if (strWhole.empty() || strWhole.size() > 5 || strFraction.empty() || strFraction.size() > 3 ||
        (strWhole + strFraction).find_first_not_of("0123456789") != std::string::npos)
        return false;
    strFraction.resize(3, '0');
    const unsigned long nMs = strtoul(strWhole.c_str(), nullptr, 10) * 1000 + strtoul(strFraction.c_str(), nullptr, 10);
    if (nMs > CSimScenarioFile::kMaxSeconds * 1000)
        return false;
    *pdwMs = static_cast<DWORD>(nMs);
    return true;
}

// Gives the port the string at nIndex, or takes it away (index 0 in the
// device descriptor) when the text is empty.
void SetPortString(SIM_PORT& port, UCHAR nIndex, UCHAR* piField, const std::string& strText)
{
    if (strText.empty()) {
        port.mapStrings.erase(nIndex);
        *piField = 0;
        return;
    }
    port.mapStrings[nIndex] = CSimHost::StringDescriptor(CSimHost::Widen(strText));
    *piField = nIndex;
}

// "1A2B": an id as an instance id writes it.
std::string HexId(USHORT nId)
{
    char szId[8];
    std::snprintf(szId, sizeof szId, "%04X", nId);
    return szId;
}

const char* CanonicalCallName(const char* pszName)
{
    for (int nCall = 0; nCall < CSimHost::kCallCount; ++nCall)
        if (lstrcmpiA(pszName, CSimHost::CallName(nCall)) == 0)
            return CSimHost::CallName(nCall);
    return nullptr;
}

}  // namespace

CSimScenarioFile::CSimScenarioFile()
{
    Clear();
}

void CSimScenarioFile::Clear()
{
    m_dwMajorVersion = 6;
    m_nHubs = 0;
    m_nHubPorts = 4;
    m_vDevices.clear();
    m_vFailures.clear();
    m_eject = SIM_EJECT_SPEC();
}

bool CSimScenarioFile::Fail(const std::string& strWhat)
{
    Clear();
    m_strError = strWhat;
    return false;
}

bool CSimScenarioFile::Read(const std::string& strPath)
{
    Clear();
    m_strError.clear();
    m_strPath = strPath;
    if (GetFileAttributesA(strPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Fail("no scenario file " + strPath);
    return ReadHost() && ReadDevices() && ReadFailures() && ReadEject();
}

bool CSimScenarioFile::ReadText(const std::string& strSection, const char* pszKey, std::string* pstrValue) const
{
    char szValue[kTextChars] = {};
    const DWORD nLength =
        GetPrivateProfileStringA(strSection.c_str(), pszKey, kMissing, szValue, kTextChars, m_strPath.c_str());
    const std::string strValue(szValue, nLength < kTextChars ? nLength : kTextChars - 1);
    if (strValue == kMissing)
        return false;
    *pstrValue = strValue;
    return true;
}

bool CSimScenarioFile::ReadNumber(const std::string& strSection, const char* pszKey, unsigned long nLow,
                                  unsigned long nHigh, bool bRequired, unsigned long nDefault, unsigned long* pnValue)
{
    const std::string strWhere = "[" + strSection + "] " + pszKey;
    std::string strText;
    if (!ReadText(strSection, pszKey, &strText)) {
        *pnValue = nDefault;
        return bRequired ? Fail(strWhere + ": missing") : true;
    }
    if (!ParseNumber(strText, pnValue))
        return Fail(strWhere + ": not a number: " + strText);
    if (*pnValue < nLow || *pnValue > nHigh) {
        char szRange[64];
        std::snprintf(szRange, sizeof(szRange), ": %s is not within %lu..%lu", strText.c_str(), nLow, nHigh);
        return Fail(strWhere + szRange);
    }
    return true;
}

bool CSimScenarioFile::SectionExists(const std::string& strSection) const
{
    char szKeys[64] = {};
    return GetPrivateProfileSectionA(strSection.c_str(), szKeys, sizeof(szKeys), m_strPath.c_str()) > 0;
}

bool CSimScenarioFile::ReadHost()
{
    unsigned long nMajor = 0, nHubs = 0, nPorts = 0;
    if (!ReadNumber(kHostSection, "MajorVersion", 5, 10, false, 6, &nMajor) ||
        !ReadNumber(kHostSection, "Hubs", 0, kMaxHubs, false, 0, &nHubs) ||
        !ReadNumber(kHostSection, "HubPorts", 1, 255, false, 4, &nPorts))
        return false;
    m_dwMajorVersion = nMajor;
    m_nHubs = static_cast<int>(nHubs);
    m_nHubPorts = static_cast<int>(nPorts);
    return true;
}

bool CSimScenarioFile::ReadDevices()
{
    int nDevice = 1;
    for (; nDevice <= kMaxDevices && SectionExists("Device" + std::to_string(nDevice)); ++nDevice) {
        SIM_DEVICE_SPEC device;
        if (!ReadDevice("Device" + std::to_string(nDevice), &device))
            return false;
        m_vDevices.push_back(device);
    }
    // Devices are numbered from 1 without gaps; one left behind a gap, or
    // beyond the last number, would silently be missing from the host.
    for (int nLater = nDevice; nLater <= kMaxDevices + 1; ++nLater)
        if (SectionExists("Device" + std::to_string(nLater)))
            return Fail("[Device" + std::to_string(nLater) + "]: devices are Device1 to Device" +
                        std::to_string(kMaxDevices) + ", without gaps");
    return true;
}

bool CSimScenarioFile::ReadDevice(const std::string& strSection, SIM_DEVICE_SPEC* pDevice)
{
    unsigned long nVendor = 0, nProduct = 0, nRelease = 0, nSpeed = 0, nHub = 0, nPort = 0, nComposite = 0;
    if (!ReadNumber(strSection, "VendorID", 0, 0xFFFF, true, 0, &nVendor) ||
        !ReadNumber(strSection, "ProductID", 0, 0xFFFF, true, 0, &nProduct) ||
        !ReadNumber(strSection, "Release", 0, 0xFFFF, true, 0, &nRelease) ||
        !ReadNumber(strSection, "Speed", 0, 3, false, 2, &nSpeed) ||
        !ReadNumber(strSection, "Hub", 0, static_cast<unsigned long>(m_nHubs), false, 0, &nHub) ||
        !ReadNumber(strSection, "Port", 1, 255, true, 0, &nPort) ||
        !ReadNumber(strSection, "Composite", 0, 1, false, 0, &nComposite))
        return false;
    pDevice->idVendor = static_cast<USHORT>(nVendor);
    pDevice->idProduct = static_cast<USHORT>(nProduct);
    pDevice->bcdDevice = static_cast<USHORT>(nRelease);
    pDevice->Speed = static_cast<UCHAR>(nSpeed);
    pDevice->nHub = static_cast<int>(nHub);
    pDevice->nPort = static_cast<int>(nPort);
    pDevice->bComposite = nComposite != 0;

    std::string strDrive;
    ReadText(strSection, "Drive", &strDrive);
    if (strDrive.size() > 1 || (strDrive.size() == 1 && !IsCharAlphaA(strDrive[0])))
        return Fail("[" + strSection + "] Drive: not a drive letter: " + strDrive);
    pDevice->chDrive = strDrive.empty() ? 0 : static_cast<char>(strDrive[0] & ~0x20);
    return ReadDeviceStrings(strSection, pDevice) && ReadTimeline(strSection, pDevice) &&
           CheckPort(strSection, *pDevice);
}

bool CSimScenarioFile::ReadTimeline(const std::string& strSection, SIM_DEVICE_SPEC* pDevice)
{
    if (!ReadSeconds(strSection, "Arrive", &pDevice->dwArriveMs) ||
        !ReadSeconds(strSection, "Leave", &pDevice->dwLeaveMs))
        return false;
    std::string strLeave;
    if (ReadText(strSection, "Leave", &strLeave) && pDevice->dwLeaveMs <= pDevice->dwArriveMs)
        return Fail("[" + strSection + "] Leave: " + strLeave + " is not later than Arrive");
    return true;
}

// Seconds after the start, 0 to kMaxSeconds; a missing key gives 0.
bool CSimScenarioFile::ReadSeconds(const std::string& strSection, const char* pszKey, DWORD* pdwMs)
{
    std::string strText;
    *pdwMs = 0;
    if (!ReadText(strSection, pszKey, &strText))
        return true;
    if (!ParseSeconds(strText, pdwMs))
        return Fail("[" + strSection + "] " + pszKey + ": not a number of seconds (up to " +
                    std::to_string(kMaxSeconds) + ", three decimals): " + strText);
    return true;
}

bool CSimScenarioFile::ReadDeviceStrings(const std::string& strSection, SIM_DEVICE_SPEC* pDevice)
{
    const struct
    {
        const char* pszKey;
        std::string* pstrValue;
    } keys[] = {{"Serial", &pDevice->strSerial},
                {"Manufacturer", &pDevice->strManufacturer},
                {"Product", &pDevice->strProduct}};
    for (const auto& key : keys) {
        if (!ReadText(strSection, key.pszKey, key.pstrValue))
            key.pstrValue->clear();
        if (CSimHost::Widen(*key.pstrValue).size() > static_cast<size_t>(kMaxStringChars))
            return Fail("[" + strSection + "] " + key.pszKey + ": longer than " + std::to_string(kMaxStringChars) +
                        " characters");
    }
    // The serial number ends the device's instance id: no separators.
    if (pDevice->strSerial.find_first_of("\\/#&") != std::string::npos)
        return Fail("[" + strSection + "] Serial: holds one of \\ / # &");
    return true;
}

bool CSimScenarioFile::CheckPort(const std::string& strSection, const SIM_DEVICE_SPEC& device)
{
    const int nPorts = device.nHub == 0 ? kRootHubPorts : m_nHubPorts;
    if (device.nPort > nPorts)
        return Fail("[" + strSection + "] Port: hub " + std::to_string(device.nHub) + " has " + std::to_string(nPorts) +
                    " ports");
    for (size_t i = 0; i < m_vDevices.size(); ++i) {
        const SIM_DEVICE_SPEC& other = m_vDevices[i];
        if (other.nHub == device.nHub && other.nPort == device.nPort)
            return Fail("[" + strSection + "] Port: already taken");
        if (device.chDrive && other.chDrive == device.chDrive)
            return Fail("[" + strSection + "] Drive: already taken");
        // Windows never gives two devices one instance id; here the second
        // would take the first one's identity, and its eject the first.
        if (!device.strSerial.empty() && other.idVendor == device.idVendor && other.idProduct == device.idProduct &&
            lstrcmpiA(other.strSerial.c_str(), device.strSerial.c_str()) == 0)
            return Fail("[" + strSection + "] Serial: the instance id USB\\VID_" + HexId(device.idVendor) + "&PID_" +
                        HexId(device.idProduct) + "\\" + device.strSerial + " is Device" + std::to_string(i + 1) +
                        "'s too");
    }
    return true;
}

bool CSimScenarioFile::ReadFailures()
{
    // The platform lists the section's key names, each ended by a zero,
    // the list by a second zero.
    char szNames[4096] = {};
    const DWORD nLength =
        GetPrivateProfileStringA(kFailSection, nullptr, "", szNames, sizeof(szNames), m_strPath.c_str());
    if (nLength >= sizeof(szNames) - 2)
        return Fail("[Fail]: too many entries");
    for (const char* pszName = szNames; *pszName && pszName < szNames + nLength; pszName += lstrlenA(pszName) + 1) {
        const char* pszCall = CanonicalCallName(pszName);
        if (!pszCall)
            return Fail(std::string("[Fail] ") + pszName + ": no such platform call");
        std::string strValue;
        ReadText(kFailSection, pszName, &strValue);
        unsigned long nNth = 0;
        if (lstrcmpiA(strValue.c_str(), "all") != 0 && !ReadNumber(kFailSection, pszName, 0, 1000000, true, 0, &nNth))
            return false;
        if (lstrcmpiA(strValue.c_str(), "all") == 0 || nNth > 0)
            m_vFailures.push_back(SIM_FAILURE_SPEC{pszCall, static_cast<unsigned>(nNth)});
    }
    return true;
}

// Without a Veto key every eject succeeds.
bool CSimScenarioFile::ReadEject()
{
    std::string strVeto;
    if (!ReadText(kEjectSection, "Veto", &strVeto))
        return true;
    unsigned long nType = 0, nTimes = 0;
    if (!ReadNumber(kEjectSection, "Veto", 0, kMaxVetoType, true, 0, &nType) ||
        !ReadNumber(kEjectSection, "Times", 1, 1000000, false, 0, &nTimes))
        return false;
    m_eject.bVeto = true;
    m_eject.vetoType = static_cast<PNP_VETO_TYPE>(nType);
    m_eject.nTimes = static_cast<unsigned>(nTimes);
    if (!ReadText(kEjectSection, "VetoName", &m_eject.strVetoName))
        m_eject.strVetoName.clear();
    return true;
}

void CSimScenarioFile::ApplyTo(CSimHost& host) const
{
    host.Reset();
    host.SetHostMajorVersion(m_dwMajorVersion);
    std::vector<int> vHubNumbers(1, 0);  // entry 0: the root hub
    for (int nHub = 1; nHub <= m_nHubs; ++nHub)
        vHubNumbers.push_back(host.AddHub(m_nHubPorts));
    for (const SIM_DEVICE_SPEC& device : m_vDevices) {
        const int nHub = vHubNumbers[device.nHub];
        const char* pszSerial = device.strSerial.empty() ? nullptr : device.strSerial.c_str();
        const SIM_STICK stick = device.bComposite ? host.AddCompositeStick(nHub, device.nPort, device.idVendor,
                                                                           device.idProduct, pszSerial, device.chDrive)
                                                  : host.AddStick(nHub, device.nPort, device.idVendor, device.idProduct,
                                                                  pszSerial, device.chDrive);
        SIM_PORT& port = host.Port(nHub, device.nPort);
        port.Speed = device.Speed;
        port.Descriptor.bcdDevice = device.bcdDevice;
        SetPortString(port, 1, &port.Descriptor.iManufacturer, device.strManufacturer);
        SetPortString(port, 2, &port.Descriptor.iProduct, device.strProduct);
        if (device.IsOnTimeline())
            host.SetTimeline(stick.dnUsb, device.dwArriveMs, device.dwLeaveMs);
    }
    for (const SIM_FAILURE_SPEC& failure : m_vFailures)
        host.FailCall(failure.strCall, failure.nNth);
    if (m_eject.bVeto)
        host.SetEjectVeto(m_eject.vetoType, m_eject.strVetoName, m_eject.nTimes);
    host.StartTimeline();
}

bool LoadSimScenarioBesideExe()
{
    CString strFolder;
    CSimScenarioFile scenario;
    bool bRead = false;
    if (AfxGetModuleFolder(strFolder) && !strFolder.IsEmpty())
        bRead = scenario.Read(std::string(static_cast<const char*>(strFolder)) + "hostsim.ini");
    scenario.ApplyTo(CSimHost::Get());
    if (!bRead)
        OutputDebugStringA(("hostsim.ini: " + scenario.Error() + "; the host has no devices\n").c_str());
    return bRead;
}
