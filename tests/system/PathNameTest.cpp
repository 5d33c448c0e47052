#include "system/PathName.h"

#include "fw/Exception.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/utime.h>

#include <cstdlib>

namespace {

std::string Path(const CPathName& path) { return static_cast<const char*>(path); }

// "表" in code page 932: its trail byte is a backslash.
const std::string kHyo = "\x95\x5C";

} // namespace

// Splitting and the readers' normal forms.
TEST(PathSplitTest, ReadersGiveNormalForms)
{
    const CPathName file("C:\\pelto.exe");
    EXPECT_EQ(file.GetDirectory(), "\\");
    EXPECT_EQ(file.GetDriveDirectory(), "C:\\");
    EXPECT_EQ(CPathName("C:\\PELTO\\pelto.exe").GetDriveDirectory(), "C:\\PELTO");
    EXPECT_EQ(CPathName("C:\\DATA\\README").GetFileName(), "README");
    EXPECT_EQ(CPathName("C:\\DATA\\pelto.exe").GetName(), "pelto");

    std::string drive, directory, name, extension;
    CPathName("c:/a.b/c.tar.gz").SplitPath(&drive, &directory, &name, &extension);
    EXPECT_EQ(drive, "c");
    EXPECT_EQ(directory, "/a.b/");  // only a trailing backslash is removed
    EXPECT_EQ(name, "c.tar");
    EXPECT_EQ(extension, "gz");
}

TEST(PathSplitTest, PathWithoutDriveGivesItsDirectoryAlone)
{
    EXPECT_EQ(CPathName("\\\\server\\share\\PELTO\\").GetDriveDirectory(), "\\\\server\\share\\PELTO");
    EXPECT_EQ(CPathName("DATA\\x.txt").GetDriveDirectory(), "DATA");
    EXPECT_EQ(CPathName("x.txt").GetDriveDirectory(), "");
}

TEST(PathSplitTest, DefaultCodePageIsTheProcessCodePage)
{
    // Under a single-byte ANSI code page 0x95 is a character of its own.
    const CPathName path("C:\\DATA\\" + kHyo);
    EXPECT_EQ(path.GetDirectory() == "\\DATA\\\x95", !::IsDBCSLeadByte(0x95));
}

// A lead byte takes its trail byte with it, also when that byte is a backslash.
class PathDoubleByteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(::IsDBCSLeadByteEx(932, 0x95)) << "code page 932 is not installed";
        CPathName::SetSplitCodePage(932);
    }
    void TearDown() override { CPathName::SetSplitCodePage(CP_ACP); }
};

TEST_F(PathDoubleByteTest, TrailByteIsNoSeparator)
{
    const CPathName path("C:\\DATA\\" + kHyo);
    EXPECT_EQ(path.GetDirectory(), "\\DATA");
    EXPECT_EQ(path.GetFileName(), kHyo);
}

TEST_F(PathDoubleByteTest, DirectoryEndingInTrailByteKeepsItsBackslash)
{
    CPathName path("C:\\" + kHyo + "\\a.txt");
    EXPECT_EQ(path.GetDirectory(), "\\" + kHyo);
    EXPECT_TRUE(path.SetExtension("ini"));
    EXPECT_EQ(Path(path), "C:\\" + kHyo + "\\a.ini");
    EXPECT_TRUE(path.SetDirectory(kHyo));
    EXPECT_EQ(Path(path), "C:\\" + kHyo + "\\a.ini");
    EXPECT_TRUE(path.AppendDirectory(kHyo));
    EXPECT_EQ(Path(path), "C:\\" + kHyo + "\\" + kHyo + "\\a.ini");
}

TEST_F(PathDoubleByteTest, RemoveLastDirectoryIgnoresTrailBytes)
{
    CPathName path("C:\\PELTO\\" + kHyo + kHyo + "\\");
    std::string removed;
    EXPECT_TRUE(path.RemoveLastDirectory(&removed));
    EXPECT_EQ(removed, kHyo + kHyo);
    EXPECT_EQ(Path(path), "C:\\PELTO\\");
}

