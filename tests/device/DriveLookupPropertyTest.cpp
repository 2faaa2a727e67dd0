// The drive lookup judged by the simulated host, which knows which stick it
// put behind each drive: thousands of random hosts (external hubs, siblings
// of one model, serial numbers that begin one another, sticks without
// serial numbers or named by their port, composite devices, host versions 5
// and 6), each looked up once as built and once with one platform call
// failing at a random point. The lookup must return exactly the identity of
// the stick behind the drive, or 0 when a call failed on its way; never
// another stick's identity, never a leak, never an unbounded number of
// requests. The seed is fixed; PELKIN_PROPERTY_SEED runs another one.
#include "DriveIdentity.h"

#include "SimHostTest.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

const unsigned kDefaultSeed = 0x5EED0B11;
const int kHosts = 5000;

struct MODEL
{
    USHORT idVendor;
    USHORT idProduct;
    const char* pszSerialStem;
};

// Two siblings' models of one vendor and a stranger.
const MODEL g_aModels[] = {{0x1234, 0x1002, "PKB"}, {0x1234, 0x1001, "PKA"}, {0x0781, 0x5567, "4C53"}};
// Serial tails: each of the first three begins the next.
const char* const g_apszTails[] = {"1", "12", "123", "2", "1A"};

// The calls a lookup may find failing. Releasing calls are left out: when
// the platform fails to release, the leak is the platform's. So is the
// process heap's handle, which the process has as long as it runs: asked
// for again to free a block, a failure would leak the block on any host.
struct PLANNED_STICK
{
    int nHub;
    int nPort;
    int nModel;
    std::string strSerial;  // empty: none
    bool bIdByPort;
    bool bComposite;
    char chDrive;
    USHORT bcdDevice;  // one of its own, so that the record tells the sticks apart
};

struct RANDOM_HOST
{
    DWORD dwMajor = 6;
    std::vector<int> vHubPorts;  // external hubs
    std::vector<PLANNED_STICK> vSticks;
    int nFillers = 0;
    char chDrive = 'E';  // the drive looked up
    int nMountValues = 0;
    int nPorts = 2;  // every hub's ports, the root hub's two included
};

std::string Describe(const RANDOM_HOST& plan)
{
    std::ostringstream text;
    text << "host version " << plan.dwMajor << ", " << plan.vHubPorts.size() << " external hubs (ports";
    for (int nPorts : plan.vHubPorts)
        text << " " << nPorts;
    text << "), " << plan.nFillers << " other devices; drive " << plan.chDrive << " looked up\n";
    for (const PLANNED_STICK& stick : plan.vSticks) {
        const MODEL& model = g_aModels[stick.nModel];
        char szIds[32];
        std::snprintf(szIds, sizeof(szIds), "%04X:%04X rel %04X", model.idVendor, model.idProduct, stick.bcdDevice);
        text << "  hub " << stick.nHub << " port " << stick.nPort << ": " << szIds << " serial '" << stick.strSerial
             << "'" << (stick.bIdByPort ? " id by port" : "") << (stick.bComposite ? " composite" : "") << " drive "
             << (stick.chDrive ? stick.chDrive : '-') << "\n";
    }
    return text.str();
}

bool SameSerial(const PLANNED_STICK& a, const PLANNED_STICK& b)
{
    return a.nModel == b.nModel && !a.strSerial.empty() && lstrcmpiA(a.strSerial.c_str(), b.strSerial.c_str()) == 0;
}

