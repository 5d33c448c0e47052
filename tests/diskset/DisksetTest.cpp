#include "DisketteMedia.h"
#include "Diskset.h"
#include "IniFile.h"
#include "SetReader.h"
#include "archive/ArchiveTestSupport.h"
#include "support/TempDir.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <set>
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
// A Windows setup program must carry the run-from-swap flags, or Windows
// pages it in from diskette 1 after the user has changed it; a file that is
// no Windows program at all only gets a warning.
TEST_F(DisksetFixture, SetupProgramWithoutRunFromSwapFlagsIsRefused)
{
    const auto program = [](std::uint16_t characteristics) {
        std::string bytes(0x200, '\0');
        bytes[0] = 'M';
        bytes[1] = 'Z';
        bytes[0x3C] = static_cast<char>(0x80);
        bytes.replace(0x80, 4, std::string("PE\0\0", 4));
        bytes[0x80 + 4 + 18] = static_cast<char>(characteristics & 0xFF);
        bytes[0x80 + 4 + 19] = static_cast<char>(characteristics >> 8);
        return bytes;
    };
    WriteFileBytes(dir / "src/SETUP.EXE", program(0x0102));
    Outcome refused = Build(Layout(""));
    EXPECT_EQ(1, refused.status);
    EXPECT_NE(std::string::npos, refused.err.find("run-from-swap")) << refused.err;
    EXPECT_FALSE(fs::exists(dir / "out"));

    WriteFileBytes(dir / "src/SETUP.EXE", program(0x0102 | 0x0400));
    EXPECT_EQ(1, Build(Layout("")).status) << "the network flag is missing";

    WriteFileBytes(dir / "src/SETUP.EXE", program(0x0102 | 0x0C00));
    Outcome built = Build(Layout(""));
    EXPECT_EQ(0, built.status) << built.err;
    EXPECT_EQ(std::string::npos, built.out.find("not a Windows program"));

    WriteFileBytes(dir / "src/SETUP.EXE", "MZ setup program");
    EXPECT_NE(std::string::npos, Build(Layout("")).out.find("not a Windows program"));
}

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

