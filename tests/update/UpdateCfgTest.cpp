// CUpdateCfg against real Update.cfg files beside the test executable, read
// through Wine's profile reader.
#include "UpdateCfg.h"

#include "TestConfig.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

namespace {

class UpdateCfgTest : public ::testing::Test
{
protected:
    void SetUp() override { RemovePath(CfgPath()); }
    void TearDown() override { RemovePath(CfgPath()); }
};

TEST_F(UpdateCfgTest, PathIsBesideTheExecutable)
{
    CUpdateCfg cfg;
    CString strPath = "unchanged";
    ASSERT_EQ(1, cfg.BuildCfgPath(strPath));
    EXPECT_STREQ((ExeFolder() + "Update.cfg").c_str(), strPath);
}

TEST_F(UpdateCfgTest, ReadsTheFileOfAnotherFolder)
{
    const std::string strFolder = ExeFolder() + "Release\\";
    WriteFileBytes(strFolder + "Update.cfg", "[ModelC]\nDeviceID=0x1003\n");
    CUpdateCfg cfg(strFolder.c_str());
    CString strValue;
    EXPECT_EQ(1, cfg.ReadDeviceID("ModelC", strValue));
    EXPECT_STREQ("0x1003", strValue);
    RemovePath(strFolder);
    // A folder too long for the file's path reads nothing.
    CUpdateCfg cfgLong((strFolder + std::string(MAX_PATH, 'x') + "\\").c_str());
    EXPECT_EQ(0, cfgLong.ReadDeviceID("ModelC", strValue));
}

TEST_F(UpdateCfgTest, MissingFileGivesNoSectionsAndEmptyValues)
{
    CUpdateCfg cfg;
    CStringArray arr;
    cfg.GetSectionNames(arr);
    EXPECT_EQ(0, arr.GetSize());
    CString strValue = "stale";
    EXPECT_EQ(0, cfg.ReadDeviceID("ModelA", strValue));
    EXPECT_TRUE(strValue.IsEmpty());
    strValue = "stale";
    EXPECT_EQ(0, cfg.ReadDeviceName("ModelA", strValue));
    EXPECT_TRUE(strValue.IsEmpty());
}

TEST_F(UpdateCfgTest, ReadsTheFourKeysWhateverTheirCase)
{
    WriteCfg("[ModelA]\r\ndeviceid = 0x1001\r\nVENDORID=0x1234\r\nDeviceName=  Model A  \r\nversion=0105\r\n");
    CUpdateCfg cfg;
    CString strValue;
    EXPECT_EQ(1, cfg.ReadDeviceID("modela", strValue));
    EXPECT_STREQ("0x1001", strValue);
    EXPECT_EQ(1, cfg.ReadVendorID("MODELA", strValue));
    EXPECT_STREQ("0x1234", strValue);
    EXPECT_EQ(1, cfg.ReadDeviceName("ModelA", strValue));
    EXPECT_STREQ("Model A", strValue);
    EXPECT_EQ(1, cfg.ReadVersion("ModelA", strValue));
    EXPECT_STREQ("0105", strValue);
}

TEST_F(UpdateCfgTest, MissingKeyReplacesAnEarlierValue)
{
    WriteCfg("[ModelA]\nDeviceID=0x1001\n");
    CUpdateCfg cfg;
    CString strValue = "0200";
    EXPECT_EQ(0, cfg.ReadVersion("ModelA", strValue));
    EXPECT_TRUE(strValue.IsEmpty());
    strValue = "old";
    EXPECT_EQ(1, cfg.ReadDeviceID("ModelA", strValue));
    EXPECT_STREQ("0x1001", strValue);
    EXPECT_EQ(0, cfg.ReadDeviceID("NoSuchSection", strValue));
    EXPECT_TRUE(strValue.IsEmpty());
}

TEST_F(UpdateCfgTest, ValuesAreCutAt259Characters)
{
    const std::string strLong(300, 'v');
    WriteCfg("[ModelA]\nDeviceName=" + strLong + "\n");
    CUpdateCfg cfg;
    CString strValue;
    EXPECT_EQ(1, cfg.ReadDeviceName("ModelA", strValue));
    EXPECT_EQ(259, strValue.GetLength());
    EXPECT_STREQ(strLong.substr(0, 259).c_str(), strValue);
}

TEST_F(UpdateCfgTest, SectionsInFileOrderAppendedAfterExistingNames)
{
    WriteCfg("[Zeta]\nDeviceID=0x0001\n[Alpha]\n[Mid]\n");
    CUpdateCfg cfg;
    CStringArray arr;
    arr.Add("first");
    arr.Add("second");
    cfg.GetSectionNames(arr);
    ASSERT_EQ(5, arr.GetSize());
    EXPECT_STREQ("first", arr[0]);
    EXPECT_STREQ("second", arr[1]);
    EXPECT_STREQ("Zeta", arr[2]);
    EXPECT_STREQ("Alpha", arr[3]);
    EXPECT_STREQ("Mid", arr[4]);
}

TEST_F(UpdateCfgTest, SectionListIsCutAt260Bytes)
{
    // 33 names of seven characters: 32 of them take 256 bytes with their
    // zero bytes; the 33rd is cut to two characters so that it and two
    // zero bytes end at byte 260, and nothing after it is listed.
    std::string text;
    for (int i = 0; i < 34; ++i) {
        char name[16];
        wsprintfA(name, "Model%02d", i);
        text += std::string("[") + name + "]\nDeviceID=0x0001\n";
    }
    WriteCfg(text);
    CUpdateCfg cfg;
    CStringArray arr;
    cfg.GetSectionNames(arr);
    ASSERT_EQ(33, arr.GetSize());
    EXPECT_STREQ("Model00", arr[0]);
    EXPECT_STREQ("Model31", arr[31]);
    EXPECT_STREQ("Mo", arr[32]);
}

}  // namespace
