#include "engine/InstallFile.h"
#include "install/TestFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>

namespace {

constexpr long long kTime = 1000000000;  // September 2001

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

// The renames Windows carries out at its next start, as one text with the
// strings separated by "|".
std::string PendingRenames()
{
    char buffer[32768];
    DWORD size = sizeof buffer;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                       "PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return {};
    std::string text(buffer, size);
    std::replace(text.begin(), text.end(), '\0', '|');
    return text;
}

// The pair source -> target is pending, to replace target.
::testing::AssertionResult RenameIsPending(const std::string& source, const std::string& target)
{
    const std::string pending = Upper(PendingRenames());
    if (pending.find("\\??\\" + Upper(source) + "|!\\??\\" + Upper(target) + "|") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << source << " -> " << target << " not in " << pending;
}

BOOL WINAPI RefuseDelayedMove(LPCSTR, LPCSTR, DWORD)
{
    ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
}

// One member at a time through the rules, with its scratch file beside its
// final path. Text files stand for unversioned files, the test DLLs for
// versioned ones.
class InstallRulesTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& path : m_cleanUp) {
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        }
    }

    // The member expanded into its scratch file from a test DLL.
    CInstallFile& Member(short destination, const std::string& finalPath, const std::string& dll,
                         long long time = 0)
    {
        CInstallFile& file = NewMember(destination, finalPath);
        EXPECT_TRUE(::CopyFileA(TestDll(dll).c_str(), file.m_scratchPath, FALSE));
        if (time)
            SetModifiedTime(file.m_scratchPath.GetPath(), time);
        return file;
    }
    // The member expanded into its scratch file from text.
    CInstallFile& TextMember(short destination, const std::string& finalPath, const std::string& text,
                             long long time)
    {
        CInstallFile& file = NewMember(destination, finalPath);
        WriteFileBytes(file.m_scratchPath.GetPath(), text);
        SetModifiedTime(file.m_scratchPath.GetPath(), time);
        return file;
    }
    void ExistingDll(const std::string& path, const std::string& dll, long long time = 0)
    {
        m_cleanUp.push_back(path);
        ASSERT_TRUE(::CopyFileA(TestDll(dll).c_str(), path.c_str(), FALSE));
        if (time)
            SetModifiedTime(path, time);
    }
    void ExistingText(const std::string& path, const std::string& text, long long time)
    {
        m_cleanUp.push_back(path);
        WriteFileBytes(path, text);
        SetModifiedTime(path, time);
    }
    static bool Holds(const std::string& path, const std::string& dll)
    {
        return FileExists(path) && ReadFileBytes(path) == ReadFileBytes(TestDll(dll));
    }
    void ExpectFlags(BOOL installed, BOOL replaced, BOOL restart) const
    {
        EXPECT_EQ(installed, m_pFile->m_bInstalled) << "installed";
        EXPECT_EQ(replaced, m_pFile->m_bReplaced) << "replaced";
        EXPECT_EQ(restart, m_bRestartNeeded) << "restart needed";
    }

    TempDir m_dir;
    std::string m_final = m_dir / "pelto.dll";
    std::unique_ptr<CInstallFile> m_pFile;
    BOOL m_bRestartNeeded = FALSE;
    std::vector<std::string> m_cleanUp;

private:
    CInstallFile& NewMember(short destination, const std::string& finalPath)
    {
        m_pFile = std::make_unique<CInstallFile>();
        m_pFile->Header().destination = destination;
        m_pFile->m_finalPath = finalPath;
        m_pFile->m_scratchPath = finalPath;
        EXPECT_TRUE(m_pFile->m_scratchPath.MakeUniqueName(TRUE, 1000));
        m_pFile->SetOutputPath(m_pFile->m_scratchPath.GetPath());
        m_pFile->SetRestartFlag(&m_bRestartNeeded);
        m_cleanUp.push_back(m_pFile->m_scratchPath.GetPath());
        return *m_pFile;
    }
};

