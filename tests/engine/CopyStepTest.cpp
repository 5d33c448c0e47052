// The copy step of INSTALL.EXE end to end: unattended runs (/B) on diskette
// sets built with the project's own diskset, checked by what lands in the
// destination and System folders, the install log and the shared counts.
#include "Diskset.h"
#include "SetupRun.h"

#include "fw/Strings.h"
#include "install/TestFiles.h"
#include "res/resource.h"
#include "system/PathName.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

using namespace ui_probe;
using setup_run::SetupRun;

constexpr long long kPackedTime = 844084800;  // Time= of every layout, below
constexpr long long kLaterTime = 1900000000;
constexpr long long kEarlierTime = 800000000;
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

long long ModifiedTime(const std::string& path)
{
    return static_cast<long long>(CPathName(path).GetModifiedTime());
}

DWORD Attributes(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
}

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
    void AddExisting(const std::string& path, const std::string& bytes, long long time) const
    {
        ::CreateDirectoryA(App().c_str(), nullptr);
        WriteFileBytes(path, bytes);
        SetModifiedTime(path, time);
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
    // Presses `button` in the report "Cannot install files from 'DATA.Z1':".
    void AnswerReport(int button) const
    {
        const std::string heading = AfxLoadString(IDS_CANNOT_INSTALL_FILES_FROM);
        HWND report = run.WaitForDialogShowing(StringFormat(heading.c_str(), (Disk(1) + "DATA.Z1").c_str()));
        ASSERT_NE(nullptr, report);
        ASSERT_TRUE(ClickButton(report, button));
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

// An archive over three diskettes found in the sibling folders of DISK01, a
// plain file, newer files at the destination and in the System folder that
// stay, and items that install nothing.
TEST_F(CopyStepTest, InstallsAcrossThreeDiskettesAndKeepsNewerFiles)
{
    const std::string big = NoiseBytes(36000, 1), text = std::string(20000, 'x');
    AddSource("BIG.DAT", big);
    AddSource("TEXT.TXT", text);
    AddSource("SKIP.DAT", NoiseBytes(3000, 2));
    AddSource("SHARED.DLL", "new");
    AddSource("KEPT.TXT", "new");
    AddSource("README.TXT", "read me");
    BuildSet("DisketteSize=16384\r\n[items]\r\nREADME.TXT=file|Main|README.TXT|MAIN|\r\nDATA.Z1=archive|Main|\r\n"
             "[DATA.Z1]\r\nBIG.DAT=BIG.DAT\r\nSKIP.DAT=SKIP.DAT|NONE\r\nTEXT.TXT=TEXT.TXT|MAIN|RA\r\n"
             "SHARED.DLL=SHARED.DLL|SYSTEM\r\nKEPT.TXT=KEPT.TXT\r\n");
    ASSERT_TRUE(FileExists(Disk(3) + "DATA.Z3"));
    // Kind 5 installs nothing; destination -1 is never opened (a folder could not be).
    for (const char* line : {"ODD.BIN=1|5|0|1|0|", "NOCOPY.BIN=1|0|0|1|-1|"}) {
        const std::string name = std::string(line).substr(0, std::string(line).find('='));
        ASSERT_TRUE(::CreateDirectoryA((Disk(1) + name).c_str(), nullptr));
        ASSERT_TRUE(::WritePrivateProfileStringA("Main", name.c_str(), std::strchr(line, '=') + 1,
                                                 (Disk(1) + "INSTALL.ini").c_str()));
    }
    AddExisting(App("KEPT.TXT"), "old", kLaterTime);
    const std::string shared = CPathName(CPathName::pathSystemDir).GetPath() + "SHARED.DLL";
    AddExisting(shared, "old", kLaterTime);
    const DWORD three = 3;
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSharedDlls, shared.c_str(), REG_DWORD, &three,
                                               sizeof three));

    Start();
    ASSERT_EQ(0, run.ExitCode());
    EXPECT_EQ((std::set<std::string>{"BIG.DAT", "KEPT.TXT", "README.TXT", "TEXT.TXT"}), FilesIn(App()));
    EXPECT_EQ(big, ReadFileBytes(App("BIG.DAT")));
    EXPECT_EQ(text, ReadFileBytes(App("TEXT.TXT")));
    EXPECT_EQ(kPackedTime, ModifiedTime(App("BIG.DAT")));
    EXPECT_EQ(kPackedTime, ModifiedTime(App("TEXT.TXT")));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), Attributes(App("BIG.DAT")));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE), Attributes(App("TEXT.TXT")));
    EXPECT_EQ("read me", ReadFileBytes(App("README.TXT")));
    EXPECT_EQ(ModifiedTime(Disk(1) + "README.TXT"), ModifiedTime(App("README.TXT")));
    EXPECT_EQ(Attributes(Disk(1) + "README.TXT"), Attributes(App("README.TXT")));
    EXPECT_EQ("old", ReadFileBytes(App("KEPT.TXT")));
    EXPECT_EQ("old", ReadFileBytes(shared));
    ::DeleteFileA(shared.c_str());

    for (const char* file : {"README.TXT", "BIG.DAT", "TEXT.TXT"})
        EXPECT_EQ("0|1|0", LogValue("Main", file)) << file;
    EXPECT_EQ("0|0|0", LogValue("Main", "KEPT.TXT"));
    EXPECT_EQ("-3|0|0", LogValue("Main", "SHARED.DLL"));
    for (const char* file : {"SKIP.DAT", "ODD.BIN", "NOCOPY.BIN"})
        EXPECT_EQ("(none)", LogValue("Main", file)) << file;
    EXPECT_EQ("0|0|0|Kept|||" + App("KEPT.TXT"), LogValue("targets", "kept.txt"));
    DWORD count = 0, size = sizeof count;
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueA(HKEY_LOCAL_MACHINE, kSharedDlls, shared.c_str(), RRF_RT_REG_DWORD,
                                            nullptr, &count, &size));
    EXPECT_EQ(4u, count);
}

