#include "fw/File.h"
#if defined(_WIN32)
#include "fw/ExactFolder.h"
#endif
#include "support/TempDir.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

class FileTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(FileTest, OpeningAMissingFileFillsInTheCause)
{
    CFile file;
    CFileException error;
    EXPECT_FALSE(file.Open((dir / "missing.bin").c_str(), CFile::modeRead, &error));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
    EXPECT_NE(-1, error.m_lOsError);
    EXPECT_EQ(dir / "missing.bin", error.m_strFileName);
}

TEST_F(FileTest, CreateTruncatesAndNoTruncateKeeps)
{
    const std::string path = dir / "data.bin";
    WriteFileBytes(path, "0123456789");
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite));
        EXPECT_EQ(10u, file.GetLength());
    }
    {
        CFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite));
        EXPECT_EQ(0u, file.GetLength());
        file.Write("abc", 3);
        file.Close();
    }
    EXPECT_EQ("abc", ReadFileBytes(path));
}

TEST_F(FileTest, ReadReturnsShortCountAtTheEnd)
{
    const std::string path = dir / "data.bin";
    WriteFileBytes(path, std::string("ab\0cd", 5));
    CFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone));
    char buffer[16];
    EXPECT_EQ(5u, file.Read(buffer, sizeof buffer));
    EXPECT_EQ(std::string("ab\0cd", 5), std::string(buffer, 5));
    EXPECT_EQ(0u, file.Read(buffer, sizeof buffer));
    EXPECT_EQ(0u, file.Read(buffer, 0));
}

TEST_F(FileTest, StdioReadStringKeepsLineFeedAndSplitsLongLines)
{
    const std::string path = dir / "text.ini";
    WriteFileBytes(path, "[rename]\nkey=value\n" + std::string(600, 'x') + "\nlast");
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::typeText));
    std::string line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("[rename]\n", line);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("key=value\n", line);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(std::string(511, 'x'), line);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ(std::string(89, 'x') + "\n", line);
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("last", line);
    EXPECT_FALSE(file.ReadString(line));
}

TEST_F(FileTest, StdioBinaryReadsAndBaseWritesShareTheFile)
{
    const std::string path = dir / "out.bin";
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
        file.CFile::Write("\r\n\x1a", 3);
        file.Close();
    }
    EXPECT_EQ("\r\n\x1a", ReadFileBytes(path));
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary));
    char buffer[8];
    EXPECT_EQ(3u, file.Read(buffer, sizeof buffer));
    EXPECT_EQ("\r\n\x1a", std::string(buffer, 3));
}

#if defined(_WIN32)
TEST_F(FileTest, TextModeTranslatesLineEndsOnWindows)
{
    const std::string path = dir / "text.txt";
    {
        CStdioFile file;
        ASSERT_TRUE(file.Open(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText));
        file.WriteString("a=b\n");
        file.Close();
    }
    EXPECT_EQ("a=b\r\n", ReadFileBytes(path));
    CStdioFile file;
    ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead | CFile::typeText));
    std::string line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_EQ("a=b\n", line);
}

TEST_F(FileTest, ExclusiveOpenMakesOthersFailWithSharingViolation)
{
    const std::string path = dir / "held.bin";
    CFile holder;
    ASSERT_TRUE(holder.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite));
    CFile other;
    CFileException error;
    EXPECT_FALSE(other.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone, &error));
    EXPECT_EQ(CFileException::sharingViolation, error.m_cause);
}
#endif