// Which file wins: versions when both have one, else modification times.
class VersionRulesTest : public InstallRulesTest {
protected:
    // Runs the rules for a new DLL over an existing one in the destination.
    void Run(const std::string& existingDll, long long existingTime, const std::string& newDll, long long newTime)
    {
        ExistingDll(m_final, existingDll, existingTime);
        Member(DEST_MAIN, m_final, newDll, newTime).ApplyRules();
        EXPECT_EQ(std::set<std::string>{"pelto.dll"}, FilesIn(m_dir.Path()));
    }
};

TEST_F(VersionRulesTest, NothingThereInstalls)
{
    Member(DEST_MAIN, m_final, "v4000").ApplyRules();
    ExpectFlags(TRUE, FALSE, FALSE);
    EXPECT_TRUE(Holds(m_final, "v4000"));
    EXPECT_EQ(std::set<std::string>{"pelto.dll"}, FilesIn(m_dir.Path()));
}

TEST_F(VersionRulesTest, OlderVersionIsDiscarded)
{
    Run("v4001", kTime, "v4000", kTime + 100);
    ExpectFlags(FALSE, FALSE, FALSE);
    EXPECT_TRUE(Holds(m_final, "v4001"));
}

TEST_F(VersionRulesTest, ThirdPartDecidesBeforeTheFourth)
{
    Run("v4001", kTime, "v4010", kTime - 100);
    ExpectFlags(TRUE, TRUE, FALSE);
    EXPECT_TRUE(Holds(m_final, "v4010"));
}

TEST_F(VersionRulesTest, EqualVersionsKeepTheExistingFileWhateverTheTimes)
{
    Run("v4001", kTime, "v4001", kTime + 100);
    ExpectFlags(FALSE, FALSE, FALSE);
    EXPECT_EQ(kTime, CPathName(m_final).GetModifiedTime());
}

TEST_F(VersionRulesTest, VersionedFileIsNotReplacedByAnUnversionedOne)
{
    Run("v4000", kTime, "unversioned", kTime + 100);
    ExpectFlags(FALSE, FALSE, FALSE);
    EXPECT_TRUE(Holds(m_final, "v4000"));
}

TEST_F(VersionRulesTest, UnversionedFileIsReplacedByAVersionedOne)
{
    Run("unversioned", kTime + 100, "v4000", kTime);
    ExpectFlags(TRUE, TRUE, FALSE);
    EXPECT_TRUE(Holds(m_final, "v4000"));
}

// A version resource whose fixed version cannot be read counts as none.
TEST_F(VersionRulesTest, UnreadableVersionCountsAsUnversioned)
{
    Run("damaged", kTime + 100, "v4000", kTime);
    ExpectFlags(TRUE, TRUE, FALSE);
    EXPECT_TRUE(Holds(m_final, "v4000"));
    Run("v4000", kTime, "damaged", kTime + 100);
    ExpectFlags(FALSE, FALSE, FALSE);
    EXPECT_TRUE(Holds(m_final, "v4000"));
}

TEST_F(VersionRulesTest, UnversionedFilesGoByTime)
{
    ExistingText(m_final, "old", kTime);
    TextMember(DEST_MAIN, m_final, "new", kTime).ApplyRules();
    ExpectFlags(FALSE, FALSE, FALSE);
    EXPECT_EQ("old", ReadFileBytes(m_final));
    TextMember(DEST_MAIN, m_final, "new", kTime + 1).ApplyRules();
    ExpectFlags(TRUE, TRUE, FALSE);
    EXPECT_EQ("new", ReadFileBytes(m_final));
    EXPECT_EQ(std::set<std::string>{"pelto.dll"}, FilesIn(m_dir.Path()));
}

// Times after January 2038 are negative as signed 32-bit values.
TEST_F(VersionRulesTest, TimesCompareAsSigned32BitValues)
{
    ExistingText(m_final, "old", 0x80000000LL + 100);
    TextMember(DEST_MAIN, m_final, "new", kTime).ApplyRules();
    ExpectFlags(TRUE, TRUE, FALSE);
    EXPECT_EQ("new", ReadFileBytes(m_final));
}

// How an existing file makes way, now or at the next start of Windows.
class ReplaceTest : public InstallRulesTest {};

