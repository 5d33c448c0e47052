#include "profile/ProgramItems.h"
#include "system/ShortcutGroups.h"

#include "fw/Handle.h"
#include "profile/TargetMap.h"
#include "support/DdeTestServer.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

constexpr const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// Sets the current user's "Programs" shell folder; null removes the value.
void SetProgramsValue(const char* folder)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &key, nullptr));
    if (folder)
        ::RegSetValueExA(key, "Programs", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder), lstrlenA(folder) + 1);
    else
        ::RegDeleteValueA(key, "Programs");
    ::RegCloseKey(key);
}

// A shortcut file as the shell reads it back: path, arguments, description,
// icon location and icon index.
Strings ReadLink(const std::string& file)
{
    CComPtr<IShellLinkA> link;
    CComPtr<IPersistFile> persist;
    const std::wstring name(file.begin(), file.end());
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()))
        || FAILED(link->QueryInterface(IID_IPersistFile, persist.PutVoid()))
        || FAILED(persist->Load(name.c_str(), STGM_READ)))
        return {};
    char path[MAX_PATH] = {}, arguments[MAX_PATH] = {}, description[MAX_PATH] = {}, icon[MAX_PATH] = {};
    int index = -1;
    link->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, MAX_PATH);
    link->GetDescription(description, MAX_PATH);
    link->GetIconLocation(icon, MAX_PATH, &index);
    return {path, arguments, description, icon, std::to_string(index)};
}

bool IsDirectory(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Each test gets a Programs folder of its own.
class ShortcutGroupsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::CoInitialize(nullptr);
        SetProgramsValue(m_dir.Path().c_str());
        WriteFileBytes(m_program, "MZ");
    }
    void TearDown() override { ::CoUninitialize(); }

    TempDir m_dir;
    const std::string m_program = m_dir / "pelto.exe";
    const std::string m_group = m_dir / "Pelto\\";
};

TEST_F(ShortcutGroupsTest, ReadOnlyShortcutIsRemovedAndAFolderWithOtherFilesStays)
{
    CShortcutGroups groups;
    ASSERT_TRUE(groups.AddShortcut("Pelto", m_program.c_str(), "", "Pelto", "", 0, SW_SHOW, SW_SHOW));
    ASSERT_TRUE(::SetFileAttributesA((m_group + "Pelto.lnk").c_str(), FILE_ATTRIBUTE_READONLY));
    WriteFileBytes(m_group + "notes.txt", "mine");

    // Names from a tampered install log never reach outside the Programs folder.
    WriteFileBytes(m_group + "other.lnk", "elsewhere");
    EXPECT_FALSE(groups.RemoveItem("Pelto\\..", "Pelto\\other"));
    EXPECT_FALSE(groups.RemoveItem("..", "other"));
    EXPECT_FALSE(groups.RemoveGroup(".."));
    EXPECT_TRUE(FileExists(m_group + "other.lnk"));
    ::DeleteFileA((m_group + "other.lnk").c_str());

    EXPECT_TRUE(groups.RemoveItem("Pelto", "Pelto"));
    EXPECT_FALSE(groups.RemoveGroup("Pelto"));
    EXPECT_EQ(std::set<std::string>{"notes.txt"}, FilesIn(m_group));
}

TEST_F(ShortcutGroupsTest, WithoutAProgramsValueShortcutsGoToTheWindowsStartMenu)
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string group = std::string(windows) + "\\Start Menu\\Programs\\Pelto Fallback\\";
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        SetProgramsValue(value);
        CShortcutGroups groups;
        ASSERT_TRUE(groups.AddShortcut("Pelto Fallback", m_program.c_str(), "", "Pelto", "", 0, SW_SHOW, SW_SHOW));
        EXPECT_TRUE(FileExists(group + "Pelto.lnk"));
        EXPECT_TRUE(groups.RemoveItem("Pelto Fallback", "Pelto"));
        EXPECT_TRUE(groups.RemoveGroup("Pelto Fallback"));
    }
}

// PELTO_SHORTCUT_OUT, set by CTest, is the folder where a shortcut is left
// for lnkinfo, a reader of its own, to check after this program has ended
// (check-shortcut.sh).
TEST_F(ShortcutGroupsTest, ShortcutLeftForAnOutsideReader)
{
    const char* out = std::getenv("PELTO_SHORTCUT_OUT");
    if (!out)
        GTEST_SKIP() << "PELTO_SHORTCUT_OUT not set";
    std::string folder = std::string("Z:") + out;
    std::replace(folder.begin(), folder.end(), '/', '\\');
    SetProgramsValue(folder.c_str());
    CShortcutGroups groups;
    groups.RemoveItem("Pelto", "Pelto 2.0");
    EXPECT_TRUE(groups.AddShortcut("Pelto", m_program.c_str(), "/install", "Pelto 2.0", "C:\\PELTO\\icons.dll", 3,
                                   SW_SHOW, SW_SHOW));
}

int g_pumped = 0;
void CountPump() { ++g_pumped; }

// Targets as the copy step leaves them: installed ones have a path.
class ProgramItemsTest : public ShortcutGroupsTest {
protected:
    void SetUp() override
    {
        ShortcutGroupsTest::SetUp();
        WriteFileBytes(m_profile, "[targets]\n"
                                  "PELTO.EXE=2|0|0|Pelto 2.0|/x|icons.dll\n"
                                  "tool.exe=1|0|1|Tool||nowhere.dll\n"
                                  "readme.exe=0|0|0|Readme||\n"
                                  "never.exe=0|0|0|Never||icons.dll\n");
        WriteFileBytes(m_dir / "icons.dll", "MZ");
        m_targets.LoadFromProfile(m_profile.c_str());
        for (const char* name : {"pelto.exe", "tool.exe", "readme.exe"})
            m_targets.FindTarget(name)->m_path = m_program;
        g_pumped = 0;
    }

