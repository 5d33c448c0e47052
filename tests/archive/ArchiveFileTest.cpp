#include "archive/ArchiveFile.h"
#include "archive/Codec.h"
#include "archive/ArchiveTestSupport.h"
#include "errors/XException.h"
#include "rules/Destinations.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Looks for later volumes in the folder of their volume number, as a set of
// diskettes copied to DISK01, DISK02, ... would hold them.
class DisketteArchive : public CArchiveFile {
public:
    bool FindNextVolume(const std::string& name, std::string& path) override
    {
        requested.push_back(name);
        if (static_cast<std::size_t>(GetVolumeNumber()) >= folders.size())
            return false;
        path = folders[GetVolumeNumber()] + name;
        return true;
    }
    void OnBlockBoundary() override
    {
        ++boundaries;
        if (abortAtBoundary)
            Abort();
    }

    std::vector<std::string> folders;
    std::vector<std::string> requested;
    int boundaries = 0;
    bool abortAtBoundary = false;
};

TestMember Copy(const std::string& name, const std::string& data)
{
    TestMember m{name, data};
    m.method = 2;
    return Prepared(m);
}

TestMember Zlib(const std::string& name, const std::string& data)
{
    return Prepared({name, data});
}

class ArchiveWalkTest : public ::testing::Test {
protected:
    TempDir dir;
    DisketteArchive archive;
    CMemberFile member;

    std::string Write(const std::vector<TestMember>& members, const std::string& name = "DATA.Z1")
    {
        const std::string path = dir / name;
        WriteFileBytes(path, Signature() + LogicalStream(members));
        return path;
    }
    // Expands every member into out-N files; returns their contents.
    std::vector<std::string> ExpandAll(const std::string& path)
    {
        archive.OpenArchive(path);
        std::vector<std::string> outputs;
        while (archive.NextMember(member)) {
            member.SetOutputPath(dir / ("out-" + std::to_string(outputs.size())));
            archive.ExtractMember(member);
            outputs.push_back(ReadFileBytes(member.GetOutputPath()));
        }
        return outputs;
    }
    template <typename E>
    int CodeOf(const std::string& path)
    {
        try {
            ExpandAll(path);
        } catch (const E& e) {
            return e.m_nCode;
        }
        return 0;
    }
};

TEST_F(ArchiveWalkTest, TwoMembersLieAtTheirOffsets)
{
    const std::string a = SampleBytes(100, 1, false), b = SampleBytes(50, 2, false);
    const std::string path = Write({Copy("A.DLL", a), Copy("B.DLL", b)});
    EXPECT_EQ(850u, ReadFileBytes(path).size());
    archive.OpenArchive(path);
    EXPECT_EQ(8u, archive.GetPosition());
    ASSERT_TRUE(archive.NextMember(member));
    EXPECT_EQ(354u, archive.GetPosition());
    EXPECT_EQ("A.DLL", member.GetName());
    member.SetOutputPath(dir / "a.out");
    archive.ExtractMember(member);
    EXPECT_EQ(454u, archive.GetPosition());
    ASSERT_TRUE(archive.NextMember(member));
    EXPECT_EQ(800u, archive.GetPosition());
    member.SetOutputPath(dir / "b.out");
    archive.ExtractMember(member);
    EXPECT_EQ(850u, archive.GetPosition());
    EXPECT_FALSE(archive.NextMember(member));
    // Only packed data went through the counting read.
    EXPECT_EQ(150, archive.m_nBytesRead);
    EXPECT_EQ(a, ReadFileBytes(dir / "a.out"));
    EXPECT_EQ(b, ReadFileBytes(dir / "b.out"));
}

TEST_F(ArchiveWalkTest, SignatureAloneHoldsNothing)
{
    EXPECT_TRUE(ExpandAll(Write({})).empty());
}

TEST_F(ArchiveWalkTest, VolumeShorterThanItsSignatureIsEndOfFile)
{
    WriteFileBytes(dir / "DATA.Z1", "mflh\x01");
    try {
        archive.OpenArchive(dir / "DATA.Z1");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::endOfFile, e.m_cause);
    }
}

TEST_F(ArchiveWalkTest, EntryMagicWhereTheVolumeMagicBelongs)
{
    const std::string path = dir / "DATA.Z1";
    WriteFileBytes(path, Signature("mfen") + LogicalStream({Copy("A", "a")}));
    EXPECT_EQ(2, CodeOf<CMultiFileException>(path));
}

