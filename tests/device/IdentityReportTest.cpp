// A sink for identification's reports changes nothing of the lookup, and
// a failed lookup always reports how far it got. (What the reports say is
// seen in the engine's events and the logs of the end-to-end runs.)
#include "DriveIdentity.h"
#include "IdentityReport.h"

#include "DebugTrace.h"
#include "SimHostTest.h"

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

// Each platform request of a drive lookup failed in turn, with and without
// a sink: the same result, record, traces and requests; and with the sink
// a failed lookup has reported how far it got.
TEST_F(IdentityReportTest, ASinkChangesNothingOfTheLookup)
{
    for (const char* pszCall : g_apszLookupCalls) {
        for (unsigned n = 0; n <= 4; ++n) {
            int anResult[2];
            USB_DEVICE_IDENTITY aId[2];
            std::vector<unsigned> aCalls[2];
            std::vector<std::string> aTraces[2];
            std::vector<IDENTITY_STEP> steps;
            for (int nRun = 0; nRun < 2; ++nRun) {
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