TEST_F(ReplaceTest, ReadOnlyFileIsReplacedAtOnce)
{
    ExistingText(m_final, "old", kTime);
    ASSERT_TRUE(::SetFileAttributesA(m_final.c_str(), FILE_ATTRIBUTE_READONLY));
    TextMember(DEST_MAIN, m_final, "new", kTime + 1).ApplyRules();
    ExpectFlags(TRUE, TRUE, FALSE);
    EXPECT_EQ("new", ReadFileBytes(m_final));
    EXPECT_EQ(std::set<std::string>{"pelto.dll"}, FilesIn(m_dir.Path()));
}

// What can stand in the new file's way: a program holding the existing file
// (and how), one holding the scratch file, a read-only existing file, and how
// far Windows lets a rename at the next start be recorded.
enum class Scheduling { delayedMove, wininit, none };

struct Obstacles {
    const char* holder;  // "none", or how HoldOpen holds the existing file
    bool scratchHeld;
    bool readOnly;
    Scheduling scheduling;
};

std::ostream& operator<<(std::ostream& out, const Obstacles& o)
{
    return out << "existing held: " << o.holder << ", scratch held: " << o.scratchHeld
               << ", read-only: " << o.readOnly << ", scheduling: "
               << (o.scheduling == Scheduling::delayedMove ? "delayed move"
                   : o.scheduling == Scheduling::wininit   ? "wininit.ini"
                                                           : "none");
}

std::unique_ptr<CHeldOpen> Hold(const std::string& path, const char* holder)
{
    const std::string how = holder;
    if (how == "none")
        return nullptr;
    return std::make_unique<CHeldOpen>(path, how == "image"           ? HoldMode::image
                                             : how == "delete sharing" ? HoldMode::deleteSharing
                                                                       : HoldMode::noDeleteSharing);
}

