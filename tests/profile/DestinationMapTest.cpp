#include "ProfileFixture.h"

#include "errors/XException.h"
#include "profile/DestinationMap.h"

namespace {

// The code of the CInstallProfileException that op throws, or -1.
template <typename Op>
int InstallProfileCode(Op op)
{
    try {
        op();
    } catch (const CInstallProfileException& e) {
        return e.m_nCode;
    }
    return -1;
}

std::string Folder(UINT (WINAPI* get)(LPSTR, UINT))
{
    char buffer[MAX_PATH];
    std::string folder(buffer, get(buffer, MAX_PATH));
    return folder.back() == '\\' ? folder : folder + '\\';
}

class DestinationLoadTest : public ProfileFixture {
protected:
    CDestinationMap destinations;
};

TEST_F(DestinationLoadTest, PredefinedDestinationsAreTheSystemFolders)
{
    EXPECT_EQ(3u, destinations.GetCount());
    EXPECT_EQ(Folder(::GetWindowsDirectoryA), destinations.GetPath(DEST_WINDOWS).GetPath());
    EXPECT_EQ(Folder(::GetSystemDirectoryA), destinations.GetPath(DEST_SYSTEM).GetPath());
    char temp[MAX_PATH];
    EXPECT_EQ(std::string(temp, ::GetTempPathA(MAX_PATH, temp)), destinations.GetPath(DEST_TEMP).GetPath());
}

TEST_F(DestinationLoadTest, FieldsAndTheirDefaults)
{
    WriteProfile("[destinations]\n"
                 "0=PELTO\n"
                 "1=DATA|0|\n"
                 "5=||C:\\TOOLS\n"
                 "70000=WRAPPED|-1|\n"
                 "-3=|-1|D:\\SHARED\\\n");
    destinations.LoadFromProfile(profile);

    const CDestination* data = destinations.Lookup(1);
    ASSERT_NE(nullptr, data);
    EXPECT_EQ("DATA", data->m_strName);
    EXPECT_EQ(0, data->m_nBaseId);
    EXPECT_FALSE(data->HasPath());

    const CDestination* main = destinations.Lookup(0);
    ASSERT_NE(nullptr, main);
    EXPECT_EQ("PELTO", main->m_strName);
    EXPECT_FALSE(main->HasBase());

    // An empty field is present and reads as 0, not as the default -1.
    const CDestination* tools = destinations.Lookup(5);
    ASSERT_NE(nullptr, tools);
    EXPECT_EQ(0, tools->m_nBaseId);
    EXPECT_EQ("C:\\TOOLS\\", tools->m_path.GetPath());

    EXPECT_EQ("WRAPPED", destinations.GetName(4464));
    EXPECT_EQ("D:\\SHARED\\", destinations.GetPath(DEST_SYSTEM).GetPath());
    EXPECT_EQ(7u, destinations.GetCount());
    // An id that is not in the map has no name and no path.
    EXPECT_EQ("", destinations.GetName(12));
    EXPECT_TRUE(destinations.GetPath(12).IsEmpty());
}

TEST_F(DestinationLoadTest, MissingOrEmptySectionIsCodeZero)
{
    EXPECT_EQ(0, InstallProfileCode([&] { destinations.LoadFromProfile(profile); }));
    WriteProfile("[groups]\nMAIN=Program|x|1|1|1\n[destinations]\n");
    EXPECT_EQ(0, InstallProfileCode([&] { destinations.LoadFromProfile(profile); }));
    EXPECT_EQ(3u, destinations.GetCount());
}

class DestinationResolveTest : public ProfileFixture {
protected:
    void Load(const std::string& lines)
    {
        WriteProfile("[destinations]\n" + lines);
        destinations.LoadFromProfile(profile);
        destinations.SetPath(DEST_MAIN, CPathName("C:\\PELTO\\"));
    }
    std::string Path(short id) const { return destinations.GetPath(id).GetPath(); }