TEST_F(ArchiveWalkTest, HeaderWithoutEntryMagic)
{
    TestMember bad = Copy("B", "b");
    bad.magic = "mflh";
    EXPECT_EQ(3, CodeOf<CMultiFileException>(Write({Copy("A", "a"), bad})));
}

TEST_F(ArchiveWalkTest, UnknownMethodStopsBeforeReadingTheMember)
{
    TestMember m = Copy("A.DLL", "abc");
    m.method = 3;
    const std::string path = Write({m});
    archive.OpenArchive(path);
    ASSERT_TRUE(archive.NextMember(member));
    member.SetOutputPath(dir / "a.out");
    try {
        archive.ExtractMember(member);
        FAIL() << "no exception";
    } catch (const CMultiFileException& e) {
        EXPECT_EQ(1, e.m_nCode);
    }
    EXPECT_EQ(0, archive.m_nBytesRead);
    EXPECT_EQ(354u, archive.GetPosition());
    member.Close();
    EXPECT_EQ("", ReadFileBytes(dir / "a.out"));
}

TEST_F(ArchiveWalkTest, ChecksumMismatch)
{
    TestMember m = Zlib("A.DLL", SampleBytes(9000, 3, true));
    m.checksum ^= 1;
    EXPECT_EQ(5, CodeOf<CMultiFileException>(Write({m})));
    // The output was expanded whole and closed before the comparison.
    EXPECT_EQ(m.data, ReadFileBytes(dir / "out-0"));
    std::filesystem::remove(dir / "out-0");
}

TEST_F(ArchiveWalkTest, ChecksumZeroIsNotCompared)
{
    TestMember m = Copy("A.DLL", "abc");
    m.checksum = 0;
    TestMember zeros = Zlib("Z.BIN", std::string(5000, '\0'));
    EXPECT_EQ(0u, zeros.checksum);
    EXPECT_EQ((std::vector<std::string>{"abc", std::string(5000, '\0')}), ExpandAll(Write({m, zeros})));
}

TEST_F(ArchiveWalkTest, TruncatedZLibDataIsABufferError)
{
    const std::string data = SampleBytes(30000, 4, true);
    const std::string path = Write({Zlib("A.DLL", data)});
    std::string bytes = ReadFileBytes(path);
    WriteFileBytes(path, bytes.substr(0, bytes.size() - 100));
    EXPECT_EQ(4, CodeOf<CZLibException>(path));
}

TEST_F(ArchiveWalkTest, AlteredZLibDataIsADataError)
{
    TestMember m = Zlib("A.DLL", SampleBytes(30000, 5, true));
    m.packed[m.packed.size() / 3] ^= 0x10;
    EXPECT_EQ(3, CodeOf<CZLibException>(Write({m})));
}

TEST_F(ArchiveWalkTest, HeaderCutShortEndsTheWalkQuietly)
{
    const std::string path = Write({Copy("A", "a")});
    WriteFileBytes(path, ReadFileBytes(path) + HeaderBytes(Copy("B", "b")).substr(0, 345));
    EXPECT_EQ(1u, ExpandAll(path).size());
}

TEST_F(ArchiveWalkTest, StoredNameKeepsItsPath)
{
    archive.OpenArchive(Write({Copy("SUB\\pelto.exe", "x")}));
    ASSERT_TRUE(archive.NextMember(member));
    EXPECT_EQ("SUB\\pelto.exe", member.GetName());
    EXPECT_EQ("pelto.exe", LastPathComponent(member.GetName()));
}

TEST_F(ArchiveWalkTest, ExpandedFileGetsTheHeadersTimeAndAttributes)
{
    TestMember m = Copy("A.TXT", "text");
    m.time = 820454400;  // 1 January 1996
    m.attributes = 0x21;
    ExpandAll(Write({m}));
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus((dir / "out-0").c_str(), status));
    EXPECT_EQ(820454400, status.m_mtime);
    EXPECT_TRUE(status.m_attribute & CFile::readOnly);
}

