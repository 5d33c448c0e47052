// The setup program driven from outside through whole walks of its wizard:
// the way forward and back, Cancel and Escape, a damaged profile, the
// unattended and removal starts, and what the destination and group pages do.
#include "SetupRun.h"

#include "fw/Strings.h"
#include "install/TestFiles.h"
#include "res/resource.h"
#include "support/DdeTestServer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <utility>
#include <vector>

namespace {

using namespace ui_probe;
using setup_run::SetupRun;

const char kMainName[] = "PELTOWIZ";

class WizardTest : public ::testing::Test {
protected:
    explicit WizardTest(const std::string& profile = setup_run::MinimalProfile(kMainName)) : run(profile) {}

    // Next on an interactive page (the navigation bar's button).
    static void Next(HWND page) { ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(page), IDC_NEXT)); }
    static void Back(HWND page) { ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(page), IDC_BACK)); }
    static void Cancel(HWND page) { ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(page), IDCANCEL)); }
    static void SetLocation(HWND page, const std::string& text)
    {
        ::SendMessageA(::GetDlgItem(page, IDC_LOCATION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    // Answers the exit question with `label`.
    void AnswerExitQuestion(const char* label)
    {
        HWND question = run.WaitForDialogShowing(AfxLoadString(IDS_CONFIRM_EXIT_SETUP));
        ASSERT_NE(nullptr, question);
        ASSERT_TRUE(SetupRun::ClickButtonLabelled(question, label));
    }
    static std::vector<std::string> ListEntries(HWND dialog, int id)
    {
        HWND list = ::GetDlgItem(dialog, id);
        std::vector<std::string> entries;
        const LRESULT count = ::SendMessageA(list, LB_GETCOUNT, 0, 0);
        // Wide: the system marshals LB_GETTEXT between processes as Unicode.
        for (LRESULT i = 0; i < count; ++i) {
            std::wstring text(static_cast<std::size_t>(::SendMessageW(list, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
            text.resize(static_cast<std::size_t>(
                ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
            char narrow[256] = {};
            ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
            entries.emplace_back(narrow);
        }
        return entries;
    }
    // The folder of the run, in Windows form, joined with `name`.
    std::string InRunFolder(const std::string& name) const { return run.Folder() / name; }
    // From the welcome page through the destination (a folder of the run's)
    // and the group page, with the group name box set to `group` unless it
    // is null, to the page that ends the run.
    HWND WalkToTheEnd(int lastPage, const char* group = nullptr)
    {
        run.Start();
        HWND welcome = run.WaitForPage(IDD_WELCOME);
        if (!welcome)
            return nullptr;
        Next(welcome);
        HWND directory = run.WaitForPage(IDD_DIRECTORY);
        if (!directory)
            return nullptr;
        SetLocation(directory, InRunFolder("Pelto"));
        Next(directory);
        HWND groupPage = run.WaitForPage(IDD_GROUP);
        if (!groupPage)
            return nullptr;
        if (group)
            ::SendMessageA(::GetDlgItem(groupPage, IDC_GROUP_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(group));
        Next(groupPage);
        return run.WaitForPage(lastPage);
    }
    // The interactive removal of what the log records, to its last page.
    HWND RemoveToTheEnd()
    {
        run.Start("/U");
        HWND confirm = run.WaitForPage(IDD_REMOVE_CONFIRM);
        if (!confirm)
            return nullptr;
        Next(confirm);
        return run.WaitForPage(IDD_REMOVED);
    }

    SetupRun run;
};

TEST_F(WizardTest, WalksForwardAndBackPassingOverTheProfilePage)
{
    run.Start();
    HWND welcome = run.WaitForPage(IDD_WELCOME);
    ASSERT_NE(nullptr, welcome);
    EXPECT_FALSE(IsControlEnabled(SetupRun::NavigationBar(welcome), IDC_BACK));
    EXPECT_TRUE(IsControlEnabled(SetupRun::NavigationBar(welcome), IDC_NEXT));
    EXPECT_FALSE(IsControlVisible(SetupRun::NavigationBar(welcome), IDC_NAV_HELP));
    Next(welcome);

    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    ASSERT_NE(nullptr, directory);
    EXPECT_EQ(std::string("C:\\") + kMainName, ControlText(directory, IDC_LOCATION));
    EXPECT_TRUE(IsControlEnabled(SetupRun::NavigationBar(directory), IDC_BACK));
    const std::string location = InRunFolder("Pelto");
    SetLocation(directory, location);
    Next(directory);

    HWND group = run.WaitForPage(IDD_GROUP);
    ASSERT_NE(nullptr, group);
    EXPECT_TRUE(std::filesystem::is_directory(location));
    // The next page shows before the one before it is hidden.
    EXPECT_TRUE(WaitUntil([directory] { return !IsWindowVisible(directory); })) << "the page before is hidden";
    Back(group);

    ASSERT_EQ(directory, run.WaitForPage(IDD_DIRECTORY));
    EXPECT_EQ(location, ControlText(directory, IDC_LOCATION)) << "the page keeps what was typed";
    Back(directory);
    ASSERT_EQ(welcome, run.WaitForPage(IDD_WELCOME)) << "Back passes over the profile page";
    Next(welcome);
    ASSERT_EQ(directory, run.WaitForPage(IDD_DIRECTORY)) << "the profile is read once";
    EXPECT_EQ(nullptr, FindTopLevelWindow({0, "Pelto Setup", "#32770"})) << "no page but the current one shows";
}

TEST_F(WizardTest, CancelAskedNoStaysAndYesEndsOnTheFailurePage)
{
    run.UseStatusLibrary(PELTO_STATUS_LIBRARY);
    run.Start();
    Next(run.WaitForPage(IDD_WELCOME));
    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    ASSERT_NE(nullptr, directory);

    Cancel(directory);
    AnswerExitQuestion("&No");
    ASSERT_TRUE(WaitUntil([&] { return run.WaitForPage(IDD_DIRECTORY) == directory && IsWindowEnabled(directory); }));

    Cancel(directory);
    AnswerExitQuestion("&Yes");
    HWND failed = run.WaitForPage(IDD_FAILED);
    ASSERT_NE(nullptr, failed);
    EXPECT_FALSE(IsWindowVisible(directory));
    PressKey(failed, VK_ESCAPE);
    EXPECT_EQ(1, run.ExitCode()) << "Escape ends the run from the failure page, which failed";
    EXPECT_EQ("Install failed.|0", run.StatusReport());
}

TEST_F(WizardTest, NestedNewDirectoryIsCreatedWithoutAQuestion)
{
    run.Start();
    Next(run.WaitForPage(IDD_WELCOME));
    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    ASSERT_NE(nullptr, directory);
    const std::string location = InRunFolder("A\\B\\C");
    SetLocation(directory, location);
    Next(directory);
    ASSERT_NE(nullptr, run.WaitForPage(IDD_GROUP));
    EXPECT_TRUE(std::filesystem::is_directory(location));
}

TEST_F(WizardTest, LocationThatIsNoDirectoryPathIsRefused)
{
    run.Start();
    Next(run.WaitForPage(IDD_WELCOME));
    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    ASSERT_NE(nullptr, directory);
    for (const std::string& location : {InRunFolder("a|b"), InRunFolder(std::string(300, 'x')), std::string("PELTO")}) {
        SetLocation(directory, location);
        Next(directory);
        HWND message = run.WaitForDialogShowing(
            std::string(AfxLoadString(IDS_INVALID_LOCATION)).replace(1, 2, location));
        ASSERT_NE(nullptr, message) << location;
        ASSERT_TRUE(SetupRun::ClickButtonLabelled(message, "OK"));
        ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(message); }));
        EXPECT_EQ(directory, run.WaitForPage(IDD_DIRECTORY));
    }
    EXPECT_FALSE(std::filesystem::exists(InRunFolder("a")));
}

// Program Manager answered by the test itself: Wine's own server reports no
// groups for the request the page makes.
TEST_F(WizardTest, GroupPageOffersProgramManagersGroupsAndFollowsTheChoice)
{
    DdeTestServer progman("PROGMAN", "PROGMAN", "Progman", "Games\r\nAccessories\r\n\r\nPelto Tools\r\n");
    run.Start();
    Next(run.WaitForPage(IDD_WELCOME));
    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    ASSERT_NE(nullptr, directory);
    SetLocation(directory, InRunFolder("Pelto"));
    Next(directory);
    HWND group = run.WaitForPage(IDD_GROUP);
    ASSERT_NE(nullptr, group);
    EXPECT_EQ("Pelto", ControlText(group, IDC_GROUP_NAME));
    EXPECT_TRUE(IsControlChecked(group, IDC_NEW_GROUP));
    EXPECT_EQ((std::vector<std::string>{"Accessories", "Games", "Pelto Tools"}), ListEntries(group, IDC_GROUP_LIST));
    EXPECT_TRUE(progman.Commands().empty()) << "listing changes nothing";

    HWND list = ::GetDlgItem(group, IDC_GROUP_LIST);
    ASSERT_TRUE(ClickButton(group, IDC_EXISTING_GROUP));
    ASSERT_TRUE(WaitUntil([&] { return ::SendMessageA(list, LB_GETCURSEL, 0, 0) == 0; }))
        << "the first group is chosen when none was";
    ::SendMessageA(::GetDlgItem(group, IDC_GROUP_NAME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("Tools"));
    EXPECT_TRUE(WaitUntil([&] { return IsControlChecked(group, IDC_NEW_GROUP); })) << "typing a name";
    EXPECT_FALSE(IsControlChecked(group, IDC_EXISTING_GROUP));
}

TEST_F(WizardTest, SourceDirectoryOptionMovesTheProfileAndRefusesWhatIsNoPath)
{
    const std::string elsewhere = InRunFolder("SET");
    std::filesystem::create_directory(elsewhere);
    std::filesystem::rename(InRunFolder("INSTALL.ini"), elsewhere + "\\INSTALL.ini");
    run.Start("/D:" + elsewhere);
    Next(run.WaitForPage(IDD_WELCOME));
    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    ASSERT_NE(nullptr, directory) << "the profile is read from the directory given";
    EXPECT_EQ(std::string("C:\\") + kMainName, ControlText(directory, IDC_LOCATION));
    Cancel(directory);
    AnswerExitQuestion("&Yes");
    ASSERT_TRUE(ClickButton(run.WaitForPage(IDD_FAILED), IDOK));
    EXPECT_EQ(1, run.ExitCode());

    const std::string bad = InRunFolder("a|b");
    run.Start("/D:" + bad);
    HWND message = run.WaitForDialogShowing(std::string(AfxLoadString(IDS_INVALID_LOCATION)).replace(1, 2, bad));
    ASSERT_NE(nullptr, message);
    ASSERT_TRUE(SetupRun::ClickButtonLabelled(message, "OK"));
    EXPECT_EQ(1, run.ExitCode()) << "the run does not go on with another source";
}

// A profile whose reading takes long enough for Escape to arrive meanwhile.
std::string SlowProfile()
{
    std::string profile = setup_run::MinimalProfile(kMainName) + "[Program]\r\n";
    for (int i = 0; i < 1500; ++i)
        profile += "FILE" + std::to_string(i) + ".DAT=10|0|0|1|0|\r\n";
    return profile;
}

class SlowProfileTest : public WizardTest {
protected:
    SlowProfileTest() : WizardTest(SlowProfile()) {}
};

TEST_F(SlowProfileTest, CancelConfirmedWhileReadingStaysOnTheFailurePage)
{
    run.Start();
    Next(run.WaitForPage(IDD_WELCOME));
    // The page cannot answer messages while it reads: found by its caption,
    // which the system gives without asking the program.
    HWND reading = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        reading = run.FindVisibleDialogCaptioned("Pelto Setup");
        return reading != nullptr;
    }));
    PressKey(reading, VK_ESCAPE);
    AnswerExitQuestion("&Yes");
    HWND failed = run.WaitForPage(IDD_FAILED);
    ASSERT_NE(nullptr, failed);
    // The reading ends after the question; its result must not move the wizard on.
    EXPECT_FALSE(WaitUntil([&] { return !IsWindowVisible(failed); }, 3000));
    ASSERT_TRUE(ClickButton(failed, IDOK));
    EXPECT_EQ(1, run.ExitCode());
}

TEST(UnattendedRefusalTest, DirectoryThatCannotBeMadeEndsTheRunAfterItsMessage)
{
    // Destination 0 proposes a directory below a plain file of the run's folder.
    TempDir folder;
    WriteFileBytes(folder / "BLOCKER", "a file, not a directory");
    const std::string proposed = (folder / "BLOCKER\\PELTO").substr(2);  // without the drive
    SetupRun run(setup_run::MinimalProfile(proposed));
    run.Start("/B");
    HWND message = run.WaitForDialogShowing(AfxLoadString(IDS_CANNOT_CREATE_DIRECTORY));
    ASSERT_NE(nullptr, message);
    ASSERT_TRUE(SetupRun::ClickButtonLabelled(message, "OK"));
    EXPECT_EQ(1, run.ExitCode()) << "no invisible page left waiting for a button";
}

class DamagedProfileTest : public WizardTest {
protected:
    DamagedProfileTest() : WizardTest("[groups]\r\nProgram=Program files|The program|1|1|1\r\n") {}
};

TEST_F(DamagedProfileTest, IsReportedAndEndsOnTheFailurePage)
{
    run.Start();
    Next(run.WaitForPage(IDD_WELCOME));
    HWND report = run.WaitForDialogShowing(AfxLoadString(IDS_SETUP_CANNOT_CONTINUE));
    ASSERT_NE(nullptr, report);
    EXPECT_TRUE(IsControlVisible(report, IDC_ERROR_TITLE));
    EXPECT_EQ(AfxLoadString(10), ControlText(report, IDC_ERROR_TITLE));
    ASSERT_TRUE(ClickButton(report, IDOK));
    HWND failed = run.WaitForPage(IDD_FAILED);
    ASSERT_NE(nullptr, failed);
    ASSERT_TRUE(ClickButton(failed, IDOK));
    EXPECT_EQ(1, run.ExitCode());
}

// Windows ends the session while the program waits on a page: the process
// ends at once, through its exit steps; a run before its final page has
// failed, one on its final page keeps its outcome.
TEST_F(WizardTest, SessionEndOnAPageEndsTheProcessFailedBeforeTheFinalPage)
{
    run.UseStatusLibrary(PELTO_STATUS_LIBRARY);
    run.Start();
    Next(run.WaitForPage(IDD_WELCOME));
    ASSERT_NE(nullptr, run.WaitForPage(IDD_DIRECTORY));
    ASSERT_TRUE(run.EndSession());
    EXPECT_EQ(1, run.ExitCode());
    EXPECT_EQ("Install failed.|0", run.StatusReport());

    run.UseStatusLibrary(PELTO_STATUS_LIBRARY);
    ASSERT_NE(nullptr, WalkToTheEnd(IDD_FINISHED));
    ASSERT_TRUE(run.EndSession());
    EXPECT_EQ(0, run.ExitCode());
    EXPECT_EQ("Successful installation.|1", run.StatusReport());
}

// The pages that end a run end it with Enter (their default button) and
// with Escape alike, and the outcome stays.
TEST_F(WizardTest, FinalPagesEndTheRunOnEnterAndOnEscape)
{
    for (UINT key : {VK_RETURN, VK_ESCAPE}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Escape");
        HWND finished = WalkToTheEnd(IDD_FINISHED);
        ASSERT_NE(nullptr, finished);
        PressKey(finished, key);
        EXPECT_EQ(0, run.ExitCode());
        HWND removed = RemoveToTheEnd();
        ASSERT_NE(nullptr, removed);
        PressKey(removed, key);
        EXPECT_EQ(0, run.ExitCode());
    }
}

// An older copy of the profile's plain file, held open, makes the run end on
// the restart page. Enter there is Finish, as Escape is, and Windows is not
// restarted: the replacement still waits for the next start.
class RestartPageTest : public WizardTest {
protected:
    RestartPageTest()
        : WizardTest(setup_run::MinimalProfile(kMainName) + "[Program]\r\nREADME.TXT=3|0|0|1|0|\r\n")
    {
    }
    void SetUp() override
    {
        WriteFileBytes(InRunFolder("README.TXT"), "new");
        std::filesystem::create_directory(InRunFolder("Pelto"));
        WriteFileBytes(held, "old");
        SetModifiedTime(held, 800000000);
    }
    // The renames Windows keeps for its next start name the held file.
    bool ReplacementWaits() const
    {
        char renames[16384] = {};
        DWORD size = sizeof renames;
        const char key[] = "System\\CurrentControlSet\\Control\\Session Manager";
        const LSTATUS read = ::RegGetValueA(HKEY_LOCAL_MACHINE, key, "PendingFileRenameOperations",
                                            RRF_RT_REG_MULTI_SZ, nullptr, renames, &size);
        if (read != ERROR_SUCCESS)
            return false;
        for (const char* name = renames; *name; name += std::strlen(name) + 1)
            if (EqualNoCase(name, "!\\??\\" + held) || EqualNoCase(name, "\\??\\" + held))
                return true;
        return false;
    }
    static bool EqualNoCase(const std::string& a, const std::string& b)
    {
        return a.size() == b.size() && ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(),
                                                         -1) == CSTR_EQUAL;
    }

    const std::string held = InRunFolder("Pelto\\README.TXT");
};

TEST_F(RestartPageTest, EnterAndEscapeFinishWithoutRestarting)
{
    CHeldOpen holder(held);
    ASSERT_TRUE(holder.IsHolding());
    for (UINT key : {VK_RETURN, VK_ESCAPE}) {
        SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Escape");
        HWND restart = WalkToTheEnd(IDD_RESTART);
        ASSERT_NE(nullptr, restart);
        EXPECT_EQ(IDC_FINISH_NO_RESTART, LOWORD(::SendMessageA(restart, DM_GETDEFID, 0, 0)));
        EXPECT_EQ(::GetDlgItem(restart, IDC_FINISH_NO_RESTART), FocusWindow(restart));
        PressKey(restart, key);
        EXPECT_EQ(3010, run.ExitCode()) << "finished, the restart still to come";
        EXPECT_EQ("old", ReadFileBytes(held));
        EXPECT_TRUE(ReplacementWaits());
    }
}

// No group name (a cleared box, or blanks) is the product's own group, and
// a typed one loses the blanks around it; the install log keeps the group
// for the removal.
TEST_F(WizardTest, GroupNameWithoutTextIsTheProductsOwnAndGoesIntoTheLog)
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string log = std::string(windows) + "\\pelto.log";
    const std::pair<const char*, const char*> cases[] = {{"", "Pelto"}, {" \t ", "Pelto"}, {"  Tools\t", "Tools"}};
    for (const auto& [typed, group] : cases) {
        SCOPED_TRACE(std::string("typed '") + typed + "'");
        HWND finished = WalkToTheEnd(IDD_FINISHED, typed);
        ASSERT_NE(nullptr, finished);
        ASSERT_TRUE(ClickButton(finished, IDOK));
        EXPECT_EQ(0, run.ExitCode());
        char recorded[256] = {};
        ::GetPrivateProfileStringA("Program group", "Name", "(none)", recorded, sizeof recorded, log.c_str());
        EXPECT_EQ(group, std::string(recorded));
    }
}

// A prefix whose C: is a CD-ROM drive and whose D: is a fixed disk
// (CTest's FirstFixedDiskTest): the destination is proposed on D:.
TEST(FirstFixedDiskTest, DestinationIsProposedOnTheFirstFixedDisk)
{
    if (::GetDriveTypeA("C:\\") == DRIVE_FIXED || ::GetDriveTypeA("D:\\") != DRIVE_FIXED)
        GTEST_SKIP() << "C: is a fixed disk here, or D: is none (CTest's FirstFixedDiskTest makes them)";
    SetupRun run(setup_run::MinimalProfile(kMainName));
    run.Start();
    HWND welcome = run.WaitForPage(IDD_WELCOME);
    ASSERT_NE(nullptr, welcome);
    ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(welcome), IDC_NEXT));
    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    ASSERT_NE(nullptr, directory);
    EXPECT_EQ(std::string("D:\\") + kMainName, ControlText(directory, IDC_LOCATION));
    ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(directory), IDCANCEL));
    HWND question = run.WaitForDialogShowing(AfxLoadString(IDS_CONFIRM_EXIT_SETUP));
    ASSERT_NE(nullptr, question);
    ASSERT_TRUE(SetupRun::ClickButtonLabelled(question, "&Yes"));
    ASSERT_TRUE(ClickButton(run.WaitForPage(IDD_FAILED), IDOK));
    EXPECT_EQ(1, run.ExitCode());
}

} // namespace