// Builds the same host from the same seed every time, and says what it is.
RANDOM_HOST BuildHost(CSimHost& host, unsigned nSeed)
{
    std::mt19937 rng(nSeed);
    auto below = [&rng](unsigned n) { return static_cast<int>(rng() % n); };
    RANDOM_HOST plan;
    plan.dwMajor = below(2) ? 6 : 5;
    host.Reset();
    host.SetHostMajorVersion(plan.dwMajor);

    std::vector<std::pair<int, int>> vFree = {{0, 1}, {0, 2}};
    for (int nHubs = below(4); nHubs > 0; --nHubs) {
        const int nPorts = 1 + below(7);
        const int nHub = host.AddHub(nPorts);
        plan.vHubPorts.push_back(nPorts);
        plan.nPorts += nPorts;
        for (int nPort = 1; nPort <= nPorts; ++nPort)
            vFree.push_back({nHub, nPort});
    }
    std::shuffle(vFree.begin(), vFree.end(), rng);
    const int nSticks = 1 + below(std::min<unsigned>(6, static_cast<unsigned>(vFree.size())));
    char chNextDrive = 'E';
    std::vector<DEVINST> vNodes;
    for (int i = 0; i < nSticks; ++i) {
        PLANNED_STICK stick;
        stick.nHub = vFree[i].first;
        stick.nPort = vFree[i].second;
        stick.nModel = below(5) == 0 ? 2 : below(2);
        if (below(4) != 0)
            stick.strSerial = std::string(g_aModels[stick.nModel].pszSerialStem) + g_apszTails[below(5)];
        // A serial another stick of the model carries: the host names this
        // one by its port, as Windows does; now and then it does so anyway.
        stick.bIdByPort = !stick.strSerial.empty() && below(8) == 0;
        for (const PLANNED_STICK& other : plan.vSticks)
            if (SameSerial(stick, other) && !other.bIdByPort)
                stick.bIdByPort = true;
        stick.bComposite = below(4) == 0;
        stick.chDrive = below(5) != 0 ? chNextDrive++ : 0;
        stick.bcdDevice = static_cast<USHORT>(0x0100 + i);
        const MODEL& model = g_aModels[stick.nModel];
        const char* pszSerial = stick.strSerial.empty() ? nullptr : stick.strSerial.c_str();
        SIM_STICK added = stick.bComposite
                              ? host.AddCompositeStick(stick.nHub, stick.nPort, model.idVendor, model.idProduct,
                                                       pszSerial, stick.chDrive, stick.bIdByPort)
                              : host.AddStick(stick.nHub, stick.nPort, model.idVendor, model.idProduct, pszSerial,
                                              stick.chDrive, stick.bIdByPort);
        host.Port(stick.nHub, stick.nPort).Descriptor.bcdDevice = stick.bcdDevice;
        for (DEVINST dn : {added.dnUsb, added.dnInterface, added.dnDisk, added.dnVolume})
            if (dn)
                vNodes.push_back(dn);
        plan.nMountValues += stick.chDrive ? 2 : 0;
        plan.vSticks.push_back(stick);
    }
    plan.nFillers = below(6);
    host.AddFillerDevices(plan.nFillers);
    for (size_t nHub = 1; nHub <= plan.vHubPorts.size(); ++nHub)
        vNodes.push_back(host.HubNode(static_cast<int>(nHub)));
    // The platform's list order is its own: some nodes ahead of the rest.
    std::shuffle(vNodes.begin(), vNodes.end(), rng);
    for (DEVINST dn : vNodes)
        if (below(3) == 0)
            host.MoveToFront(dn);
    // Mostly a drive with a stick behind it, now and then one without.
    plan.chDrive = below(6) == 0 || chNextDrive == 'E' ? static_cast<char>('E' + below(8))
                                                       : static_cast<char>('E' + below(chNextDrive - 'E'));
    return plan;
}

const PLANNED_STICK* StickBehind(const RANDOM_HOST& plan)
{
    for (const PLANNED_STICK& stick : plan.vSticks)
        if (stick.chDrive == plan.chDrive)
            return &stick;
    return nullptr;
}

class DriveLookupPropertyTest : public CSimHostTest
{
protected:
    // What a lookup must hold to: exactly the stick's identity, or nothing;
    // bounded requests; nothing left open. Empty when it held.
    std::string Judge(const RANDOM_HOST& plan, int nResult, const USB_DEVICE_IDENTITY& id, bool bMayFail)
    {
        std::ostringstream problems;
        const PLANNED_STICK* pStick = StickBehind(plan);
        if (nResult) {
            if (!pStick)
                problems << "an identity for a drive without a stick (release " << id.bcdDevice << ")\n";
            else {
                const MODEL& model = g_aModels[pStick->nModel];
                if (id.bcdDevice != pStick->bcdDevice || id.idVendor != model.idVendor ||
                    id.idProduct != model.idProduct || pStick->strSerial != id.szSerialNumber ||
                    id.Speed != UsbHighSpeed)
                    problems << "another identity: release " << std::hex << id.bcdDevice << " serial '"
                             << id.szSerialNumber << "'\n";
                // Strings other than the serial number may be missing when
                // their request failed, never wrong.
                if (id.szManufacturer[0] && std::strcmp(id.szManufacturer, "Example Corp") != 0)
                    problems << "manufacturer '" << id.szManufacturer << "'\n";
                if (id.szProduct[0] && std::strcmp(id.szProduct, "Flash Disk") != 0)
                    problems << "product '" << id.szProduct << "'\n";
            }
        } else {
            USB_DEVICE_IDENTITY empty = {};
            empty.cbSize = sizeof(empty);
            if (std::memcmp(&empty, &id, sizeof(id)) != 0)
                problems << "result 0 with a record that is not empty\n";
            if (pStick && !bMayFail)
                problems << "result 0 although no call failed\n";
        }
        if (host.Leaks())
            problems << "leaks: " << host.LeakReport() << "\n";
        if (host.Calls("SetupDiGetClassDevsExA") > 2)
            problems << host.Calls("SetupDiGetClassDevsExA") << " device lists\n";
        // Five walks at most, each over the list and one request past it.
        if (host.Calls("SetupDiEnumDeviceInfo") > 5 * (host.ListedNodes() + 1))
            problems << host.Calls("SetupDiEnumDeviceInfo") << " element requests\n";
        // Each value once and the end; an index made to fail as a name too
        // long may come on top of them.
        if (host.Calls("RegEnumValueA") > static_cast<unsigned>(plan.nMountValues) + 2)
            problems << host.Calls("RegEnumValueA") << " mount-table requests\n";
        // Node information, then connection and driver key for each port,
        // then up to three strings.
        if (host.Calls("DeviceIoControl") > 1 + 2 * static_cast<unsigned>(plan.nPorts) + 3)
            problems << host.Calls("DeviceIoControl") << " hub requests\n";
        return problems.str();
    }

