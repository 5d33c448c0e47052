// INSTALL.EXE given damaged or hostile input, driven from outside: archives
// damaged field by field, setup profiles whose destinations never resolve,
// locations that name no usable directory, and an install log edited to lead
// removal elsewhere. Each answer is a clear report, a failure exit code where
// the run failed, and no existing file changed.
#include "Diskset.h"
#include "SetupRun.h"

#include "archive/ArchiveFormat.h"
#include "fw/Strings.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace ui_probe;
using setup_run::SetupRun;

std::string WindowsDir()
{
    char path[MAX_PATH] = {};
    ::GetWindowsDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\";
}

std::string LogValue(const char* section, const char* key)
{
    char value[512] = {};
    ::GetPrivateProfileStringA(section, key, "(none)", value, sizeof value, (WindowsDir() + "pelto.log").c_str());
    return value;
}

// A drive letter that names no drive, as "Q:".
std::string MissingDrive()
{
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter)
        if (!(drives & (1u << (letter - 'A'))))
            return std::string(1, letter) + ":";
    return {};
}

// Presses OK in the report headed `heading` and returns its title, or "(no report)".
std::string AnswerReport(const SetupRun& run, const std::string& heading, int button = IDOK)
{
    HWND report = run.WaitForDialogShowing(heading);
    if (!report)
        return "(no report)";
    const std::string title = ControlText(report, IDC_ERROR_TITLE);
    return ClickButton(report, button) ? title : "(not answered)";
}

// ---- Archives damaged field by field ---------------------------------------------------

// A set of one archive whose first member, FIRST.DAT, has an older copy at the
// destination; the archive is damaged before the run.
struct DamagedSet {
    SetupRun run{{}};

    std::string Disk() const { return run.Folder() / "SET\\DISK01\\"; }
    std::string App(const std::string& name = {}) const { return run.Folder() / ("APP\\" + name); }

    void Build(const char* method, void (*damage)(std::string&)) const
    {
        fs::create_directories(run.Folder() / "src");
        std::string text;
        for (int i = 0; text.size() < 20000; ++i)
            text += "line " + std::to_string(i) + " of the first file\r\n";
        WriteFileBytes(run.Folder() / "src\\FIRST.DAT", text);
        WriteFileBytes(run.Folder() / "src\\SECOND.DAT", "second");
        const std::string mainName = App().substr(2, App().size() - 3);
        WriteFileBytes(run.Folder() / "set.layout",
                       "[layout]\r\nSource=src\r\n[destinations]\r\n0=" + mainName +
                           "||\r\n[groups]\r\nMain=Main|All|1|1|1\r\n[items]\r\nDATA.Z1=archive|Main|\r\n"
                           "[DATA.Z1]\r\nFIRST.DAT=FIRST.DAT|MAIN|A|" + method + "\r\nSECOND.DAT=SECOND.DAT\r\n");
        std::ostringstream out, err;
        ASSERT_EQ(0, RunDiskset({"build", run.Folder() / "set.layout", run.Folder() / "SET"}, out, err)) << err.str();
        std::string archive = ReadFileBytes(Disk() + "DATA.Z1");
        damage(archive);
        WriteFileBytes(Disk() + "DATA.Z1", archive);
        fs::create_directories(App());
        WriteFileBytes(App("FIRST.DAT"), "old");
    }
};

