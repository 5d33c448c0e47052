// The copy step in the test program, on a host that records what it is told
// and answers from the test: diskette sets built with the project's own
// diskset, checked by what lands in the destination and System folders, the
// install log, the shared counts and the host's calls.
#include "Diskset.h"

#include "engine/CopyStep.h"
#include "engine/InstallFile.h"
#include "engine/RunState.h"
#include "install/TestFiles.h"
#include "rules/Destinations.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>
#include <vector>

namespace {

constexpr long long kPackedTime = 844084800;  // Time= of every layout, below
constexpr long long kLaterTime = 1900000000;
constexpr long long kEarlierTime = 800000000;
constexpr int kInstallationType = 2;  // the type the destination page selects
const char kSharedDlls[] = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

long long ModifiedTime(const std::string& path)
{
    return static_cast<long long>(CPathName(path).GetModifiedTime());
}

DWORD Attributes(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
}

// Records the copy step's calls; answers the prompt with `location` (refuses
// when empty), error reports from `continueAnswers` in turn (Cancel when
// none is left), and cancels at progress call `cancelAt` (never when 0).
class CFakeHost : public IInstallHost {
public:
    struct Located {
        std::string missingFile;
        int disk;
    };

    BOOL LocateDisketteFile(const CPathName& missingFile, int disk, std::string& answer) override
    {
        EXPECT_NE(nullptr, m_pCurrentFile) << "asked between two files";
        located.push_back({missingFile.GetPath(), disk});
        answer = location;
        return !location.empty();
    }
    void ItemBegun(const std::string& name) override { items.push_back(name); }
    void FileBegun(const CInstallFile& file) override
    {
        EXPECT_EQ(nullptr, m_pCurrentFile);
        m_pCurrentFile = &file;
    }
    BOOL FileProgress(const CInstallFile& file, std::uint32_t bytesDone) override
    {
        EXPECT_EQ(m_pCurrentFile, &file);
        EXPECT_GE(bytesDone, lastProgress);
        lastProgress = bytesDone;
        ++progressCalls;
        if (!file.m_finalPath.IsEmpty())
            progressFiles.insert(file.m_finalPath.GetFileName());
        if (onProgress)
            onProgress(file);
        return progressCalls != cancelAt;
    }
    void FileEnded() noexcept override
    {
        m_pCurrentFile = nullptr;
        ++filesEnded;
    }
    BOOL LetMessagesThrough(BOOL) override { return TRUE; }
    BOOL ContinueAfterError(const CException&, const std::string& path) override
    {
        errorPaths.push_back(path);
        if (continueAnswers.empty())
            return FALSE;
        const BOOL answer = continueAnswers.front();
        continueAnswers.erase(continueAnswers.begin());
        return answer;
    }

    std::string location;
    std::vector<BOOL> continueAnswers;
    int cancelAt = 0;
    std::function<void(const CInstallFile&)> onProgress;

