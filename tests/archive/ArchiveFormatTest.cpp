#include "archive/ArchiveFormat.h"
#include "archive/ArchiveTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(ArchiveFormatTest, HeaderEncodesEveryFieldAtItsOffsetLittleEndian)
{
    MemberHeader h;
    h.modifiedTime = -2;
    h.SetFileName("SUB\\pelto.exe");
    h.size = 0x01020304;
    h.packedSize = 0x0A0B0C0D;
    h.checksum = 0xDEADBEEF;
    h.reserved1 = 0x11111111;
    h.reserved2 = 0x22222222;
    h.method = 4;
    h.methodOption = -7;
    h.destination = -3;
    h.attributes = 0x21;
    h.continues = 1;
    h.SetComment("note");
    unsigned char b[kHeaderSize];
    EncodeHeader(h, b);
    const std::string bytes(reinterpret_cast<char*>(b), kHeaderSize);
    EXPECT_EQ("mfen", bytes.substr(0, 4));
    EXPECT_EQ(std::string("\x01\x00\x5A\x01", 4), bytes.substr(4, 4));
    EXPECT_EQ(std::string("\xFE\xFF\xFF\xFF", 4), bytes.substr(8, 4));
    EXPECT_EQ(std::string("SUB\\pelto.exe\0", 14), bytes.substr(16, 14));
    EXPECT_EQ(std::string("\x04\x03\x02\x01\x0D\x0C\x0B\x0A\xEF\xBE\xAD\xDE", 12), bytes.substr(276, 12));
    EXPECT_EQ(std::string("\x04\x00\x00\x00\xF9\xFF\xFF\xFF", 8), bytes.substr(292, 8));
    EXPECT_EQ(std::string("\xFD\xFF\x21\x00\x01\x00", 6), bytes.substr(300, 6));
    EXPECT_EQ(std::string("note\0", 5), bytes.substr(306, 5));

    MemberHeader back;
    DecodeHeader(b, back);
    EXPECT_TRUE(back.HasMagic());
    EXPECT_EQ(-2, back.modifiedTime);
    EXPECT_EQ("SUB\\pelto.exe", back.FileNameText());
    EXPECT_EQ(0x01020304u, back.size);
    EXPECT_EQ(0x0A0B0C0Du, back.packedSize);
    EXPECT_EQ(0xDEADBEEFu, back.checksum);
    EXPECT_EQ(-7, back.methodOption);
    EXPECT_EQ(-3, back.destination);
    EXPECT_EQ(0x21, back.attributes);
    EXPECT_EQ(1, back.continues);
    EXPECT_EQ("note", back.CommentText());
}

TEST(ArchiveFormatTest, DecodesTheTestWritersHeader)
{
    TestMember m = Prepared({"README.TXT", "hello"});
    m.destination = -4;
    m.time = 820454400;
    const std::string bytes = HeaderBytes(m);
    unsigned char b[kHeaderSize];
    std::memcpy(b, bytes.data(), kHeaderSize);
    MemberHeader h;
    DecodeHeader(b, h);
    EXPECT_EQ("README.TXT", h.FileNameText());
    EXPECT_EQ(820454400, h.modifiedTime);
    EXPECT_EQ(5u, h.size);
    EXPECT_EQ(m.packed.size(), h.packedSize);
    EXPECT_EQ(ReferenceChecksum("hello"), h.checksum);
    EXPECT_EQ(4, h.method);
    EXPECT_EQ(-4, h.destination);
}

TEST(ArchiveFormatTest, TextFieldsWithoutTerminatorStopAtTheirEnd)
{
    MemberHeader h;
    h.SetFileName(std::string(300, 'x'));
    EXPECT_EQ(259u, h.FileNameText().size());
    std::memset(h.comment, 'c', kCommentSize);
    EXPECT_EQ(std::string(40, 'c'), h.CommentText());
}

TEST(ArchiveFormatTest, VolumeNameRaisesTheLastCharacterWithoutCarry)
{
    EXPECT_EQ("ARCHIVE.B", NextVolumeName("ARCHIVE.A"));
    EXPECT_EQ("DATA.Z2", NextVolumeName("DATA.Z1"));
    EXPECT_EQ("DATA.Z:", NextVolumeName("DATA.Z9"));
}

TEST(ArchiveFormatTest, OnlyTheLastComponentOfAStoredNameCounts)
{
    EXPECT_EQ("pelto.exe", LastPathComponent("SUB\\pelto.exe"));
    EXPECT_EQ("pelto.exe", LastPathComponent("a/b\\pelto.exe"));
    EXPECT_EQ("pelto.exe", LastPathComponent("pelto.exe"));
    EXPECT_EQ("", LastPathComponent("SUB\\"));
}

} // namespace
