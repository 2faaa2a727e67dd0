// The log of a run: real files beside the test, appended to, lines safe to
// read whatever the events hold.
#include "UpdateLog.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class UpdateLogTest : public ::testing::Test
{
protected:
    std::string strPath = ExeFolder() + "run.log";

    void SetUp() override { RemovePath(strPath); }
    void TearDown() override { RemovePath(strPath); }
};

// "YYYY-MM-DD hh:mm:ss " and the text.
void ExpectLine(const std::string& strLine, const std::string& strText)
{
    ASSERT_EQ(20 + strText.size(), strLine.size()) << strLine;
    const char szShape[] = "####-##-## ##:##:## ";
    for (size_t i = 0; i < 20; ++i) {
        if (szShape[i] == '#')
            EXPECT_TRUE(strLine[i] >= '0' && strLine[i] <= '9') << strLine;
        else
            EXPECT_EQ(szShape[i], strLine[i]) << strLine;
    }
    EXPECT_EQ(strText, strLine.substr(20));
}

TEST_F(UpdateLogTest, AppendsOneLinePerEvent)
{
    WriteFileBytes(strPath, "an earlier run\r\n");
    {
        CUpdateLog log;
        ASSERT_TRUE(log.Open(strPath.c_str()));
        // Another run appending to the same file meanwhile.
        CUpdateLog other;
        ASSERT_TRUE(other.Open(strPath.c_str()));
        log.OnEvent("first");
        other.OnEvent("from the other run");
        log.OnEvent("second");
    }
    const std::string strLog = ReadFileBytes(strPath);
    ASSERT_EQ(0u, strLog.find("an earlier run\r\n"));
    std::vector<std::string> lines;
    for (size_t nStart = 16; nStart < strLog.size();) {
        const size_t nEnd = strLog.find("\r\n", nStart);
        ASSERT_NE(std::string::npos, nEnd);
        lines.push_back(strLog.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    ASSERT_EQ(3u, lines.size());
    ExpectLine(lines[0], "first");
    ExpectLine(lines[1], "from the other run");
    ExpectLine(lines[2], "second");
}

TEST_F(UpdateLogTest, CreatesAMissingFile)
{
    {
        CUpdateLog log;
        ASSERT_TRUE(log.Open(strPath.c_str()));
        log.OnEvent("created");
    }
    EXPECT_NE(std::string::npos, ReadFileBytes(strPath).find(" created\r\n"));
}

// A log that can't be opened takes its lines and drops them.
TEST_F(UpdateLogTest, UnwritablePathsDropTheLines)
{
    CUpdateLog missingFolder;
    EXPECT_FALSE(missingFolder.Open((ExeFolder() + "no such folder\\run.log").c_str()));
    missingFolder.OnEvent("dropped");

    CUpdateLog folder;
    EXPECT_FALSE(folder.Open(ExeFolder().c_str()));
    CUpdateLog empty;
    EXPECT_FALSE(empty.Open(""));
}

// Device strings and file names can hold anything: the log holds printable
// ASCII only, one line per event, bounded.
TEST_F(UpdateLogTest, TextIsPrintableAsciiAndBounded)
{
    EXPECT_STREQ("serial \"A\\x0D\\x0AB\\x09\\xE9\\x7F\"", CUpdateLog::MakeLogText("serial \"A\r\nB\t\xE9\x7F\""));
    EXPECT_STREQ("E:\\ plain", CUpdateLog::MakeLogText("E:\\ plain"));

    const std::string strLong(3 * CUpdateLog::kMaxTextChars, '\x01');
    const CString strCut = CUpdateLog::MakeLogText(strLong.c_str());
    EXPECT_LE(strCut.GetLength(), CUpdateLog::kMaxTextChars + 3);
    EXPECT_EQ(0, strcmp(static_cast<const char*>(strCut) + strCut.GetLength() - 3, "..."));
    EXPECT_EQ(0, strncmp(strCut, "\\x01\\x01", 8));
}

}  // namespace
