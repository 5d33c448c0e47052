// What removal may delete when the install log, which any user may write, has
// been changed or came back cut at the reader's limit.
#include "uninstall/RemovalPaths.h"

#include "profile/DestinationMap.h"
#include "profile/TargetMap.h"
#include "rules/Destinations.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

class RemovalPathsTest : public ::testing::Test {
protected:
    void Load(const std::string& text)
    {
        WriteFileBytes(log.GetPath(), text);
        destinations.LoadFromProfile(log);
    }
    // The path of destination `id` as removal may use it; "" when refused.
    std::string Usable(std::int16_t id)
    {
        CPathName directory;
        return CRemovalPaths(log, destinations).GetDirectory(id, directory) ? directory.GetPath() : "";
    }

    TempDir dir;
    CPathName log{dir / "pelto.log"};
    CDestinationMap destinations;
};

TEST_F(RemovalPathsTest, FileNameMustNotLeaveItsDirectory)
{
    for (const char* name : {"..\\BOOT.INI", "SUB\\A.DLL", "/A.DLL", "C:A.DLL", "A.DLL:STREAM", "..", ".. .", ""})
        EXPECT_FALSE(CRemovalPaths::IsPlainFileName(name)) << name;
    EXPECT_TRUE(CRemovalPaths::IsPlainFileName("..PELTO.EXE"));

    // Shift-JIS: the second byte of 0x95 0x5C is no backslash.
    CPathName::SetSplitCodePage(932);
    EXPECT_TRUE(CRemovalPaths::IsPlainFileName("\x95\x5C.TXT"));
    CPathName::SetSplitCodePage(CP_ACP);
}

TEST_F(RemovalPathsTest, DirectoryMustBeFullAndWithoutDotComponents)
{
    for (const char* path : {"C:\\PELTO\\", "c:\\", "\\\\SERVER\\SHARE\\PELTO\\"})
        EXPECT_TRUE(CRemovalPaths::IsFullDirectoryPath(path)) << path;
    for (const char* path : {"PELTO\\", "\\PELTO\\", "C:PELTO\\", "C:\\PELTO", "C:\\PELTO\\..\\", "C:\\A\\\\B\\",
                             "C:\\A/B\\", "\\\\?\\C:\\PELTO\\", "\\\\.\\C:\\", "\\\\SERVER\\", ""})
        EXPECT_FALSE(CRemovalPaths::IsFullDirectoryPath(path)) << path;
}

TEST_F(RemovalPathsTest, DestinationLinesTheLogCannotBeTrustedWithAreRefused)
{
    const std::string main = dir / "Main\\";
    // Cut by the reader just after this directory: it would name another one.
    const std::string cutDirectory = dir.Path() + std::string(246 - dir.Path().size(), 'A') + "\\";
    const std::string cutLine = "DATA|0|" + cutDirectory + std::string(40, 'B') + "\\";
    Load("[destinations]\r\n0=Main||" + main + "\r\n1=" + cutLine + "\r\n2=REL|0|\r\n3=REL|0|Relative\\\r\n"
         "4=X||" + dir.Path() + "Main\\..\\\r\n-3=SYS||" + main + "\r\n");
    ASSERT_EQ(cutDirectory, destinations.GetPath(1).GetPath()) << "the model holds a plausible directory";

    EXPECT_EQ(main, Usable(DEST_MAIN));
    EXPECT_EQ(CPathName(CPathName::pathWindowsDir).GetPath(), Usable(DEST_WINDOWS));
    for (std::int16_t id : {1, 2, 3, 4, 5})
        EXPECT_EQ("", Usable(id)) << "cut, empty, relative, with '..', no line: " << id;
    EXPECT_EQ("", Usable(DEST_SYSTEM)) << "a line must not move the System directory";
    EXPECT_EQ("", Usable(DEST_NONE));

    CPathName path;
    EXPECT_TRUE(CRemovalPaths(log, destinations).GetFilePath("PELTO.EXE", DEST_MAIN, path));
    EXPECT_EQ(main + "PELTO.EXE", path.GetPath());
    EXPECT_FALSE(CRemovalPaths(log, destinations).GetFilePath(std::string(250, 'F'), DEST_MAIN, path))
        << "too long to join";
}

TEST_F(RemovalPathsTest, TargetWhoseLineCameBackCutLosesItsPath)
{
    Load("[destinations]\r\n0=Main||C:\\PELTO\\\r\n[targets]\r\npelto.exe=0|0|0|Pelto|||C:\\PELTO\\pelto.exe\r\n"
         "help.exe=0|0|0|" + std::string(240, 'H') + "|||C:\\PELTO\\help.exe\r\n");
    CTargetMap targets;
    targets.LoadFromProfile(log);
    CRemovalPaths::ForgetCutTargetPaths(log, targets);
    EXPECT_EQ("C:\\PELTO\\pelto.exe", targets.FindTarget("pelto.exe")->m_path.GetPath());
    EXPECT_TRUE(targets.FindTarget("help.exe")->m_path.IsEmpty());
}

} // namespace
