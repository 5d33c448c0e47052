// INSTALL.EXE driven from outside through its finish step and its removal,
// in a private prefix: the registry entries it writes and deletes, the
// programs it starts (stand-ins that record how), the files and shared counts
// a hand-written install log names, and the one event it logs.
#include "SetupRun.h"

#include "fw/Strings.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;
using namespace ui_probe;
using setup_run::SetupRun;

const char kAppPathKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\pelto.exe";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Pelto";
const char kSharedDllsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string Folder(UINT(WINAPI* get)(LPSTR, UINT))
{
    char path[MAX_PATH] = {};
    get(path, MAX_PATH);
    return std::string(path) + "\\";
}
const std::string kWindowsDir = Folder(::GetWindowsDirectoryA);
const std::string kSystemDir = Folder(::GetSystemDirectoryA);
const std::string kLog = kWindowsDir + "pelto.log";

void PutString(const char* key, const char* name, const std::string& text)
{
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}
// The shared count of a file of the System directory, -1 without one.
long Count(const std::string& name)
{
    return setup_run::SharedCount(kSystemDir + name);
}

// A stand-in program at `path` that records how it was started.
void PlaceRecorder(const std::string& path)
{
    ASSERT_TRUE(::CopyFileA(WindowsPath(PELTO_RECORD_START).c_str(), path.c_str(), FALSE)) << path;
    fs::remove(path + ".args");
}
// Line `line` of what the stand-in at `path` recorded: 0 the command line, 1
// the current directory.
std::string Recorded(const std::string& path, int line = 0)
{
    // Read until it can be: just after the stand-in's rename its handle, open
    // for deleting, still keeps readers out.
    std::string text;
    const auto read = [&] {
        try {
            text = ReadFileBytes(path + ".args");
            return true;
        } catch (const std::runtime_error&) {
            return false;
        }
    };
    if (!WaitUntil(read))
        return "(not started)";
    const std::size_t end = text.find("\r\n");
    return line == 0 ? text.substr(0, end) : text.substr(end + 2, text.size() - end - 4);
}

// The "Events" section of the install log holds just the status report's failure.
void ExpectOnlyStatusEvent()
{
    char section[1024] = {};
    ::GetPrivateProfileSectionA("Events", section, sizeof section, kLog.c_str());
    const std::string first = section;  // entries end in a NUL, the section in two
    EXPECT_TRUE(std::regex_match(first, std::regex(R"(\d\d:\d\d:\d\d:\d{4}=Could not write SMS status\.)")))
        << first;
    EXPECT_EQ('\0', section[first.size() + 1]) << "one event";
}

TEST(FinishStepTest, RegistersTheProgramAndStartsItQuotedWhenItsPathHoldsABlank)
{
    const std::string main = "C:\\Pelto Test\\";
    fs::remove(kLog);
    fs::create_directories(main);
    PlaceRecorder(main + "pelto.exe");
    PlaceRecorder("C:\\Pelto.exe");  // what the bare path would start

    SetupRun run(setup_run::MinimalProfile("Pelto Test"));
    run.Start("/B");
    EXPECT_EQ(0, run.ExitCode());

    EXPECT_EQ("\"C:\\Pelto Test\\pelto.exe\" /install", Recorded(main + "pelto.exe"));
    EXPECT_FALSE(FileExists("C:\\Pelto.exe.args"));
    EXPECT_EQ(main + "pelto.exe", setup_run::RegString(kAppPathKey, ""));
    EXPECT_EQ("C:\\Pelto Test", setup_run::RegString(kAppPathKey, "Path"));
    EXPECT_EQ("Pelto", setup_run::RegString(kUninstallKey, "DisplayName"));
    EXPECT_EQ("\"C:\\Pelto Test\\INSTALL.EXE\" /U", setup_run::RegString(kUninstallKey, "UninstallString"));
    ExpectOnlyStatusEvent();
}

