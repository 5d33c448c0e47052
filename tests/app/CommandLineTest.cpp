#include "app/CommandLine.h"

#include <gtest/gtest.h>

namespace {

std::string ValueOf(const CCommandLine& line, const std::string& key)
{
    std::string value = "<absent>";
    line.Get(key, value);
    return value;
}

// Splitting into tokens: blanks only, no quoting.
TEST(CommandLineTokensTest, NullOrBlankCommandLineIsEmpty)
{
    EXPECT_EQ(0u, CCommandLine(nullptr).GetCount());
    EXPECT_EQ(0u, CCommandLine("").GetCount());
    EXPECT_EQ(0u, CCommandLine("    ").GetCount());
}

TEST(CommandLineTokensTest, RunsOfBlanksSeparateTabsDoNot)
{
    const CCommandLine line("  one   two\tthree  ");
    EXPECT_EQ(2u, line.GetCount());
    EXPECT_EQ("one", ValueOf(line, "#0"));
    EXPECT_EQ("two\tthree", ValueOf(line, "#1"));
}

TEST(CommandLineTokensTest, QuotesDoNotJoinTokens)
{
    const CCommandLine line("/D:\"C:\\MY DIR\"");
    EXPECT_EQ("\"C:\\MY", ValueOf(line, "D"));
    EXPECT_EQ("DIR\"", ValueOf(line, "#0"));
}

TEST(CommandLineTokensTest, PositionalTokensAreCountedFromZeroPastOptions)
{
    const CCommandLine line("first /B second");
    EXPECT_EQ("first", ValueOf(line, "#0"));
    EXPECT_EQ("second", ValueOf(line, "#1"));
    EXPECT_FALSE(line.Has("#2"));
}

// The key of an option: up to the first colon, else one character.
TEST(CommandLineOptionTest, ColonEndsTheKey)
{
    const CCommandLine line("/D:C:\\SETUP");
    EXPECT_EQ("C:\\SETUP", ValueOf(line, "D"));
    EXPECT_EQ(1u, line.GetCount());
}

TEST(CommandLineOptionTest, DriveStraightAfterTheLetterMakesAnotherKey)
{
    const CCommandLine line("/DC:\\SETUP");
    EXPECT_FALSE(line.Has("D"));
    EXPECT_EQ("\\SETUP", ValueOf(line, "DC"));
}

TEST(CommandLineOptionTest, WithoutColonTheKeyIsOneCharacter)
{
    const CCommandLine line("/UNINSTALL /B");
    EXPECT_EQ("NINSTALL", ValueOf(line, "U"));
    EXPECT_TRUE(line.Has("B"));
    EXPECT_EQ("", ValueOf(line, "B"));
}

TEST(CommandLineOptionTest, KeysAreCaseSensitive)
{
    const CCommandLine line("/u");
    EXPECT_TRUE(line.Has("u"));
    EXPECT_FALSE(line.Has("U"));
}

TEST(CommandLineOptionTest, SwitchAloneIsIgnored)
{
    const CCommandLine line("/ / /I");
    EXPECT_EQ(1u, line.GetCount());
    EXPECT_TRUE(line.Has("I"));
}

TEST(CommandLineOptionTest, LaterTokenReplacesEarlier)
{
    const CCommandLine line("/D:A:\\ /D:B:\\ /Ux /U");
    EXPECT_EQ("B:\\", ValueOf(line, "D"));
    EXPECT_EQ("", ValueOf(line, "U"));
}

TEST(CommandLineOptionTest, GetGivesTheDefaultOnlyWhenAbsent)
{
    const CCommandLine line("/D:X");
    std::string value = "kept";
    EXPECT_FALSE(line.Get("Q", value));
    EXPECT_EQ("kept", value);
    EXPECT_FALSE(line.Get("Q", value, "fallback"));
    EXPECT_EQ("fallback", value);
    EXPECT_TRUE(line.Get("D", value, "fallback"));
    EXPECT_EQ("X", value);
}

// The options setup acts on.
TEST(SetupOptionsTest, NoArgumentsMeanInstallFromTheProgramDirectory)
{
    const SetupOptions options = GetSetupOptions(CCommandLine(nullptr));
    EXPECT_EQ("", options.sourceDir);
    EXPECT_FALSE(options.batch || options.ignoreConditions || options.uninstall);
}

TEST(SetupOptionsTest, UpperCaseOptionsOnly)
{
    const SetupOptions lower = GetSetupOptions(CCommandLine("/b /i /u /d:C:\\X"));
    EXPECT_FALSE(lower.batch || lower.ignoreConditions || lower.uninstall);
    EXPECT_EQ("", lower.sourceDir);
    const SetupOptions upper = GetSetupOptions(CCommandLine("/B /I /UNINSTALL /D:C:\\X extra /Z"));
    EXPECT_TRUE(upper.batch && upper.ignoreConditions && upper.uninstall);
    EXPECT_EQ("C:\\X", upper.sourceDir);
}

TEST(SetupOptionsTest, SourceDirectoryNeedsTheColon)
{
    EXPECT_EQ("", GetSetupOptions(CCommandLine("/DC:\\SETUP")).sourceDir);
    EXPECT_EQ("", GetSetupOptions(CCommandLine("/D:")).sourceDir);
}

// '/Q' is '/B' as well; '/L:' takes the rest of its token, colons and all.
TEST(SetupOptionsTest, QuietImpliesUnattendedAndTheRunLogTakesItsPath)
{
    const SetupOptions quiet = GetSetupOptions(CCommandLine("/Q /L:C:\\LOGS\\run:1.log"));
    EXPECT_TRUE(quiet.quiet && quiet.batch);
    EXPECT_TRUE(quiet.hasRunLog);
    EXPECT_EQ("C:\\LOGS\\run:1.log", quiet.runLog);
    const SetupOptions plain = GetSetupOptions(CCommandLine("/q /B"));
    EXPECT_FALSE(plain.quiet || plain.hasRunLog);
    EXPECT_TRUE(plain.batch);
    EXPECT_TRUE(GetSetupOptions(CCommandLine("/L")).hasRunLog) << "asked for, with no path: refused at start";
}

} // namespace