    CDestinationMap destinations;
};

// A chain whose links come in increasing and in decreasing id order resolves
// whatever order the map visits them in.
TEST_F(DestinationResolveTest, ChainsResolveInEitherOrder)
{
    Load("0=PELTO\n"
         "1=A|0|\n2=B|1|\n3=C|2|\n4=D|3|\n"
         "14=W|0|\n13=X|14|\n12=Y|13|\n11=Z|12|\n");
    destinations.ResolveAll();
    EXPECT_EQ("C:\\PELTO\\A\\B\\C\\D\\", Path(4));
    EXPECT_EQ("C:\\PELTO\\W\\X\\Y\\Z\\", Path(11));
    EXPECT_EQ("C:\\PELTO\\A\\", Path(1));
}

TEST_F(DestinationResolveTest, GivenPathsAreKept)
{
    Load("7=OLD|0|D:\\OLD\\\n");
    destinations.ResolveAll();
    EXPECT_EQ("D:\\OLD\\", Path(7));
    ASSERT_TRUE(destinations.Lookup(7)->Resolve(TRUE));
    EXPECT_EQ("C:\\PELTO\\OLD\\", Path(7));
}

// A path given without its trailing backslash names a directory, for the
// destination's own files as for the destinations below it.
TEST_F(DestinationResolveTest, PathWithoutTrailingBackslashIsADirectory)
{
    Load("5=||C:\\TOOLS\n6=BIN|5|\n1=DATA|0|\n");
    destinations.SetPath(DEST_MAIN, CPathName("D:\\APPS\\PELTO.1"));
    destinations.ResolveAll();
    for (const short id : {5, 6, 0, 1}) {
        CPathName file = destinations.GetPath(id);
        ASSERT_TRUE(file.SetFileName("pelto.exe"));
        EXPECT_EQ(Path(id) + "pelto.exe", file.GetPath()) << id;
    }
    EXPECT_EQ("C:\\TOOLS\\", Path(5));
    EXPECT_EQ("C:\\TOOLS\\BIN\\", Path(6));
    EXPECT_EQ("D:\\APPS\\PELTO.1\\DATA\\", Path(1));
    // A file path of 258 characters has no room for the backslash: no path.
    const CPathName longest("C:\\" + std::string(255, 'x'));
    ASSERT_FALSE(longest.IsEmpty());
    destinations.SetPath(8, longest);
    EXPECT_TRUE(destinations.GetPath(8).IsEmpty());
}

// The user goes back from the group page and chooses another directory: what
// lies below it follows, whatever order the map visits a chain in; a path
// given in the profile stays.
TEST_F(DestinationResolveTest, ResolvingAgainFollowsTheNewMainDirectory)
{
    Load("0=PELTO\n1=DATA|0|\n2=SUB|1|\n12=Y|13|\n13=X|0|\n7=OLD|0|E:\\OLD\\\n");
    destinations.SetPath(DEST_MAIN, CPathName("C:\\A\\"));
    destinations.ResolveAll();
    ASSERT_EQ("C:\\A\\X\\Y\\", Path(12));
    destinations.SetPath(DEST_MAIN, CPathName("D:\\B\\"));
    destinations.ResolveAll();
    EXPECT_EQ("D:\\B\\DATA\\", Path(1));
    EXPECT_EQ("D:\\B\\DATA\\SUB\\", Path(2));
    EXPECT_EQ("D:\\B\\X\\Y\\", Path(12));
    EXPECT_EQ("E:\\OLD\\", Path(7));
}

TEST_F(DestinationResolveTest, MissingBaseAndCyclesAreCodeOne)
{
    Load("1=X|5|\n2=DATA|0|\n");
    EXPECT_EQ(1, InstallProfileCode([&] { destinations.ResolveAll(); }));
    // Every destination is tried in every pass, so the others still resolve.
    EXPECT_EQ("C:\\PELTO\\DATA\\", Path(2));
    EXPECT_TRUE(destinations.GetPath(1).IsEmpty());

    CDestinationMap self;
    self.SetRelative(1, "X", 1);
    EXPECT_EQ(1, InstallProfileCode([&] { self.ResolveAll(); }));

    CDestinationMap pair;
    pair.SetPath(DEST_MAIN, CPathName("C:\\PELTO\\"));
    pair.SetRelative(1, "X", 2);
    pair.SetRelative(2, "Y", 1);
    EXPECT_EQ(1, InstallProfileCode([&] { pair.ResolveAll(); }));
}

TEST_F(DestinationResolveTest, BaseWithoutPathIsCodeOne)
{
    WriteProfile("[destinations]\n0=PELTO\n1=DATA|0|\n");
    destinations.LoadFromProfile(profile);
    EXPECT_EQ(1, InstallProfileCode([&] { destinations.ResolveAll(); }));
}

TEST_F(DestinationResolveTest, PathTooLongStaysUnresolved)
{
    destinations.SetPath(DEST_MAIN, CPathName("C:\\" + std::string(200, 'P') + "\\"));
    destinations.SetRelative(1, std::string(100, 'D'), DEST_MAIN);
    EXPECT_EQ(1, InstallProfileCode([&] { destinations.ResolveAll(); }));
    EXPECT_TRUE(destinations.GetPath(1).IsEmpty());
}

TEST_F(DestinationResolveTest, LogHoldsOnlyIdsFromZeroWithTheirPaths)
{
    Load("0=PELTO\n1=DATA|0|\n5=||C:\\TOOLS\n-3=|-1|D:\\SHARED\\\n");
    destinations.ResolveAll();
    ASSERT_TRUE(destinations.WriteToLog(log));
    const std::map<std::string, std::string> expected = {
        {"0", "PELTO|-1|C:\\PELTO\\"}, {"1", "DATA|0|C:\\PELTO\\DATA\\"}, {"5", "|0|C:\\TOOLS\\"}};
    EXPECT_EQ(expected, Section(log, "destinations"));
}

} // namespace