// An installation as a hand-written install log records it, in a destination
// with a blank, with the product's registry entries and shared counts.
class RemovalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(main + "DATA\\SUB");
        fs::create_directories(main + "KEEP");
        WriteFileBytes(main + "READONLY.DAT", "r");
        ::SetFileAttributesA((main + "READONLY.DAT").c_str(), FILE_ATTRIBUTE_READONLY);
        WriteFileBytes(main + "DATA\\DATA.TXT", "d");
        WriteFileBytes(main + "KEEP\\NOTES.TXT", "not recorded");
        WriteFileBytes(run.Folder() / "OUTSIDE.TXT", "not below the destination");
        PlaceRecorder(main + "pelto.exe");
        PlaceRecorder(run.Folder() / "Pelto.exe");
        PlaceRecorder(kSystemDir + "_cleanup.exe");
        for (const char* name : {"PELTO1.DLL", "PELTO2.DLL"})
            WriteFileBytes(kSystemDir + name, "shared");
        const DWORD one = 1, two = 2;
        ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSharedDllsKey, (kSystemDir + "PELTO1.DLL").c_str(), REG_DWORD, &one, 4);
        ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSharedDllsKey, (kSystemDir + "PELTO2.DLL").c_str(), REG_DWORD, &two, 4);
        PutString(kAppPathKey, "", main + "pelto.exe");
        PutString(kUninstallKey, "DisplayName", "Pelto");
        WriteFileBytes(kLog, "[Program]\r\nREADONLY.DAT=0|1|0\r\nDATA.TXT=1|1|0\r\nPELTO1.DLL=-3|1|0\r\n"
                             "PELTO2.DLL=-3|1|0\r\n..\\OUTSIDE.TXT=0|1|0\r\n"
                             "[destinations]\r\n0=PELTO||" + main + "\r\n1=DATA|0|" + main + "DATA\\\r\n"
                             "2=KEEP|0|" + main + "KEEP\\\r\n3=SUB|1|" + main + "DATA\\SUB\\\r\n"
                             "[groups]\r\nProgram=Program files|The program|1|1|1\r\nHelp=Help|No section|1|1|1\r\n");
    }

    void TearDown() override
    {
        fs::remove(main + "pelto.exe.hold");
        fs::remove(kSystemDir + "_cleanup.exe.hold");
        // The next case puts its stand-ins in their place.
        EXPECT_TRUE(WaitUntil([] { return !ProgramRunning("pelto.exe") && !ProgramRunning("_cleanup.exe"); }));
    }

    // Starts the removal with `options` while the product's program it
    // starts first waits, and so holds the removal in its wait for it; the
    // clean-up program too would wait once started. `meanwhile` queues what
    // the removal finds when it lets messages through at its first file,
    // given the removal's page; then the product's program ends.
    void RemoveWithTheProgramHeld(const std::string& options, const std::function<void(HWND removing)>& meanwhile)
    {
        WriteFileBytes(main + "pelto.exe.hold", "");
        WriteFileBytes(kSystemDir + "_cleanup.exe.hold", "");
        run.UseStatusLibrary(PELTO_STATUS_LIBRARY);
        run.Start(options);
        if (options.find("/B") == std::string::npos) {
            HWND confirm = run.WaitForPage(IDD_REMOVE_CONFIRM);
            ASSERT_NE(nullptr, confirm);
            ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(confirm), IDC_NEXT));
        }
        ASSERT_NE("(not started)", Recorded(main + "pelto.exe"));
        // The page cannot answer while it waits: found by its caption.
        HWND removing = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (removing = run.FindVisibleDialogCaptioned("Pelto Setup")) != nullptr; }));
        meanwhile(removing);
        fs::remove(main + "pelto.exe.hold");
    }
    void AnswerExitQuestion(const char* label)
    {
        HWND question = run.WaitForDialogShowing(AfxLoadString(IDS_CONFIRM_EXIT_SETUP));
        ASSERT_NE(nullptr, question);
        ASSERT_TRUE(SetupRun::ClickButtonLabelled(question, label));
    }
    void ExpectFilesRemoved()
    {
        EXPECT_FALSE(FileExists(main + "READONLY.DAT"));
        EXPECT_FALSE(fs::exists(main + "DATA"));
        EXPECT_EQ(-1, Count("PELTO1.DLL"));
        EXPECT_EQ(1, Count("PELTO2.DLL"));
    }

    SetupRun run{setup_run::MinimalProfile("PELTO")};
    const std::string main = run.Folder() / "Pelto Test\\";
};

TEST_F(RemovalTest, UnattendedRemovalTakesWhatTheLogRecordsBelowItsDestinations)
{
    run.Start("/U /B");
    EXPECT_EQ(0, run.ExitCode());

    EXPECT_EQ("\"" + main + "pelto.exe\" /uninstall", Recorded(main + "pelto.exe"));
    EXPECT_FALSE(FileExists(run.Folder() / "Pelto.exe.args"));
    EXPECT_FALSE(FileExists(main + "READONLY.DAT"));
    EXPECT_FALSE(fs::exists(main + "DATA")) << "emptied, so removed, after SUB below it";
    EXPECT_TRUE(FileExists(main + "KEEP\\NOTES.TXT"));
    EXPECT_TRUE(FileExists(run.Folder() / "OUTSIDE.TXT")) << "a key that is a path is refused";
    EXPECT_TRUE(FileExists(kSystemDir + "PELTO1.DLL") && FileExists(kSystemDir + "PELTO2.DLL"));
    EXPECT_EQ(-1, Count("PELTO1.DLL"));
    EXPECT_EQ(1, Count("PELTO2.DLL"));
    EXPECT_EQ("(none)", setup_run::RegString(kAppPathKey, ""));
    EXPECT_EQ("(none)", setup_run::RegString(kUninstallKey, "DisplayName"));

    char shortProfile[MAX_PATH] = {};
    ::GetShortPathNameA((run.Folder() / "INSTALL.ini").c_str(), shortProfile, MAX_PATH);
    EXPECT_EQ(kSystemDir + "_cleanup.exe /U /PP:" + shortProfile, Recorded(kSystemDir + "_cleanup.exe"));
    EXPECT_EQ(kSystemDir.substr(0, kSystemDir.size() - 1), Recorded(kSystemDir + "_cleanup.exe", 1));
    ExpectOnlyStatusEvent();
}

