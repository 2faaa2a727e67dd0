// CSimScenarioFile: a simulated host described in a profile (INI) file, as
// the demo build reads it from hostsim.ini beside its executable. Reading
// checks every value; a file that is missing or holds one bad value is
// refused as a whole, so that what the demo simulates is always what the
// file says. The format is described in the README.
//
//     [Host]        MajorVersion, Hubs, HubPorts
//     [Device1]...  Drive, VendorID, ProductID, Release, Serial,
//                   Manufacturer, Product, Speed, Hub, Port, Composite,
//                   Arrive, Leave (seconds after the start)
//     [Fail]        <platform call name>=all | N | 0
//     [Eject]       Veto (a PNP_VETO_TYPE number), VetoName, Times
#pragma once

#include <windows.h>
#include <cfgmgr32.h>

#include <string>
#include <vector>

class CSimHost;

// One simulated USB stick.
struct SIM_DEVICE_SPEC
{
    char chDrive = 0;  // drive letter its storage backs; 0: none
    USHORT idVendor = 0;
    USHORT idProduct = 0;
    USHORT bcdDevice = 0;
    UCHAR Speed = 2;  // 0 low, 1 full, 2 high, 3 super
    int nHub = 0;     // 0: root hub; 1..: external hub
    int nPort = 0;
    bool bComposite = false;      // storage behind interface MI_00
    std::string strSerial;        // empty: no serial-number string
    std::string strManufacturer;  // empty: no manufacturer string
    std::string strProduct;       // empty: no product string
    DWORD dwArriveMs = 0;         // plugged in this long after the start; 0: from the start
    DWORD dwLeaveMs = 0;          // pulled this long after the start; 0: never

    bool IsOnTimeline() const { return dwArriveMs > 0 || dwLeaveMs > 0; }
};

// A platform call that fails: every call (nNth 0) or only the nNth.
struct SIM_FAILURE_SPEC
{
    std::string strCall;
    unsigned nNth = 0;
};

// How the host answers a request to eject: a veto of its type and name
// for the first nTimes requests (0: every one), or success.
struct SIM_EJECT_SPEC
{
    bool bVeto = false;
    PNP_VETO_TYPE vetoType = PNP_VetoTypeUnknown;
    std::string strVetoName;
    unsigned nTimes = 0;
};

class CSimScenarioFile
{
public:
    static const int kMaxDevices = 16;
    static const int kMaxHubs = 8;
    static const int kRootHubPorts = 2;
    static const int kMaxStringChars = 126;  // what a string descriptor holds
    static const DWORD kMaxSeconds = 86400;  // the latest Arrive or Leave

    CSimScenarioFile();

    // Reads strPath (a full path). False, with an empty scenario and the
    // reason in Error(), when the file is missing or a value is bad.
    bool Read(const std::string& strPath);
    // Makes the host the scenario: reset, then hubs, sticks and failures;
    // with devices that arrive or leave, the host's timeline starts.
    void ApplyTo(CSimHost& host) const;

    DWORD MajorVersion() const { return m_dwMajorVersion; }
    int Hubs() const { return m_nHubs; }
    int HubPorts() const { return m_nHubPorts; }
    const std::vector<SIM_DEVICE_SPEC>& Devices() const { return m_vDevices; }
    const std::vector<SIM_FAILURE_SPEC>& Failures() const { return m_vFailures; }
    const SIM_EJECT_SPEC& Eject() const { return m_eject; }
    const std::string& Error() const { return m_strError; }

private:
    bool ReadHost();
    bool ReadDevices();
    bool ReadDevice(const std::string& strSection, SIM_DEVICE_SPEC* pDevice);
    bool ReadDeviceStrings(const std::string& strSection, SIM_DEVICE_SPEC* pDevice);
    bool ReadTimeline(const std::string& strSection, SIM_DEVICE_SPEC* pDevice);
    bool ReadSeconds(const std::string& strSection, const char* pszKey, DWORD* pdwMs);
    bool CheckPort(const std::string& strSection, const SIM_DEVICE_SPEC& device);
    bool ReadFailures();
    bool ReadEject();
    // A number key: "0x" and hex digits, or decimal digits, within
    // [nLow, nHigh]; a missing key gives nDefault, or fails when bRequired.
    bool ReadNumber(const std::string& strSection, const char* pszKey, unsigned long nLow, unsigned long nHigh,
                    bool bRequired, unsigned long nDefault, unsigned long* pnValue);
    bool ReadText(const std::string& strSection, const char* pszKey, std::string* pstrValue) const;
    bool SectionExists(const std::string& strSection) const;
    bool Fail(const std::string& strWhat);
    void Clear();

    std::string m_strPath;
    DWORD m_dwMajorVersion;
    int m_nHubs;
    int m_nHubPorts;
    std::vector<SIM_DEVICE_SPEC> m_vDevices;
    std::vector<SIM_FAILURE_SPEC> m_vFailures;
    SIM_EJECT_SPEC m_eject;
    std::string m_strError;
};

// The demo's start: builds the simulated host from hostsim.ini beside the
// executable; a missing or bad file leaves the host empty. Returns what
// Read returned.
bool LoadSimScenarioBesideExe();