TEST_F(ArchiveWalkTest, AbortFinishesTheMemberThenThrowsUserException)
{
    archive.abortAtBoundary = true;
    const std::string data = SampleBytes(20000, 6, false);
    EXPECT_THROW(ExpandAll(Write({Copy("A", data), Copy("B", "b")})), CUserException);
    EXPECT_EQ(data, ReadFileBytes(dir / "out-0"));
    EXPECT_GT(archive.boundaries, 0);
}

// A member that is not installed has its packed data skipped, so the next
// header is found where it lies.
TEST_F(ArchiveWalkTest, SkippedMemberKeepsTheWalkInStep)
{
    TestMember none = Zlib("UNUSED.DLL", SampleBytes(9000, 7, true));
    none.destination = -1;
    archive.OpenArchive(Write({Copy("A", "a"), none, Copy("C", "c")}));
    std::vector<std::string> names;
    while (archive.NextMember(member)) {
        names.push_back(member.GetName());
        if (member.Header().destination == DEST_NONE) {
            archive.SkipMember(member);
        } else {
            member.SetOutputPath(dir / member.GetName());
            archive.ExtractMember(member);
        }
    }
    EXPECT_EQ((std::vector<std::string>{"A", "UNUSED.DLL", "C"}), names);
    EXPECT_EQ("c", ReadFileBytes(dir / "C"));
}

TEST_F(ArchiveWalkTest, ZLibMemberOfSizeZeroKeepsTheWalkInStep)
{
    EXPECT_EQ((std::vector<std::string>{"", "after"}),
              ExpandAll(Write({Zlib("EMPTY.TXT", ""), Zlib("NEXT.TXT", "after")})));
}

class VolumeChainTest : public ArchiveWalkTest {
protected:
    std::vector<std::string> folders;

    void SetUp() override
    {
        for (const char* disk : {"DISK01", "DISK02", "DISK03"}) {
            std::filesystem::create_directory(dir / disk);
            folders.push_back(dir / disk + std::string(1, static_cast<char>(std::filesystem::path::preferred_separator)));
        }
        archive.folders = folders;
    }
};

// A large member runs from the first diskette over the second onto the third;
// the walk asks for DATA.Z2 and DATA.Z3 in turn and expands everything.
TEST_F(VolumeChainTest, MemberSpansThreeDiskettes)
{
    TestMember small = Zlib("README.TXT", SampleBytes(3000, 8, true));
    TestMember big = Copy("PELTO.EXE", SampleBytes(30000, 9, false));
    big.continues = 1;
    TestMember last = Zlib("PELTO.HLP", SampleBytes(5000, 10, true));
    const std::vector<TestMember> members{small, big, last};
    const std::string stream = LogicalStream(members);
    const std::size_t bigData = 2 * 346 + small.packed.size();
    WriteVolumes(folders, "DATA.Z1", stream, {bigData + 1000, bigData + 21000});

    const std::vector<std::string> outputs = ExpandAll(folders[0] + "DATA.Z1");
    ASSERT_EQ(3u, outputs.size());
    EXPECT_EQ(small.data, outputs[0]);
    EXPECT_EQ(big.data, outputs[1]);
    EXPECT_EQ(last.data, outputs[2]);
    EXPECT_EQ((std::vector<std::string>{"DATA.Z2", "DATA.Z3"}), archive.requested);
    EXPECT_EQ(3, archive.GetVolumeNumber());
    EXPECT_EQ(folders[2] + "DATA.Z3", archive.GetPathName());
}

// A member of several inflate buffers' output whose packed data spans three
// volumes has them opened in order and the member after it follows; a volume
// refused ends the expansion.
TEST_F(VolumeChainTest, LargeMemberSpansThreeDiskettes)
{
    TestMember big = Zlib("PELTO.DAT", SampleBytes(4 * CZLibCodec::kOutBufferSize + 300000, 19, false));
    big.continues = 1;
    TestMember last = Zlib("PELTO.HLP", SampleBytes(5000, 20, true));
    const std::string stream = LogicalStream({big, last});
    const std::size_t third = big.packed.size() / 3;
    WriteVolumes(folders, "DATA.Z1", stream, {346 + third, 346 + 2 * third});

    const std::vector<std::string> outputs = ExpandAll(folders[0] + "DATA.Z1");
    ASSERT_EQ(2u, outputs.size());
    EXPECT_EQ(big.data, outputs[0]);
    EXPECT_EQ(last.data, outputs[1]);
    EXPECT_EQ((std::vector<std::string>{"DATA.Z2", "DATA.Z3"}), archive.requested);

    archive.folders.resize(2);
    EXPECT_THROW(ExpandAll(folders[0] + "DATA.Z1"), CUserException);
}