TEST(DamagedArchiveTest, EveryDamageIsReportedAndCancelKeepsTheExistingFile)
{
    constexpr std::size_t header = kSignatureSize, data = kSignatureSize + kHeaderSize;
    const struct {
        const char* kind;
        const char* method;
        void (*damage)(std::string&);
        UINT title;  // 0: the codec decides which damage it meets first
    } cases[] = {
        {"signature", "zlib", [](std::string& a) { a[0] = 'M'; }, IDS_ERR_NOT_AN_ARCHIVE},
        {"entry tag", "zlib", [](std::string& a) { a[header] = 'M'; }, IDS_ERR_MISSING_HEADER},
        {"method", "zlib", [](std::string& a) { a[header + HeaderOffset::method] = 3; }, IDS_ERR_UNKNOWN_METHOD},
        {"checksum", "copy", [](std::string& a) { a[header + HeaderOffset::checksum] ^= 1; }, IDS_ERR_CRC_MISMATCH},
        {"cut zlib stream", "zlib", [](std::string& a) { a.resize(data + 60); }, IDS_ERR_ZLIB_BUFFER},
        {"altered data", "zlib", [](std::string& a) { a[data + 40] ^= 0x5A; }, 0},
        {"short volume", "copy", [](std::string& a) { a.resize(data + 1000); }, IDS_ERR_END_OF_FILE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        DamagedSet set;
        set.Build(c.method, c.damage);
        ::DeleteFileA((WindowsDir() + "pelto.log").c_str());

        set.run.Start("/B /D:" + set.Disk().substr(0, set.Disk().size() - 1));
        const std::string heading =
            StringFormat(AfxLoadString(IDS_CANNOT_INSTALL_FILES_FROM).c_str(), (set.Disk() + "DATA.Z1").c_str());
        const std::string title = AnswerReport(set.run, heading, IDCANCEL);
        if (c.title)
            EXPECT_EQ(AfxLoadString(c.title), title);
        else
            EXPECT_NE("(no report)", title);
        EXPECT_EQ(1, set.run.ExitCode());
        EXPECT_EQ(std::set<std::string>{"FIRST.DAT"}, FilesIn(set.App())) << "no scratch file or partial member";
        EXPECT_EQ("old", ReadFileBytes(set.App("FIRST.DAT")));
        EXPECT_EQ("(none)", LogValue("Main", "FIRST.DAT"));
    }
}

// ---- Setup profiles --------------------------------------------------------------------

TEST(HostileProfileTest, DestinationsThatNeverResolveEndTheRunWithAReport)
{
    for (const char* destinations : {"1=A|2|\r\n2=B|1|\r\n", "1=A|1|\r\n", "1=A|9|\r\n"}) {
        SCOPED_TRACE(destinations);
        TempDir folder;
        const std::string mainName = (folder / "MAIN").substr(2);
        SetupRun run("[destinations]\r\n0=" + mainName + "||\r\n" + destinations +
                     "[groups]\r\nProgram=Program files|The program|1|1|1\r\n[Program]\r\n");
        run.Start("/B");
        EXPECT_EQ(AfxLoadString(IDS_ERR_PROFILE), AnswerReport(run, AfxLoadString(IDS_SETUP_CANNOT_CONTINUE)));
        EXPECT_EQ(1, run.ExitCode());
        EXPECT_EQ("(none)", LogValue("destinations", "0"));
    }
}

// ---- Locations -------------------------------------------------------------------------

TEST(HostileLocationTest, SourceDirectoryThatIsTooLongOrOnNoDriveIsRefused)
{
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    SetupRun run(setup_run::MinimalProfile("PELTOHOS"));
    for (const std::string& source : {"C:\\" + std::string(300, 'S'), drive + "\\SET"}) {
        SCOPED_TRACE(source);
        run.Start("/D:" + source);
        HWND message = run.WaitForDialogShowing(AfxLoadString(IDS_INVALID_LOCATION).replace(1, 2, source));
        ASSERT_NE(nullptr, message);
        ASSERT_TRUE(SetupRun::ClickButtonLabelled(message, "OK"));
        EXPECT_EQ(1, run.ExitCode());
    }
}

TEST(HostileLocationTest, DestinationOnADriveThatDoesNotExistIsRefused)
{
    const std::string drive = MissingDrive();
    ASSERT_FALSE(drive.empty());
    SetupRun run(setup_run::MinimalProfile("PELTOHOS"));
    run.Start();
    ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(run.WaitForPage(IDD_WELCOME)), IDC_NEXT));
    HWND directory = run.WaitForPage(IDD_DIRECTORY);
    ASSERT_NE(nullptr, directory);
    const std::string location = drive + "\\PELTO";
    ::SendMessageA(::GetDlgItem(directory, IDC_LOCATION), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(location.c_str()));
    ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(directory), IDC_NEXT));
    HWND message = run.WaitForDialogShowing(AfxLoadString(IDS_INVALID_LOCATION).replace(1, 2, location));
    ASSERT_NE(nullptr, message);
    ASSERT_TRUE(SetupRun::ClickButtonLabelled(message, "OK"));
    EXPECT_EQ(directory, run.WaitForPage(IDD_DIRECTORY)) << "the page stays for another location";
    ASSERT_TRUE(ClickButton(SetupRun::NavigationBar(directory), IDCANCEL));
    HWND question = run.WaitForDialogShowing(AfxLoadString(IDS_CONFIRM_EXIT_SETUP));
    ASSERT_NE(nullptr, question);
    ASSERT_TRUE(SetupRun::ClickButtonLabelled(question, "&Yes"));
    ASSERT_TRUE(ClickButton(run.WaitForPage(IDD_FAILED), IDOK));
    EXPECT_EQ(1, run.ExitCode());
}

