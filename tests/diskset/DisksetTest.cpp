#include "Diskset.h"
#include "IniFile.h"
#include "SetReader.h"
#include "archive/ArchiveTestSupport.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

Outcome Diskset(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunDiskset(args, out, err);
    return {status, out.str(), err.str()};
}

// A product to build sets from: sources in src/, the layout in layout.ini.
class DisksetFixture : public ::testing::Test {
protected:
    TempDir dir;
    std::string big = SampleBytes(30000, 1, false);     // does not shrink under zlib
    std::string text = SampleBytes(20000, 2, true);     // does
    std::string small = "small file\r\n";

    void SetUp() override
    {
        fs::create_directory(dir / "src");
        WriteFileBytes(dir / "src/BIG.BIN", big);
        WriteFileBytes(dir / "src/TEXT.TXT", text);
        WriteFileBytes(dir / "src/SMALL.TXT", small);
        WriteFileBytes(dir / "src/EMPTY.DAT", "");
        WriteFileBytes(dir / "src/SETUP.EXE", "MZ setup program");
    }

    std::string Layout(const std::string& settings, const std::string& rest = kItems)
    {
        return "[layout]\nSource=src\nProgram=src/SETUP.EXE\nTime=1996-01-01 00:00:00\n" + settings +
               "\n[destinations]\n0=\\PELTO||\n1=DATA|0|\n\n[groups]\nMain=Program|All files|1|1|1\n\n"
               "[targets]\nBIG.BIN=0|0|0|Big|||\n\n" +
               rest;
    }
    static constexpr const char* kItems =
        "[items]\nREADME.TXT=file|Main|SMALL.TXT|0|Read me\nDATA.Z1=archive|Main|Data\n\n"
        "[DATA.Z1]\nTEXT.TXT=TEXT.TXT|0|A\nBIG.BIN=BIG.BIN|1|RA\nEMPTY.DAT=EMPTY.DAT|SYSTEM\n"
        "SUB\\SMALL.TXT=SMALL.TXT|0||copy|a comment\nNOT.USED=SMALL.TXT|NONE\n";

    Outcome Build(const std::string& layout, const std::string& out = "out", std::vector<std::string> extra = {})
    {
        WriteFileBytes(dir / "layout.ini", layout);
        std::vector<std::string> args{"build", dir / "layout.ini", dir / out};
        args.insert(args.end(), extra.begin(), extra.end());
        return Diskset(args);
    }

    std::string Disk(int n, const std::string& name, const std::string& out = "out")
    {
        char folder[16];
        std::snprintf(folder, sizeof folder, "DISK%02d", n);
        return (fs::path(dir / out) / folder / name).string();
    }

    // Every member as the setup program's reader expands it.
    std::vector<std::pair<std::string, std::string>> ReadBack(const std::string& first,
                                                              std::vector<MemberHeader>* headers = nullptr,
                                                              std::size_t* volumes = nullptr)
    {
        CSetArchive archive;
        CMemberFile member;
        bool inMember = false;
        std::vector<std::pair<std::string, std::string>> members;
        fs::create_directory(dir / "scratch");
        ExpandArchive(archive, first, dir / "scratch", member, inMember, [&](const ExpandedMember& m) {
            members.emplace_back(m.member.GetName(), ReadFileBytes(m.path));
            if (headers)
                headers->push_back(m.member.Header());
        });
        if (volumes)
            *volumes = archive.m_volumes.size();
        return members;
    }
};

