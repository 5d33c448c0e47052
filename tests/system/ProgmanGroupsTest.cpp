#include "system/ProgmanGroups.h"

#include "support/DdeTestServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace {

constexpr const char kService[] = "PeltoTestProgman";
constexpr const char kTopic[] = "PeltoTestTopic";

// A Program Manager of the test's own that records the commands it is sent.
class RecordingServer : public DdeTestServer {
public:
    explicit RecordingServer(std::string groups) : DdeTestServer(kService, kTopic, "Progman", std::move(groups)) {}
};

// The groups class pointed at the recording server.
class CTestProgmanGroups : public CProgmanGroups {
public:
    CTestProgmanGroups() noexcept : CProgmanGroups(kService, kTopic) {}
};

// The entries of a list box that keeps the order they were added in.
class ListBox {
public:
    ListBox() : m_hwnd(::CreateWindowA("LISTBOX", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr)) {}
    ~ListBox() { ::DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> entries;
        const auto count = ::SendMessageA(m_hwnd, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::string text(static_cast<size_t>(::SendMessageA(m_hwnd, LB_GETTEXTLEN, i, 0)), '\0');
            ::SendMessageA(m_hwnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            entries.push_back(text);
        }
        return entries;
    }

private:
    HWND m_hwnd;
};

using Commands = std::vector<std::string>;

TEST(ProgmanCommandsTest, AddItemQuotesAPathWithABlankAndFollowsItWithTheArguments)
{
    RecordingServer server("");
    {
        CTestProgmanGroups groups;
        EXPECT_TRUE(groups.AddItem("Pelto", "C:\\Program Files\\Pelto\\pelto.exe", "/install", "Pelto 2.0",
                                   "C:\\PELTO\\icons.dll", 3, SW_SHOWMINIMIZED, SW_MINIMIZE));
    }
    EXPECT_EQ((Commands{"[CreateGroup (\"Pelto\")]", "[ReplaceItem (Pelto 2.0)]",
                        "[AddItem (\"C:\\Program Files\\Pelto\\pelto.exe\" /install,\"Pelto 2.0\","
                        "C:\\PELTO\\icons.dll,3,2,1,,,0)]"}),
              server.Commands());
}

TEST(ProgmanCommandsTest, AddItemSendsABarePathAndTheCommandLineAsIconWhenNoneIsGiven)
{
    RecordingServer server("");
    {
        CTestProgmanGroups groups;
        EXPECT_TRUE(groups.AddItem("Pelto", "C:\\PELTO\\pelto.exe", "", "Pelto", nullptr, 0, SW_SHOW, SW_SHOW));
        EXPECT_TRUE(groups.AddItem("Pelto", "C:\\PELTO\\tab\there.exe", nullptr, "Tab", "", 1, SW_SHOW, SW_SHOW));
    }
    const Commands commands = server.Commands();
    ASSERT_EQ(6u, commands.size());
    EXPECT_EQ("[AddItem (C:\\PELTO\\pelto.exe ,\"Pelto\",C:\\PELTO\\pelto.exe ,0,5,0,,,0)]", commands[2]);
    EXPECT_EQ("[AddItem (\"C:\\PELTO\\tab\there.exe\",\"Tab\",,1,5,0,,,0)]", commands[5]);
}

TEST(ProgmanCommandsTest, RemovalActivatesTheGroupThenDeletesItemAndGroup)
{
    RecordingServer server("");
    {
        CTestProgmanGroups groups;
        EXPECT_TRUE(groups.RemoveItem("Pelto", "Pelto 2.0"));
        EXPECT_TRUE(groups.RemoveGroup("Pelto"));
        EXPECT_TRUE(groups.CmdAddItem("x.exe", "X", nullptr, 0, 1, 2, "C:\\DIR", 65, TRUE));
    }
    EXPECT_EQ((Commands{"[CreateGroup (\"Pelto\")]", "[DeleteItem (Pelto 2.0)]", "[DeleteGroup(\"Pelto\")]",
                        "[AddItem (x.exe,\"X\",x.exe,0,1,2,C:\\DIR,65,1)]"}),
              server.Commands());
}

TEST(ProgmanCommandsTest, CommandThatWouldOverrunItsBufferIsRefusedUnsent)
{
    RecordingServer server("");
    // "[DeleteGroup(\"\")]" takes 17 characters: with 494 more the command and
    // its terminator fill the 512 bytes exactly.
    const std::string fits(494, 'G');
    const std::string tooLong(495, 'G');
    {
        CTestProgmanGroups groups;
        EXPECT_FALSE(groups.RemoveGroup(tooLong.c_str()));
        EXPECT_TRUE(groups.RemoveGroup(fits.c_str()));
    }
    EXPECT_EQ(Commands{"[DeleteGroup(\"" + fits + "\")]"}, server.Commands());
}

TEST(ProgmanCommandsTest, ListGroupsAddsOneEntryPerLineInOrder)
{
    RecordingServer server("Accessories\r\nPelto Tools\r\n\r\n\n\rStartUp");
    ListBox list;
    {
        CTestProgmanGroups groups;
        EXPECT_TRUE(groups.ListGroups(list.Get()));
    }
    EXPECT_EQ((std::vector<std::string>{"Accessories", "Pelto Tools", "StartUp"}), list.Entries());
}

TEST(ProgmanCommandsTest, ListGroupsOfAnEmptyAnswerAddsNothing)
{
    RecordingServer server("\r\n");
    ListBox list;
    CTestProgmanGroups groups;
    EXPECT_TRUE(groups.ListGroups(list.Get()));
    EXPECT_TRUE(list.Entries().empty());
}

// Wine's Program Manager is the shell's DDE server in explorer.exe, which runs
// with the desktop (it needs a display). It keeps groups as folders of the
// Start menu's Programs folder and items as shortcut files in them. Its parser
// takes no arguments after a quoted program path, so the item here has none.
class WineProgmanTest : public ::testing::Test {
protected:
    static std::string ProgramsFolder()
    {
        char path[MAX_PATH] = {};
        ::SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path);
        return std::string(path) + "\\";
    }
    static bool IsDirectory(const std::string& path)
    {
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    TempDir m_dir;
};

TEST_F(WineProgmanTest, ItemOfAPathWithABlankIsMadeAndRemovedWithItsGroup)
{
    const std::string program = m_dir / "Pelto App.exe";
    WriteFileBytes(program, "MZ");
    const std::string group = ProgramsFolder() + "Pelto Test\\";
    {
        CProgmanGroups groups;
        ASSERT_TRUE(groups.AddItem("Pelto Test", program.c_str(), nullptr, "Pelto App", nullptr, 0, SW_SHOW, SW_SHOW));
    }
    EXPECT_TRUE(FileExists(group + "Pelto App.lnk"));
    {
        CProgmanGroups groups;
        EXPECT_TRUE(groups.RemoveItem("Pelto Test", "Pelto App"));
        EXPECT_FALSE(FileExists(group + "Pelto App.lnk"));
        EXPECT_TRUE(groups.RemoveGroup("Pelto Test"));
    }
    EXPECT_FALSE(IsDirectory(group));
}

// What Wine reports for item "Progman" is an empty list ("\r\n") whatever the
// Start menu holds; whatever it reports must be groups of the Start menu.
TEST_F(WineProgmanTest, ListGroupsTakesOnlyGroupsOfTheStartMenu)
{
    {
        CProgmanGroups groups;
        ASSERT_TRUE(groups.CmdCreateGroup("Pelto Listed"));
    }
    ASSERT_TRUE(IsDirectory(ProgramsFolder() + "Pelto Listed"));
    ListBox list;
    CProgmanGroups groups;
    EXPECT_TRUE(groups.ListGroups(list.Get()));
    for (const std::string& entry : list.Entries())
        EXPECT_TRUE(IsDirectory(ProgramsFolder() + entry)) << entry;
}

} // namespace
