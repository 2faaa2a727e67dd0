// The log of a run: a real file beside the test, appended to, its lines
// safe to read whatever the events hold.
#include "UpdateLog.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(UpdateLogTest, AppendsOneTimedLinePerEvent)
{
    const std::string strPath = ExeFolder() + "run.log";
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
    RemovePath(strPath);
    const char* apszTexts[] = {"first", "from the other run", "second"};
    size_t nStart = std::strlen("an earlier run\r\n");
    ASSERT_EQ("an earlier run\r\n", strLog.substr(0, nStart));
    for (const char* pszText : apszTexts) {
        const size_t nEnd = strLog.find("\r\n", nStart);
        ASSERT_NE(std::string::npos, nEnd);
        const std::string strLine = strLog.substr(nStart, nEnd - nStart);
        const char szShape[] = "####-##-## ##:##:## ";
        for (size_t i = 0; i + 1 < sizeof szShape; ++i)
            EXPECT_TRUE(szShape[i] == '#' ? isdigit(strLine[i]) != 0 : strLine[i] == szShape[i]) << strLine;
        EXPECT_EQ(pszText, strLine.substr(20));
        nStart = nEnd + 2;
    }
    EXPECT_EQ(strLog.size(), nStart);
}

// Device strings and file names can hold anything: the log holds printable
// ASCII only, one line per event, bounded.
TEST(UpdateLogTest, TextIsPrintableAsciiAndBounded)
{
    EXPECT_STREQ("serial \"A\\x0D\\x0AB\\x09\\xE9\\x7F\"", CUpdateLog::MakeLogText("serial \"A\r\nB\t\xE9\x7F\""));
    EXPECT_STREQ("E:\\ plain", CUpdateLog::MakeLogText("E:\\ plain"));
    const std::string strLong(3 * CUpdateLog::kMaxTextChars, '\x01');
    const std::string strCut = static_cast<const char*>(CUpdateLog::MakeLogText(strLong.c_str()));
    EXPECT_LE(strCut.size(), static_cast<size_t>(CUpdateLog::kMaxTextChars) + 3);
    EXPECT_EQ("\\x01\\x01", strCut.substr(0, 8));
    EXPECT_EQ("...", strCut.substr(strCut.size() - 3));
    // Cut exactly at the limit: a text of the limit's length stays whole.
    const std::string strFull(CUpdateLog::kMaxTextChars, 'a');
    EXPECT_STREQ(strFull.c_str(), CUpdateLog::MakeLogText(strFull.c_str()));
    EXPECT_STREQ((strFull + "...").c_str(), CUpdateLog::MakeLogText((strFull + "b").c_str()));
}

}  // namespace
