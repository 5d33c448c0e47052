#include "profile/ProfileString.h"

#include "ProfileTestSupport.h"

#include <gtest/gtest.h>

namespace {

class ProfileStringTest : public ::testing::Test {
protected:
    CPathName Ini(const std::string& content) { return WriteIni(m_dir, "test.ini", content); }
    std::string Bytes() const { return ReadFileBytes(m_dir / "test.ini"); }

    TempDir m_dir;
};

TEST_F(ProfileStringTest, LoadReadsTheValue)
{
    CProfileString value("", "S", "k", Ini("[S]\r\nk=v|1\r\n"), FALSE, FALSE);
    EXPECT_TRUE(value.Load());
    EXPECT_EQ("v|1", value.GetText());
    EXPECT_FALSE(value.IsModified());
    value.SetText("V|1");
    EXPECT_TRUE(value.IsModified());
}

TEST_F(ProfileStringTest, AbsentKeyKeepsTheText)
{
    const CPathName file = Ini("[S]\r\nother=1\r\n");
    CProfileString empty("", "S", "k", file, FALSE, TRUE);
    EXPECT_FALSE(empty.Load());
    EXPECT_EQ("", empty.GetText());
    CProfileString withDefault("dflt", "S", "k", file, FALSE, FALSE);
    EXPECT_TRUE(withDefault.Load());
    EXPECT_EQ("dflt", withDefault.GetText());
    EXPECT_FALSE(withDefault.IsModified());
}

TEST_F(ProfileStringTest, KeyWithNothingAfterTheEqualsSignIsEmptyNotDefault)
{
    CProfileString value("dflt", "S", "k", Ini("[S]\r\nk=\r\n"), FALSE, FALSE);
    EXPECT_FALSE(value.Load());
    EXPECT_EQ("", value.GetText());
}

TEST_F(ProfileStringTest, LongValueIsCutTo254Characters)
{
    const std::string text(300, 'x');
    CProfileString value("", "S", "k", Ini("[S]\r\nk=" + text + "\r\n"), FALSE, TRUE);
    EXPECT_EQ(text.substr(0, 254), value.GetText());
}

TEST_F(ProfileStringTest, AbsentFileOrSectionReadsNothing)
{
    CProfileString noFile("", "S", "k", CPathName(m_dir / "missing.ini"), FALSE, TRUE);
    EXPECT_EQ("", noFile.GetText());
    EXPECT_FALSE(noFile.Load());
    EXPECT_FALSE(FileExists(m_dir / "missing.ini"));
    CProfileString noSection("", "T", "k", Ini("[S]\r\nk=v\r\n"), FALSE, FALSE);
    EXPECT_FALSE(noSection.Load());
}

TEST_F(ProfileStringTest, ReadNowWithoutKeyReadsNothing)
{
    // A line with an empty key would answer a read of key "".
    const CPathName file = Ini("[Events]\r\n=sneaky\r\n");
    CProfileString value("dflt", "Events", "", file, FALSE, TRUE);
    EXPECT_EQ("dflt", value.GetText());
    EXPECT_TRUE(value.IsModified());
    EXPECT_EQ("[Events]\r\n=sneaky\r\n", Bytes());
}

TEST_F(ProfileStringTest, ReadNowLoadsAtConstruction)
{
    CProfileString value("dflt", "S", "k", Ini("[S]\r\nk=v\r\n"), FALSE, TRUE);
    EXPECT_EQ("v", value.GetText());
}

TEST_F(ProfileStringTest, AutoSaveWritesOnlyAModifiedText)
{
    const std::string original = "[S]\r\nk=v\r\n";
    const CPathName file = Ini(original);
    { CProfileString unchanged("", "S", "absent", file, TRUE, TRUE); }
    EXPECT_EQ(original, Bytes());
    {
        CProfileString changed("", "S", "k", file, TRUE, TRUE);
        changed.SetText("w|2");
    }
    CProfileString reread("", "S", "k", file, FALSE, TRUE);
    EXPECT_EQ("w|2", reread.GetText());
    { CProfileString noAutoSave("", "S", "k", file, FALSE, TRUE); noAutoSave.SetText("lost"); }
    EXPECT_TRUE(reread.Load());
    EXPECT_EQ("w|2", reread.GetText());
}

TEST_F(ProfileStringTest, SaveWritesKeyAndText)
{
    CProfileString value("", "Events", "", CPathName(m_dir / "new.ini"), FALSE, TRUE);
    value.SetKey("14:03:59:0123");
    value.SetText("Could not write SMS status.");
    EXPECT_TRUE(value.Save());
    CProfileString reread("", "Events", "14:03:59:0123", CPathName(m_dir / "new.ini"), FALSE, TRUE);
    EXPECT_EQ("Could not write SMS status.", reread.GetText());
}

TEST_F(ProfileStringTest, SaveRefusesWhatWouldAddOrBreakLines)
{
    const std::string original = "[S]\r\nk=v\r\n";
    const CPathName file = Ini(original);
    CProfileString lineBreak("", "S", "k", file, FALSE, FALSE);
    lineBreak.SetText("a\r\n[T]\r\nb=c");
    EXPECT_FALSE(lineBreak.Save());
    CProfileString noKey("", "S", "", file, FALSE, FALSE);
    noKey.SetText("x");
    EXPECT_FALSE(noKey.Save());
    CProfileString equalsInKey("", "S", "a=b", file, FALSE, FALSE);
    equalsInKey.SetText("x");
    EXPECT_FALSE(equalsInKey.Save());
    CProfileString noSection("", "", "k", file, FALSE, FALSE);
    noSection.SetText("x");
    EXPECT_FALSE(noSection.Save());
    EXPECT_EQ(original, Bytes());
}

TEST(DefaultProfileTest, IsTheProgramNameWithIniAndNoDirectory)
{
    EXPECT_STREQ("profile_tests.INI", GetDefaultProfile());
    CProfileString value;
    value.SetSection("S");
    value.SetKey("k");
    EXPECT_FALSE(value.Load());
    EXPECT_STREQ("profile_tests.INI", value.GetFile());
}

} // namespace
