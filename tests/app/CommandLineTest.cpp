// What the program makes of its command line.
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

COMMAND_LINE Parse(const char* pszCmdLine)
{
    COMMAND_LINE args = {TRUE, TRUE, "stale", "stale"};  // whatever a caller left there
    ParseCommandLine(pszCmdLine, args);
    return args;
}

TEST(CommandLineTest, SwitchesAndTheirFile)
{
    for (const char* psz : {static_cast<const char*>(nullptr), "", "   \t "})
        EXPECT_TRUE(!Parse(psz).bQuiet && !Parse(psz).bUsage && Parse(psz).strLogPath.IsEmpty());
    for (const char* psz : {"/quiet", "-quiet", "/QUIET", "-Quiet"})
        EXPECT_TRUE(Parse(psz).bQuiet && !Parse(psz).bUsage) << psz;

    const COMMAND_LINE args = Parse("  -LOG \"C:\\My logs\\update run.log\"\t/quiet ");
    EXPECT_TRUE(args.bQuiet && !args.bUsage);
    EXPECT_STREQ("C:\\My logs\\update run.log", args.strLogPath);
    // A backslash before the closing quote is part of the path.
    EXPECT_STREQ("C:\\logs\\", Parse("/log \"C:\\logs\\\"").strLogPath);
    EXPECT_STREQ("second.log", Parse("/log first.log /log second.log").strLogPath);
    EXPECT_STREQ("fr-CA", Parse("/quiet -LANG fr-CA").strLanguage);
}

TEST(CommandLineTest, WhatTheProgramDoesNotKnowAsksForTheUsage)
{
    for (const char* psz : {"/?", "-?", "/help", "/quietly", "quiet", "/", "/log", "/log \"\"", "/log /quiet",
                            "/quiet stray", "/lang", "/lang /quiet"}) {
        EXPECT_TRUE(Parse(psz).bUsage) << psz;
    }
    EXPECT_TRUE(Parse("/quiet /unknown").bQuiet);  // the usage is owed, but nothing is shown
}

}  // namespace