TEST_F(RemovalTest, RemovalCancelledOnItsFirstPageLeavesEverything)
{
    run.Start("/U");
    HWND confirm = run.WaitForPage(IDD_REMOVE_CONFIRM);
    ASSERT_NE(nullptr, confirm);
    ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(confirm), IDCANCEL));
    HWND failed = run.WaitForPage(IDD_FAILED);
    ASSERT_NE(nullptr, failed);
    ASSERT_TRUE(ClickButton(failed, IDOK));
    EXPECT_EQ(1, run.ExitCode());

    EXPECT_TRUE(FileExists(main + "READONLY.DAT"));
    EXPECT_EQ(2, Count("PELTO2.DLL"));
    EXPECT_EQ("Pelto", setup_run::RegString(kUninstallKey, "DisplayName"));
    ::Sleep(1000);
    EXPECT_FALSE(FileExists(main + "pelto.exe.args") || FileExists(kSystemDir + "_cleanup.exe.args"));
}

TEST_F(RemovalTest, EscapeDuringTheRemovalAnsweredNoGoesOnAsIfNothingHappened)
{
    RemoveWithTheProgramHeld("/U", [](HWND removing) { PressKey(removing, VK_ESCAPE); });
    AnswerExitQuestion("&No");
    HWND removed = run.WaitForPage(IDD_REMOVED);
    ASSERT_NE(nullptr, removed);
    ASSERT_TRUE(ClickButton(removed, IDOK));
    EXPECT_EQ(0, run.ExitCode());

    ExpectFilesRemoved();
    EXPECT_EQ("(none)", setup_run::RegString(kAppPathKey, ""));
    EXPECT_EQ("(none)", setup_run::RegString(kUninstallKey, "DisplayName"));
    EXPECT_EQ("Successful installation.|1", run.StatusReport());
    EXPECT_NE("(not started)", Recorded(kSystemDir + "_cleanup.exe"));
}

TEST_F(RemovalTest, EscapeDuringTheRemovalAnsweredYesKeepsTheEntriesAndStartsNoCleanUp)
{
    RemoveWithTheProgramHeld("/U", [](HWND removing) { PressKey(removing, VK_ESCAPE); });
    AnswerExitQuestion("&Yes");
    HWND failed = run.WaitForPage(IDD_FAILED);
    ASSERT_NE(nullptr, failed);
    // The removal still runs to its end; the unregistering page never comes.
    ASSERT_TRUE(WaitUntil([] { return Count("PELTO2.DLL") == 1; }));
    ASSERT_TRUE(ClickButton(failed, IDOK));
    EXPECT_EQ(1, run.ExitCode());

    ExpectFilesRemoved();
    EXPECT_EQ(main + "pelto.exe", setup_run::RegString(kAppPathKey, ""));
    EXPECT_EQ("Pelto", setup_run::RegString(kUninstallKey, "DisplayName"));
    EXPECT_EQ("Install failed.|0", run.StatusReport());
    EXPECT_FALSE(ProgramRunning("_cleanup.exe") || FileExists(kSystemDir + "_cleanup.exe.args"));
}

// Windows ends the session while the removal runs: it stops before its next
// file, the run fails without the clean-up program, and the install log,
// untouched, lets a later removal finish the work.
TEST_F(RemovalTest, SessionEndDuringTheRemovalStopsItAndALaterRemovalFinishesIt)
{
    RemoveWithTheProgramHeld("/U /B", [this](HWND) { ASSERT_TRUE(run.EndSession()); });
    EXPECT_EQ(1, run.ExitCode());
    EXPECT_EQ("Install failed.|0", run.StatusReport());
    EXPECT_FALSE(ProgramRunning("_cleanup.exe") || FileExists(kSystemDir + "_cleanup.exe.args"));
    EXPECT_TRUE(FileExists(main + "READONLY.DAT")) << "stopped before its first file";
    EXPECT_EQ(2, Count("PELTO2.DLL"));
    EXPECT_EQ("Pelto", setup_run::RegString(kUninstallKey, "DisplayName"));

    fs::remove(kSystemDir + "_cleanup.exe.hold");
    run.Start("/U /B");
    EXPECT_EQ(0, run.ExitCode());
    ExpectFilesRemoved();
    EXPECT_EQ("(none)", setup_run::RegString(kUninstallKey, "DisplayName"));
}

} // namespace
