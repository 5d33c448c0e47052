#include "profile/ProfileSection.h"

#include "ProfileTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ProfileSectionTest : public ::testing::Test {
protected:
    // Every key of the section, through FirstKey and NextKey.
    std::vector<std::string> Keys(CProfileSection& section)
    {
        std::vector<std::string> keys;
        CProfileString value;
        for (BOOL more = section.FirstKey(value); more; more = section.NextKey(value))
            keys.push_back(value.GetKey());
        return keys;
    }
    // A section whose key list (names and their NULs) takes exactly `bytes`
    // (at least 21): names of 19 characters, the last one longer.
    static std::string SectionOfListSize(std::size_t bytes, std::vector<std::string>& names)
    {
        std::string content = "[S]\r\n";
        for (int i = 0; bytes > 0; ++i) {
            const std::size_t length = bytes > 40 ? 19 : bytes - 1;
            std::string name = std::to_string(i) + "_";
            name += std::string(length - name.size(), 'k');
            names.push_back(name);
            content += name + "=1\r\n";
            bytes -= length + 1;
        }
        return content;
    }

    TempDir m_dir;
};

TEST_F(ProfileSectionTest, ListsKeysInFileOrderAndBindsWithoutLoading)
{
    CProfileSection section("groups");
    section.SetFile(WriteIni(m_dir, "a.ini", "[other]\r\nx=1\r\n[groups]\r\nZeta=1|2\r\nalpha=\r\n10=ten\r\n"));
    CProfileString value("untouched", "", "", CPathName(), FALSE, FALSE);
    ASSERT_TRUE(section.FirstKey(value));
    EXPECT_EQ("Zeta", value.GetKey());
    EXPECT_EQ("groups", value.GetSection());
    EXPECT_STREQ(section.GetFile(), value.GetFile());
    EXPECT_EQ("untouched", value.GetText());
    EXPECT_TRUE(value.Load());
    EXPECT_EQ("1|2", value.GetText());
    EXPECT_EQ((std::vector<std::string>{"Zeta", "alpha", "10"}), Keys(section));
}

TEST_F(ProfileSectionTest, KeysOnlyBetweenFirstKeyAndTheEndOfTheList)
{
    CProfileSection section("S");
    section.SetFile(WriteIni(m_dir, "a.ini", "[S]\r\nk=v\r\n"));
    CProfileString value;
    EXPECT_FALSE(section.NextKey(value));
    ASSERT_TRUE(section.FirstKey(value));
    EXPECT_NE(0u, section.GetKeyBufferSize());
    EXPECT_FALSE(section.NextKey(value));
    EXPECT_EQ(0u, section.GetKeyBufferSize());
    EXPECT_FALSE(section.NextKey(value));
    EXPECT_TRUE(section.FirstKey(value));
    EXPECT_EQ("k", value.GetKey());
}

TEST_F(ProfileSectionTest, EmptyOrAbsentSectionHasNoKeys)
{
    CProfileString value;
    CProfileSection empty("empty");
    empty.SetFile(WriteIni(m_dir, "a.ini", "[empty]\r\n[S]\r\nk=v\r\n"));
    EXPECT_FALSE(empty.FirstKey(value));
    EXPECT_FALSE(empty.NextKey(value));
    CProfileSection absentSection("absent");
    absentSection.SetFile(CPathName(m_dir / "a.ini"));
    EXPECT_FALSE(absentSection.FirstKey(value));
    CProfileSection absentFile("S");
    absentFile.SetFile(CPathName(m_dir / "missing.ini"));
    EXPECT_FALSE(absentFile.FirstKey(value));
    EXPECT_FALSE(absentFile.NextKey(value));
    EXPECT_EQ(0u, absentFile.GetKeyBufferSize());
}

// The profile API answers size - 2 for a list that did not fit, and also for
// one that filled the buffer exactly; both are fetched again, twice as large.
TEST_F(ProfileSectionTest, KeyListFillingTheBufferIsFetchedAgain)
{
    for (const std::size_t listSize : {253u, 254u, 255u, 300u}) {
        std::vector<std::string> names;
        CProfileSection section("S");
        section.SetFile(WriteIni(m_dir, std::to_string(listSize) + ".ini", SectionOfListSize(listSize, names)));
        CProfileString value;
        ASSERT_TRUE(section.FirstKey(value));
        EXPECT_EQ(listSize < 254 ? 256u : 512u, section.GetKeyBufferSize()) << listSize;
        EXPECT_EQ(names, Keys(section)) << listSize;
    }
}

TEST_F(ProfileSectionTest, LargeSectionListsEveryKey)
{
    std::vector<std::string> names;
    CProfileSection section("S");
    section.SetFile(WriteIni(m_dir, "big.ini", SectionOfListSize(20000, names)));
    EXPECT_EQ(names, Keys(section));
}

} // namespace