// Every combination of obstacles: the final path always holds the old or the
// new file, byte for byte, and the flags say which, and whether the new file
// waits for the next start. Nothing but the old file kept by a program that
// runs it is left beside them.
TEST_F(ReplaceTest, FinalPathAlwaysHoldsTheOldOrTheNewFile)
{
    CPathName wininitPath(CPathName::pathWindowsDir);
    ASSERT_TRUE(wininitPath.SetFileName("wininit.ini"));
    const std::string wininit = wininitPath.GetPath();
    // wininit.ini, or the folder standing in for one that cannot be written,
    // goes however the test ends: the tests after it find none.
    struct RemoveAtEnd {
        const std::string& path;
        ~RemoveAtEnd()
        {
            ::RemoveDirectoryA(path.c_str());
            ::DeleteFileA(path.c_str());
        }
    } removeWininit{wininit};
    for (const char* holder : {"none", "no delete sharing", "delete sharing", "image"})
    for (const bool scratchHeld : {false, true})
    for (const bool readOnly : {false, true})
    for (const Scheduling scheduling : {Scheduling::delayedMove, Scheduling::wininit, Scheduling::none}) {
        const Obstacles obstacles{holder, scratchHeld, readOnly, scheduling};
        SCOPED_TRACE(::testing::PrintToString(obstacles));
        ::DeleteFileA(wininit.c_str());
        ::RemoveDirectoryA(wininit.c_str());
        if (scheduling == Scheduling::none) {
            ASSERT_TRUE(::CreateDirectoryA(wininit.c_str(), nullptr));  // a wininit.ini that cannot be written
        }
        TempDir dir;
        const std::string final = dir / "pelto.dll";
        ExistingDll(final, "v4000", kTime);
        if (readOnly) {
            ASSERT_TRUE(::SetFileAttributesA(final.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        m_bRestartNeeded = FALSE;
        CInstallFile& file = Member(DEST_MAIN, final, "v4001");
        const std::string scratch = file.m_scratchPath.GetPath();
        if (scheduling != Scheduling::delayedMove)
            file.SetDelayedMove(RefuseDelayedMove);
        {
            const auto holdsExisting = Hold(final, holder);
            const auto holdsScratch = Hold(scratch, scratchHeld ? "no delete sharing" : "none");
            ASSERT_TRUE(!holdsExisting || holdsExisting->IsHolding());
            ASSERT_TRUE(!holdsScratch || holdsScratch->IsHolding());
            file.ApplyRules();
        }

        const bool canMakeWay = std::string(holder) != "no delete sharing";
        const bool installed = canMakeWay && !scratchHeld;
        const bool scheduled = !canMakeWay && scheduling != Scheduling::none;
        ExpectFlags(installed, installed || scheduled, scheduled);
        EXPECT_TRUE(Holds(final, installed ? "v4001" : "v4000"));
        if (!installed && !scheduled) {
            EXPECT_EQ(kTime, CPathName(final).GetModifiedTime());
            EXPECT_EQ(readOnly, (::GetFileAttributesA(final.c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
        }
        if (scheduled) {
            EXPECT_TRUE(Holds(scratch, "v4001"));
            EXPECT_TRUE(scheduling == Scheduling::wininit ? ReadFileBytes(wininit).find(final + "=" + scratch) !=
                                                                std::string::npos
                                                          : RenameIsPending(scratch, final));
        }
        for (const std::string& name : FilesIn(dir)) {
            const std::string path = dir / name;
            if (path == final || (path == scratch && (scheduled || scratchHeld)))
                continue;
            // The old file, renamed aside, is kept while a program runs it.
            EXPECT_TRUE(installed && std::string(holder) == "image" && Holds(path, "v4000")) << name;
            // ... and deleted at the next start where Windows records that.
            const bool deletionPending =
                Upper(PendingRenames()).find(Upper("\\??\\" + path + "||")) != std::string::npos;
            EXPECT_EQ(scheduling == Scheduling::delayedMove, deletionPending) << name;
        }
    }
}

// Members for the Windows and System directories: an existing copy may lie
// in either, the Windows directory is searched first.
class SystemFolderTest : public InstallRulesTest {
protected:
    void SetUp() override
    {
        CPathName windows(CPathName::pathWindowsDir), system(CPathName::pathSystemDir);
        m_windowsDir = windows.GetPath();
        m_systemDir = system.GetPath();
        m_inWindows = m_windowsDir + "peltotst.dll";
        m_inSystem = m_systemDir + "peltotst.dll";
        m_cleanUp = {m_inWindows, m_inSystem};
        TearDown();
        m_windowsBefore = FilesIn(m_windowsDir);
        m_systemBefore = FilesIn(m_systemDir);
    }
    // Nothing but the test's own file changed in either folder: no scratch
    // or backup file was left behind.
    void ExpectNothingLeftBehind() const
    {
        auto before = m_windowsBefore, after = FilesIn(m_windowsDir);
        after.erase("peltotst.dll");
        EXPECT_EQ(before, after);
        before = m_systemBefore, after = FilesIn(m_systemDir);
        after.erase("peltotst.dll");
        EXPECT_EQ(before, after);
    }

    std::string m_windowsDir, m_systemDir, m_inWindows, m_inSystem;
    std::set<std::string> m_windowsBefore, m_systemBefore;
};

TEST_F(SystemFolderTest, OlderCopyInTheWindowsDirectoryMakesWay)
{
    ExistingDll(m_inWindows, "v4000");
    Member(DEST_SYSTEM, m_inSystem, "v4001").ApplyRules();
    ExpectFlags(TRUE, TRUE, FALSE);
    EXPECT_FALSE(FileExists(m_inWindows));
    EXPECT_TRUE(Holds(m_inSystem, "v4001"));
    ExpectNothingLeftBehind();
}

TEST_F(SystemFolderTest, OlderCopyInTheSystemDirectoryMakesWayForAWindowsMember)
{
    ExistingDll(m_inSystem, "v4000");
    Member(DEST_WINDOWS, m_inWindows, "v4001").ApplyRules();
    ExpectFlags(TRUE, TRUE, FALSE);
    EXPECT_FALSE(FileExists(m_inSystem));
    EXPECT_TRUE(Holds(m_inWindows, "v4001"));
    ExpectNothingLeftBehind();
}

TEST_F(SystemFolderTest, CopyInUseIsReplacedWhereItLies)
{
    ExistingDll(m_inWindows, "v4000");
    CHeldOpen held(m_inWindows);
    ASSERT_TRUE(held.IsHolding());
    CInstallFile& file = Member(DEST_SYSTEM, m_inSystem, "v4001");
    file.ApplyRules();
    ExpectFlags(FALSE, TRUE, TRUE);
    EXPECT_TRUE(Holds(m_inWindows, "v4000"));
    EXPECT_FALSE(FileExists(m_inSystem));
    EXPECT_TRUE(RenameIsPending(file.m_scratchPath.GetPath(), m_inWindows));
}

TEST_F(SystemFolderTest, TheWindowsDirectoryIsSearchedFirst)
{
    ExistingDll(m_inWindows, "v4010");
    ExistingDll(m_inSystem, "v4000");
    Member(DEST_SYSTEM, m_inSystem, "v4001").ApplyRules();
    ExpectFlags(FALSE, FALSE, FALSE);
    EXPECT_TRUE(Holds(m_inWindows, "v4010"));
    EXPECT_TRUE(Holds(m_inSystem, "v4000"));
    ExpectNothingLeftBehind();
}

// The Windows copy is older, but the System directory holds a copy too, so
// the new file cannot take its name there: the Windows copy stays.
TEST_F(SystemFolderTest, CopiesInBothFoldersAreNeverLost)
{
    ExistingDll(m_inWindows, "v4000");
    ExistingDll(m_inSystem, "v4000");
    Member(DEST_SYSTEM, m_inSystem, "v4001").ApplyRules();
    ExpectFlags(FALSE, FALSE, FALSE);
    EXPECT_TRUE(Holds(m_inWindows, "v4000"));
    EXPECT_TRUE(Holds(m_inSystem, "v4000"));
    ExpectNothingLeftBehind();
}

// The two ways of recording a rename for the next start of Windows.
class ReplaceOnRestartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_wininit = CPathName(CPathName::pathWindowsDir).GetPath() + "wininit.ini";
        TearDown();
    }
    void TearDown() override
    {
        ::RemoveDirectoryA(m_wininit.c_str());
        ::DeleteFileA(m_wininit.c_str());
    }

    TempDir m_dir;
    std::string m_wininit;
};

TEST_F(ReplaceOnRestartTest, DelayedMoveReplacesTheTarget)
{
    const std::string source = m_dir / "1a2b3c4d.dll", target = m_dir / "pelto.dll";
    WriteFileBytes(source, "new");
    WriteFileBytes(target, "old");
    EXPECT_TRUE(ReplaceOnRestart(source.c_str(), target.c_str()));
    EXPECT_TRUE(RenameIsPending(source, target));
    EXPECT_FALSE(FileExists(m_wininit));
}

TEST_F(ReplaceOnRestartTest, RefusedDelayedMoveGoesToWininit)
{
    EXPECT_TRUE(ReplaceOnRestart("C:\\WINDOWS\\X2.TMP", "C:\\B.DLL", RefuseDelayedMove));
    EXPECT_TRUE(ReplaceOnRestart("C:\\WINDOWS\\X3.TMP", "C:\\C.DLL", RefuseDelayedMove));
    EXPECT_TRUE(ReplaceOnRestart("c:\\windows\\x2.tmp", "c:\\b.dll", RefuseDelayedMove));
    EXPECT_EQ("[rename]\r\nC:\\B.DLL=C:\\WINDOWS\\X2.TMP\r\nC:\\C.DLL=C:\\WINDOWS\\X3.TMP\r\n",
              ReadFileBytes(m_wininit));
}

TEST_F(ReplaceOnRestartTest, WininitThatCannotBeWrittenIsReported)
{
    ASSERT_TRUE(::CreateDirectoryA(m_wininit.c_str(), nullptr));
    EXPECT_FALSE(ReplaceOnRestart("C:\\WINDOWS\\X2.TMP", "C:\\B.DLL", RefuseDelayedMove));
}

} // namespace