    const std::string m_profile = m_dir / "setup.ini";
    CTargetMap m_targets;
};

TEST_F(ProgramItemsTest, InstalledTargetsBecomeShortcutsNamedUpToTheLastDotAndAreRemovedAgain)
{
    CreateProgramItems("Pelto", m_targets, m_dir.Path().c_str(), CountPump);
    EXPECT_EQ(3, g_pumped);
    EXPECT_EQ((std::set<std::string>{"Pelto 2.lnk", "Tool.lnk", "Readme.lnk"}), FilesIn(m_group));
    EXPECT_EQ((Strings{m_program, "/x", "Pelto 2.0", m_dir / "icons.dll", "2"}), ReadLink(m_group + "Pelto 2.lnk"));
    // An icon file that is not in the main directory is taken from the System
    // directory, where it is not either.
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ((Strings{m_program, "", "Tool", std::string(system) + "\\nowhere.dll", "1"}),
              ReadLink(m_group + "Tool.lnk"));
    EXPECT_EQ((Strings{m_program, "", "Readme", "", "0"}), ReadLink(m_group + "Readme.lnk"));

    RemoveProgramItems("Pelto", m_targets, CountPump);
    EXPECT_EQ(6, g_pumped);
    EXPECT_FALSE(IsDirectory(m_group));
}

// Windows before 4.0 has no Start menu. Wine fixes the version it reports when
// a process starts, so these run in a child process that sees Windows NT 3.51.
class DISABLED_ProgramManagerTest : public ShortcutGroupsTest {};

constexpr const char kService[] = "PeltoTestProgman";

class CTestShortcutGroups : public CShortcutGroups {
public:
    CTestShortcutGroups() : CShortcutGroups(kService, kService) {}
};

TEST_F(DISABLED_ProgramManagerTest, ShortcutsBecomeProgramManagerCommands)
{
    DdeTestServer server(kService, kService, "Progman", "");
    {
        CTestShortcutGroups groups;
        EXPECT_TRUE(groups.AddShortcut("Pelto", "C:\\Program Files\\Pelto\\pelto.exe", "/install", "Pelto 2.0",
                                       "C:\\PELTO\\icons.dll", 3, SW_SHOWMINIMIZED, SW_SHOW));
        EXPECT_TRUE(groups.AddShortcut("Pelto", "C:\\PELTO\\pelto.exe", "", "Pelto", "", 0, SW_SHOW, SW_SHOW));
        EXPECT_TRUE(groups.RemoveItem("Pelto", "Pelto"));
        EXPECT_TRUE(groups.RemoveGroup("Pelto"));
    }
    EXPECT_EQ((Strings{
                  "[CreateGroup (\"Pelto\")]", "[ReplaceItem (Pelto 2.0)]",
                  "[AddItem (\"C:\\Program Files\\Pelto\\pelto.exe\" /install,\"Pelto 2.0\","
                  "C:\\PELTO\\icons.dll,3,2,0,,,0)]",
                  "[CreateGroup (\"Pelto\")]", "[ReplaceItem (Pelto)]",
                  "[AddItem (C:\\PELTO\\pelto.exe ,\"Pelto\",,0,5,0,,,0)]",
                  "[CreateGroup (\"Pelto\")]", "[DeleteItem (Pelto)]", "[DeleteGroup(\"Pelto\")]"}),
              server.Commands());
    EXPECT_FALSE(IsDirectory(m_group));
}

// Wine's Program Manager keeps a group as a folder of the shell's Programs
// folder, an item as a shortcut in it. It takes no arguments after the
// program's path: the item here has none.
class DISABLED_ProgramManagerItemsTest : public ProgramItemsTest {
protected:
    void SetUp() override
    {
        ProgramItemsTest::SetUp();
        m_targets.FindTarget("pelto.exe")->m_strArguments.clear();
    }
};

TEST_F(DISABLED_ProgramManagerItemsTest, ItemsAndGroupAreMadeAndRemovedByProgramManager)
{
    char programs[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, programs);
    const std::string group = std::string(programs) + "\\Pelto Wine\\";
    CreateProgramItems("Pelto Wine", m_targets, m_dir.Path().c_str(), CountPump);
    EXPECT_EQ((std::set<std::string>{"Pelto 2.0.lnk", "Tool.lnk", "Readme.lnk"}), FilesIn(group));
    RemoveProgramItems("Pelto Wine", m_targets, CountPump);
    EXPECT_FALSE(IsDirectory(group));
    EXPECT_FALSE(IsDirectory(m_group));
}

TEST(ProgramManagerTest, RunsUnderWindowsNT351)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS,
                                               nullptr, &key, nullptr));
    ::RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("nt351"), 6);
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self
                          + "\" --gtest_also_run_disabled_tests --gtest_filter=DISABLED_ProgramManager*";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = ::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                          &startup, &process);
    DWORD exitCode = 1;
    if (started) {
        const CHandle child(process.hProcess), thread(process.hThread);
        ::WaitForSingleObject(child.Get(), 120000);
        ::GetExitCodeProcess(child.Get(), &exitCode);
    }
    ::RegDeleteValueA(key, "Version");
    ::RegCloseKey(key);
    ASSERT_TRUE(started);
    EXPECT_EQ(0u, exitCode);
}

} // namespace