TEST_F(DisksetFixture, BuiltSetReadsBackThroughTheSetupProgramsReader)
{
    const Outcome run = Build(Layout(""));
    ASSERT_EQ(0, run.status) << run.err;
    std::vector<MemberHeader> headers;
    const auto members = ReadBack(Disk(1, "DATA.Z1"), &headers);
    ASSERT_EQ(5u, members.size());
    EXPECT_EQ((std::pair<std::string, std::string>{"TEXT.TXT", text}), members[0]);
    EXPECT_EQ((std::pair<std::string, std::string>{"BIG.BIN", big}), members[1]);
    EXPECT_EQ((std::pair<std::string, std::string>{"EMPTY.DAT", ""}), members[2]);
    EXPECT_EQ((std::pair<std::string, std::string>{"SUB\\SMALL.TXT", small}), members[3]);
    EXPECT_EQ("NOT.USED", members[4].first);

    // Packing: zlib where it shrinks the file, else the bytes as they are.
    EXPECT_EQ(4, headers[0].method);
    EXPECT_EQ(2, headers[1].method);
    EXPECT_EQ(2, headers[3].method);
    EXPECT_EQ(ReferenceChecksum(text), headers[0].checksum);
    EXPECT_EQ(820454400, headers[0].modifiedTime);
    EXPECT_EQ(1, headers[1].destination);
    EXPECT_EQ(0x21, headers[1].attributes);
    EXPECT_EQ(-3, headers[2].destination);
    EXPECT_EQ(-1, headers[4].destination);
    EXPECT_EQ("a comment", headers[3].CommentText());
    for (const MemberHeader& h : headers) {
        EXPECT_EQ(1, h.version);
        EXPECT_EQ(346, h.headerSize);
        EXPECT_EQ(0, h.continues);
    }
    EXPECT_EQ(small, ReadFileBytes(Disk(1, "README.TXT")));
    // A plain file is installed with its time on the diskette: the layout's.
    CFileStatus status;
    ASSERT_TRUE(CFile::GetStatus(Disk(1, "README.TXT").c_str(), status));
    EXPECT_EQ(820454400, status.m_mtime);
    EXPECT_EQ("MZ setup program", ReadFileBytes(Disk(1, "SETUP.EXE")));
}

// The profile is named after the setup program and gives every item what
// the setup program reads: size, kind, member count, diskette, destination.
TEST_F(DisksetFixture, ProfileDescribesTheSet)
{
    ASSERT_EQ(0, Build(Layout("")).status);
    CIniFile profile;
    profile.Load(Disk(1, "SETUP.ini"));
    for (const char* name : {"destinations", "groups", "targets", "Main"})
        EXPECT_NE(nullptr, profile.Find(name)) << name;
    EXPECT_EQ(nullptr, profile.Find("diskettes"));
    const IniSection* main = profile.Find("Main");
    ASSERT_EQ(2u, main->entries.size());
    EXPECT_EQ("README.TXT", main->entries[0].key);
    EXPECT_EQ("12|0|1|1|0|Read me", main->entries[0].value);
    EXPECT_EQ("DATA.Z1", main->entries[1].key);
    EXPECT_EQ(std::to_string(text.size() + big.size() + 2 * small.size()) + "|1|5|1|0|Data", main->entries[1].value);
    EXPECT_EQ("\\PELTO||", profile.Find("destinations")->Find("0")->value);
    const std::string bytes = ReadFileBytes(Disk(1, "SETUP.ini"));
    EXPECT_NE(std::string::npos, bytes.find("[destinations]\r\n0=\\PELTO||\r\n"));
}

TEST_F(DisksetFixture, SameInputsGiveTheSameBytes)
{
    ASSERT_EQ(0, Build(Layout("DisketteSize=16384"), "one").status);
    ASSERT_EQ(0, Build(Layout("DisketteSize=16384"), "two").status);
    for (const auto& entry : fs::recursive_directory_iterator(dir / "one")) {
        if (!entry.is_regular_file())
            continue;
        const fs::path relative = fs::relative(entry.path(), dir / "one");
        EXPECT_EQ(ReadFileBytes(entry.path().string()), ReadFileBytes((fs::path(dir / "two") / relative).string()))
            << relative;
    }
}

