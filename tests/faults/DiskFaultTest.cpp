// Faults of the destination produced for real, with INSTALL.EXE run
// unattended on diskette sets built with diskset: a disk that fills during a
// member (drive T:, a 2 MB tmpfs), a disk that cannot be written (drive U:, a
// read-only tmpfs), a directory that cannot be created, read-only files and a
// System-folder file in use. small-disk.sh mounts the two disks and the
// prefix gets them as drives; without them those cases are skipped. Last,
// what a later run makes of the scratch files a killed run left.
#include "Diskset.h"
#include "SetupRun.h"

#include "fw/Strings.h"
#include "install/TestFiles.h"
#include "res/resource.h"
#include "system/PathName.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace {

using namespace ui_probe;
using setup_run::SetupRun;

constexpr long long kOlder = 800000000;  // before the layout's Time=
constexpr long long kNewer = 1900000000;
constexpr unsigned kDiskFullTitle = 24609;
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

bool DriveIsThere(char letter)
{
    const char root[] = {letter, ':', '\\', '\0'};
    return ::GetDriveTypeA(root) > DRIVE_NO_ROOT_DIR;
}

bool ShowsText(HWND dialog, const std::string& text)
{
    for (HWND child : ChildWindows(dialog))
        if (WindowText(child).find(text) != std::string::npos)
            return true;
    return false;
}

// A set in the run's folder (sources in src\, diskettes in SET\DISKnn);
// destination 0 is APP\ there, destination 1 the folder the case gives.
class DiskFaultTest : public ::testing::Test {
protected:
    DiskFaultTest() : run({}) {}

    void SetUp() override
    {
        ::DeleteFileA((CPathName(CPathName::pathWindowsDir).GetPath() + "pelto.log").c_str());
        ::CreateDirectoryA((run.Folder() / "src").c_str(), nullptr);
    }

    std::string Disk1() const { return run.Folder() / "SET\\DISK01\\"; }
    std::string App(const std::string& name = {}) const { return run.Folder() / ("APP\\" + name); }
    void AddSource(const std::string& name, const std::string& bytes) const
    {
        WriteFileBytes(run.Folder() / ("src\\" + name), bytes);
    }
    static void AddExisting(const std::string& path, const std::string& bytes, long long time)
    {
        WriteFileBytes(path, bytes);
        SetModifiedTime(path, time);
    }
    // Archive DATA.Z1 with `members` (lines of its section), then the plain file LAST.TXT.
    void BuildSet(const std::string& destination1, const std::string& members) const
    {
        AddSource("LAST.TXT", "last");
        const std::string mainName = App().substr(2, App().size() - 3);
        WriteFileBytes(run.Folder() / "set.layout",
                       "[layout]\r\nSource=src\r\nTime=1996-09-30 12:00:00\r\n[destinations]\r\n0=" + mainName +
                           "||\r\n1=ONE|-1|" + destination1 + "\r\n[groups]\r\nMain=Main|All|1|1|1\r\n"
                           "[items]\r\nDATA.Z1=archive|Main|\r\nLAST.TXT=file|Main|LAST.TXT|MAIN|\r\n[DATA.Z1]\r\n" +
                           members);
        std::ostringstream out, err;
        ASSERT_EQ(0, RunDiskset({"build", run.Folder() / "set.layout", run.Folder() / "SET"}, out, err)) << err.str();
        ::CreateDirectoryA(App().c_str(), nullptr);
    }
    void Start() { run.Start(options + " /D:" + Disk1().substr(0, Disk1().size() - 1)); }
    // The report on DATA.Z1; it shows `cause`. Presses `button`.
    void AnswerReport(const std::string& cause, int button) const
    {
        const std::string heading = AfxLoadString(IDS_CANNOT_INSTALL_FILES_FROM);
        HWND report = run.WaitForDialogShowing(StringFormat(heading.c_str(), (Disk1() + "DATA.Z1").c_str()));
        ASSERT_NE(nullptr, report);
        EXPECT_TRUE(cause.empty() || ShowsText(report, cause)) << "the report names the cause: " << cause;
        ASSERT_TRUE(ClickButton(report, button));
    }
    static std::string LogValue(const std::string& key)
    {
        char value[512] = {};
        ::GetPrivateProfileStringA("Main", key.c_str(), "(none)", value, sizeof value,
                                   (CPathName(CPathName::pathWindowsDir).GetPath() + "pelto.log").c_str());
        return value;
    }

