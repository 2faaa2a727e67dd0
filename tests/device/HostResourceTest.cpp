// CHostResource over the simulated host: what it owns goes back once, on
// every way out, and moves with its owner.
#include "HostResource.h"

#include "SimHostTest.h"

#include <utility>

namespace {

class HostResourceTest : public CSimHostTest
{
protected:
    HDEVINFO OpenSet()
    {
        return GetDeviceHostApi().pfnSetupDiGetClassDevsExA(nullptr, nullptr, nullptr, DIGCF_ALLCLASSES, nullptr,
                                                            nullptr, nullptr);
    }
    void* AllocBlock(HANDLE hHeap) { return GetDeviceHostApi().pfnHeapAlloc(hHeap, 0, 16); }
};

TEST_F(HostResourceTest, ReleasesWhenItGoes)
{
    {
        CHostDeviceSet set(OpenSet());
        ASSERT_TRUE(set.IsOpen());
        EXPECT_EQ(1, host.OpenDeviceSets());
    }
    EXPECT_EQ(0, host.OpenDeviceSets());
    EXPECT_EQ(1u, host.Calls("SetupDiDestroyDeviceInfoList"));
}

TEST_F(HostResourceTest, CloseIsIdempotent)
{
    CHostDeviceSet set(OpenSet());
    set.Close();
    set.Close();
    EXPECT_FALSE(set.IsOpen());
    EXPECT_EQ(INVALID_HANDLE_VALUE, set.Get());
    EXPECT_EQ(1u, host.Calls("SetupDiDestroyDeviceInfoList"));
}

TEST_F(HostResourceTest, NothingHeldIsNotReleased)
{
    {
        CHostDeviceSet none;
        CHostFileHandle hub(INVALID_HANDLE_VALUE);
        CHostRegistryKey key(static_cast<HKEY>(INVALID_HANDLE_VALUE));
        CHostHeapBlock block(nullptr, HEAP_BLOCK_TRAITS(host.ProcessHeap()));
        EXPECT_FALSE(none.IsOpen() || hub.IsOpen() || key.IsOpen() || block.IsOpen());
    }
    EXPECT_EQ(0u, host.Calls("SetupDiDestroyDeviceInfoList"));
    EXPECT_EQ(0u, host.Calls("CloseHandle"));
    EXPECT_EQ(0u, host.Calls("RegCloseKey"));
    EXPECT_EQ(0u, host.Calls("HeapFree"));
}

TEST_F(HostResourceTest, MovingHandsTheResourceOver)
{
    CHostDeviceSet first(OpenSet());
    const HDEVINFO hSet = first.Get();
    CHostDeviceSet second(std::move(first));
    EXPECT_FALSE(first.IsOpen());
    EXPECT_EQ(hSet, second.Get());

    CHostDeviceSet third(OpenSet());
    third = std::move(second);  // releases what third held
    EXPECT_EQ(hSet, third.Get());
    EXPECT_EQ(1, host.OpenDeviceSets());
    EXPECT_EQ(1u, host.Calls("SetupDiDestroyDeviceInfoList"));
}

TEST_F(HostResourceTest, DetachHandsTheResourceToTheCaller)
{
    HANDLE hHeap = host.ProcessHeap();
    void* pBlock = nullptr;
    {
        CHostHeapBlock block(AllocBlock(hHeap), HEAP_BLOCK_TRAITS(hHeap));
        pBlock = block.Detach();
        EXPECT_FALSE(block.IsOpen());
    }
    EXPECT_EQ(1, host.OpenHeapBlocks());
    GetDeviceHostApi().pfnHeapFree(hHeap, 0, pBlock);
}

TEST_F(HostResourceTest, HeapBlockGoesBackToItsOwnHeap)
{
    {
        CHostHeapBlock block(AllocBlock(host.ProcessHeap()), HEAP_BLOCK_TRAITS(host.ProcessHeap()));
        ASSERT_TRUE(block.IsOpen());
    }
    EXPECT_EQ(0, host.OpenHeapBlocks());
    EXPECT_EQ(0u, host.Calls("GetProcessHeap"));
}

TEST_F(HostResourceTest, ProcessHeapBlockAsksForTheHeapWhenItGoes)
{
    {
        CProcessHeapBlock block(AllocBlock(host.ProcessHeap()));
        ASSERT_TRUE(block.IsOpen());
        EXPECT_EQ(0u, host.Calls("GetProcessHeap"));
    }
    EXPECT_EQ(1u, host.Calls("GetProcessHeap"));
    EXPECT_EQ(0, host.OpenHeapBlocks());
}

}  // namespace
