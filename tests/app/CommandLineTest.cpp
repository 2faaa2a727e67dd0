// What the program makes of its command line.
#include "CommandLine.h"

#include <gtest/gtest.h>

namespace {

COMMAND_LINE Parse(const char* pszCmdLine)
{
    COMMAND_LINE args;
    args.bQuiet = TRUE;  // whatever a caller left there
    args.bUsage = TRUE;
    args.strLogPath = "stale";
    ParseCommandLine(pszCmdLine, args);
    return args;
}

TEST(CommandLineTest, NoArgumentsIsTheDialog)
{
    for (const char* psz : {static_cast<const char*>(nullptr), "", "   \t "}) {
        const COMMAND_LINE args = Parse(psz);
        EXPECT_FALSE(args.bQuiet);
        EXPECT_FALSE(args.bUsage);
        EXPECT_TRUE(args.strLogPath.IsEmpty());
    }
}

TEST(CommandLineTest, SwitchesIgnoreCaseAndTakeEitherPrefix)
{
    for (const char* psz : {"/quiet", "-quiet", "/QUIET", "-Quiet"}) {
        const COMMAND_LINE args = Parse(psz);
        EXPECT_TRUE(args.bQuiet) << psz;
        EXPECT_FALSE(args.bUsage) << psz;
    }
    const COMMAND_LINE args = Parse("-LOG run.log /Quiet");
    EXPECT_TRUE(args.bQuiet);
    EXPECT_FALSE(args.bUsage);
    EXPECT_STREQ("run.log", args.strLogPath);
}

TEST(CommandLineTest, QuotesHoldAPathWithBlanksTogether)
{
    const COMMAND_LINE args = Parse("  /log \"C:\\My logs\\update run.log\"\t/quiet ");
    EXPECT_TRUE(args.bQuiet);
    EXPECT_STREQ("C:\\My logs\\update run.log", args.strLogPath);
    // A backslash before the closing quote is part of the path.
    EXPECT_STREQ("C:\\logs\\", Parse("/log \"C:\\logs\\\"").strLogPath);
    EXPECT_STREQ("E:\\two words.log", Parse("/log E:\\two\" \"words.log").strLogPath);
    // The last /log counts.
    EXPECT_STREQ("second.log", Parse("/log first.log /log second.log").strLogPath);
}

TEST(CommandLineTest, WhatTheProgramDoesNotKnowAsksForTheUsage)
{
    for (const char* psz : {"/?", "-?", "/help", "/quietly", "/q", "quiet", "/", "-", "/log", "/log \"\"",
                            "/log /quiet", "/quiet stray"}) {
        EXPECT_TRUE(Parse(psz).bUsage) << psz;
    }
    // With /quiet as well: the usage is owed, /quiet still says show nothing.
    const COMMAND_LINE args = Parse("/quiet /unknown");
    EXPECT_TRUE(args.bUsage);
    EXPECT_TRUE(args.bQuiet);
}

}  // namespace
