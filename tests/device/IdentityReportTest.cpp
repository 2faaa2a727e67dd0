// What identification reports of its way to a sink: the steps it passed
// and where it ended; and that a sink changes nothing of the lookup.
#include "DriveIdentity.h"
#include "IdentityReport.h"

#include "DebugTrace.h"
#include "SimHostFixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

void RecordStep(IDENTITY_STEP nStep, const char*, void* pContext)
{
    static_cast<std::vector<IDENTITY_STEP>*>(pContext)->push_back(nStep);
}

class IdentityReportTest : public CSimHostTest
{
protected:
    USB_DEVICE_IDENTITY m_id = {};
    int m_nHub = 0;

    void Build()
    {
        host.Reset();
        m_nHub = host.AddHub(4);
        host.AddStick(m_nHub, 3, 0x1234, 0x1002, "AA01", 'E');
    }
    int Lookup(const char* pszDrive, std::vector<IDENTITY_STEP>* pSteps)
    {
        memset(&m_id, 0, sizeof(m_id));
        m_id.cbSize = sizeof(m_id);
        if (pSteps)
            SetIdentityReport(RecordStep, pSteps);
        const int nResult = GetDeviceIdentityByDrive(pszDrive, &m_id);
        SetIdentityReport(NULL, NULL);
        return nResult;
    }
};

TEST_F(IdentityReportTest, TheStepsPassedAndWhereTheWayEnded)
{
    typedef std::vector<IDENTITY_STEP> STEPS;
    const STEPS whole = {IDENTITY_MOUNT_PATH, IDENTITY_STORAGE_DEVICE, IDENTITY_USB_DEVICE, IDENTITY_HUB};
    STEPS steps;
    Build();
    ASSERT_EQ(1, Lookup("E", &steps));
    EXPECT_EQ(whole, steps);

    steps.clear();
    EXPECT_EQ(0, Lookup("F", &steps));
    EXPECT_EQ(STEPS{IDENTITY_NO_MOUNT_VALUE}, steps);

    steps.clear();
    host.Port(m_nHub, 3).ConnectionStatus = NoDeviceConnected;
    EXPECT_EQ(0, Lookup("E", &steps));
    STEPS expected = whole;
    expected.push_back(IDENTITY_NO_HUB_PORT);
    EXPECT_EQ(expected, steps);

    steps.clear();
    Build();
    host.FailCall("DeviceIoControl");
    EXPECT_EQ(0, Lookup("E", &steps));
    expected.back() = IDENTITY_HUB_FAILED;
    EXPECT_EQ(expected, steps);
}

// Each platform request of a drive lookup failed in turn, with and without
// a sink: the same result, record, traces and requests; and with the sink
// a failed lookup has reported how far it got.
TEST_F(IdentityReportTest, ASinkChangesNothingOfTheLookup)
{
    const char* apszCalls[] = {"SetupDiGetClassDevsExA", "SetupDiEnumDeviceInfo", "SetupDiGetDeviceInstanceIdA",
                               "SetupDiOpenDevRegKey", "CM_Get_Parent", "RegOpenKeyExA", "RegEnumValueA",
                               "RegQueryValueExA", "CreateFileA", "DeviceIoControl", "HeapAlloc", "GetVersionExA"};
    for (const char* pszCall : apszCalls)
    {
        for (unsigned n = 0; n <= 4; ++n)
        {
            int anResult[2];
            USB_DEVICE_IDENTITY aId[2];
            std::vector<unsigned> aCalls[2];
            std::vector<std::string> aTraces[2];
            std::vector<IDENTITY_STEP> steps;
            for (int nRun = 0; nRun < 2; ++nRun)
            {
                Build();
                if (n)
                    host.FailCall(pszCall, n);
                CDebugTraceCapture traces;
                anResult[nRun] = Lookup("E", nRun ? &steps : NULL);
                aId[nRun] = m_id;
                aTraces[nRun] = traces.Lines();
                for (int nCall = 0; nCall < CSimHost::kCallCount; ++nCall)
                    aCalls[nRun].push_back(host.Calls(CSimHost::CallName(nCall)));
            }
            EXPECT_EQ(anResult[0], anResult[1]) << pszCall << " #" << n;
            EXPECT_EQ(0, memcmp(&aId[0], &aId[1], sizeof(aId[0]))) << pszCall << " #" << n;
            EXPECT_EQ(aCalls[0], aCalls[1]) << pszCall << " #" << n;
            EXPECT_EQ(aTraces[0], aTraces[1]) << pszCall << " #" << n;
            EXPECT_TRUE(anResult[1] || !steps.empty()) << pszCall << " #" << n;
        }
    }
}

}  // namespace