// The writers' normalisation rules.
TEST(PathWriterTest, SetExtensionWithOrWithoutDot)
{
    CPathName path("A:\\INSTALL.EXE");
    EXPECT_TRUE(path.SetExtension("ini"));
    EXPECT_EQ(Path(path), "A:\\INSTALL.ini");
    EXPECT_TRUE(path.SetExtension(".log"));
    EXPECT_EQ(Path(path), "A:\\INSTALL.log");
    EXPECT_TRUE(path.SetExtension(""));
    EXPECT_EQ(Path(path), "A:\\INSTALL");
}

TEST(PathWriterTest, SetDirectoryRootsAndEndsTheText)
{
    CPathName path("C:\\PELTO\\pelto.exe");
    path.SetDirectory("");
    EXPECT_EQ(Path(path), "C:\\pelto.exe");
    path.SetDirectory("DATA");
    EXPECT_EQ(Path(path), "C:\\DATA\\pelto.exe");
}

TEST(PathWriterTest, SetDriveDirectoryTakesTheDriveFromTheText)
{
    CPathName path("C:\\PELTO\\pelto.exe");
    path.SetDriveDirectory("D:\\APPS");
    EXPECT_EQ(Path(path), "D:\\APPS\\pelto.exe");
    path.SetDriveDirectory("");
    EXPECT_EQ(Path(path), "\\pelto.exe");
}

TEST(PathWriterTest, SetFileNameTakesTheTextUnchanged)
{
    CPathName directory("C:\\WINDOWS\\TEMP\\");
    directory.SetFileName("");
    EXPECT_EQ(Path(directory), "C:\\WINDOWS\\TEMP\\");
    CPathName file("C:\\WINDOWS\\notepad.exe");
    file.SetFileName("");
    EXPECT_EQ(Path(file), "C:\\WINDOWS\\");
    file.SetFileName("*.*");
    EXPECT_EQ(Path(file), "C:\\WINDOWS\\*.*");
}

TEST(PathWriterTest, AppendDirectory)
{
    CPathName path("C:\\PELTO\\");
    path.AppendDirectory("");
    EXPECT_EQ(Path(path), "C:\\PELTO\\");
    path.AppendDirectory("\\DATA");
    EXPECT_EQ(Path(path), "C:\\PELTO\\DATA\\");
    CPathName root("C:\\setup.ini");
    root.AppendDirectory("DATA\\");
    EXPECT_EQ(Path(root), "C:\\DATA\\setup.ini");  // one backslash at the root
}

TEST(PathWriterTest, SetToRootAndSetDrive)
{
    CPathName path("C:\\PELTO\\pelto.exe");
    path.SetToRoot();
    EXPECT_EQ(Path(path), "C:\\");
    path.SetDrive('D');
    EXPECT_EQ(Path(path), "D:\\");
}

TEST(PathWriterTest, MakePathByRunTimeRules)
{
    CPathName path;
    path.MakePath("C", "\\PELTO", "pelto", "exe");
    EXPECT_EQ(Path(path), "C:\\PELTO\\pelto.exe");
    path.MakePath("D:", "/x/", "a", ".b");
    EXPECT_EQ(Path(path), "D:/x/a.b");
    path.MakePath(nullptr, nullptr, "name.", nullptr);
    EXPECT_EQ(Path(path), "name.");
}

TEST(PathRemoveLastDirectoryTest, DropsTheLastLevel)
{
    CPathName path("C:\\PELTO\\DATA\\");
    std::string removed;
    path.RemoveLastDirectory(&removed);
    EXPECT_EQ(Path(path), "C:\\PELTO\\");
    EXPECT_EQ(removed, "DATA");
    path.RemoveLastDirectory();
    EXPECT_EQ(Path(path), "C:\\");
}

TEST(PathRemoveLastDirectoryTest, StaysAtTheRoot)
{
    CPathName path("C:\\");
    std::string removed = "untouched";
    path.RemoveLastDirectory(&removed);
    EXPECT_EQ(Path(path), "C:\\");
    EXPECT_EQ(removed, "\\");
}

TEST(PathRemoveLastDirectoryTest, WithoutDirectoryChangesNothing)
{
    CPathName path("C:pelto.exe");
    std::string removed = "untouched";
    path.RemoveLastDirectory(&removed);
    EXPECT_EQ(Path(path), "C:pelto.exe");
    EXPECT_EQ(removed, "untouched");
    CPathName relative("DATA\\pelto.exe");
    relative.RemoveLastDirectory(&removed);
    EXPECT_EQ(Path(relative), "pelto.exe");  // stays relative
    EXPECT_EQ(removed, "DATA");
}