    std::vector<Located> located;
    std::vector<std::string> items;
    std::set<std::string> progressFiles;
    std::vector<std::string> errorPaths;
    std::uint32_t lastProgress = 0;
    int progressCalls = 0;
    int filesEnded = 0;

private:
    const CInstallFile* m_pCurrentFile = nullptr;
};

// A copy step on a set built in the test's folder: sources in src\, the set
// in SET\DISKnn, destination 0 the folder APP\ beside them, read as the
// wizard reads it and with destination 0 and the installation type chosen as
// its pages choose them.
class CopyRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::DeleteFileA(LogPath().c_str());
        ::CreateDirectoryA((m_dir / "src").c_str(), nullptr);
    }

    std::string Disk(int number) const { return m_dir / ("SET\\DISK0" + std::to_string(number) + "\\"); }
    std::string App(const std::string& name = {}) const { return m_dir / ("APP\\" + name); }
    void AddSource(const std::string& name, const std::string& bytes) const
    {
        WriteFileBytes(m_dir / ("src\\" + name), bytes);
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
        WriteFileBytes(m_dir / "set.layout",
                       "[layout]\r\nSource=src\r\nTime=1996-09-30 12:00:00\r\n" + sections +
                           "\r\n[destinations]\r\n0=" + mainName + "||\r\n[groups]\r\nMain=Main|All|1|1|1\r\n"
                           "[targets]\r\nKEPT.TXT=0|0|0|Kept|||\r\n");
        std::ostringstream out, err;
        ASSERT_EQ(0, RunDiskset({"build", m_dir / "set.layout", m_dir / "SET"}, out, err)) << err.str();
    }
    // Runs the copy step; TRUE when it got through.
    BOOL Copy()
    {
        m_run.m_profilePath = CPathName(Disk(1) + "INSTALL.ini");
        m_run.m_sourceDir = CPathName(Disk(1));
        m_run.LoadModel([] {});
        CPathName main;
        EXPECT_TRUE(main.SetDriveDirectory(App()));
        m_run.m_destinations.SetPath(DEST_MAIN, main);
        m_run.m_destinations.ResolveAll();
        m_run.m_groups.SelectType(kInstallationType);
        CCopyStep step(m_run, m_host);
        return step.Run();
    }
    // The exit code the run would end with.
    int ExitCode() const
    {
        if (!m_run.m_bSuccess)
            return 1;
        return m_run.m_bItemsSkipped ? 2 : 0;
    }

    static std::string LogPath() { return CPathName(CPathName::pathWindowsDir).GetPath() + "pelto.log"; }
    static std::string LogValue(const char* section, const std::string& key)
    {
        char value[512] = {};
        ::GetPrivateProfileStringA(section, key.c_str(), "(none)", value, sizeof value, LogPath().c_str());
        return value;
    }

    TempDir m_dir;
    CRunState m_run;
    CFakeHost m_host;
};

TEST(RunStateTest, InstallLogIsPeltoLogInTheWindowsDirectory)
{
    char windows[MAX_PATH];
    const std::string folder(windows, ::GetWindowsDirectoryA(windows, MAX_PATH));
    EXPECT_EQ(folder + "\\pelto.log", CRunState().m_logPath.GetPath());
}

// An archive over three diskettes found in the sibling folders of DISK01, a
// plain file, newer files at the destination and in the System folder that
// stay, and items that install nothing.
TEST_F(CopyRunTest, InstallsAcrossThreeDiskettesAndKeepsNewerFiles)
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

    ASSERT_TRUE(Copy());
    ASSERT_EQ(0, ExitCode());
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

    // What the host was told: the items in diskette order, the members that
    // are installed by name, no prompt, progress within the items' bytes.
    EXPECT_TRUE(m_host.located.empty());
    ASSERT_GE(m_host.items.size(), 2u);
    EXPECT_EQ("README.TXT", m_host.items.front());
    EXPECT_EQ("DATA.Z1", m_host.items[1]);
    EXPECT_TRUE(m_host.progressFiles.count("BIG.DAT"));
    EXPECT_GT(m_host.progressCalls, 0);
    EXPECT_LE(m_host.lastProgress, m_run.m_archiveItems.TotalBytes());
    EXPECT_TRUE(m_host.errorPaths.empty());
}

// The first member of an archive is damaged (its checksum does not match);
// an older copy of it is at the destination and stays whole either way.
class DamagedArchiveRunTest : public CopyRunTest {
protected:
    void SetUp() override
    {
        CopyRunTest::SetUp();
        AddSource("FIRST.DAT", NoiseBytes(5000, 3));
        AddSource("SECOND.DAT", "second");
        AddSource("LAST.TXT", "last");
        BuildSet("[items]\r\nDATA.Z1=archive|Main|\r\nLAST.TXT=file|Main|LAST.TXT|MAIN|\r\n"
                 "[DATA.Z1]\r\nFIRST.DAT=FIRST.DAT|MAIN|A|copy\r\nSECOND.DAT=SECOND.DAT\r\n");
        std::string archive = ReadFileBytes(Disk(1) + "DATA.Z1");
        archive[8 + 346 + 100] ^= 0x55;
        WriteFileBytes(Disk(1) + "DATA.Z1", archive);
        AddExisting(App("FIRST.DAT"), "old", kEarlierTime);
    }
};

