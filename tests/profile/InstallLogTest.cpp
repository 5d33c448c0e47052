#include "ProfileFixture.h"

#include "profile/DestinationMap.h"
#include "profile/FileGroupMap.h"
#include "profile/InstallLog.h"
#include "profile/InstallLogWriter.h"
#include "profile/ProfileSection.h"
#include "profile/TargetMap.h"

namespace {

const char kSetupProfile[] = "[destinations]\n"
                             "0=PELTO\n"
                             "1=HELP|0|\n"
                             "2=DEEP|1|\n"
                             "-3=|-1|C:\\SHARED\\\n"
                             "[groups]\n"
                             "MAIN=Program files|x|1|1|0\n"
                             "HELP=Help files|y|0|1|1\n"
                             "DEMO=Demo files|z|1|0|0\n"
                             "[targets]\n"
                             "PELTO.EXE=0|0|0|Pelto|/x|pelto.exe|\n"
                             "HELP.EXE=1|0|1|Help|||\n"
                             "[MAIN]\n"
                             "pelto.arc=100|1|2|1|0|\n";

struct Model {
    CDestinationMap destinations;
    CFileGroupMap groups;
    CTargetMap targets;

    void Load(const CPathName& file)
    {
        destinations.LoadFromProfile(file);
        groups.LoadFromProfile(file);
        targets.LoadFromProfile(file);
    }
};

class InstallLogTest : public ProfileFixture {
protected:
    // What one installation into directory does: the destination page, the
    // extraction engine's lines and target paths, then the model's sections.
    void Install(Model& model, const std::string& directory, bool withReadme)
    {
        model.Load(profile);
        model.destinations.SetPath(DEST_MAIN, CPathName(directory));
        model.destinations.ResolveAll();
        model.groups.SelectType(2);
        ASSERT_TRUE(WriteInstalledFile(log, "MAIN", "pelto.exe", DEST_MAIN, TRUE, FALSE));
        if (withReadme) {
            ASSERT_TRUE(WriteInstalledFile(log, "MAIN", "readme.txt", DEST_MAIN, FALSE, FALSE));
        }
        ASSERT_TRUE(WriteInstalledFile(log, "HELP", "help.hlp", 1, TRUE, TRUE));
        ASSERT_TRUE(WriteInstalledFile(log, "MAIN", "shared.dll", DEST_SYSTEM, TRUE, FALSE));
        model.targets.FindTarget("pelto.exe")->m_path = CPathName(directory + "pelto.exe");
        ASSERT_TRUE(WriteInstallModel(log, model.destinations, model.groups, model.targets));
    }

