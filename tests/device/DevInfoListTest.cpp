// CDevInfoList over the simulated host's device sets.
#include "DevInfoList.h"

#include "SimHostTest.h"

#include <vector>

namespace {

struct WALK_LOG
{
    std::vector<DEVINST> vVisited;
    std::vector<GUID> vGuids;
    size_t nStopAfter = 0;  // 0: never stop
};

int LogCallback(HDEVINFO, SP_DEVINFO_DATA* pData, GUID* pClassGuid, void* pContext)
{
    WALK_LOG* pLog = static_cast<WALK_LOG*>(pContext);
    pLog->vVisited.push_back(pData->DevInst);
    pLog->vGuids.push_back(*pClassGuid);
    return pLog->vVisited.size() != pLog->nStopAfter;
}

struct NESTED_WALK
{
    CDevInfoList* pList;
    std::vector<DEVINST> vOuter;
    std::vector<DEVINST> vInner;
    DEVINST dnNestAt;
};

int InnerCallback(HDEVINFO, SP_DEVINFO_DATA* pData, GUID*, void* pContext)
{
    static_cast<NESTED_WALK*>(pContext)->vInner.push_back(pData->DevInst);
    return 1;
}

int OuterCallback(HDEVINFO, SP_DEVINFO_DATA* pData, GUID*, void* pContext)
{
    NESTED_WALK* pWalk = static_cast<NESTED_WALK*>(pContext);
    pWalk->vOuter.push_back(pData->DevInst);
    if (pData->DevInst == pWalk->dnNestAt) {
        EXPECT_EQ(1, pWalk->pList->Enumerate(InnerCallback, pWalk));
    }
    return 1;
}

class DevInfoListTest : public CSimHostTest
{
protected:
    std::vector<DEVINST> AllNodes() const
    {
        std::vector<DEVINST> v;
        v.push_back(1);
        v.push_back(2);
        v.push_back(host.RootHubNode());
        return v;
    }
};

TEST_F(DevInfoListTest, WalksEveryElementInOrderWithZeroClassGuid)
{
    CDevInfoList* pList = new CDevInfoList;
    ASSERT_EQ(1, pList->Open(nullptr, nullptr, nullptr, DIGCF_PRESENT | DIGCF_ALLCLASSES, 0, nullptr));
    EXPECT_EQ(DWORD(6), host.LastClassDevsFlags());
    WALK_LOG log;
    EXPECT_EQ(1, pList->Enumerate(LogCallback, &log));
    EXPECT_EQ(AllNodes(), log.vVisited);
    GUID zero = {};
    for (const GUID& guid : log.vGuids)
        EXPECT_EQ(0, memcmp(&zero, &guid, sizeof(GUID)));
    delete pList;
    EXPECT_EQ(0, host.OpenDeviceSets());
}

TEST_F(DevInfoListTest, KeepsTheClassGuidOfTheLastOpen)
{
    const GUID guid = {0x36fc9e60, 0xc465, 0x11cf, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0, 0}};
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(&guid, nullptr, nullptr, DIGCF_PRESENT, 0, nullptr));
    WALK_LOG log;
    log.nStopAfter = 1;
    EXPECT_EQ(1, list.Enumerate(LogCallback, &log));
    ASSERT_EQ(1u, log.vGuids.size());
    EXPECT_EQ(0, memcmp(&guid, &log.vGuids[0], sizeof(GUID)));
}

TEST_F(DevInfoListTest, EmptySetCallsNothing)
{
    host.HideFromList(1);
    host.HideFromList(2);
    host.HideFromList(host.RootHubNode());
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    WALK_LOG log;
    EXPECT_EQ(1, list.Enumerate(LogCallback, &log));
    EXPECT_TRUE(log.vVisited.empty());
}

TEST_F(DevInfoListTest, CallbackStoppingAtFirstElementIsOneCallAndSuccess)
{
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    WALK_LOG log;
    log.nStopAfter = 1;
    EXPECT_EQ(1, list.Enumerate(LogCallback, &log));
    EXPECT_EQ(1u, log.vVisited.size());
    EXPECT_EQ(1u, host.Calls("SetupDiEnumDeviceInfo"));
}