// A member larger than a diskette runs over three of them; every volume fits
// its diskette and only the members that run on have continues set.
TEST_F(DisksetFixture, ArchiveSpansThreeDiskettes)
{
    const Outcome run = Build(Layout("DisketteSize=16384"));
    ASSERT_EQ(0, run.status) << run.err;
    std::vector<MemberHeader> headers;
    std::size_t volumes = 0;
    const auto members = ReadBack(Disk(1, "DATA.Z1"), &headers, &volumes);
    ASSERT_EQ(5u, members.size());
    EXPECT_EQ(big, members[1].second);
    EXPECT_GE(volumes, 3u);
    EXPECT_TRUE(FileExists(Disk(2, "DATA.Z2")));
    EXPECT_TRUE(FileExists(Disk(3, "DATA.Z3")));
    EXPECT_EQ(1, headers[1].continues);
    EXPECT_EQ(0, headers[3].continues);
    for (int disk = 1; fs::exists(Disk(disk, "")); ++disk) {
        std::uintmax_t used = 0;
        for (const auto& entry : fs::directory_iterator(Disk(disk, "")))
            used += (entry.file_size() + 511) / 512 * 512;
        EXPECT_LE(used, 16384u) << disk;
    }
    const Outcome test = Diskset({"test", dir / "out"});
    EXPECT_EQ(0, test.status) << test.err;
}

TEST_F(DisksetFixture, SetupDisketteAloneAndLabels)
{
    ASSERT_EQ(0, Build(Layout("SetupDiskette=alone\nLabel=Pelto %d")).status);
    EXPECT_TRUE(FileExists(Disk(2, "DATA.Z1")));
    CIniFile profile;
    profile.Load(Disk(1, "SETUP.ini"));
    EXPECT_EQ("2", SplitFields(profile.Find("Main")->Find("DATA.Z1")->value)[3]);
    EXPECT_EQ("Pelto 2|", profile.Find("diskettes")->Find("2")->value);
}

TEST_F(DisksetFixture, FailedBuildLeavesTheEarlierSetAndNoPartialOne)
{
    ASSERT_EQ(0, Build(Layout("")).status);
    const std::string before = ReadFileBytes(Disk(1, "DATA.Z1"));
    fs::remove(dir / "src/BIG.BIN");
    const Outcome run = Build(Layout(""));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("layout.ini:")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("BIG.BIN' not found")) << run.err;
    EXPECT_EQ(before, ReadFileBytes(Disk(1, "DATA.Z1")));
    EXPECT_FALSE(fs::exists(dir / "out.partial"));
}

TEST_F(DisksetFixture, OutputFolderThatCannotBeWrittenOrIsNotASet)
{
    WriteFileBytes(dir / "plainfile", "x");
    Outcome run = Build(Layout(""), "plainfile/out");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("cannot be created")) << run.err;

    fs::create_directory(dir / "mine");
    WriteFileBytes(dir / "mine/precious.doc", "keep");
    run = Build(Layout(""), "mine");
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("--force")) << run.err;
    EXPECT_EQ("keep", ReadFileBytes(dir / "mine/precious.doc"));
}

TEST_F(DisksetFixture, WhatDoesNotFitIsRefused)
{
    Outcome run = Build(Layout("DisketteSize=16384", "[items]\nBIG.BIN=file|Main|BIG.BIN|0\n"));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("layout.ini:17: 'BIG.BIN' (30,000 bytes) does not fit")) << run.err;

    WriteFileBytes(dir / "src/SETUP.EXE", std::string(20000, 'x'));
    run = Build(Layout("DisketteSize=16384"));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("do not fit on diskette 1")) << run.err;

    WriteFileBytes(dir / "src/SETUP.EXE", "MZ");
    run = Build(Layout("DisketteSize=4096", "[items]\nDATA.9=archive|Main|\n[DATA.9]\nBIG.BIN=BIG.BIN\n"));
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("cannot be raised")) << run.err;
}

