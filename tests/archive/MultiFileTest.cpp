#include "archive/MemberFile.h"
#include "archive/MultiFile.h"
#include "archive/ArchiveTestSupport.h"
#include "support/TempDir.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

// Records the pieces the counting read asks of the file and the hook calls.
class RecordingFile : public CMultiFile {
public:
    unsigned RawRead(void* buffer, unsigned count) override
    {
        rawReads.push_back(count);
        return CMultiFile::RawRead(buffer, count);
    }
    void OnBlockBoundary() override { boundaryTotals.push_back(m_nBytesRead + m_nBytesWritten); }
    bool OnVolumeEnd() override
    {
        ++volumeEnds;
        return onVolumeEnd ? onVolumeEnd() : true;
    }
    bool OnDiskFull(const CFileException&) override { return diskFullAnswers-- > 0; }

    std::vector<unsigned> rawReads;
    std::vector<std::int64_t> boundaryTotals;
    int volumeEnds = 0;
    std::function<bool()> onVolumeEnd;
    int diskFullAnswers = 0;
};

class CountingReadTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingFile file;
    std::string bytes = SampleBytes(20000, 1, false);

    void SetUp() override
    {
        WriteFileBytes(dir / "data.bin", bytes);
        file.OpenRead(dir / "data.bin");
    }
};

TEST_F(CountingReadTest, ReadsAreCutAtBlockBoundaries)
{
    file.m_nBlockSize = 4096;
    std::string buffer(10000, '\0');
    EXPECT_EQ(10000u, file.Read(&buffer[0], 10000));
    EXPECT_EQ((std::vector<unsigned>{4096, 4096, 1808}), file.rawReads);
    EXPECT_EQ((std::vector<std::int64_t>{4096, 8192}), file.boundaryTotals);
    EXPECT_EQ(0, file.volumeEnds);
    EXPECT_EQ(10000, file.m_nBytesRead);
    EXPECT_EQ(bytes.substr(0, 10000), buffer);
    EXPECT_EQ(ReferenceChecksum(buffer), file.m_checksum.m_nValue);

    // The next read starts mid-block and is cut where the total reaches 12288.
    file.rawReads.clear();
    EXPECT_EQ(3000u, file.Read(&buffer[0], 3000));
    EXPECT_EQ((std::vector<unsigned>{2288, 712}), file.rawReads);
    EXPECT_EQ((std::vector<std::int64_t>{4096, 8192, 12288}), file.boundaryTotals);
}

TEST_F(CountingReadTest, ZeroByteReadDoesNothing)
{
    file.m_nBlockSize = 4096;
    char buffer[1];
    EXPECT_EQ(0u, file.Read(buffer, 0));
    EXPECT_TRUE(file.rawReads.empty());
    EXPECT_TRUE(file.boundaryTotals.empty());
    EXPECT_EQ(0, file.volumeEnds);
    EXPECT_EQ(0, file.m_nBytesRead);
    EXPECT_EQ(0u, file.m_checksum.m_nValue);
}

TEST_F(CountingReadTest, ShortReadEndsTheVolumeWhenTheHookSaysSo)
{
    std::string buffer(30000, '\0');
    EXPECT_EQ(20000u, file.Read(&buffer[0], 30000));
    EXPECT_EQ(1, file.volumeEnds);
    EXPECT_EQ(20000, file.m_nBytesRead);
}

TEST_F(CountingReadTest, HookThatOpensMoreDataLetsTheReadGoOnThere)
{
    const std::string more = SampleBytes(500, 2, true);
    WriteFileBytes(dir / "data.bi2", more);
    file.m_nBlockSize = 4096;
    file.onVolumeEnd = [&] {
        file.Close();
        file.OpenRead(dir / "data.bi2");
        return false;
    };
    std::string buffer(20300, '\0');
    EXPECT_EQ(20300u, file.Read(&buffer[0], 20300));
    EXPECT_EQ(1, file.volumeEnds);
    EXPECT_EQ(bytes + more.substr(0, 300), buffer);
    EXPECT_EQ(ReferenceChecksum(buffer), file.m_checksum.m_nValue);
    EXPECT_EQ(dir / "data.bi2", file.GetPathName());
    EXPECT_EQ(20300, file.m_nBytesRead);
    EXPECT_EQ((std::vector<unsigned>{4096, 4096, 4096, 4096, 3916, 300}), file.rawReads);
}

TEST_F(CountingReadTest, VolumeLimitEndsTheRead)
{
    file.m_nVolumeLimit = 5000;
    std::string buffer(6000, '\0');
    EXPECT_EQ(5000u, file.Read(&buffer[0], 6000));
    EXPECT_EQ(1, file.volumeEnds);
    EXPECT_EQ((std::vector<unsigned>{5000}), file.rawReads);
}

TEST_F(CountingReadTest, ClosedFileReadsAsEmpty)
{
    file.Close();
    char buffer[10];
    EXPECT_EQ(0u, file.RawRead(buffer, 10));
    EXPECT_EQ(0u, file.Read(buffer, 10));
}

class CountingWriteTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingFile file;
};

