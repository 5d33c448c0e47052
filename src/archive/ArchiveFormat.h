#pragma once
// The archive format. All integers little-endian; text in the ANSI code page.
//
// Volume file:  signature (8 bytes), then a piece of the logical stream.
//   0  4  magic "mflh" (6D 66 6C 68)
//   4  4  not interpreted by the reader (written: format version 1, 16 bits,
//         and the volume's number counted from 1, 16 bits)
// Logical stream: the bytes after the signature of each volume in turn; each
// member is a header followed at once by packedSize bytes of packed data. No
// directory, no end marker: the archive ends where a header comes up short.
// A volume ends only inside the packed data of a member whose continues field
// is non-zero, or after the last member; the next volume's name is this one's
// with the last character raised by one ('DATA.Z1' -> 'DATA.Z2').
//
// Member header (346 bytes):
//     0   4  magic "mfen" (6D 66 65 6E), compared on reading
//     4   2  version, u16 (1; ignored on reading)
//     6   2  headerSize, u16 (346; ignored on reading)
//     8   4  modifiedTime, s32 (seconds since 1970; 0 = leave as created)
//    12   4  reserved1
//    16 260  fileName, NUL-terminated; only the last component is used
//   276   4  size, u32 (bytes after expansion)
//   280   4  packedSize, u32 (bytes of packed data after the header)
//   284   4  checksum, u32 (CChecksum of the expanded bytes; 0 = none)
//   288   4  reserved2
//   292   4  method, s32 (2 copy, 4 zlib)
//   296   4  methodOption, s32 (given to the codec factory; unused)
//   300   2  destination, s16 (destination id of the install model; -1 not installed)
//   302   2  attributes, u16 (low byte given to the file)
//   304   2  continues, u16 (non-zero: packed data runs on into the next volume)
//   306  40  comment, NUL-terminated
#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kSignatureSize = 8;
constexpr std::size_t kHeaderSize = 346;
constexpr std::size_t kFileNameSize = 260;
constexpr std::size_t kCommentSize = 40;

constexpr char kVolumeMagic[4] = {'m', 'f', 'l', 'h'};
constexpr char kMemberMagic[4] = {'m', 'f', 'e', 'n'};

enum : std::int32_t { METHOD_COPY = 2, METHOD_ZLIB = 4 };

// Offsets of the header's fields.
namespace HeaderOffset {
constexpr std::size_t magic = 0, version = 4, headerSize = 6, modifiedTime = 8, reserved1 = 12,
                      fileName = 16, size = 276, packedSize = 280, checksum = 284, reserved2 = 288,
                      method = 292, methodOption = 296, destination = 300, attributes = 302,
                      continues = 304, comment = 306;
}
static_assert(HeaderOffset::fileName + kFileNameSize == HeaderOffset::size, "fileName runs up to size");
static_assert(HeaderOffset::comment + kCommentSize == kHeaderSize, "comment ends the header");

// A member header as plain values; Decode and Encode convert field by field.
struct MemberHeader {
    char magic[4] = {'m', 'f', 'e', 'n'};
    std::uint16_t version = 1;
    std::uint16_t headerSize = static_cast<std::uint16_t>(kHeaderSize);
    std::int32_t modifiedTime = 0;
    std::uint32_t reserved1 = 0;
    char fileName[kFileNameSize] = {};
    std::uint32_t size = 0;
    std::uint32_t packedSize = 0;
    std::uint32_t checksum = 0;
    std::uint32_t reserved2 = 0;
    std::int32_t method = 0;
    std::int32_t methodOption = 0;
    std::int16_t destination = 0;
    std::uint16_t attributes = 0;
    std::uint16_t continues = 0;
    char comment[kCommentSize] = {};

    bool HasMagic() const noexcept;
    // The text fields up to their NUL, or all of the field when it has none.
    std::string FileNameText() const;
    std::string CommentText() const;
    // Copies text into a field, cut to leave room for the NUL; the rest zeroed.
    void SetFileName(const std::string& text) noexcept;
    void SetComment(const std::string& text) noexcept;
};

void DecodeHeader(const unsigned char (&bytes)[kHeaderSize], MemberHeader& header) noexcept;
void EncodeHeader(const MemberHeader& header, unsigned char (&bytes)[kHeaderSize]) noexcept;

// The 8-byte volume signature as written: magic, version 1, volume number.
void EncodeSignature(std::uint16_t volumeNumber, unsigned char (&bytes)[kSignatureSize]) noexcept;
bool HasVolumeMagic(const unsigned char* bytes) noexcept;

// The last component of a stored name: after the last '\', '/' or ':'.
std::string LastPathComponent(const std::string& name);
// The next volume's file name: the last character raised by one character
// code, with no carry ('ARCHIVE.A' -> 'ARCHIVE.B', '9' -> ':').
std::string NextVolumeName(const std::string& name);