TEST_F(DamagedArchiveRunTest, ContinueSkipsTheRestOfTheArchive)
{
    m_host.continueAnswers = {TRUE};
    EXPECT_TRUE(Copy());
    ASSERT_EQ(2, ExitCode()) << "went on past a report: files are missing";
    EXPECT_EQ(std::vector<std::string>{Disk(1) + "DATA.Z1"}, m_host.errorPaths);
    EXPECT_EQ((std::set<std::string>{"FIRST.DAT", "LAST.TXT"}), FilesIn(App()));
    EXPECT_EQ("old", ReadFileBytes(App("FIRST.DAT")));
    EXPECT_EQ("(none)", LogValue("Main", "FIRST.DAT"));
    EXPECT_EQ("(none)", LogValue("Main", "SECOND.DAT"));
    EXPECT_EQ("0|1|0", LogValue("Main", "LAST.TXT"));
}

TEST_F(DamagedArchiveRunTest, CancelFailsTheRun)
{
    m_host.continueAnswers = {FALSE};
    EXPECT_FALSE(Copy());
    ASSERT_EQ(1, ExitCode());
    EXPECT_EQ(1u, m_host.errorPaths.size());
    EXPECT_EQ((std::vector<std::string>{"DATA.Z1"}), m_host.items) << "nothing after the cancelled item";
    EXPECT_EQ(std::set<std::string>{"FIRST.DAT"}, FilesIn(App()));
    EXPECT_EQ("old", ReadFileBytes(App("FIRST.DAT")));
    EXPECT_EQ("(none)", LogValue("destinations", "0"));
}

// Every name the scratch file could take is taken: nothing is expanded over
// them, the archive's report offers Continue. The scratch names come from the
// C run-time's unseeded rand sequence; the test takes the same sequence
// through the same CPathName.
TEST_F(CopyRunTest, NoFreeScratchNameIsReportedAndNothingIsOverwritten)
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

    m_host.continueAnswers = {TRUE};
    EXPECT_TRUE(Copy());
    ASSERT_EQ(2, ExitCode()) << "went on past a report: files are missing";
    EXPECT_EQ(1u, m_host.errorPaths.size());
    for (const std::string& name : taken)
        EXPECT_EQ("taken", ReadFileBytes(App(name))) << name;
    taken.insert("LAST.TXT");
    EXPECT_EQ(taken, FilesIn(App()));
    EXPECT_EQ("(none)", LogValue("Main", "ONLY.DAT"));
}

// Files the folder held before the run, under the names of the members in
// another case: each member takes its file's place, whose name stays, and
// no second file of the same name in another case appears beside it.
TEST_F(CopyRunTest, FilesNamedInAnotherCaseAreReplacedNotDoubled)
{
    AddSource("NEW.TXT", "new text");
    AddSource("Mixed.Dat", "new data");
    AddSource("ADDED.TXT", "added");
    BuildSet("[items]\r\nDATA.Z1=archive|Main|\r\n"
             "[DATA.Z1]\r\nNEW.TXT=NEW.TXT\r\nMixed.Dat=Mixed.Dat\r\nADDED.TXT=ADDED.TXT\r\n");
    AddExisting(App("new.txt"), "old", kEarlierTime);
    AddExisting(App("MIXED.DAT"), "old", kEarlierTime);

    ASSERT_TRUE(Copy());
    ASSERT_EQ(0, ExitCode());
    EXPECT_EQ((std::set<std::string>{"new.txt", "MIXED.DAT", "ADDED.TXT"}), FilesIn(App()));
    EXPECT_EQ("new text", ReadFileBytes(App("new.txt")));
    EXPECT_EQ("new data", ReadFileBytes(App("MIXED.DAT")));
    EXPECT_EQ("0|1|1", LogValue("Main", "NEW.TXT"));
    EXPECT_EQ("0|1|0", LogValue("Main", "ADDED.TXT"));
}

// The second volume of an archive is neither in the source folder nor in a
// sibling folder: the host is asked for diskette 2 with the file's path,
// while the member is current.
class MissingDisketteRunTest : public CopyRunTest {
protected:
    void SetUp() override
    {
        CopyRunTest::SetUp();
        AddSource("BIG.DAT", m_big);
        BuildSet("DisketteSize=16384\r\n[items]\r\nDATA.Z1=archive|Main|\r\n[DATA.Z1]\r\nBIG.DAT=BIG.DAT\r\n");
        ASSERT_TRUE(::MoveFileA(Disk(2).c_str(), Elsewhere().c_str()));
    }
    std::string Elsewhere() const { return m_dir / "ELSEWHERE"; }
    void ExpectAskedOnceForDisk2() const
    {
        ASSERT_EQ(1u, m_host.located.size());
        EXPECT_EQ(Disk(1) + "DATA.Z2", m_host.located[0].missingFile);
        EXPECT_EQ(2, m_host.located[0].disk);
    }