// The first member of an archive is damaged (its checksum does not match);
// an older copy of it is at the destination and stays whole either way.
class DamagedArchiveTest : public CopyStepTest {
protected:
    void SetUp() override
    {
        CopyStepTest::SetUp();
        AddSource("FIRST.DAT", NoiseBytes(5000, 3));
        AddSource("SECOND.DAT", "second");
        AddSource("LAST.TXT", "last");
        BuildSet("[items]\r\nDATA.Z1=archive|Main|\r\nLAST.TXT=file|Main|LAST.TXT|MAIN|\r\n"
                 "[DATA.Z1]\r\nFIRST.DAT=FIRST.DAT|MAIN|A|copy\r\nSECOND.DAT=SECOND.DAT\r\n");
        std::string archive = ReadFileBytes(Disk(1) + "DATA.Z1");
        archive[8 + 346 + 100] ^= 0x55;
        WriteFileBytes(Disk(1) + "DATA.Z1", archive);
        AddExisting(App("FIRST.DAT"), "old", kEarlierTime);
        Start();
    }
};

TEST_F(DamagedArchiveTest, ContinueSkipsTheRestOfTheArchive)
{
    AnswerReport(IDOK);
    ASSERT_EQ(2, run.ExitCode()) << "went on past a report: files are missing";
    EXPECT_EQ((std::set<std::string>{"FIRST.DAT", "LAST.TXT"}), FilesIn(App()));
    EXPECT_EQ("old", ReadFileBytes(App("FIRST.DAT")));
    EXPECT_EQ("(none)", LogValue("Main", "FIRST.DAT"));
    EXPECT_EQ("(none)", LogValue("Main", "SECOND.DAT"));
    EXPECT_EQ("0|1|0", LogValue("Main", "LAST.TXT"));
}

TEST_F(DamagedArchiveTest, CancelFailsTheRun)
{
    AnswerReport(IDCANCEL);
    ASSERT_EQ(1, run.ExitCode());
    EXPECT_EQ(std::set<std::string>{"FIRST.DAT"}, FilesIn(App()));
    EXPECT_EQ("old", ReadFileBytes(App("FIRST.DAT")));
    EXPECT_EQ("(none)", LogValue("destinations", "0"));
}

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

// Every name the scratch file could take is taken: nothing is expanded over
// them, the archive's report offers Continue. The setup program's names come
// from the C run-time's unseeded rand sequence; the test takes the same
// sequence through the same CPathName.
TEST_F(CopyStepTest, NoFreeScratchNameIsReportedAndNothingIsOverwritten)
{
    AddSource("ONLY.DAT", "only");
    AddSource("LAST.TXT", "last");
    BuildSet("[items]\r\nDATA.Z1=archive|Main|\r\nLAST.TXT=file|Main|LAST.TXT|MAIN|\r\n"
             "[DATA.Z1]\r\nONLY.DAT=ONLY.DAT\r\n");
    ::CreateDirectoryA(App().c_str(), nullptr);
    std::set<std::string> taken;
    std::srand(1);
    for (int i = 0; i < 1000; ++i) {
        CPathName name(App("ONLY.DAT"));
        ASSERT_TRUE(name.MakeUniqueName(FALSE, 1));
        WriteFileBytes(name.GetPath(), "taken");
        taken.insert(name.GetFileName());
    }

    Start();
    AnswerReport(IDOK);
    ASSERT_EQ(2, run.ExitCode()) << "went on past a report: files are missing";
    for (const std::string& name : taken)
        EXPECT_EQ("taken", ReadFileBytes(App(name))) << name;
    taken.insert("LAST.TXT");
    EXPECT_EQ(taken, FilesIn(App()));
    EXPECT_EQ("(none)", LogValue("Main", "ONLY.DAT"));
}

// The second volume of an archive is neither in the source folder nor in a
// sibling folder: the prompt asks for diskette 2 with the file's path.
class MissingDisketteTest : public CopyStepTest {
protected:
    void SetUp() override
    {
        CopyStepTest::SetUp();
        AddSource("BIG.DAT", NoiseBytes(24000, 5));
        BuildSet("DisketteSize=16384\r\n[items]\r\nDATA.Z1=archive|Main|\r\n[DATA.Z1]\r\nBIG.DAT=BIG.DAT\r\n");
        ASSERT_TRUE(::MoveFileA(Disk(2).c_str(), Elsewhere().c_str()));
        Start();
        const std::string explanation = AfxLoadString(IDS_DISKETTE_FILE_MISSING);
        prompt = run.WaitForDialogShowing(StringFormat(explanation.c_str(), (Disk(1) + "DATA.Z2").c_str()));
        ASSERT_NE(nullptr, prompt);
    }
    std::string Elsewhere() const { return run.Folder() / "ELSEWHERE"; }

    HWND prompt = nullptr;
};

TEST_F(MissingDisketteTest, RefusedPromptFailsWithoutAReport)
{
    ASSERT_TRUE(ClickButton(prompt, IDCANCEL));
    EXPECT_EQ(1, run.ExitCode()) << "ends by itself: no error report waits for an answer";
    EXPECT_EQ("(none)", LogValue("Main", "BIG.DAT"));
}

} // namespace