    int Lookup(USB_DEVICE_IDENTITY& id)
    {
        std::memset(&id, 0xA5, sizeof(id));
        id.cbSize = sizeof(id);
        const char szDrive[2] = {m_chDrive, 0};
        return GetDeviceIdentityByDrive(szDrive, &id);
    }

    char m_chDrive = 'E';
};

TEST_F(DriveLookupPropertyTest, EveryDriveGivesItsOwnStickOrNothing)
{
    unsigned nBaseSeed = kDefaultSeed;
    if (const char* pszSeed = std::getenv("PELKIN_PROPERTY_SEED"))
        nBaseSeed = static_cast<unsigned>(std::strtoul(pszSeed, nullptr, 0));
    std::mt19937 seeds(nBaseSeed);
    const auto start = std::chrono::steady_clock::now();
    int nIdentified = 0, nFailedRuns = 0, nFailedAndFound = 0;
    for (int nHost = 0; nHost < kHosts; ++nHost) {
        const unsigned nSeed = seeds();
        std::mt19937 pick(nSeed ^ 0xFA11u);
        const std::string strWhere = "base seed " + std::to_string(nBaseSeed) + ", host " + std::to_string(nHost) +
                                     " (seed " + std::to_string(nSeed) + ")";

        // As built: every call answers.
        RANDOM_HOST plan = BuildHost(host, nSeed);
        m_chDrive = plan.chDrive;
        USB_DEVICE_IDENTITY id;
        int nResult = Lookup(id);
        std::string strProblems = Judge(plan, nResult, id, false);
        ASSERT_EQ("", strProblems) << strWhere << ", no call failing\n" << Describe(plan);
        nIdentified += nResult;

        // Once more, with one call failing at a point the first run reached
        // (or, now and then, one past it).
        std::vector<const char*> vReached;
        std::vector<unsigned> vCounts;
        for (const char* pszCall : g_apszLookupCalls)
            if (host.Calls(pszCall)) {
                vReached.push_back(pszCall);
                vCounts.push_back(host.Calls(pszCall));
            }
        const size_t nCall = pick() % vReached.size();
        const unsigned nNth = 1 + pick() % (vCounts[nCall] + 1);
        // A name too long is an error the mount-table walk passes over.
        const DWORD dwError =
            std::strcmp(vReached[nCall], "RegEnumValueA") == 0 && pick() % 2 ? ERROR_MORE_DATA : ERROR_GEN_FAILURE;
        BuildHost(host, nSeed);
        host.FailCall(vReached[nCall], nNth, dwError);
        nResult = Lookup(id);
        const bool bFailed = host.Calls(vReached[nCall]) >= nNth;
        strProblems = Judge(plan, nResult, id, bFailed);
        ASSERT_EQ("", strProblems) << strWhere << ", " << vReached[nCall] << " #" << nNth << " failing ("
                                   << (bFailed ? "reached" : "not reached") << ")\n"
                                   << Describe(plan);
        nFailedRuns += bFailed;
        nFailedAndFound += bFailed && nResult;
    }
    const double dSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d hosts in %.2f s: %d drives identified as built; %d runs with a call failing, %d of them still "
                "identified\n",
                kHosts, dSeconds, nIdentified, nFailedRuns, nFailedAndFound);
    host.Reset();
}

}  // namespace
