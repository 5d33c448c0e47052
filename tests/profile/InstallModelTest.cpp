#include "ProfileFixture.h"

#include "profile/DisketteArray.h"
#include "profile/FileGroupMap.h"
#include "profile/TargetMap.h"

namespace {

using DisketteTest = ProfileFixture;

TEST_F(DisketteTest, LabelsByNumberWithEmptySlotsAndBadNumbersPassedOver)
{
    WriteProfile("[diskettes]\n"
                 "1=Program disk|one\n"
                 "3=Help disk\n"
                 "3=Shadowed\n"
                 "-5=Negative\n"
                 "2000000000=Huge\n"
                 "32768=Last\n");
    CDisketteArray diskettes;
    diskettes.LoadFromProfile(profile);
    EXPECT_EQ("Program disk", diskettes.GetLabel(1));
    EXPECT_EQ("one", diskettes.GetAt(1)->m_strSecond);
    EXPECT_EQ("", diskettes.GetLabel(2));
    EXPECT_EQ("Help disk", diskettes.GetLabel(3));
    EXPECT_EQ("", diskettes.GetAt(3)->m_strSecond);
    EXPECT_EQ("Last", diskettes.GetLabel(32768));
    EXPECT_EQ(32769u, diskettes.GetSize());
    EXPECT_EQ("", diskettes.GetLabel(32769));
    EXPECT_EQ("", diskettes.GetLabel(-5));
    EXPECT_EQ("", diskettes.GetLabel(0));
}

TEST_F(DisketteTest, LaterLineForTheSameNumberReplacesTheDiskette)
{
    WriteProfile("[diskettes]\n2=First\n02=Second\n");
    CDisketteArray diskettes;
    diskettes.LoadFromProfile(profile);
    EXPECT_EQ("Second", diskettes.GetLabel(2));
}

TEST_F(DisketteTest, AbsentSectionGivesNoDiskettes)
{
    WriteProfile("[destinations]\n0=PELTO\n");
    CDisketteArray diskettes;
    diskettes.LoadFromProfile(profile);
    EXPECT_EQ(0u, diskettes.GetSize());
    EXPECT_EQ("", diskettes.GetLabel(1));
}

class FileGroupTest : public ProfileFixture {
protected:
    void SetUp() override
    {
        WriteProfile("[groups]\n"
                     "Program=Program files|x|1|0|1\n"
                     "Help=Help files|y|0|2|0\n"
                     "Extra=Extras|z|1\n");
        groups.LoadFromProfile(profile);
    }
    std::string Selection()
    {
        std::string flags;
        for (const char* key : {"Program", "Help", "Extra"})
            flags += groups.Lookup(key)->m_bSelected ? '1' : '0';
        return flags;
    }
    CFileGroupMap groups;
};

TEST_F(FileGroupTest, FieldsWithMissingFlagsAsZero)
{
    const CFileGroup* help = groups.Lookup("Help");
    ASSERT_NE(nullptr, help);
    EXPECT_EQ("Help files", help->m_strText1);
    EXPECT_EQ("y", help->m_strText2);
    EXPECT_EQ(0, help->m_bTypeFlag1);
    EXPECT_EQ(1, help->m_bTypeFlag2);
    const CFileGroup* extra = groups.Lookup("Extra");
    ASSERT_NE(nullptr, extra);
    EXPECT_EQ(1, extra->m_bTypeFlag1);
    EXPECT_EQ(0, extra->m_bTypeFlag2);
    EXPECT_EQ(0, extra->m_bTypeFlag3);
    EXPECT_EQ(0, extra->m_bSelected);
    EXPECT_EQ(nullptr, groups.Lookup("help"));
}

TEST_F(FileGroupTest, SelectTypeForEveryType)
{
    groups.SelectType(1);
    EXPECT_EQ("101", Selection());
    groups.SelectType(2);
    EXPECT_EQ("010", Selection());
    groups.SelectType(3);
    EXPECT_EQ("100", Selection());
    groups.SelectType(4);
    EXPECT_EQ("111", Selection());
    groups.SelectType(0);
    EXPECT_EQ("000", Selection());
    groups.SelectType(4);
    groups.SelectType(5);
    EXPECT_EQ("000", Selection());
}

TEST_F(FileGroupTest, LogLinesCarryTextsAndTypeFlagsButNotTheSelection)
{
    groups.SelectType(4);
    ASSERT_TRUE(groups.WriteToLog(log));
    const std::map<std::string, std::string> expected = {
        {"Program", "Program files|x|1|0|1"}, {"Help", "Help files|y|0|1|0"}, {"Extra", "Extras|z|1|0|0"}};
    EXPECT_EQ(expected, Section(log, "groups"));
}

class TargetTest : public ProfileFixture {
protected:
    void SetUp() override
    {
        WriteProfile("[targets]\n"
                     "PELTO.EXE=2|7|1|Pelto|/fast|PELTO.ICO|\n"
                     "Readme.TXT=70000\n"
                     "HELP.EXE=0|0|0|Help||\n");
        targets.LoadFromProfile(profile);
    }
    CTargetMap targets;
};

TEST_F(TargetTest, FoundInAnyCaseWithFieldsAndDefaults)
{
    CTarget* pelto = targets.FindTarget("pelto.exe");
    ASSERT_NE(nullptr, pelto);
    EXPECT_EQ(pelto, targets.FindTarget("Pelto.Exe"));
    EXPECT_EQ("PELTO.EXE", pelto->m_strName);
    EXPECT_EQ(2, pelto->m_nIconIndex);
    EXPECT_EQ(7, pelto->m_nNumber2);
    EXPECT_EQ(1, pelto->m_bMinimized);
    EXPECT_EQ("Pelto", pelto->m_strCaption);
    EXPECT_EQ("/fast", pelto->m_strArguments);
    EXPECT_EQ("PELTO.ICO", pelto->m_strIconFile);
    EXPECT_TRUE(pelto->m_path.IsEmpty());

    const CTarget* readme = targets.FindTarget("README.TXT");
    ASSERT_NE(nullptr, readme);
    EXPECT_EQ(4464, readme->m_nIconIndex);
    EXPECT_EQ(0, readme->m_nNumber2);
    EXPECT_EQ(0, readme->m_bMinimized);
    EXPECT_EQ("", readme->m_strCaption);
    EXPECT_EQ(nullptr, targets.FindTarget("other.exe"));
}

TEST_F(TargetTest, OnlyInstalledTargetsAreWrittenInLowerCase)
{
    targets.FindTarget("PELTO.EXE")->m_path = CPathName("C:\\PELTO\\PELTO.EXE");
    targets.FindTarget("readme.txt")->m_path = CPathName("C:\\PELTO\\Readme.TXT");
    ASSERT_TRUE(targets.WriteToLog(log));
    const std::map<std::string, std::string> expected = {
        {"pelto.exe", "2|7|1|Pelto|/fast|PELTO.ICO|C:\\PELTO\\PELTO.EXE"},
        {"readme.txt", "4464|0|0||||C:\\PELTO\\Readme.TXT"}};
    EXPECT_EQ(expected, Section(log, "targets"));
}

} // namespace
