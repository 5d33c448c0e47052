// The copy page of INSTALL.EXE driven through its windows: an unattended run
// (/B) on a diskette set built with the project's own diskset, whose page
// answers while the copy step waits on the diskette prompt and the exit
// question. The copy step's own rules are tested in the test program
// (CopyRunTest.cpp).
#include "Diskset.h"
#include "SetupRun.h"

#include "fw/Strings.h"
#include "install/TestFiles.h"
#include "res/resource.h"
#include "system/PathName.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using namespace ui_probe;
using setup_run::SetupRun;

// A run on a set built in its folder: sources in src\, the set in SET\DISKnn,
// destination 0 the folder APP\ beside them (page 104 proposes it on C:).
class CopyStepTest : public ::testing::Test {
protected:
    CopyStepTest() : run({}) {}

    void SetUp() override
    {
        ASSERT_EQ(std::string::npos, run.Folder().Path().find(' ')) << "/D: takes no blanks";
        ASSERT_EQ("C:\\", run.Folder().Path().substr(0, 3));
        ::DeleteFileA(LogPath().c_str());
        ::CreateDirectoryA((run.Folder() / "src").c_str(), nullptr);
    }

    std::string Disk(int number) const { return run.Folder() / ("SET\\DISK0" + std::to_string(number) + "\\"); }
    std::string App(const std::string& name = {}) const { return run.Folder() / ("APP\\" + name); }
    void AddSource(const std::string& name, const std::string& bytes) const
    {
        WriteFileBytes(run.Folder() / ("src\\" + name), bytes);
    }

    // The layout's own sections after the common ones: group Main, target KEPT.TXT.
    void BuildSet(const std::string& sections) const
    {
        const std::string mainName = App().substr(2, App().size() - 3);  // no drive, no backslash
        WriteFileBytes(run.Folder() / "set.layout",
                       "[layout]\r\nSource=src\r\nTime=1996-09-30 12:00:00\r\n" + sections +
                           "\r\n[destinations]\r\n0=" + mainName + "||\r\n[groups]\r\nMain=Main|All|1|1|1\r\n"
                           "[targets]\r\nKEPT.TXT=0|0|0|Kept|||\r\n");
        std::ostringstream out, err;
        ASSERT_EQ(0, RunDiskset({"build", run.Folder() / "set.layout", run.Folder() / "SET"}, out, err)) << err.str();
    }
    void Start() { run.Start("/B /D:" + Disk(1).substr(0, Disk(1).size() - 1)); }

    static std::string LogPath() { return CPathName(CPathName::pathWindowsDir).GetPath() + "pelto.log"; }
    static std::string LogValue(const char* section, const std::string& key)
    {
        char value[512] = {};
        ::GetPrivateProfileStringA(section, key.c_str(), "(none)", value, sizeof value, LogPath().c_str());
        return value;
    }
    void AnswerExitQuestion(const char* label) const
    {
        HWND question = run.WaitForDialogShowing(AfxLoadString(IDS_CONFIRM_EXIT_SETUP));
        ASSERT_NE(nullptr, question);
        ASSERT_TRUE(SetupRun::ClickButtonLabelled(question, label));
        ASSERT_TRUE(WaitUntil([question] { return !::IsWindow(question); }));
    }

    SetupRun run;
};

// Cancel while a large member is expanded: the window answers throughout;
// No goes on with the same file, Yes ends the run without it. The member
// spans three diskettes, the second and the third of them in folders of their
// own: the diskette prompts hold the expansion in the middle of the member
// while Cancel is pressed, however fast the member expands.
TEST_F(CopyStepTest, CancelDuringALargeMemberAsksAndStopsOnYes)
{
    AddSource("HUGE.DAT", NoiseBytes(3 << 20, 4));
    AddSource("AFTER.TXT", "after");
    BuildSet("DisketteSize=1228800\r\n[items]\r\nBIG.Z1=archive|Main|\r\nAFTER.TXT=file|Main|AFTER.TXT|MAIN|\r\n"
             "[BIG.Z1]\r\nHUGE.DAT=HUGE.DAT|MAIN|A|copy\r\n");
    std::string elsewhere[4];
    for (int number : {2, 3}) {
        elsewhere[number] = run.Folder() / ("ELSE" + std::to_string(number) + "\\DISK0" + std::to_string(number));
        ASSERT_TRUE(FileExists(Disk(number) + "BIG.Z" + std::to_string(number)));
        ASSERT_TRUE(::CreateDirectoryA((run.Folder() / ("ELSE" + std::to_string(number))).c_str(), nullptr));
        ASSERT_TRUE(::MoveFileA(Disk(number).c_str(), elsewhere[number].c_str()));
    }
    Start();
    HWND page = run.WaitForPage(IDD_COPY);
    ASSERT_NE(nullptr, page);
    const auto expanding = [page, this] { return ControlText(page, IDC_DESTINATION_FILE) == App("HUGE.DAT"); };
    const auto answers = [page] {
        DWORD_PTR result = 0;
        return ::SendMessageTimeoutA(page, WM_NULL, 0, 0, SMTO_BLOCK, 2000, &result) != 0;
    };
    const auto cancel = [page] { ::PostMessageA(page, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); };
    // Asked for volume `number` where the one before it was found; the
    // location is given, and Cancel pressed on the page meanwhile.
    const auto promptThenCancel = [&](int number, const std::string& lookedIn) {
        const std::string explanation = AfxLoadString(IDS_DISKETTE_FILE_MISSING);
        const std::string missing = lookedIn + "\\BIG.Z" + std::to_string(number);
        HWND prompt = run.WaitForDialogShowing(StringFormat(explanation.c_str(), missing.c_str()));
        ASSERT_NE(nullptr, prompt) << "no prompt for " << missing;
        EXPECT_TRUE(expanding());
        EXPECT_TRUE(answers());
        cancel();
        ::SendMessageA(::GetDlgItem(prompt, IDC_LOCATION), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(elsewhere[number].c_str()));
        ASSERT_TRUE(ClickButton(prompt, IDOK));
    };
    promptThenCancel(2, Disk(1).substr(0, Disk(1).size() - 1));
    AnswerExitQuestion("&No");
    EXPECT_TRUE(answers());
    promptThenCancel(3, elsewhere[2]);
    AnswerExitQuestion("&Yes");

    ASSERT_EQ(1, run.ExitCode());
    EXPECT_EQ(std::set<std::string>{}, FilesIn(App()));
    EXPECT_EQ("(none)", LogValue("Main", "HUGE.DAT"));
}

} // namespace
