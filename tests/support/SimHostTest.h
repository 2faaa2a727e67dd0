// Base fixture for tests against the simulated host: a fresh host for every
// test, and every device set, key, hub handle and heap block handed out
// must have come back by the end of it. A fixture that overrides SetUp or
// TearDown calls these too; the test executable links hostsim.
#pragma once

#include "SimHost.h"

#include <gtest/gtest.h>

// The host calls a drive lookup makes that can fail (the rest, such as
// releases, it only makes on its way out).
const char* const g_apszLookupCalls[] = {"SetupDiGetClassDevsExA",
                                         "SetupDiEnumDeviceInfo",
                                         "SetupDiGetDeviceInstanceIdA",
                                         "SetupDiOpenDevRegKey",
                                         "CM_Get_Parent",
                                         "CM_Get_DevNode_Registry_PropertyA",
                                         "RegOpenKeyExA",
                                         "RegEnumValueA",
                                         "RegQueryValueExA",
                                         "CreateFileA",
                                         "DeviceIoControl",
                                         "HeapAlloc",
                                         "GetVersionExA"};

class CSimHostTest : public ::testing::Test
{
protected:
    CSimHost& host = CSimHost::Get();

    void SetUp() override { host.Reset(); }
    void TearDown() override { EXPECT_EQ(0, host.Leaks()) << host.LeakReport(); }
};