TEST_F(FileTest, StatusSetsTimeAndReadOnlyAttribute)
{
    const std::string path = dir / "stamp.bin";
    WriteFileBytes(path, "x");
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(path.c_str(), status));
    EXPECT_EQ(1u, status.m_size);
    status.m_mtime = 1000000000;  // 2001-09-09
    status.m_attribute |= CFile::readOnly;
    CFile::SetStatus(path.c_str(), status);

    CFileStatus after;
    ASSERT_TRUE(CFile::GetStatus(path.c_str(), after));
    EXPECT_EQ(1000000000, after.m_mtime);
    EXPECT_TRUE(after.m_attribute & CFile::readOnly);

    // Time 0 leaves the time alone; clearing read-only works on a read-only file.
    status.m_mtime = 0;
    status.m_attribute &= static_cast<unsigned char>(~CFile::readOnly);
    CFile::SetStatus(path.c_str(), status);
    ASSERT_TRUE(CFile::GetStatus(path.c_str(), after));
    EXPECT_EQ(1000000000, after.m_mtime);
    EXPECT_FALSE(after.m_attribute & CFile::readOnly);
    EXPECT_FALSE(CFile::GetStatus((dir / "none").c_str(), after));
}

TEST_F(FileTest, ErrorsMapToCauses)
{
    EXPECT_EQ(CFileException::fileNotFound, CFileException::ErrnoToCause(ENOENT));
    EXPECT_EQ(CFileException::accessDenied, CFileException::ErrnoToCause(EACCES));
    EXPECT_EQ(CFileException::diskFull, CFileException::ErrnoToCause(ENOSPC));
    EXPECT_EQ(CFileException::tooManyOpenFiles, CFileException::ErrnoToCause(EMFILE));
    EXPECT_EQ(CFileException::generic, CFileException::ErrnoToCause(0x7fff));
#if defined(_WIN32)
    EXPECT_EQ(CFileException::diskFull, CFileException::OsErrorToCause(112));   // ERROR_DISK_FULL
    EXPECT_EQ(CFileException::sharingViolation, CFileException::OsErrorToCause(32));
    EXPECT_EQ(CFileException::badPath, CFileException::OsErrorToCause(3));       // ERROR_PATH_NOT_FOUND
    EXPECT_EQ(CFileException::generic, CFileException::OsErrorToCause(99999));
#endif
    try {
        CFileException::ThrowErrno(ENOENT, "x.dat");
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_EQ(ENOENT, e.m_lOsError);
        EXPECT_EQ("x.dat", e.m_strFileName);
        EXPECT_STREQ("CFileException", e.GetRuntimeClassName());
    }
}

#if defined(_WIN32)
// Under Wine a folder's exact paths name the files its ordinary paths name:
// a file created new by one, renamed by another and read back by the
// ordinary path. Names that the two ways could spell differently get none.
TEST_F(FileTest, ExactPathsNameTheFilesOfTheFolder)
{
    const CExactFolder folder(dir.Path());
    if (folder.IsEmpty())
        GTEST_SKIP() << "not under Wine";
    for (const char* odd : {"TRAIL.", "TRAIL ", "SP ACE.TXT", "\xC4PFEL.TXT", "A*.TXT", ""})
        EXPECT_TRUE(folder.PathOf(odd).empty()) << odd;

    CFile file;
    const std::wstring created = folder.PathOf("Made-New_1.tmp");
    ASSERT_TRUE(file.OpenExact((dir / "Made-New_1.tmp").c_str(), created.c_str(),
                               CFile::modeCreate | CFile::modeCreateNew | CFile::modeReadWrite | CFile::modeRename));
    file.Write("exact", 5);
    CFile again;
    CFileException error;
    EXPECT_FALSE(again.OpenExact((dir / "Made-New_1.tmp").c_str(), created.c_str(),
                                 CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite, &error));
    EXPECT_EQ(ERROR_FILE_EXISTS, static_cast<DWORD>(error.m_lOsError));
    const std::wstring renamed = folder.PathOf("FINAL.DAT");
    ASSERT_TRUE(file.RenameOpen((dir / "FINAL.DAT").c_str(), renamed.c_str()));
    EXPECT_EQ(dir / "FINAL.DAT", file.GetFilePath());
    file.Close();
    EXPECT_EQ(std::set<std::string>{"FINAL.DAT"}, FilesIn(dir));
    EXPECT_EQ("exact", ReadFileBytes(dir / "FINAL.DAT"));
}
#endif

} // namespace