// Layout faults name the file, the line and the reason.
TEST_F(DisksetFixture, LayoutFaultsNameTheirLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {Layout("Colour=blue"), "layout.ini:5: unknown setting 'Colour'"},
        {Layout("DisketteSize=9999999999999999999"), "layout.ini:5: DisketteSize must be a number"},
        {"[layout]\nSource=" + std::string(5000, 's') + "\n", "layout.ini:2: source folder"},
        {"[destinations]\n0=\\P||\n[groups]\nG=" + std::string(247, 't') + "|b|1|1|1\n",
         "layout.ini:4: the value is longer than the 254 characters"},
        {Layout("", "[items]\nA.Z=archive|Mian|\n[A.Z]\nX=SMALL.TXT\n"), "layout.ini:17: group 'Mian' is not given"},
        {Layout("", "[items]\nA.Z=archive|Main|\n[A.Z]\nX=SMALL.TXT|7\n"), "layout.ini:19: destination 7 is not given"},
        {Layout("", "[items]\nA.Z=archive|Main|\n[A.Z]\nX=SMALL.TXT|0|Q\n"), "layout.ini:19: attributes are letters"},
        {Layout("", "[items]\nA.Z=archive|Main|\n[A.Z]\nX=SMALL.TXT|0|A|lzw\n"), "layout.ini:19: the method is"},
        {Layout("", "[items]\nA.Z=archive|Main|\n[A.Z]\nX=SMALL.TXT\nx=TEXT.TXT\n"), "layout.ini:20: 'x' was already given"},
        {Layout("", "[items]\nA.Z=archive|Main|\n[A.Z]\nX=SMALL.TXT|0|A|zlib|" + std::string(40, 'c') + "\n"),
         "layout.ini:19: a member comment holds at most 39"},
        {Layout("", "[items]\nA.Z=archive|Main|\n[B.Z]\nX=SMALL.TXT\n"), "layout.ini:18: section [B.Z] is neither"},
        {Layout("", "[items]\nA:Z=file|Main|SMALL.TXT|0\n"), "layout.ini:17: 'A:Z' holds a character"},
        {Layout("", "[items]\nA.Z=file|Main|MISSING.TXT|0\n"), "layout.ini:17: source file"},
        {Layout("", "[items]\nthis line has no equals sign\n"), "layout.ini:17: expected key=value"},
        {"[destinations]\n1=X|2|\n2=Y|1|\n0=\\P||\n[groups]\nG=a|b|1|1|1\n[items]\nA=file|G|src/SMALL.TXT|1\n",
         "layout.ini:2: destination 1 lies below destination 2"},
        {"[groups]\nG=a|b|1|1|1\n[items]\nA=file|G|src/SMALL.TXT|0\n", "[destinations] is missing"},
    };
    for (const auto& [layout, message] : cases) {
        const Outcome run = Build(layout);
        EXPECT_EQ(1, run.status) << message;
        EXPECT_NE(std::string::npos, run.err.find(message)) << "expected: " << message << "\ngot: " << run.err;
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
}

// Damaged sets: the program's own error title, the archive and the member,
// and a non-zero exit.
TEST_F(DisksetFixture, DamagedSetsAreReportedWithTheProgramsTitles)
{
    ASSERT_EQ(0, Build(Layout("DisketteSize=16384")).status);
    fs::copy(dir / "out", dir / "good", fs::copy_options::recursive);
    auto damage = [&](const std::string& path, std::size_t offset) {
        std::string bytes = ReadFileBytes(path);
        bytes[offset] ^= 0x5A;
        WriteFileBytes(path, bytes);
    };
    auto expectFault = [&](const std::string& title, const std::string& where) {
        const Outcome run = Diskset({"test", dir / "out"});
        EXPECT_EQ(1, run.status);
        EXPECT_NE(std::string::npos, run.err.find(title)) << run.err;
        EXPECT_NE(std::string::npos, run.err.find(where)) << run.err;
        fs::remove_all(dir / "out");
        fs::copy(dir / "good", dir / "out", fs::copy_options::recursive);
    };

    damage(Disk(2, "DATA.Z2"), 100);  // inside BIG.BIN, stored as it is
    expectFault("Archive file damaged (CRC Mismatch) (CMultiFileException 5)", "BIG.BIN");
    damage(Disk(1, "DATA.Z1"), 8 + 346 + 20);  // inside TEXT.TXT's zlib stream
    expectFault("Archive file damaged (data error). (CZLibException 3)", "TEXT.TXT");
    damage(Disk(1, "DATA.Z1"), 1);
    expectFault("File is not an archive file.", "DATA.Z1");
    fs::remove(Disk(2, "DATA.Z2"));
    expectFault("File not found.", "DATA.Z2");

    const Outcome good = Diskset({"test", dir / "out"});
    EXPECT_EQ(0, good.status) << good.err;
    EXPECT_NE(std::string::npos, good.out.find("no faults"));
}