    SetupRun run;
    std::string options = "/B";
};

// T: holds 2 MB. The old FIRST.TXT is replaced, then BIG.DAT (3 MB) cannot
// fit: its older copy stays whole and no part of the new one is left.
class FullDiskTest : public DiskFaultTest {
protected:
    void SetUp() override
    {
        DiskFaultTest::SetUp();
        if (!DriveIsThere('T'))
            GTEST_SKIP() << "no small disk T: (small-disk.sh mounts it as root)";
        ::CreateDirectoryA("T:\\APP", nullptr);
        for (const std::string& name : FilesIn("T:\\APP\\"))
            ::DeleteFileA(("T:\\APP\\" + name).c_str());
        AddSource("FIRST.TXT", "first, new");
        AddSource("BIG.DAT", NoiseBytes(3 << 20, 1));
        AddSource("AFTER.TXT", "after");
        BuildSet("T:\\APP", "FIRST.TXT=FIRST.TXT|1\r\nBIG.DAT=BIG.DAT|1|A|copy\r\nAFTER.TXT=AFTER.TXT|1\r\n");
        oldBig = NoiseBytes(100000, 2);
        AddExisting("T:\\APP\\BIG.DAT", oldBig, kOlder);
        AddExisting("T:\\APP\\FIRST.TXT", "first, old", kOlder);
        Start();
    }
    void ExpectNothingLost() const
    {
        EXPECT_EQ((std::set<std::string>{"BIG.DAT", "FIRST.TXT"}), FilesIn("T:\\APP\\")) << "no scratch file stays";
        EXPECT_EQ(oldBig, ReadFileBytes("T:\\APP\\BIG.DAT"));
        EXPECT_EQ("first, new", ReadFileBytes("T:\\APP\\FIRST.TXT"));
        EXPECT_EQ("(none)", LogValue("BIG.DAT"));
        EXPECT_EQ("(none)", LogValue("AFTER.TXT"));
    }

    std::string oldBig;
};

TEST_F(FullDiskTest, ContinueSkipsTheRestOfTheArchive)
{
    AnswerReport(AfxLoadString(kDiskFullTitle), IDOK);
    ASSERT_EQ(2, run.ExitCode()) << "the user chose to go on: files are missing";
    ExpectNothingLost();
    EXPECT_EQ("last", ReadFileBytes(App("LAST.TXT")));
}

TEST_F(FullDiskTest, CancelFailsTheRun)
{
    AnswerReport(AfxLoadString(kDiskFullTitle), IDCANCEL);
    ASSERT_EQ(1, run.ExitCode());
    ExpectNothingLost();
    EXPECT_FALSE(FileExists(App("LAST.TXT")));
}

// Under /Q the report is answered Cancel by itself, and the run log says so.
class QuietFullDiskTest : public FullDiskTest {
protected:
    void SetUp() override
    {
        options = "/Q /L:" + run.Folder() / "run.log";
        FullDiskTest::SetUp();
    }
};

TEST_F(QuietFullDiskTest, ReportIsAnsweredCancelWithoutAWindow)
{
    ASSERT_EQ(1, run.ExitCode());
    ExpectNothingLost();
    EXPECT_FALSE(FileExists(App("LAST.TXT")));
    const std::string log = ReadFileBytes(run.Folder() / "run.log");
    EXPECT_NE(std::string::npos, log.find("\t" + AfxLoadString(kDiskFullTitle) + "\t")) << log;
    EXPECT_NE(std::string::npos, log.find("\tcancel\tquiet\r\n")) << log;
    EXPECT_NE(std::string::npos, log.find("\tend\t1\tfailed\t")) << log;
}