// Members are packed and archives read back on several threads: the set and
// the report are the same as on one, and so is the first fault of several.
TEST_F(DisksetFixture, SameInputsGiveTheSameBytesOnAnyNumberOfThreads)
{
    std::string items = "[items]\nREADME.TXT=file|Main|SMALL.TXT|0\nDATA.Z1=archive|Main|\nMORE.Z1=archive|Main|\n"
                        "[DATA.Z1]\n";
    for (int i = 0; i < 12; ++i) {
        WriteFileBytes(dir / ("src/F" + std::to_string(i) + ".TXT"), SampleBytes(3000 + 500 * i, 10 + i, i % 2));
        items += "F" + std::to_string(i) + ".TXT=F" + std::to_string(i) + ".TXT\n";
        if (i == 5)
            items += "[MORE.Z1]\n";
    }
    const Outcome one = Build(Layout("DisketteSize=16384", items), "one", {"--jobs", "1"});
    ASSERT_EQ(0, one.status) << one.err;
    const Outcome many = Build(Layout("DisketteSize=16384", items), "many", {"--jobs", "5"});
    ASSERT_EQ(0, many.status) << many.err;
    const auto withoutFolder = [](std::string text, const std::string& folder) {
        for (std::size_t at; (at = text.find(folder)) != std::string::npos;)
            text.erase(at, folder.size());
        return text;
    };
    EXPECT_EQ(withoutFolder(one.out, "one"), withoutFolder(many.out, "many"));
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "one")) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const fs::path relative = fs::relative(entry.path(), dir / "one");
        EXPECT_EQ(ReadFileBytes(entry.path().string()), ReadFileBytes((fs::path(dir / "many") / relative).string()))
            << relative;
    }
    EXPECT_GT(files, 6u);

    fs::remove(dir / "src/F2.TXT");
    fs::remove(dir / "src/F9.TXT");
    for (const char* jobs : {"1", "5"}) {
        const Outcome failed = Build(Layout("DisketteSize=16384", items), "failed", {"--jobs", jobs});
        EXPECT_EQ(1, failed.status);
        EXPECT_NE(std::string::npos, failed.err.find("F2.TXT' not found")) << failed.err;
        EXPECT_EQ(std::string::npos, failed.err.find("F9")) << failed.err;
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

// The setup program takes any folder whose path ends in two digits for a
// diskette, so a set copied to folders 01, 02, 03 installs; test reads it the
// same way, from the first diskette's folder.
TEST_F(DisksetFixture, SetCopiedToNumberedFoldersIsFoundAsTheSetupProgramFindsIt)
{
    ASSERT_EQ(0, Build(Layout("DisketteSize=16384")).status);
    for (int n = 1; fs::exists(Disk(n, "")); ++n)
        fs::rename(fs::path(Disk(n, "")).parent_path(), fs::path(dir / "out") / ("0" + std::to_string(n)));
    ASSERT_TRUE(fs::exists(dir / "out/03/DATA.Z3"));
    const Outcome test = Diskset({"test", dir / "out/01"});
    EXPECT_EQ(0, test.status) << test.out << test.err;
    EXPECT_NE(std::string::npos, test.out.find("DATA.Z1: 5 members")) << test.out;
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

// Diskette images, read back by mtools as an independent reader; the
// Windows build of diskset cannot make them.
class DisketteImageTest : public DisksetFixture {
protected:
    void SetUp() override
    {
#if defined(_WIN32)
        GTEST_SKIP() << "diskette images are made by the native diskset only";
#else
        if (std::system("command -v mdir >/dev/null 2>&1 && command -v mcopy >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "mtools is not installed";
        DisksetFixture::SetUp();
#endif
    }

    // What an mtools command prints, stderr included; times read as UTC.
    static std::string Mtools(const std::string& command)
    {
        std::string output;
#if defined(_WIN32)
        (void)command;
#else
        FILE* pipe = ::popen(("MTOOLS_SKIP_CHECK=1 TZ=UTC0 " + command + " 2>&1").c_str(), "r");
        char buffer[4096];
        while (pipe && std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        if (pipe)
            ::pclose(pipe);
#endif
        return output;
    }
    static std::string Quoted(const std::string& path) { return "'" + path + "'"; }

    std::string Image(int n, const std::string& out = "out")
    {
        char name[32];
        std::snprintf(name, sizeof name, "DISK%02d.img", n);
        return (fs::path(dir / out) / name).string();
    }
    // The names mdir lists in an image's root folder.
    std::set<std::string> Listed(const std::string& image)
    {
        std::set<std::string> names;
        std::istringstream lines(Mtools("mdir -b -i " + Quoted(image) + " ::/"));
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("::/", 0) == 0)
                names.insert(line.substr(3));
        return names;
    }
    long long FreeBytes(const std::string& image)
    {
        const std::string listing = Mtools("mdir -i " + Quoted(image) + " ::");
        const std::size_t at = listing.find("bytes free");
        if (at == std::string::npos)
            return -1;
        std::string digits;
        for (std::size_t i = listing.rfind('\n', at) + 1; i < at; ++i)
            if (std::isdigit(static_cast<unsigned char>(listing[i])))
                digits += listing[i];
        return digits.empty() ? -1 : std::stoll(digits);
    }
    static long long Time(const std::string& path)
    {
        CFileStatus status;
        return CFile::GetStatus(path.c_str(), status) ? static_cast<long long>(status.m_mtime) : -1;
    }
};

// Each diskette's image holds exactly the files of its folder, byte for byte
// with their times (FAT keeps even seconds), under a label that keeps the
// diskette's number; the image has the medium's size. diskset test reads the
// images as it reads the folders.
TEST_F(DisketteImageTest, ImagesHoldEachDisketteAsMtoolsReadsIt)
{
    WriteFileBytes(dir / "src/HUGE.BIN", NoiseBytes(1000000, 7));
    const Outcome run = Build(Layout("DisketteSize=737280\nLabel=Pelto 1.0 Disk %d",
                                     std::string(kItems) + "HUGE.BIN=HUGE.BIN\n"),
                              "out", {"--images"});
    ASSERT_EQ(0, run.status) << run.err;
    ASSERT_TRUE(FileExists(Image(2)));
    EXPECT_FALSE(FileExists(Image(3)));
    for (int n = 1; n <= 2; ++n) {
        EXPECT_EQ(737280u, fs::file_size(Image(n)));
        EXPECT_NE(std::string::npos, Mtools("mlabel -s -i " + Quoted(Image(n)) + " ::")
                                         .find("Volume label is PELTO 1 0 " + std::to_string(n)));
        std::set<std::string> inFolder;
        for (const auto& entry : fs::directory_iterator(Disk(n, "")))
            inFolder.insert(entry.path().filename().string());
        EXPECT_EQ(inFolder, Listed(Image(n))) << n;
        fs::create_directories(fs::path(dir / "copied") / std::to_string(n));
        for (const std::string& name : inFolder) {
            const std::string copy = (fs::path(dir / "copied") / std::to_string(n) / name).string();
            Mtools("mcopy -m -n -i " + Quoted(Image(n)) + " " + Quoted("::" + name) + " " + Quoted(copy));
            EXPECT_EQ(ReadFileBytes(Disk(n, name)), ReadFileBytes(copy)) << name;
            EXPECT_EQ(Time(Disk(n, name)) / 2 * 2, Time(copy)) << name;
        }
    }
    EXPECT_EQ(820454400, Time((fs::path(dir / "copied") / "1" / "README.TXT").string()));

    // A folder of the images alone, and the built folder with both.
    fs::create_directory(dir / "images");
    for (int n = 1; n <= 2; ++n)
        fs::copy_file(Image(n), (fs::path(dir / "images") / fs::path(Image(n)).filename()).string());
    Outcome test = Diskset({"test", dir / "images"});
    EXPECT_EQ(0, test.status) << test.out << test.err;
    EXPECT_NE(std::string::npos, test.out.find("DISK01.img:DATA.Z1: 6 members")) << test.out;
    EXPECT_NE(std::string::npos, test.out.find("1 archive, 1 plain file: no faults")) << test.out;
    test = Diskset({"test", dir / "out"});
    EXPECT_EQ(0, test.status) << test.out << test.err;
    EXPECT_NE(std::string::npos, test.out.find("Diskette images in")) << test.out;
}

// A damaged image is reported as such, with a non-zero exit, and its
// neighbours are still tested.
TEST_F(DisketteImageTest, DamagedImagesAreReportedNotTrusted)
{
    WriteFileBytes(dir / "src/HUGE.BIN", NoiseBytes(1000000, 7));
    ASSERT_EQ(0, Build(Layout("DisketteSize=737280", std::string(kItems) + "HUGE.BIN=HUGE.BIN|0|A|copy\n"), "out",
                       {"--images"})
                     .status);
    fs::create_directory(dir / "good");
    for (int n = 1; n <= 2; ++n)
        fs::copy_file(Image(n), (fs::path(dir / "good") / fs::path(Image(n)).filename()).string());
    const std::string second = (fs::path(dir / "set") / "DISK02.img").string();
    // 720 KB: the FAT at 512 (cluster 2's entry at 515), the data from 7,168.
    auto expectFault = [&](const std::function<void(std::string&)>& damage, const std::string& message) {
        fs::remove_all(dir / "set");
        fs::copy(dir / "good", dir / "set");
        std::string bytes = ReadFileBytes(second);
        damage(bytes);
        WriteFileBytes(second, bytes);
        const Outcome run = Diskset({"test", dir / "set"});
        EXPECT_EQ(1, run.status) << message;
        EXPECT_NE(std::string::npos, run.err.find(message)) << run.out << run.err;
    };
    expectFault([](std::string& b) { b[7168 + 5000] ^= 0x5A; }, "DISK01.img:DATA.Z1: HUGE.BIN: Archive file damaged (CRC Mismatch)");
    expectFault([](std::string& b) { b[515] = '\xA0'; b[516] = static_cast<char>((b[516] & 0xF0) | 0x0F); },
                "DISK02.img: damaged image: the clusters of 'DATA.Z2' leave the image");
    expectFault([](std::string& b) { b[516] = static_cast<char>((b[516] & 0x0F) | 0x20); b[517] = 0; },
                "DISK02.img: damaged image: cluster 2 of 'DATA.Z2' belongs to another chain too");
    expectFault([](std::string& b) { b.resize(1000); }, "DISK02.img: damaged image: its boot sector gives 737280 bytes");
    expectFault([](std::string& b) { std::fill(b.begin(), b.begin() + 512, '\0'); },
                "DISK02.img: not a FAT diskette image");
    expectFault([](std::string& b) { b.resize(100); }, "DISK02.img: not a diskette image (100 bytes)");
}

// A diskette is filled to its last cluster and its last root entry (one is
// the volume label's), and one byte or one entry more moves the next file to
// the next diskette; mtools takes the full diskettes as planned.
TEST_F(DisketteImageTest, DisketteFillsToItsLastClusterAndRootEntry)
{
    // 720 KB: 713 clusters of 1,024 bytes. The setup program, the profile and
    // LAST.TXT take one cluster each; FILL.BIN the other 710 exactly.
    auto bytesLayout = [&](std::size_t fill) {
        WriteFileBytes(dir / "src/FILL.BIN", std::string(fill, 'f'));
        return Layout("DisketteSize=737280", "[items]\nFILL.BIN=file|Main|FILL.BIN|0\nLAST.TXT=file|Main|SMALL.TXT|0\n");
    };
    Outcome run = Build(bytesLayout(710 * 1024), "full", {"--images"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("DISK01: 730,112 of 730,112 bytes (720 KB)")) << run.out;
    EXPECT_FALSE(fs::exists(Image(2, "full")));
    EXPECT_EQ(0, FreeBytes(Image(1, "full")));
    run = Build(bytesLayout(710 * 1024 + 1), "over", {"--images"});
    ASSERT_EQ(0, run.status) << run.err;
    EXPECT_EQ((std::set<std::string>{"LAST.TXT"}), Listed(Image(2, "over")));

    // 112 root entries: the label, SETUP.EXE, SETUP.ini and 109 more; a long
    // name takes one entry more per 13 characters.
    auto entriesLayout = [&](int shortNames, bool longName) {
        std::string items = "[items]\n";
        for (int i = 1; i <= shortNames; ++i)
            items += "F" + std::to_string(1000 + i) + ".TXT=file|Main|SMALL.TXT|0\n";
        if (longName)
            items += "Read me first.txt=file|Main|SMALL.TXT|0\n";  // 17 characters: 3 entries
        return Layout("DisketteSize=737280", items);
    };
    const struct {
        int shortNames;
        bool longName;
        bool fits;
    } cases[] = {{109, false, true}, {110, false, false}, {106, true, true}, {107, true, false}};
    for (const auto& c : cases) {
        run = Build(entriesLayout(c.shortNames, c.longName), "entries", {"--images", "--force"});
        ASSERT_EQ(0, run.status) << run.err;
        EXPECT_EQ(!c.fits, fs::exists(Image(2, "entries"))) << c.shortNames << " " << c.longName;
        EXPECT_EQ(static_cast<std::size_t>(c.shortNames + c.longName + 2) - (c.fits ? 0 : 1),
                  Listed(Image(1, "entries")).size());
    }
}

// Every standard medium, named by its raw size or by its file room, plans
// the same set, and its image has the raw size and the room mtools reports.
TEST_F(DisketteImageTest, EveryStandardMediumByEitherSize)
{
    for (const DisketteMedium& medium : kDisketteMedia) {
        const Outcome raw = Build(Layout(""), "raw", {"--diskette-size", std::to_string(medium.RawSize()), "--images"});
        ASSERT_EQ(0, raw.status) << medium.name << raw.err;
        const Outcome room = Build(Layout(""), "room", {"--diskette-size", std::to_string(medium.FileRoom())});
        ASSERT_EQ(0, room.status) << medium.name << room.err;
        EXPECT_EQ(raw.out.substr(0, raw.out.find("Built")), room.out.substr(0, room.out.find("Built"))) << medium.name;
        EXPECT_EQ(static_cast<std::uintmax_t>(medium.RawSize()), fs::file_size(Image(1, "raw"))) << medium.name;
        long long used = 0;
        for (const auto& entry : fs::directory_iterator(Disk(1, "", "raw")))
            used += static_cast<long long>((entry.file_size() + medium.ClusterSize() - 1) / medium.ClusterSize() *
                                           medium.ClusterSize());
        EXPECT_EQ(medium.FileRoom() - used, FreeBytes(Image(1, "raw"))) << medium.name;
    }
}

// --images takes only sizes of a standard medium and times a FAT diskette
// can hold; it refuses anything else before a file is written.
TEST_F(DisksetFixture, ImagesRefuseWhatNoDisketteHolds)
{
    std::string before1980 = Layout("DisketteSize=737280");
    before1980.replace(before1980.find("Time=1996"), 9, "Time=1975");
    const std::pair<std::string, std::string> cases[] = {
        {Layout("DisketteSize=16384"), "--images: the diskette size of 16,384 bytes fits no standard diskette"},
        {Layout("FirstDisketteSize=67108864"), "--images: FirstDisketteSize of 67,108,864 bytes fits no standard diskette"},
        {before1980, "README.TXT of diskette 1 has the time 1975-01-01 00:00:00"},
    };
    for (const auto& [layout, message] : cases) {
        const Outcome run = Build(layout, "out", {"--images"});
        EXPECT_EQ(1, run.status) << message;
#if defined(_WIN32)
        EXPECT_NE(std::string::npos, run.err.find("--images: diskette images are made with mtools")) << run.err;
#else
        EXPECT_NE(std::string::npos, run.err.find(message)) << run.err;
#endif
        EXPECT_FALSE(fs::exists(dir / "out"));
        EXPECT_FALSE(fs::exists(dir / "out.partial"));
    }
    // Without --images an odd size keeps the layout's own clusters.
    EXPECT_EQ(0, Build(Layout("DisketteSize=16384")).status);
}
