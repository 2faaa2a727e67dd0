// Matching a device to its Update.cfg section, and the version gate.
#include "UpdateEngine.h"

#include "DebugTrace.h"
#include "TestConfig.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

USB_DEVICE_IDENTITY Device(USHORT idVendor, USHORT idProduct, USHORT bcdDevice = 0x0100)
{
    USB_DEVICE_IDENTITY identity = {};
    identity.cbSize = sizeof identity;
    identity.idVendor = idVendor;
    identity.idProduct = idProduct;
    identity.bcdDevice = bcdDevice;
    return identity;
}

class ConfigMatchTest : public ::testing::Test
{
protected:
    void SetUp() override { RemovePath(CfgPath()); }
    void TearDown() override { RemovePath(CfgPath()); }

    // Matches a device to the section and asks the gate about release bcd.
    int Gate(const std::string& strVersionLine, USHORT bcdDevice)
    {
        WriteCfg("[ModelB]\nDeviceID=0x1002\nVendorID=0x1234\n" + strVersionLine + "\n");
        CUpdateEngine engine;
        const USB_DEVICE_IDENTITY device = Device(0x1234, 0x1002, bcdDevice);
        EXPECT_EQ(1, engine.FindConfigSection(device));
        return engine.IsVersionAccepted(device);
    }
};

TEST_F(ConfigMatchTest, MatchesByProductAndVendor)
{
    WriteCfg(kTwoModelsCfg);
    CUpdateEngine engine;
    EXPECT_EQ(1, engine.FindConfigSection(Device(0x1234, 0x1002, 0x0150)));
    EXPECT_STREQ("ModelB", engine.GetSection());
    EXPECT_STREQ("Model B", engine.GetDeviceName());
}

TEST_F(ConfigMatchTest, NoMatchKeepsSectionAndName)
{
    WriteCfg(kTwoModelsCfg);
    CUpdateEngine engine;
    ASSERT_EQ(1, engine.FindConfigSection(Device(0x1234, 0x1001)));
    EXPECT_EQ(0, engine.FindConfigSection(Device(0x1234, 0x1003)));
    EXPECT_EQ(0, engine.FindConfigSection(Device(0x4321, 0x1002)));
    EXPECT_STREQ("ModelA", engine.GetSection());
    EXPECT_STREQ("Model A", engine.GetDeviceName());
}

TEST_F(ConfigMatchTest, FirstMatchingSectionWins)
{
    WriteCfg("[First]\nDeviceID=0x1002\nVendorID=0x1234\nDeviceName=First one\n"
             "[Second]\nDeviceID=0x1002\nVendorID=0x1234\nDeviceName=Second one\n");
    CUpdateEngine engine;
    EXPECT_EQ(1, engine.FindConfigSection(Device(0x1234, 0x1002)));
    EXPECT_STREQ("First", engine.GetSection());
    EXPECT_STREQ("First one", engine.GetDeviceName());
}

TEST_F(ConfigMatchTest, DeviceIdWithoutVendorIdNeverMatches)
{
    WriteCfg("[NoVendor]\nDeviceID=0x1002\nDeviceName=No vendor\n"
             "[Full]\nDeviceID=0x1002\nVendorID=0x1234\nDeviceName=Full\n");
    CUpdateEngine engine;
    EXPECT_EQ(1, engine.FindConfigSection(Device(0x1234, 0x1002)));
    EXPECT_STREQ("Full", engine.GetSection());
}

TEST_F(ConfigMatchTest, IdsCompareAsWholeTextsIgnoringCase)
{
    WriteCfg("[Lower]\nDeviceID=0x00ab\nVendorID=0x00cd\n");
    CUpdateEngine engine;
    EXPECT_EQ(1, engine.FindConfigSection(Device(0x00CD, 0x00AB)));

    WriteCfg("[Upper]\nDeviceID=0X00AB\nVendorID=0X00CD\n");
    EXPECT_EQ(1, engine.FindConfigSection(Device(0x00CD, 0x00AB)));
    EXPECT_STREQ("Upper", engine.GetSection());

    WriteCfg("[Short]\nDeviceID=0xAB\nVendorID=0x00CD\n");
    CUpdateEngine fresh;
    EXPECT_EQ(0, fresh.FindConfigSection(Device(0x00CD, 0x00AB)));
    EXPECT_TRUE(fresh.GetSection().IsEmpty());
}

TEST_F(ConfigMatchTest, MatchWithoutDeviceNameEmptiesTheName)
{
    CUpdateEngine engine;
    WriteCfg(kTwoModelsCfg);
    ASSERT_EQ(1, engine.FindConfigSection(Device(0x1234, 0x1001)));
    ASSERT_STREQ("Model A", engine.GetDeviceName());
    WriteCfg("[Nameless]\nDeviceID=0x1002\nVendorID=0x1234\n");
    EXPECT_EQ(1, engine.FindConfigSection(Device(0x1234, 0x1002)));
    EXPECT_STREQ("Nameless", engine.GetSection());
    EXPECT_TRUE(engine.GetDeviceName().IsEmpty());
}

TEST_F(ConfigMatchTest, ProductTextIsTracedOncePerCallEvenWithoutSections)
{
    CDebugTraceCapture trace;
    CUpdateEngine engine;
    EXPECT_EQ(0, engine.FindConfigSection(Device(0x1234, 0x00AB)));
    WriteCfg(kTwoModelsCfg);
    EXPECT_EQ(1, engine.FindConfigSection(Device(0x1234, 0x1001)));
    ASSERT_EQ(2u, trace.Lines().size());
    EXPECT_EQ("0x00AB", trace.Lines()[0]);
    EXPECT_EQ("0x1001", trace.Lines()[1]);
}

TEST_F(ConfigMatchTest, VersionGateFourDigits)
{
    EXPECT_EQ(1, Gate("Version=0200", 0x0150));
    EXPECT_EQ(1, Gate("Version=0200", 0x0200));
    EXPECT_EQ(0, Gate("Version=0200", 0x0201));
    EXPECT_EQ(0, Gate("Version=0200", 0x1000));
    EXPECT_EQ(1, Gate("Version=01ab", 0x01AB));
    EXPECT_EQ(0, Gate("Version=01ab", 0x01AC));
}

TEST_F(ConfigMatchTest, VersionWithPrefixComparesAsText)
{
    // Every hexadecimal digit sorts before the x of "0x0200".
    EXPECT_EQ(1, Gate("Version=0x0200", 0x0000));
    EXPECT_EQ(1, Gate("Version=0x0200", 0x0FFF));
    EXPECT_EQ(0, Gate("Version=0x0200", 0x1000));
    EXPECT_EQ(0, Gate("Version=0x0200", 0xFFFF));
}

TEST_F(ConfigMatchTest, MissingOrEmptyVersionAcceptsEveryRelease)
{
    EXPECT_EQ(1, Gate("", 0xFFFF));
    EXPECT_EQ(1, Gate("Version=", 0x9999));
}

}  // namespace