TEST_F(DevInfoListTest, NullCallbackWalksToTheEnd)
{
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    EXPECT_EQ(1, list.Enumerate(nullptr, nullptr));
    EXPECT_EQ(4u, host.Calls("SetupDiEnumDeviceInfo"));  // three elements and the end
}

TEST_F(DevInfoListTest, ElementErrorOtherThanEndFailsTheWalk)
{
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    host.FailCall("SetupDiEnumDeviceInfo", 2, ERROR_INVALID_USER_BUFFER);
    WALK_LOG log;
    EXPECT_EQ(0, list.Enumerate(LogCallback, &log));
    EXPECT_EQ(1u, log.vVisited.size());
}

// A list as constructed holds no set: nothing to walk.
TEST_F(DevInfoListTest, ConstructedListIsNotOpenAndFailsToWalk)
{
    CDevInfoList list;
    WALK_LOG log;
    EXPECT_EQ(0, list.Enumerate(LogCallback, &log));
    EXPECT_TRUE(log.vVisited.empty());
}

TEST_F(DevInfoListTest, NestedWalkStartsAtZeroAndOuterWalkResumes)
{
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    NESTED_WALK walk = {&list, {}, {}, 2};
    EXPECT_EQ(1, list.Enumerate(OuterCallback, &walk));
    EXPECT_EQ(AllNodes(), walk.vOuter);
    EXPECT_EQ(AllNodes(), walk.vInner);
}

TEST_F(DevInfoListTest, EmptyEnumeratorOrMachineNameIsRefusedAndKeepsTheSet)
{
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    HDEVINFO hHeld = list.m_hDevInfo;
    EXPECT_EQ(0, list.Open(nullptr, "", nullptr, 6, 0, nullptr));
    EXPECT_EQ(0, list.Open(nullptr, nullptr, nullptr, 6, 0, ""));
    EXPECT_EQ(hHeld, list.m_hDevInfo);
    EXPECT_EQ(1, host.OpenDeviceSets());
    EXPECT_EQ(1u, host.Calls("SetupDiGetClassDevsExA"));
}

TEST_F(DevInfoListTest, FailedReopenReleasesTheOldSet)
{
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    host.FailCall("SetupDiGetClassDevsExA", 2);
    EXPECT_EQ(0, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    EXPECT_EQ(INVALID_HANDLE_VALUE, list.m_hDevInfo);
    EXPECT_EQ(0, host.OpenDeviceSets());
}

TEST_F(DevInfoListTest, ReopenReplacesTheSet)
{
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    EXPECT_EQ(1, host.OpenDeviceSets());
}

TEST_F(DevInfoListTest, AddingKeepsTheHeldSetEvenWhenItFails)
{
    CDevInfoList list;
    ASSERT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 0, nullptr));
    HDEVINFO hHeld = list.m_hDevInfo;
    EXPECT_EQ(1, list.Open(nullptr, "USB", nullptr, 6, 1, nullptr));
    EXPECT_EQ(hHeld, list.m_hDevInfo);
    host.FailCall("SetupDiGetClassDevsExA", 3);
    EXPECT_EQ(0, list.Open(nullptr, "USB", nullptr, 6, 1, nullptr));
    EXPECT_EQ(hHeld, list.m_hDevInfo);
    EXPECT_EQ(1, host.OpenDeviceSets());
}

TEST_F(DevInfoListTest, AddingToAListThatIsNotOpenOpensAFreshSet)
{
    CDevInfoList list;
    EXPECT_EQ(1, list.Open(nullptr, nullptr, nullptr, 6, 1, nullptr));
    EXPECT_NE(INVALID_HANDLE_VALUE, list.m_hDevInfo);
    EXPECT_EQ(1, host.OpenDeviceSets());
}

}  // namespace