// Texts and results beyond the room of a path or component are refused.
class PathLimitTest : public ::testing::Test {
protected:
    // 'C:\' + directory of `dirChars` + '\' + name.
    static std::string Make(size_t dirChars, const std::string& name)
    {
        return "C:\\" + std::string(dirChars, 'd') + "\\" + name;
    }
};

TEST_F(PathLimitTest, LongestPathIsAccepted)
{
    const std::string text = Make(253, "ab");  // directory 255, path 259
    ASSERT_EQ(text.size(), 259u);
    EXPECT_EQ(Path(CPathName(text)), text);
}

TEST_F(PathLimitTest, OverLongTextIsRefused)
{
    EXPECT_TRUE(CPathName(Make(253, "abc")).IsEmpty());  // 260 characters
    EXPECT_TRUE(CPathName(Make(254, "a")).IsEmpty());    // directory of 256
    EXPECT_TRUE(CPathName(std::string(256, 'n')).IsEmpty());
    EXPECT_TRUE(CPathName("x." + std::string(255, 'e')).IsEmpty());
    EXPECT_TRUE(CPathName(std::string("C:\\a\0b", 6)).IsEmpty());

    // The setter answers FALSE and keeps the path; assignment cannot answer,
    // so the old path must not pass for the refused one.
    CPathName path("C:\\keep.txt");
    EXPECT_FALSE(path.SetPath(std::string(300, 'x')));
    EXPECT_EQ(Path(path), "C:\\keep.txt");
    path = std::string(300, 'x');
    EXPECT_TRUE(path.IsEmpty());
    path = "C:\\keep.txt";
    path = ("C:\\" + std::string(300, 'x')).c_str();
    EXPECT_TRUE(path.IsEmpty());
}

TEST_F(PathLimitTest, OverLongResultLeavesThePathUnchanged)
{
    const std::string text = Make(250, "ab");
    CPathName path(text);
    EXPECT_FALSE(path.SetFileName("abcdefgh.txt"));
    EXPECT_FALSE(path.SetExtension("ini"));
    EXPECT_FALSE(path.AppendDirectory("DATA"));
    EXPECT_FALSE(path.SetDirectory(std::string(255, 'x')));
    EXPECT_FALSE(path.MakeUniqueName(FALSE, 1));
    EXPECT_EQ(Path(path), text);
    EXPECT_TRUE(path.SetFileName("a.b"));
}

TEST_F(PathLimitTest, QuestionsOnTheLongestPathAnswerFalse)
{
    const CPathName path(Make(253, "ab"));
    EXPECT_FALSE(path.Exists());
    EXPECT_FALSE(path.DirectoryExists());
    EXPECT_FALSE(path.CreateDirectory(FALSE));
}

// System folders end in a backslash.
TEST(PathFolderTest, FolderCodes)
{
    char buffer[MAX_PATH];
    ::GetWindowsDirectoryA(buffer, MAX_PATH);
    EXPECT_EQ(Path(CPathName(CPathName::pathWindowsDir)), std::string(buffer) + "\\");
    ::GetSystemDirectoryA(buffer, MAX_PATH);
    EXPECT_EQ(Path(CPathName(CPathName::pathSystemDir)), std::string(buffer) + "\\");
    ::GetTempPathA(MAX_PATH, buffer);
    EXPECT_EQ(Path(CPathName(CPathName::pathTempDir)), buffer);

    CPathName module;
    ASSERT_TRUE(module.SetModuleFileName());
    EXPECT_EQ(module.GetFileName(), "system_tests.exe");
    module.SetFileName("");
    EXPECT_EQ(Path(CPathName(CPathName::pathModuleDir)), Path(module));

    EXPECT_TRUE(CPathName(5).IsEmpty());
}

// Questions and changes on the file system, each test in its own folder.
class PathFileSystemTest : public ::testing::Test {
protected:
    void SetUp() override { ::GetCurrentDirectoryA(MAX_PATH, m_szCurrentDir); }
    // A folder cannot be removed while it is the current directory.
    void TearDown() override { ::SetCurrentDirectoryA(m_szCurrentDir); }