// ---- Install log edited for removal ----------------------------------------------------

// Every way a hand-edited log could point removal at VICTIM\: keys that are
// paths, destinations with "..", relative, cut at the reader's limit, without
// a line, or moving the Windows directory. Only the one honest file goes.
TEST(HostileLogTest, RemovalDeletesNothingOutsideTheRecordedDestinations)
{
    SetupRun run(setup_run::MinimalProfile("PELTO"));
    const std::string main = run.Folder() / "MAIN\\";
    const std::string victim = run.Folder() / "VICTIM\\";
    // "3=C|0|" + deep + "MORE\\" comes back cut to "C|0|" + deep: 254 characters.
    const std::string deep = victim + std::string(249 - victim.size(), 'P') + "\\";
    fs::create_directories(main);
    fs::create_directories(deep);
    const std::vector<std::string> victims = {"V1.TXT", "V2.TXT", "V3.TXT", "V4.TXT", "V5.TXT", "V6.TXT", "V8.TXT"};
    for (const std::string& name : victims)
        WriteFileBytes(victim + name, name);
    WriteFileBytes(deep + "V7.TXT", "V7");
    WriteFileBytes(main + "OWN.TXT", "installed");
    WriteFileBytes(WindowsDir() + "pelto.log",
                   "[Program]\r\nOWN.TXT=0|1|0\r\n..\\VICTIM\\V1.TXT=0|1|0\r\n" + victim + "V2.TXT=0|1|0\r\n"
                   "../VICTIM/V3.TXT=0|1|0\r\nV4.TXT=1|1|0\r\nV5.TXT=2|1|0\r\nV6.TXT=-2|1|0\r\nV7.TXT=3|1|0\r\n"
                   "V8.TXT=4|1|0\r\n[destinations]\r\n0=MAIN||" + main + "\r\n1=X|0|" + main + "..\\VICTIM\\\r\n"
                   "2=X|0|VICTIM\\\r\n-2=W||" + victim + "\r\n3=C|0|" + deep + "MORE\\\r\n"
                   "[groups]\r\nProgram=Program files|The program|1|1|1\r\n");
    run.Start("/U /B");
    EXPECT_NE(-1, run.ExitCode());
    EXPECT_FALSE(FileExists(main + "OWN.TXT")) << "the removal ran";
    for (const std::string& name : victims)
        EXPECT_EQ(name, ReadFileBytes(victim + name));
    EXPECT_EQ("V7", ReadFileBytes(deep + "V7.TXT"));
}

} // namespace