// Archives made byte by byte by the tests' own writer, with zlib streams
// from zlib's compress2, and no profile: test, list and extract read them.
TEST_F(DisksetFixture, ArchivesOfAnotherWriterAreListedTestedAndExtracted)
{
    fs::create_directory(dir / "set");
    TestMember a = Prepared({"A.TXT", text});
    TestMember b = Prepared({"SUB\\B.BIN", big});
    b.method = 2;
    b = Prepared(b);
    b.continues = 1;
    WriteVolumes({dir / "set/"}, "OTHER.Z1", LogicalStream({a, b}), {8000 + 346 * 2 + a.packed.size()});
    Outcome run = Diskset({"test", dir / "set"});
    EXPECT_EQ(0, run.status) << run.out << run.err;
    EXPECT_NE(std::string::npos, run.out.find("OTHER.Z1: 2 members, 50000 bytes, 2 volumes: OK")) << run.out;

    // A volume that does not begin with "mflh" is reported, not passed over.
    WriteFileBytes(dir / "set/WRONG.Z", Signature("mfen") + LogicalStream({a}));
    run = Diskset({"test", dir / "set"});
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("WRONG.Z: File is not an archive file. (CMultiFileException 2)"))
        << run.err;
    fs::remove(dir / "set/WRONG.Z");

    run = Diskset({"list", dir / "set/OTHER.Z1"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("SUB\\B.BIN")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("2 members, 50000 bytes")) << run.out;

    run = Diskset({"extract", dir / "set/OTHER.Z1", dir / "x"});
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ(text, ReadFileBytes(dir / "x/A.TXT"));
    EXPECT_EQ(big, ReadFileBytes(dir / "x/B.BIN"));
    run = Diskset({"extract", dir / "set/OTHER.Z1", dir / "x"});
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("exists")) << run.err;
}

// Archives whose names differ only in a last character one apart are not
// taken for volumes of one archive when the first ends without the second.
TEST_F(DisksetFixture, ArchiveNamedLikeANextVolumeIsTestedOnItsOwn)
{
    fs::create_directory(dir / "set");
    WriteFileBytes(dir / "set/CASE1", Signature() + LogicalStream({Prepared({"A.TXT", text})}));
    TestMember damaged{"B.TXT", small};
    damaged.checksumGiven = true;
    damaged.checksum = ReferenceChecksum(small) ^ 1;
    WriteFileBytes(dir / "set/CASE2", Signature() + LogicalStream({Prepared(damaged)}));
    WriteFileBytes(dir / "set/CASE3", Signature() + LogicalStream({Prepared({"C.TXT", small})}));
    const Outcome run = Diskset({"test", dir / "set"});
    EXPECT_EQ(1, run.status) << run.out;
    EXPECT_NE(std::string::npos, run.err.find("CASE2: B.TXT: Archive file damaged (CRC Mismatch)")) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("CASE3: 1 member, 12 bytes, 1 volume: OK")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find("3 archives, 0 plain files: 1 fault")) << run.out;
}

TEST_F(DisksetFixture, ExtractRefusesNamesThatLeaveTheFolder)
{
    WriteFileBytes(dir / "EVIL.Z", Signature() + LogicalStream({Prepared({"..", "x"}), Prepared({"ok.txt", "y"})}));
    const Outcome run = Diskset({"extract", dir / "EVIL.Z", dir / "x"});
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.err.find("'..' is not a file name")) << run.err;
    EXPECT_EQ("y", ReadFileBytes(dir / "x/ok.txt"));
}

TEST(DisksetUsageTest, UsageErrorsExitWithTwo)
{
    EXPECT_EQ(2, Diskset({}).status);
    EXPECT_EQ(2, Diskset({"frobnicate"}).status);
    EXPECT_EQ(2, Diskset({"build", "only-one"}).status);
    EXPECT_EQ(2, Diskset({"list", "a", "--setup", "x"}).status);
    EXPECT_EQ(0, Diskset({"--help"}).status);
}

} // namespace