    void SetUp() override { WriteProfile(kSetupProfile); }
};

TEST_F(InstallLogTest, SectionsInTheOrderOfTheirFirstWrite)
{
    Model model;
    Install(model, "C:\\PELTO\\", true);
    const std::vector<std::string> expected = {"MAIN", "HELP", "destinations", "groups", "targets"};
    EXPECT_EQ(expected, SectionNames(log));
    const std::map<std::string, std::string> main = {
        {"pelto.exe", "0|1|0"}, {"readme.txt", "0|0|0"}, {"shared.dll", "-3|1|0"}};
    EXPECT_EQ(main, Section(log, "MAIN"));
    EXPECT_EQ((std::map<std::string, std::string>{{"help.hlp", "1|1|1"}}), Section(log, "HELP"));
    EXPECT_EQ((std::map<std::string, std::string>{{"pelto.exe", "0|0|0|Pelto|/x|pelto.exe|C:\\PELTO\\pelto.exe"}}),
              Section(log, "targets"));
}

TEST_F(InstallLogTest, LogLoadsBackAsTheInstalledModel)
{
    Model installed;
    Install(installed, "C:\\PELTO\\", true);

    Model removal;
    removal.Load(log);
    // Paths come resolved; the predefined destinations are the machine's own.
    EXPECT_EQ(6u, removal.destinations.GetCount());
    for (const auto& entry : installed.destinations) {
        if (entry.first < 0)
            continue;
        const CDestination* loaded = removal.destinations.Lookup(entry.first);
        ASSERT_NE(nullptr, loaded) << entry.first;
        EXPECT_EQ(entry.second->m_strName, loaded->m_strName);
        EXPECT_EQ(entry.second->m_nBaseId, loaded->m_nBaseId);
        EXPECT_EQ(entry.second->m_path.GetPath(), loaded->m_path.GetPath());
    }
    EXPECT_EQ("C:\\PELTO\\HELP\\DEEP\\", removal.destinations.GetPath(2).GetPath());
    EXPECT_EQ(CDestinationMap().GetPath(DEST_SYSTEM).GetPath(), removal.destinations.GetPath(DEST_SYSTEM).GetPath());

    ASSERT_EQ(3u, removal.groups.GetCount());
    for (const auto& entry : installed.groups) {
        const CFileGroup* loaded = removal.groups.Lookup(entry.first);
        ASSERT_NE(nullptr, loaded) << entry.first;
        EXPECT_EQ(entry.second->m_strText1, loaded->m_strText1);
        EXPECT_EQ(entry.second->m_strText2, loaded->m_strText2);
        EXPECT_EQ(entry.second->m_bTypeFlag1, loaded->m_bTypeFlag1);
        EXPECT_EQ(entry.second->m_bTypeFlag2, loaded->m_bTypeFlag2);
        EXPECT_EQ(entry.second->m_bTypeFlag3, loaded->m_bTypeFlag3);
        EXPECT_EQ(0, loaded->m_bSelected);
    }

    ASSERT_EQ(1u, removal.targets.GetCount());
    const CTarget* pelto = removal.targets.FindTarget("PELTO.EXE");
    ASSERT_NE(nullptr, pelto);
    EXPECT_EQ("pelto.exe", pelto->m_strName);
    EXPECT_EQ("Pelto", pelto->m_strCaption);
    EXPECT_EQ("/x", pelto->m_strArguments);
    EXPECT_EQ("C:\\PELTO\\pelto.exe", pelto->m_path.GetPath());

    // Written back, the loaded model gives the same sections.
    const auto destinations = Section(log, "destinations");
    const auto groups = Section(log, "groups");
    const auto targets = Section(log, "targets");
    CPathName again(dir / "again.log");
    ASSERT_TRUE(WriteInstallModel(again, removal.destinations, removal.groups, removal.targets));
    EXPECT_EQ(destinations, Section(again, "destinations"));
    EXPECT_EQ(groups, Section(again, "groups"));
    EXPECT_EQ(targets, Section(again, "targets"));
}

TEST_F(InstallLogTest, SecondInstallationUpdatesTheLog)
{
    Model first;
    Install(first, "C:\\PELTO\\", true);
    WritePrivateProfileStringA("Events", "10:00:00:0001", "Could not write SMS status.", log);
    Model second;
    Install(second, "D:\\APPS\\", false);

    const std::map<std::string, std::string> destinations = {
        {"0", "PELTO|-1|D:\\APPS\\"}, {"1", "HELP|0|D:\\APPS\\HELP\\"}, {"2", "DEEP|1|D:\\APPS\\HELP\\DEEP\\"}};
    EXPECT_EQ(destinations, Section(log, "destinations"));
    // readme.txt of the first run stays; the others are replaced.
    const std::map<std::string, std::string> main = {
        {"pelto.exe", "0|1|0"}, {"readme.txt", "0|0|0"}, {"shared.dll", "-3|1|0"}};
    EXPECT_EQ(main, Section(log, "MAIN"));
    EXPECT_EQ("0|0|0|Pelto|/x|pelto.exe|D:\\APPS\\pelto.exe", Section(log, "targets")["pelto.exe"]);
    EXPECT_EQ(1u, Section(log, "Events").size());
    const std::vector<std::string> sections = {"MAIN", "HELP", "destinations", "groups", "targets", "Events"};
    EXPECT_EQ(sections, SectionNames(log));
}

// An install log as an earlier installation left it, written by hand: loaded
// like a setup profile and written back, it gives its own lines again, less
// what the writers leave out (the predefined destinations, targets without a
// path) and with numbers in the form the writers give them.
TEST_F(InstallLogTest, HandWrittenLogIsWrittenBackFieldForField)
{
    WriteFileBytes(log.GetPath(), "[MAIN]\r\n"
                                  "pelto.exe=0|1|0\r\n"
                                  "[destinations]\r\n"
                                  "0=PELTO|-1|C:\\PELTO\\\r\n"
                                  "1=DATA|0|C:\\PELTO\\DATA\\\r\n"
                                  "7=|0|C:\\TOOLS\r\n"
                                  "-3=|-1|D:\\SHARED\\\r\n"
                                  "[groups]\r\n"
                                  "MAIN=Program files|The program|1|1|0\r\n"
                                  "Help=Help files||0|2|1\r\n"
                                  "[targets]\r\n"
                                  "pelto.exe=-1|70000|1|Pelto Editor|/s x|PELTO.ICO|C:\\PELTO\\PELTO.EXE\r\n"
                                  "help.exe=1|0|0|Help|||\r\n");
    Model model;
    model.Load(log);
    EXPECT_EQ("D:\\SHARED\\", model.destinations.GetPath(DEST_SYSTEM).GetPath());
    const CTarget* pelto = model.targets.FindTarget("PELTO.EXE");
    ASSERT_NE(nullptr, pelto);
    EXPECT_EQ(-1, pelto->m_nIconIndex);
    EXPECT_EQ(4464, pelto->m_nNumber2);

    CPathName again(dir / "again.log");
    ASSERT_TRUE(WriteInstallModel(again, model.destinations, model.groups, model.targets));
    EXPECT_EQ((std::vector<std::string>{"destinations", "groups", "targets"}), SectionNames(again));
    const std::map<std::string, std::string> destinations = {
        {"0", "PELTO|-1|C:\\PELTO\\"}, {"1", "DATA|0|C:\\PELTO\\DATA\\"}, {"7", "|0|C:\\TOOLS\\"}};
    EXPECT_EQ(destinations, Section(again, "destinations"));
    const std::map<std::string, std::string> groups = {{"MAIN", "Program files|The program|1|1|0"},
                                                       {"Help", "Help files||0|1|1"}};
    EXPECT_EQ(groups, Section(again, "groups"));
    const std::map<std::string, std::string> targets = {
        {"pelto.exe", "-1|4464|1|Pelto Editor|/s x|PELTO.ICO|C:\\PELTO\\PELTO.EXE"}};
    EXPECT_EQ(targets, Section(again, "targets"));
}

using LogLineTest = ProfileFixture;

TEST_F(LogLineTest, FileLineFlagsAreZeroOrOne)
{
    ASSERT_TRUE(WriteInstalledFile(log, "MAIN", "a.dll", DEST_SYSTEM, 5, -1));
    ASSERT_TRUE(WriteInstalledFile(log, "MAIN", "b.dll", 4464, FALSE, FALSE));
    const std::map<std::string, std::string> expected = {{"a.dll", "-3|1|1"}, {"b.dll", "4464|0|0"}};
    EXPECT_EQ(expected, Section(log, "MAIN"));
}

// The copy step's writer gathers lines in memory and replaces the log whole.
// Its final version must be byte for byte what the same lines written one by
// one through the profile API make of the same earlier log, whatever interim
// versions were written on the way; an interim version holds the reserved
// and interim lines as well, and no scratch file stays.
TEST_F(LogLineTest, WriterEndsWithWhatLineByLineWritesMake)
{
    const std::string earlier = "[Main]\r\nold.dat=0|1|0\r\nPELTO.EXE=0|1|1\r\n[Empty]\r\n"
                                "[destinations]\r\n0=PELTO|-1|C:\\OLD\\\r\n[Events]\r\n10:00:00:0001=x=y\r\n";
    const CPathName byLine(dir / "byline.log");
    WriteFileBytes(byLine.GetPath(), earlier);
    WriteFileBytes(log.GetPath(), earlier);
    struct Line {
        const char *section, *key, *value;
    };
    const std::vector<Line> lines = {
        {"MAIN", "pelto.exe", "0|1|0"}, {"Help", "help.hlp", "1|1|0"},      {"main", "new.dat", "0|0|0"},
        {"HELP", "Help.HLP", "1|0|1"},  {"destinations", "0", "PELTO|-1|D:\\"}, {"groups", "Main", "a|b|1|1|1"},
        {"Main", "new.dat", "0|1|0"},   {"targets", "pelto.exe", "0|0|0|P|||D:\\pelto.exe"},
    };
    for (const Line& line : lines)
        ASSERT_TRUE(::WritePrivateProfileStringA(line.section, line.key, line.value, byLine));

    {
        CInstallLogWriter writer(log);
        writer.Open();
        writer.SetInterimLines([](ILogLines& interim) {
            interim.WriteLine("destinations", "0", "PELTO|-1|D:\\");
            interim.WriteLine("groups", "Main", "interim");
        });
        for (std::size_t i = 0; i < lines.size(); ++i) {
            ASSERT_TRUE(WriteLogLine(writer, lines[i].section, lines[i].key, "%s", lines[i].value));
            if (i == 1) {
                WriteInstalledFile(writer.Reservations(), "Help", "ahead.hlp", 1, FALSE, FALSE);
                WriteInstalledFile(writer.Reservations(), "MAIN", "PELTO.exe", 0, FALSE, FALSE);
                EXPECT_FALSE(writer.IsInFile("help", "AHEAD.HLP"));
                ASSERT_TRUE(writer.Flush());
                EXPECT_TRUE(writer.IsInFile("help", "AHEAD.HLP"));
                EXPECT_TRUE(writer.IsInFile("main", "pelto.exe"));
                EXPECT_FALSE(writer.IsInFile("main", "new.dat"));
                // The interim version: the reserved line for a key written
                // already stays the written one.
                EXPECT_EQ("1|0|0", Section(log, "Help")["ahead.hlp"]);
                EXPECT_EQ("0|1|0", Section(log, "Main")["PELTO.EXE"]);
                EXPECT_EQ("interim", Section(log, "groups")["Main"]);
                EXPECT_EQ("x=y", Section(log, "Events")["10:00:00:0001"]);
                EXPECT_FALSE(writer.GetScratchPath().Exists());
            }
        }
        ASSERT_TRUE(writer.Flush());
        ASSERT_TRUE(writer.Close());
    }
    EXPECT_EQ(ReadFileBytes(byLine.GetPath()), ReadFileBytes(log.GetPath()));

    // No earlier log, and a run that wrote nothing for good: none after it.
    const CPathName fresh(dir / "fresh.log");
    {
        CInstallLogWriter writer(fresh);
        writer.Open();
        WriteInstalledFile(writer.Reservations(), "Main", "a.dat", 0, FALSE, FALSE);
        ASSERT_TRUE(writer.Flush());
        EXPECT_EQ("0|0|0", Section(fresh, "Main")["a.dat"]);
    }
    EXPECT_FALSE(fresh.Exists());
}

// What the program's own reader (the section's key list, each value loaded)
// gives back from a section of the log.
std::map<std::string, std::string> ReadBack(const CPathName& file, const char* name)
{
    std::map<std::string, std::string> lines;
    CProfileSection section(name);
    section.SetFile(file);
    CProfileString value;
    for (BOOL more = section.FirstKey(value); more; more = section.NextKey(value)) {
        value.Load();
        lines[value.GetKey()] = value.GetText();
    }
    return lines;
}

// A line the reader would give back otherwise is refused, and the log stays
// byte for byte as it was: the earlier line under the same key included.
TEST_F(LogLineTest, LinesThatWouldReadBackDifferentlyAreRefused)
{
    ASSERT_TRUE(WriteLogLine(log, "MAIN", "keep.dll", "%s", "0|1|0"));
    const std::string before = ReadFileBytes(log.GetPath());
    struct Line {
        const char* section;
        std::string key, value;
    };
    const Line refused[] = {
        {"MAIN", "keep.dll", std::string(255, 'v')},  // cut at 254 by the reader
        {"MAIN", "keep.dll", std::string(511, 'v')},
        {"MAIN", "keep.dll", " 0|1|0"},
        {"MAIN", "keep.dll", "0|1|0\t"},
        {"MAIN", "keep.dll", "\"0|1|0\""},
        {"MAIN", "keep.dll", "'x'"},
        {"MAIN", "keep.dll", "0|1|0\r\n[evil]"},
        {"MAIN", "", "0|1|0"},
        {"MAIN", ";keep.dll", "0|1|0"},
        {"MAIN", "[x].dll", "0|1|0"},
        {"MAIN", "a=b.dll", "0|1|0"},
        {"MAIN", "two\nlines.dll", "0|1|0"},
        {"MAIN", " keep.dll", "0|1|0"},
        {"MAIN", "keep.dll\t", "0|1|0"},
        {"", "keep.dll", "0|1|0"},
        {"MA]IN", "keep.dll", "0|1|0"},
        {" MAIN", "keep.dll", "0|1|0"},
    };
    for (const Line& line : refused)
        EXPECT_FALSE(WriteLogLine(log, line.section, line.key, "%s", line.value.c_str()))
            << "[" << line.section << "] '" << line.key << "'='" << line.value << "'";
    EXPECT_EQ(before, ReadFileBytes(log.GetPath()));
}

// What is accepted comes back whole, up to the reader's 254 characters.
TEST_F(LogLineTest, AcceptedLinesReadBackAsWritten)
{
    const std::map<std::string, std::string> lines = {
        {"full.dll", std::string(253, 'v') + "|"},
        {"inner blanks.dll", "a | b ;c=d [e]"},
        {"quote.dll", "\"one side|"},
        {"x;y[z]", "'x'|y"},
    };
    for (const auto& line : lines)
        ASSERT_TRUE(WriteLogLine(log, "MAIN", line.first, "%s", line.second.c_str())) << line.first;
    EXPECT_EQ(lines, ReadBack(log, "MAIN"));
}

// A destination whose line would not come back whole is left out; the others
// are written, and the line an earlier installation wrote for it stays.
TEST_F(LogLineTest, DestinationTooLongForTheReaderIsLeftOut)
{
    CDestinationMap destinations;
    destinations.SetPath(DEST_MAIN, CPathName("C:\\PELTO\\"));
    destinations.SetPath(1, CPathName("C:\\OLD\\"));
    ASSERT_TRUE(destinations.WriteToLog(log));

    // "|-1|" and a path of 250 characters: 254 in all.
    const std::string path = "C:\\" + std::string(246, 'p') + "\\";
    destinations.SetPath(1, CPathName(path));
    ASSERT_TRUE(destinations.WriteToLog(log));
    EXPECT_EQ("|-1|" + path, ReadBack(log, "destinations")["1"]);

    destinations.SetPath(1, CPathName("C:\\OLD\\"));
    ASSERT_TRUE(destinations.WriteToLog(log));
    destinations.SetRelative(1, "N", DEST_NONE);
    destinations.SetPath(1, CPathName(path));
    destinations.SetPath(DEST_MAIN, CPathName("D:\\PELTO\\"));
    EXPECT_FALSE(destinations.WriteToLog(log));
    const std::map<std::string, std::string> expected = {{"0", "|-1|D:\\PELTO\\"}, {"1", "|-1|C:\\OLD\\"}};
    EXPECT_EQ(expected, ReadBack(log, "destinations"));
}

} // namespace
