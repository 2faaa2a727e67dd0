// What identification reports of its way to a sink: the steps it passed
// and where it ended; and that a sink changes nothing of the lookup.
#include "DriveIdentity.h"
#include "IdentityReport.h"

#include "DebugTrace.h"
#include "SimHostFixture.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const USHORT kVendor = 0x1234;
const USHORT kProduct = 0x1002;

typedef std::vector<std::pair<IDENTITY_STEP, std::string>> STEPS;

void RecordStep(IDENTITY_STEP nStep, const char* pszDetail, void* pContext)
{
    static_cast<STEPS*>(pContext)->push_back({nStep, pszDetail ? pszDetail : ""});
}

// The sink for the length of one scope.
class CStepRecorder
{
public:
    CStepRecorder() { SetIdentityReport(RecordStep, &m_steps); }
    ~CStepRecorder() { SetIdentityReport(NULL, NULL); }
    std::vector<IDENTITY_STEP> Steps() const
    {
        std::vector<IDENTITY_STEP> steps;
        for (const auto& step : m_steps)
            steps.push_back(step.first);
        return steps;
    }
    STEPS m_steps;
};

class IdentityReportTest : public CSimHostTest
{
protected:
    USB_DEVICE_IDENTITY m_id = {};
    int m_nHub = 0;

    void SetUp() override
    {
        CSimHostTest::SetUp();
        m_nHub = host.AddHub(4);
    }
    int Lookup(const char* pszDrive)
    {
        memset(&m_id, 0, sizeof(m_id));
        m_id.cbSize = sizeof(m_id);
        return GetDeviceIdentityByDrive(pszDrive, &m_id);
    }
};

const std::vector<IDENTITY_STEP> kWholeWay = {IDENTITY_MOUNT_PATH, IDENTITY_STORAGE_DEVICE, IDENTITY_USB_DEVICE,
                                              IDENTITY_HUB};

TEST_F(IdentityReportTest, AnIdentifiedStickReportsEveryStep)
{
    SIM_STICK stick = host.AddStick(m_nHub, 3, kVendor, kProduct, "AA01", 'E');
    CStepRecorder recorder;
    ASSERT_EQ(1, Lookup("E"));
    ASSERT_EQ(kWholeWay, recorder.Steps());
    EXPECT_EQ(stick.strMountPath.substr(4), recorder.m_steps[0].second.substr(4));
    EXPECT_EQ(stick.strUsbId, recorder.m_steps[2].second);
    EXPECT_EQ(host.LastCreateFilePath(), recorder.m_steps[3].second);
}

TEST_F(IdentityReportTest, CompositeReportsTheCompositeDevice)
{
    SIM_STICK stick = host.AddCompositeStick(m_nHub, 2, kVendor, kProduct, "COMP01", 'E');
    CStepRecorder recorder;
    ASSERT_EQ(1, Lookup("E"));
    ASSERT_EQ(kWholeWay, recorder.Steps());
    EXPECT_EQ(stick.strUsbId, recorder.m_steps[2].second);
    EXPECT_EQ(std::string::npos, recorder.m_steps[2].second.find("&MI_"));
}

// Each way that ends early says where.
TEST_F(IdentityReportTest, WhereTheWayEnded)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    {
        CStepRecorder recorder;
        EXPECT_EQ(0, Lookup("F"));
        EXPECT_EQ(std::vector<IDENTITY_STEP>{IDENTITY_NO_MOUNT_VALUE}, recorder.Steps());
    }
    {
        host.Port(m_nHub, 1).ConnectionStatus = NoDeviceConnected;
        CStepRecorder recorder;
        EXPECT_EQ(0, Lookup("E"));
        std::vector<IDENTITY_STEP> expected = kWholeWay;
        expected.push_back(IDENTITY_NO_HUB_PORT);
        EXPECT_EQ(expected, recorder.Steps());
        host.Port(m_nHub, 1).ConnectionStatus = DeviceConnected;
    }
    {
        host.FailCall("DeviceIoControl");
        CStepRecorder recorder;
        EXPECT_EQ(0, Lookup("E"));
        std::vector<IDENTITY_STEP> expected = kWholeWay;
        expected.push_back(IDENTITY_HUB_FAILED);
        EXPECT_EQ(expected, recorder.Steps());
        EXPECT_EQ("its node information cannot be had", recorder.m_steps.back().second);
    }
}

TEST_F(IdentityReportTest, ClimbThatFindsNoDeviceSaysSo)
{
    SIM_STICK stick = host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    host.HideFromList(stick.dnUsb);
    CStepRecorder recorder;
    EXPECT_EQ(0, Lookup("E"));
    const std::vector<IDENTITY_STEP> expected = {IDENTITY_MOUNT_PATH, IDENTITY_STORAGE_DEVICE, IDENTITY_CLIMB_FAILED};
    EXPECT_EQ(expected, recorder.Steps());

    host.Reset();
    host.AddMountPath('E', "\\??\\" + std::string(256, 'A'));
    CStepRecorder unfit;
    EXPECT_EQ(0, Lookup("E"));
    EXPECT_EQ(std::vector<IDENTITY_STEP>{IDENTITY_MOUNT_PATH_UNFIT}, unfit.Steps());
}

// Each platform request of a drive lookup failed in turn, with and without
// a sink: the same result, record, traces and requests; and with the sink
// a failed lookup has reported how far it got.
TEST_F(IdentityReportTest, ASinkChangesNothingOfTheLookup)
{
    auto build = [this]() {
        host.Reset();
        m_nHub = host.AddHub(4);
        host.AddStick(m_nHub, 3, kVendor, kProduct, "AA01", 'E');
    };
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
            STEPS steps;
            for (int nRun = 0; nRun < 2; ++nRun)
            {
                build();
                if (n)
                    host.FailCall(pszCall, n);
                CDebugTraceCapture traces;
                if (nRun == 1)
                    SetIdentityReport(RecordStep, &steps);
                anResult[nRun] = Lookup("E");
                SetIdentityReport(NULL, NULL);
                aId[nRun] = m_id;
                aTraces[nRun] = traces.Lines();
                for (int nCall = 0; nCall < CSimHost::kCallCount; ++nCall)
                    aCalls[nRun].push_back(host.Calls(CSimHost::CallName(nCall)));
            }
            EXPECT_EQ(anResult[0], anResult[1]) << pszCall << " #" << n;
            EXPECT_EQ(0, memcmp(&aId[0], &aId[1], sizeof(aId[0]))) << pszCall << " #" << n;
            EXPECT_EQ(aCalls[0], aCalls[1]) << pszCall << " #" << n;
            EXPECT_EQ(aTraces[0], aTraces[1]) << pszCall << " #" << n;
            if (!anResult[1])
            {
                EXPECT_FALSE(steps.empty()) << pszCall << " #" << n;
            }
        }
    }
}

}  // namespace
