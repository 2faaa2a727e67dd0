// What the program makes of its command line.
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

COMMAND_LINE Parse(const char* pszCmdLine)
{
    COMMAND_LINE args = {TRUE, TRUE, "stale", TRUE, TRUE, TRUE, "stale"};  // whatever a caller left there
    ParseCommandLine(pszCmdLine, args);
    return args;
}

TEST(CommandLineTest, SwitchesAndTheirFile)
{
    for (const char* psz : {static_cast<const char*>(nullptr), "", "   \t "})
        EXPECT_TRUE(!Parse(psz).bQuiet && !Parse(psz).bUsage && Parse(psz).strLogPath.IsEmpty());
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
}

TEST(CommandLineTest, WhatTheProgramDoesNotKnowAsksForTheUsage)
{
    for (const char* psz : {"/?", "-?", "/help", "/quietly", "quiet", "/", "/log", "/log \"\"", "/log /quiet",
                            "/quiet stray", "/all", "/all /list", "/eject", "/lang", "/lang /quiet"}) {
        EXPECT_TRUE(Parse(psz).bUsage) << psz;
    }
    EXPECT_TRUE(Parse("/quiet /unknown").bQuiet);  // the usage is owed, but nothing is shown
}

}  // namespace
