#include "archive/ArchiveFormat.h"

#include <algorithm>
#include <cstring>

namespace {

std::uint16_t GetU16(const unsigned char* p) noexcept
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t GetU32(const unsigned char* p) noexcept
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void PutU16(unsigned char* p, std::uint16_t v) noexcept
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void PutU32(unsigned char* p, std::uint32_t v) noexcept
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<unsigned char>(v >> (8 * i));
}

std::string FieldText(const char* field, std::size_t size)
{
    const char* end = std::find(field, field + size, '\0');
    return std::string(field, end);
}

void SetFieldText(char* field, std::size_t size, const std::string& text) noexcept
{
    const std::size_t n = std::min(text.size(), size - 1);
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), n);
}

} // namespace

bool MemberHeader::HasMagic() const noexcept
{
    return std::memcmp(magic, kMemberMagic, 4) == 0;
}

std::string MemberHeader::FileNameText() const
{
    return FieldText(fileName, kFileNameSize);
}

std::string MemberHeader::CommentText() const
{
    return FieldText(comment, kCommentSize);
}

void MemberHeader::SetFileName(const std::string& text) noexcept
{
    SetFieldText(fileName, kFileNameSize, text);
}

void MemberHeader::SetComment(const std::string& text) noexcept
{
    SetFieldText(comment, kCommentSize, text);
}

void DecodeHeader(const unsigned char (&b)[kHeaderSize], MemberHeader& h) noexcept
{
    namespace O = HeaderOffset;
    std::memcpy(h.magic, b + O::magic, 4);
    h.version = GetU16(b + O::version);
    h.headerSize = GetU16(b + O::headerSize);
    h.modifiedTime = static_cast<std::int32_t>(GetU32(b + O::modifiedTime));
    h.reserved1 = GetU32(b + O::reserved1);
    std::memcpy(h.fileName, b + O::fileName, kFileNameSize);
    h.size = GetU32(b + O::size);
    h.packedSize = GetU32(b + O::packedSize);
    h.checksum = GetU32(b + O::checksum);
    h.reserved2 = GetU32(b + O::reserved2);
    h.method = static_cast<std::int32_t>(GetU32(b + O::method));
    h.methodOption = static_cast<std::int32_t>(GetU32(b + O::methodOption));
    h.destination = static_cast<std::int16_t>(GetU16(b + O::destination));
    h.attributes = GetU16(b + O::attributes);
    h.continues = GetU16(b + O::continues);
    std::memcpy(h.comment, b + O::comment, kCommentSize);
}

void EncodeHeader(const MemberHeader& h, unsigned char (&b)[kHeaderSize]) noexcept
{
    namespace O = HeaderOffset;
    std::memcpy(b + O::magic, h.magic, 4);
    PutU16(b + O::version, h.version);
    PutU16(b + O::headerSize, h.headerSize);
    PutU32(b + O::modifiedTime, static_cast<std::uint32_t>(h.modifiedTime));
    PutU32(b + O::reserved1, h.reserved1);
    std::memcpy(b + O::fileName, h.fileName, kFileNameSize);
    PutU32(b + O::size, h.size);
    PutU32(b + O::packedSize, h.packedSize);
    PutU32(b + O::checksum, h.checksum);
    PutU32(b + O::reserved2, h.reserved2);
    PutU32(b + O::method, static_cast<std::uint32_t>(h.method));
    PutU32(b + O::methodOption, static_cast<std::uint32_t>(h.methodOption));
    PutU16(b + O::destination, static_cast<std::uint16_t>(h.destination));
    PutU16(b + O::attributes, h.attributes);
    PutU16(b + O::continues, h.continues);
    std::memcpy(b + O::comment, h.comment, kCommentSize);
}

void EncodeSignature(std::uint16_t volumeNumber, unsigned char (&b)[kSignatureSize]) noexcept
{
    std::memcpy(b, kVolumeMagic, 4);
    PutU16(b + 4, 1);
    PutU16(b + 6, volumeNumber);
}

bool HasVolumeMagic(const unsigned char* bytes) noexcept
{
    return std::memcmp(bytes, kVolumeMagic, 4) == 0;
}

std::string LastPathComponent(const std::string& name)
{
    const std::size_t cut = name.find_last_of("\\/:");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

std::string NextVolumeName(const std::string& name)
{
    std::string next = name;
    if (!next.empty())
        next.back() = static_cast<char>(static_cast<unsigned char>(next.back()) + 1);
    return next;
}