TEST_F(CountingWriteTest, WritesAreCountedAndCutAtBlockBoundaries)
{
    const std::string bytes = SampleBytes(10000, 3, false);
    file.OpenWrite(dir / "out.bin");
    file.m_nBlockSize = 4096;
    file.Write(bytes.data(), 10000);
    file.Close();
    EXPECT_EQ((std::vector<std::int64_t>{4096, 8192}), file.boundaryTotals);
    EXPECT_EQ(10000, file.m_nBytesWritten);
    EXPECT_EQ(ReferenceChecksum(bytes), file.m_checksum.m_nValue);
    EXPECT_EQ(bytes, ReadFileBytes(dir / "out.bin"));
}

TEST_F(CountingWriteTest, ChecksumTakesTheBytesOfAFailingWrite)
{
    WriteFileBytes(dir / "in.bin", "x");
    file.OpenRead(dir / "in.bin");
    EXPECT_THROW(file.Write("abc", 3), CFileException);
    EXPECT_EQ(0x3E105F31u, file.m_checksum.m_nValue);
    EXPECT_EQ(0, file.m_nBytesWritten);
}

// The member output gathers its writes; they reach the file at Close, at
// Flush and when the object goes away, but not after Abort.
TEST_F(CountingWriteTest, GatheredWritesReachTheFile)
{
    const std::string bytes = SampleBytes(200000, 4, false);
    {
        CMemberFile member;
        member.SetOutputPath(dir / "closed.bin");
        member.CreateOutput();
        for (std::size_t at = 0; at < bytes.size(); at += 4096)
            member.Write(bytes.data() + at, static_cast<unsigned>(std::min<std::size_t>(4096, bytes.size() - at)));
        EXPECT_EQ(200000, member.m_nBytesWritten);
        member.Close();
    }
    EXPECT_EQ(bytes, ReadFileBytes(dir / "closed.bin"));
    {
        CMemberFile member;
        member.SetOutputPath(dir / "flushed.bin");
        member.CreateOutput();
        member.Write("abc", 3);
        EXPECT_EQ(0u, member.GetLength());
        member.Flush();
        EXPECT_EQ(3u, member.GetLength());
        member.Write("def", 3);
    }
    EXPECT_EQ("abcdef", ReadFileBytes(dir / "flushed.bin"));
    {
        CMemberFile member;
        member.SetOutputPath(dir / "aborted.bin");
        member.CreateOutput();
        member.Write("abc", 3);
        member.CSetupFile::Abort();
    }
    EXPECT_EQ("", ReadFileBytes(dir / "aborted.bin"));
}

class SetupFileTest : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(SetupFileTest, OpenFailuresThrowTheFilledInException)
{
    CSetupFile file;
    try {
        file.OpenRead(dir / "missing.bin");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_EQ(dir / "missing.bin", e.m_strFileName);
    }
    EXPECT_STREQ("", file.GetPathName());
    EXPECT_THROW(file.OpenWrite(dir / "no-such-folder/out.bin"), CFileException);
}

TEST_F(SetupFileTest, OpenWriteTruncatesAndRemembersThePath)
{
    WriteFileBytes(dir / "out.bin", "old contents");
    CSetupFile file;
    file.OpenWrite(dir / "out.bin");
    EXPECT_EQ(dir / "out.bin", file.GetPathName());
    file.Write("new", 3);
    file.Close();
    EXPECT_EQ("new", ReadFileBytes(dir / "out.bin"));
}

// A write that fails for another reason than a full disk ends at once and
// passes the file exception on; the disk-full question is not asked.
TEST_F(SetupFileTest, FailingWriteThatIsNotDiskFullIsPassedOn)
{
    WriteFileBytes(dir / "in.bin", "x");
    RecordingFile file;
    file.diskFullAnswers = 1000;
    file.OpenRead(dir / "in.bin");
    try {
        file.CSetupFile::Write("abc", 3);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_NE(CFileException::diskFull, e.m_cause);
    }
    EXPECT_EQ(1000, file.diskFullAnswers);
}

#ifdef _WIN32
TEST_F(SetupFileTest, OpenWriteHoldsTheFileExclusively)
{
    CSetupFile file;
    file.OpenWrite(dir / "out.bin");
    CFile other;
    CFileException error;
    EXPECT_FALSE(other.Open((dir / "out.bin").c_str(), CFile::modeRead | CFile::shareDenyNone, &error));
    EXPECT_EQ(CFileException::sharingViolation, error.m_cause);
}
#else
// A full disk asks OnDiskFull: TRUE tries again, FALSE ends in diskFull with
// no system code and no file name.
TEST_F(SetupFileTest, FullDiskAsksWhetherToTryAgain)
{
    RecordingFile file;
    file.diskFullAnswers = 1;
    file.OpenWrite("/dev/full");
    try {
        file.CSetupFile::Write("abc", 3);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::diskFull, e.m_cause);
        EXPECT_EQ(-1, e.m_lOsError);
        EXPECT_EQ("", e.m_strFileName);
    }
    EXPECT_EQ(-1, file.diskFullAnswers);  // asked twice
}
#endif

} // namespace