// U: is mounted read-only with U:\APP\OLD.TXT on it; destination 1 there
// cannot take a file, and one that is a file cannot be created: each is
// reported, the old file stays, the run goes on.
TEST_F(DiskFaultTest, DestinationThatCannotBeWrittenIsReported)
{
    const bool readOnlyDisk = DriveIsThere('U');
    const std::string place = readOnlyDisk ? "U:\\APP" : App("NOTADIR");
    if (!readOnlyDisk) {
        std::cout << "no read-only disk U: (small-disk.sh mounts it as root); a file stands in the way instead\n";
        ::CreateDirectoryA(App().c_str(), nullptr);
        WriteFileBytes(place, "a file");
    }
    AddSource("OLD.TXT", "new");
    BuildSet(place, "OLD.TXT=OLD.TXT|1\r\n");
    Start();
    AnswerReport({}, IDOK);
    ASSERT_EQ(2, run.ExitCode());
    EXPECT_EQ(readOnlyDisk ? "old\n" : "a file", ReadFileBytes(readOnlyDisk ? "U:\\APP\\OLD.TXT" : place));
    EXPECT_EQ("(none)", LogValue("OLD.TXT"));
    EXPECT_EQ("last", ReadFileBytes(App("LAST.TXT")));
}

// A read-only file is replaced by a newer one and keeps its place against an
// older one; a System-folder file held open waits for the restart and is
// counted once more as a shared component, as an installed one would be.
TEST_F(DiskFaultTest, ReadOnlyAndLockedFilesKeepTheRules)
{
    const std::string shared = CPathName(CPathName::pathSystemDir).GetPath() + "FAULTS.DLL";
    AddSource("RONEW.TXT", "new");
    AddSource("ROOLD.TXT", "new");
    AddSource("FAULTS.DLL", "new");
    BuildSet(App("SUB"), "RONEW.TXT=RONEW.TXT\r\nROOLD.TXT=ROOLD.TXT\r\nFAULTS.DLL=FAULTS.DLL|SYSTEM\r\n");
    for (const auto& [name, time] : {std::pair<std::string, long long>{"RONEW.TXT", kOlder}, {"ROOLD.TXT", kNewer}}) {
        AddExisting(App(name), "old", time);
        ASSERT_TRUE(::SetFileAttributesA(App(name).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    AddExisting(shared, "old", kOlder);
    const DWORD three = 3;
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSharedDlls, shared.c_str(), REG_DWORD, &three,
                                               sizeof three));
    {
        CHeldOpen holder(shared);
        ASSERT_TRUE(holder.IsHolding());
        Start();
        ASSERT_EQ(3010, run.ExitCode()) << "the held file waits for the restart";
    }
    EXPECT_EQ("new", ReadFileBytes(App("RONEW.TXT")));
    EXPECT_EQ("0|1|1", LogValue("RONEW.TXT"));
    EXPECT_EQ("old", ReadFileBytes(App("ROOLD.TXT")));
    EXPECT_NE(0u, ::GetFileAttributesA(App("ROOLD.TXT").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ("0|0|0", LogValue("ROOLD.TXT"));
    EXPECT_EQ("old", ReadFileBytes(shared));
    EXPECT_EQ("-3|0|1", LogValue("FAULTS.DLL"));
    DWORD count = 0, size = sizeof count;
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueA(HKEY_LOCAL_MACHINE, kSharedDlls, shared.c_str(), RRF_RT_REG_DWORD,
                                            nullptr, &count, &size));
    EXPECT_EQ(4u, count);
    EXPECT_EQ((std::set<std::string>{"LAST.TXT", "RONEW.TXT", "ROOLD.TXT"}), FilesIn(App()));
}

// What a killed run left beside NEW.TXT under the first names of the scratch
// sequence (the setup program's unseeded rand; the test draws the same one):
// the beginning of the new file goes; a file of other bytes, and a complete
// copy waiting for the restart, stay.
TEST_F(DiskFaultTest, LaterRunCleansOnlyItsOwnScratchFiles)
{
    AddSource("NEW.TXT", "new content");
    BuildSet(App("SUB"), "NEW.TXT=NEW.TXT\r\n");
    std::vector<std::string> names;
    std::srand(1);
    for (const char* bytes : {"new c", "other", "new content"}) {
        CPathName name(App("NEW.TXT"));
        ASSERT_TRUE(name.MakeUniqueName(FALSE, 1));
        WriteFileBytes(name.GetPath(), bytes);
        names.push_back(name.GetFileName());
    }
    ASSERT_TRUE(::MoveFileExA(App(names[2]).c_str(), App("NEW.TXT").c_str(),
                              MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
    Start();
    ASSERT_EQ(0, run.ExitCode());
    EXPECT_EQ("new content", ReadFileBytes(App("NEW.TXT")));
    EXPECT_EQ((std::set<std::string>{"LAST.TXT", "NEW.TXT", names[1], names[2]}), FilesIn(App()));
}

} // namespace