    std::string CurrentDir()
    {
        char buffer[MAX_PATH];
        ::GetCurrentDirectoryA(MAX_PATH, buffer);
        return buffer;
    }

    TempDir m_dir;
    char m_szCurrentDir[MAX_PATH] = {};
};

TEST_F(PathFileSystemTest, ExistsAndDirectoryExists)
{
    WriteFileBytes(m_dir / "a.txt", "x");
    EXPECT_TRUE(CPathName(m_dir / "a.txt").Exists());
    EXPECT_TRUE(CPathName(m_dir / "*.txt").Exists());
    EXPECT_FALSE(CPathName(m_dir / "b.txt").Exists());
    EXPECT_TRUE(CPathName(m_dir.Path()).DirectoryExists());
    EXPECT_FALSE(CPathName(m_dir / "missing\\").DirectoryExists());
}

// Searched as it is, an empty path would find the current directory's files.
TEST_F(PathFileSystemTest, EmptyPathNamesNothing)
{
    WriteFileBytes(m_dir / "a.txt", "x");
    ASSERT_TRUE(::SetCurrentDirectoryA(m_dir.Path().c_str()));
    const CPathName empty;
    EXPECT_FALSE(empty.Exists());
    EXPECT_FALSE(empty.DirectoryExists());
    EXPECT_FALSE(empty.EnterDirectory());
    EXPECT_EQ(empty.GetDriveType(), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(empty.GetFreeBytes(), 0u);
}

TEST_F(PathFileSystemTest, ModifiedTime)
{
    const std::string file = m_dir / "a.txt";
    WriteFileBytes(file, "x");
    struct _utimbuf times = {1000000000, 1000000000};
    ASSERT_EQ(::_utime(file.c_str(), &times), 0);
    EXPECT_EQ(CPathName(file).GetModifiedTime(), 1000000000);
    EXPECT_EQ(CPathName(m_dir / "missing.txt").GetModifiedTime(), 0);
}

TEST_F(PathFileSystemTest, DeleteClearsReadOnlyOnlyWhenAsked)
{
    const std::string file = m_dir / "ro.txt";
    WriteFileBytes(file, "x");
    ASSERT_TRUE(::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(CPathName(file).Delete(FALSE));
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(CPathName(file).Delete(TRUE));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(CPathName(file).Delete(TRUE));
}

TEST_F(PathFileSystemTest, RenameAndRemoveDirectory)
{
    WriteFileBytes(m_dir / "a.txt", "x");
    EXPECT_TRUE(CPathName(m_dir / "a.txt").Rename((m_dir / "b.txt").c_str()));
    EXPECT_TRUE(FileExists(m_dir / "b.txt"));
    EXPECT_FALSE(CPathName(m_dir / "a.txt").Rename((m_dir / "c.txt").c_str()));

    ASSERT_TRUE(::CreateDirectoryA((m_dir / "full").c_str(), nullptr));
    WriteFileBytes(m_dir / "full\\f", "x");
    EXPECT_FALSE(CPathName(m_dir / "full\\").RemoveDirectory());
    ASSERT_TRUE(::CreateDirectoryA((m_dir / "empty").c_str(), nullptr));
    EXPECT_TRUE(CPathName(m_dir / "empty\\").RemoveDirectory());
    EXPECT_FALSE(FileExists(m_dir / "empty"));
}

TEST_F(PathFileSystemTest, CreateExistingDirectoryEntersIt)
{
    const CPathName dir(m_dir / "x\\");
    EXPECT_TRUE(dir.CreateDirectory(FALSE));
    EXPECT_TRUE(dir.CreateDirectory(FALSE));
    EXPECT_EQ(CurrentDir() + "\\", Path(dir));
}

TEST_F(PathFileSystemTest, CreateDirectoryRecursesOnlyWhenAsked)
{
    const CPathName dir(m_dir / "A\\B\\C\\");
    EXPECT_FALSE(dir.CreateDirectory(FALSE));
    EXPECT_FALSE(FileExists(m_dir / "A"));
    EXPECT_TRUE(dir.CreateDirectory(TRUE));
    EXPECT_TRUE(dir.DirectoryExists());
}

TEST_F(PathFileSystemTest, FileOfThatNameIsNoDirectory)
{
    WriteFileBytes(m_dir / "f", "x");
    EXPECT_FALSE(CPathName(m_dir / "f\\").CreateDirectory(TRUE));
    EXPECT_FALSE(CPathName(m_dir / "f").CreateDirectory(TRUE));
    EXPECT_FALSE(CPathName(m_dir / "f\\sub\\").CreateDirectory(TRUE));
}

TEST_F(PathFileSystemTest, CreateDirectoryOrThrow)
{
    EXPECT_NO_THROW(CPathName(m_dir / "x\\").CreateDirectoryOrThrow(FALSE));
    EXPECT_NO_THROW(CPathName(m_dir / "x\\").CreateDirectoryOrThrow(FALSE));
    try {
        CPathName(m_dir / "A\\B\\").CreateDirectoryOrThrow(FALSE);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_TRUE(e.m_strFileName.empty());
    }
}

// Drive questions go to the root of the path's drive.
TEST(PathDriveTest, FixedAndMissingDrives)
{
    const CPathName path(CPathName::pathWindowsDir);
    EXPECT_EQ(path.GetDriveType(), static_cast<UINT>(DRIVE_FIXED));
    EXPECT_FALSE(path.IsRemovable());
    EXPECT_GT(path.GetClusterSize(), 0u);

    DWORD logicalDrives = ::GetLogicalDrives();
    char letter = 'Q';
    while (letter > 'D' && (logicalDrives & (1u << (letter - 'A'))))
        --letter;
    const CPathName missing(std::string(1, letter) + ":\\x\\y.txt");
    EXPECT_EQ(missing.GetDriveType(), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(missing.GetFreeBytes(), 0u);
    EXPECT_EQ(missing.GetClusterSize(), 0u);
}

TEST(PathDriveTest, FreeBytesSaturateInsteadOfWrapping)
{
    const CPathName path(CPathName::pathTempDir);
    DWORD sectors, bytes, freeClusters, total;
    ASSERT_TRUE(path.GetDiskFreeSpace(sectors, bytes, freeClusters, total));
    const unsigned long long actual = 1ull * sectors * bytes * freeClusters;
    EXPECT_EQ(path.GetFreeBytes(), actual > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(actual));
}

// Scratch names come from the run-time's unseeded rand sequence.
class PathUniqueNameTest : public PathFileSystemTest {
protected:
    // The state every process starts in.
    void SetUp() override
    {
        PathFileSystemTest::SetUp();
        std::srand(1);
    }
};

TEST_F(PathUniqueNameTest, FirstNamesAreTheSameInEveryRun)
{
    CPathName path(m_dir / "old.tmp");
    EXPECT_TRUE(path.MakeUniqueName(TRUE, 1000));
    EXPECT_EQ(path.GetFileName(), "00294823.tmp");  // rand() gives 41, 18467, ...
    EXPECT_TRUE(path.MakeUniqueName(FALSE, 1));
    EXPECT_EQ(path.GetFileName(), "3d6c2cd6.tmp");
}

TEST_F(PathUniqueNameTest, SkipsExistingNames)
{
    WriteFileBytes(m_dir / "00294823.tmp", "x");
    CPathName path(m_dir / "x.tmp");
    EXPECT_TRUE(path.MakeUniqueName(TRUE, 1000));
    EXPECT_EQ(Path(path), m_dir / "3d6c2cd6.tmp");

    std::srand(1);
    CPathName once(m_dir / "x.tmp");
    EXPECT_FALSE(once.MakeUniqueName(TRUE, 1));
    EXPECT_EQ(Path(once), m_dir / "00294823.tmp");  // keeps the last name tried

    std::srand(1);
    CPathName same(m_dir / "00294823.tmp");
    EXPECT_TRUE(same.MakeUniqueName(FALSE, 1));  // an existing name is fine then
}

TEST_F(PathUniqueNameTest, NoTriesMeansFalse)
{
    CPathName path(m_dir / "x.tmp");
    EXPECT_FALSE(path.MakeUniqueName(TRUE, 0));
    EXPECT_EQ(Path(path), m_dir / "x.tmp");
}