TEST_F(VolumeChainTest, ZLibMemberSpansAVolumeEndingRightAfterItsHeader)
{
    TestMember first = Zlib("A.TXT", SampleBytes(20000, 11, false));
    first.continues = 1;
    TestMember second = Zlib("B.TXT", SampleBytes(20000, 12, true));
    second.continues = 1;
    const std::string stream = LogicalStream({first, second});
    const std::size_t secondData = 2 * 346 + first.packed.size();
    WriteVolumes(folders, "DATA.Z1", stream, {700, secondData});
    const std::vector<std::string> outputs = ExpandAll(folders[0] + "DATA.Z1");
    EXPECT_EQ((std::vector<std::string>{first.data, second.data}), outputs);
}

TEST_F(VolumeChainTest, SkippedMemberChangesVolumesToo)
{
    TestMember skipped = Copy("SKIP.BIN", SampleBytes(10000, 13, false));
    skipped.destination = -1;
    skipped.continues = 1;
    const std::string stream = LogicalStream({skipped, Copy("LAST.TXT", "last")});
    WriteVolumes(folders, "DATA.Z1", stream, {5000});
    archive.OpenArchive(folders[0] + "DATA.Z1");
    ASSERT_TRUE(archive.NextMember(member));
    archive.SkipMember(member);
    ASSERT_TRUE(archive.NextMember(member));
    EXPECT_EQ("LAST.TXT", member.GetName());
    EXPECT_EQ(2, archive.GetVolumeNumber());
}

TEST_F(VolumeChainTest, VolumeEndWithoutContinuesEndsThePackedData)
{
    TestMember z = Zlib("A.TXT", SampleBytes(20000, 14, false));
    WriteVolumes(folders, "DATA.Z1", LogicalStream({z}), {5000});
    EXPECT_EQ(4, CodeOf<CZLibException>(folders[0] + "DATA.Z1"));
    TestMember c = Copy("B.TXT", SampleBytes(20000, 15, false));
    WriteVolumes(folders, "DATA.A", LogicalStream({c}), {5000});
    try {
        ExpandAll(folders[0] + "DATA.A");
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::endOfFile, e.m_cause);
    }
    EXPECT_TRUE(archive.requested.empty());
}

TEST_F(VolumeChainTest, NextVolumeThatIsMissingOrWrong)
{
    TestMember m = Copy("A.TXT", SampleBytes(20000, 16, false));
    m.continues = 1;
    const std::vector<std::string> paths = WriteVolumes(folders, "DATA.Z1", LogicalStream({m}), {5000});
    std::filesystem::remove(paths[1]);
    try {
        ExpandAll(paths[0]);
        FAIL() << "no exception";
    } catch (const CFileException& e) {
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
    }
    WriteFileBytes(paths[1], "mfen0000" + SampleBytes(20000, 1, false));
    EXPECT_EQ(2, CodeOf<CMultiFileException>(paths[0]));
}

TEST_F(VolumeChainTest, RefusedVolumeIsAUserException)
{
    TestMember m = Copy("A.TXT", SampleBytes(20000, 17, false));
    m.continues = 1;
    archive.folders.resize(1);
    WriteVolumes(folders, "DATA.Z1", LogicalStream({m}), {5000});
    EXPECT_THROW(ExpandAll(folders[0] + "DATA.Z1"), CUserException);
}

TEST_F(VolumeChainTest, NextVolumeIsLookedForBesideTheCurrentOne)
{
    TestMember m = Zlib("A.TXT", SampleBytes(50000, 18, false));
    m.continues = 1;
    WriteVolumes({dir.Path()}, "DATA.Z8", LogicalStream({m}), {10000, 30000});
    CArchiveFile plain;
    plain.OpenArchive(dir / "DATA.Z8");
    ASSERT_TRUE(plain.NextMember(member));
    member.SetOutputPath(dir / "a.out");
    plain.ExtractMember(member);
    EXPECT_EQ(m.data, ReadFileBytes(dir / "a.out"));
    EXPECT_EQ(dir / "DATA.Z:", plain.GetPathName());
}

} // namespace
