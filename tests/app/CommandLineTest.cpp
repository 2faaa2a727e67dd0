// What the program makes of its command line.
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

COMMAND_LINE Parse(const char* pszCmdLine)
{
    // Whatever a caller left there.
    COMMAND_LINE args = {TRUE, TRUE, "stale", TRUE, TRUE, TRUE, "stale", TRUE, 7, "stale", 7};
    ParseCommandLine(pszCmdLine, args);
    return args;
}

TEST(CommandLineTest, SwitchesAndTheirFile)
{
    for (const char* psz : {static_cast<const char*>(nullptr), "", "   \t "})
        EXPECT_TRUE(!Parse(psz).bQuiet && !Parse(psz).bUsage && Parse(psz).strLogPath.IsEmpty());
    const COMMAND_LINE station = Parse("/station");
    EXPECT_TRUE(station.bStation && !station.bUsage && !station.bQuiet && !station.bEject);
    EXPECT_TRUE(station.nParallel == 2 && station.nCount == 0 && station.strRecordPath.IsEmpty());
    EXPECT_FALSE(Parse("").bStation);
    for (const char* psz : {"/quiet", "-quiet", "/QUIET", "-Quiet"})
        EXPECT_TRUE(Parse(psz).bQuiet && !Parse(psz).bUsage && !Parse(psz).bEject) << psz;
    EXPECT_TRUE(Parse("-EJECT /quiet").bEject && !Parse("-EJECT /quiet").bUsage);

    const COMMAND_LINE args = Parse("  -LOG \"C:\\My logs\\update run.log\"\t/quiet ");
    EXPECT_TRUE(args.bQuiet && !args.bUsage);
    EXPECT_STREQ("C:\\My logs\\update run.log", args.strLogPath);
    // A backslash before the closing quote is part of the path.
    EXPECT_STREQ("C:\\logs\\", Parse("/log \"C:\\logs\\\"").strLogPath);
    EXPECT_STREQ("second.log", Parse("/log first.log /log second.log").strLogPath);
    EXPECT_STREQ("fr-CA", Parse("/quiet -LANG fr-CA").strLanguage);
    EXPECT_TRUE(Parse("-ALL /quiet").bAll && !Parse("-ALL /quiet").bUsage && !Parse("/quiet").bAll);
    EXPECT_TRUE(Parse("/list").bList && !Parse("/list").bUsage && !Parse("/quiet").bList);

    const COMMAND_LINE window = Parse("-STATION /parallel 8 /record \"C:\\Station\\run 1.csv\" -Eject");
    EXPECT_TRUE(window.bStation && window.bEject && !window.bUsage && window.nParallel == 8);
    EXPECT_STREQ("C:\\Station\\run 1.csv", window.strRecordPath);
    const COMMAND_LINE quiet = Parse("/quiet /station /COUNT 2147483647 -parallel 1");
    EXPECT_TRUE(quiet.bQuiet && quiet.bStation && !quiet.bUsage && quiet.nCount == 2147483647 && quiet.nParallel == 1);
}

TEST(CommandLineTest, WhatTheProgramDoesNotKnowAsksForTheUsage)
{
    for (const char* psz : {"/?", "-?", "/help", "/quietly", "quiet", "/", "/log", "/log \"\"", "/log /quiet",
                            "/quiet stray", "/all", "/all /list", "/eject", "/lang", "/lang /quiet"}) {
        EXPECT_TRUE(Parse(psz).bUsage) << psz;
    }
    // The station's switches: with what they need, and a number in range.
    for (const char* psz :
         {"/station /all", "/quiet /station /all", "/station /list", "/parallel 2", "/record r.csv", "/count 1",
          "/quiet /count 1", "/station /count 1", "/station /parallel", "/station /parallel 0", "/station /parallel 9",
          "/station /parallel 2x", "/station /parallel -2", "/station /record", "/station /record /quiet",
          "/quiet /station /count 0", "/quiet /station /count", "/quiet /station /count 2147483648"})
        EXPECT_TRUE(Parse(psz).bUsage) << psz;
    EXPECT_TRUE(Parse("/quiet /unknown").bQuiet);  // the usage is owed, but nothing is shown
}

}  // namespace
