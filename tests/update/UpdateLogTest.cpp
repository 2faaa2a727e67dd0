// The log of a run: a real file beside the test, appended to, its lines
// safe to read whatever the events hold.
#include "UpdateLog.h"

#include "StationRecord.h"
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

const char kRecordHeader[] = "time,drive,vendor id,product id,serial,port,release before,release after,section,"
                             "outcome,seconds,reason\r\n";

std::string AppendToRecord(const std::string& strPath, const STATION_ROW& row)
{
    {
        CStationRecord record;
        CString strWhy;
        EXPECT_TRUE(record.Open(strPath.c_str(), strWhy) && record.Append(row, strWhy)) << strWhy;
    }
    return ReadFileBytes(strPath);
}

// The station's record: a header on a new file, then a CSV line per device,
// appended after whatever the file held, its untrusted fields made safe.
TEST(StationRecordTest, AppendsQuotedLinesAfterEarlierBytes)
{
    const std::string strPath = ExeFolder() + "station.csv";
    RemovePath(strPath);
    STATION_ROW row;
    row.timeEnded = {2026, 12, 4, 10, 14, 5, 9, 0};
    row.target.strDriveRoot = "G:\\";
    row.target.identity.idVendor = 0x12AB;
    row.target.identity.idProduct = 0x1002;
    std::strcpy(row.target.identity.szSerialNumber, "PK,\"1\"\r\n");
    row.target.strPort = "USB\\ROOT_HUB20\\4&1A2B&0 port 2";
    row.target.strSection = "Model,B";
    row.strReleaseBefore = "0105";
    row.strReleaseAfter = "0200";
    row.dwSeconds = 42;
    row.strReason = "cut\x01off";
    const std::string strLine = "2026-12-10 14:05:09,G:,12AB,1002,\"PK,\"\"1\"\"\\x0D\\x0A\","
                                "USB\\ROOT_HUB20\\4&1A2B&0 port 2,0105,0200,\"Model,B\",Not found,42,cut\\x01off\r\n";
    EXPECT_EQ(kRecordHeader + strLine, AppendToRecord(strPath, row));
    row.state = STATION_REMOVED;
    const std::string strRemoved = strLine.substr(0, strLine.find("Not found")) + "Removed,42,cut\\x01off\r\n";
    EXPECT_EQ(kRecordHeader + strLine + strRemoved, AppendToRecord(strPath, row));
    // A last line that a crash cut off stays, and ends before the next.
    WriteFileBytes(strPath, "an earlier, cut");
    EXPECT_EQ("an earlier, cut\r\n" + strRemoved, AppendToRecord(strPath, row));
    RemovePath(strPath);
}

TEST(StationRecordTest, OpenOfNoFileSaysWhy)
{
    const std::string strFolder = ExeFolder() + "station folder";
    MakeFolder(strFolder);
    for (const std::string& strPath : {strFolder, ExeFolder() + "no such folder\\station.csv"}) {
        CStationRecord record;
        CString strWhy;
        EXPECT_FALSE(record.Open(strPath.c_str(), strWhy));
        EXPECT_FALSE(record.IsOpen());
        EXPECT_EQ(0u, std::string(strWhy).find(strPath + " cannot be ")) << strWhy;
    }
    RemovePath(strFolder);
}

}  // namespace