    const std::string m_big = NoiseBytes(24000, 5);
};

TEST_F(MissingDisketteRunTest, RefusedPromptFailsWithoutAReport)
{
    EXPECT_FALSE(Copy());
    EXPECT_EQ(1, ExitCode());
    ExpectAskedOnceForDisk2();
    EXPECT_TRUE(m_host.errorPaths.empty()) << "no error report waits for an answer";
    EXPECT_EQ("(none)", LogValue("Main", "BIG.DAT"));
}

TEST_F(MissingDisketteRunTest, LocationGivenInThePromptBecomesTheSourceDirectory)
{
    m_host.location = Elsewhere();
    EXPECT_TRUE(Copy());
    EXPECT_EQ(0, ExitCode());
    ExpectAskedOnceForDisk2();
    EXPECT_EQ(Elsewhere() + "\\", m_run.m_sourceDir.GetPath());
    EXPECT_EQ(m_big, ReadFileBytes(App("BIG.DAT")));
    EXPECT_EQ("0|1|0", LogValue("Main", "BIG.DAT"));
}

// A cancel answered Yes while a member is expanded stops it there: the run
// fails, nothing of the member stays and no later item is begun.
TEST_F(CopyRunTest, CancelDuringAMemberStopsTheRunAndLeavesNothing)
{
    AddSource("HUGE.DAT", NoiseBytes(1 << 20, 4));
    AddSource("AFTER.TXT", "after");
    BuildSet("[items]\r\nBIG.Z1=archive|Main|\r\nAFTER.TXT=file|Main|AFTER.TXT|MAIN|\r\n"
             "[BIG.Z1]\r\nHUGE.DAT=HUGE.DAT|MAIN|A|copy\r\n");
    m_host.cancelAt = 3;
    EXPECT_FALSE(Copy());
    EXPECT_EQ(1, ExitCode());
    EXPECT_EQ(3, m_host.progressCalls);
    EXPECT_EQ(std::vector<std::string>{"BIG.Z1"}, m_host.items);
    EXPECT_TRUE(m_host.errorPaths.empty()) << "a cancel is no error";
    EXPECT_EQ(std::set<std::string>{}, FilesIn(App()));
    EXPECT_EQ("(none)", LogValue("Main", "HUGE.DAT"));
}

// A run killed at any moment must leave a log by which removal finds every
// file that stands at its final path: looked at while each member is
// expanded, the log on disk names every file of the destination but the
// member's own scratch file, and holds the destinations removal reads. At
// the end it holds only the run's own lines.
TEST_F(CopyRunTest, WhileCopyingEveryFileInPlaceIsInTheLogOnDisk)
{
    std::string members;
    for (int i = 0; i < 20; ++i) {
        const std::string name = "F" + std::to_string(i) + ".DAT";
        AddSource(name, NoiseBytes(5000, 10 + i));
        members += name + "=" + name + "\r\n";
    }
    AddSource("README.TXT", "read me");
    BuildSet("DisketteSize=16384\r\n[items]\r\nDATA.Z1=archive|Main|\r\nREADME.TXT=file|Main|README.TXT|MAIN|\r\n"
             "[DATA.Z1]\r\n" + members);
    ASSERT_TRUE(FileExists(Disk(3) + "DATA.Z3"));
    int looks = 0;
    m_host.onProgress = [&](const CInstallFile& file) {
        ++looks;
        ASSERT_NE("(none)", LogValue("destinations", "0"));
        for (const std::string& name : FilesIn(App())) {
            if (name != file.m_scratchPath.GetFileName()) {
                EXPECT_NE("(none)", LogValue("Main", name)) << name << " during " << file.m_finalPath.GetFileName();
            }
        }
    };
    ASSERT_TRUE(Copy());
    EXPECT_GE(looks, 21);
    EXPECT_EQ(21u, FilesIn(App()).size());
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ("0|1|0", LogValue("Main", "F" + std::to_string(i) + ".DAT"));
    EXPECT_FALSE(FileExists(CPathName(CPathName::pathWindowsDir).GetPath() + "~pelto.log"));
}

} // namespace
