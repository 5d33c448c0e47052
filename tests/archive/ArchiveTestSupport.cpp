#include "archive/ArchiveTestSupport.h"

#include "support/TempDir.h"

#include <stdexcept>
#include <zlib.h>

std::uint32_t ReferenceChecksum(const std::string& bytes, std::uint32_t start)
{
    static std::uint32_t table[256];
    static bool built = false;
    if (!built) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ ((c & 1) ? 0xEDB88320u : 0);
            table[i] = c;
        }
        built = true;
    }
    std::uint32_t c = start;
    for (unsigned char b : bytes)
        c = table[(c ^ b) & 0xFF] ^ ((c >> 6) & 0x00FFFFFF);
    return c;
}

std::string ZlibPack(const std::string& bytes, int level)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string packed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                  static_cast<uLong>(bytes.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    packed.resize(size);
    return packed;
}

std::string SampleBytes(std::size_t size, unsigned seed, bool compressible)
{
    std::string bytes(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    static const char words[] = "pelto setup archive diskette member volume zlib checksum ";
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = compressible ? words[(x >> 16) % (sizeof words - 1)] : static_cast<char>(x >> 24);
    }
    return bytes;
}

TestMember Prepared(TestMember m)
{
    if (!m.packedGiven)
        m.packed = m.method == 4 ? ZlibPack(m.data) : m.data;
    if (!m.checksumGiven)
        m.checksum = ReferenceChecksum(m.data);
    if (!m.sizeGiven)
        m.size = static_cast<std::uint32_t>(m.data.size());
    return m;
}

namespace {

void Put(std::string& out, std::size_t offset, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

std::string HeaderBytes(const TestMember& m)
{
    std::string h(346, '\0');
    h.replace(0, 4, m.magic.substr(0, 4));
    Put(h, 4, 1, 2);
    Put(h, 6, 346, 2);
    Put(h, 8, static_cast<std::uint32_t>(m.time), 4);
    h.replace(16, m.name.size(), m.name);
    Put(h, 276, m.size, 4);
    Put(h, 280, m.packed.size(), 4);
    Put(h, 284, m.checksum, 4);
    Put(h, 292, static_cast<std::uint32_t>(m.method), 4);
    Put(h, 300, static_cast<std::uint16_t>(m.destination), 2);
    Put(h, 302, m.attributes, 2);
    Put(h, 304, m.continues, 2);
    h.replace(306, m.comment.size(), m.comment);
    return h;
}

std::string LogicalStream(const std::vector<TestMember>& members)
{
    std::string stream;
    for (const TestMember& m : members)
        stream += HeaderBytes(m) + m.packed;
    return stream;
}

std::string Signature(const std::string& magic)
{
    return magic + std::string("\x01\x00\x01\x00", 4);
}

std::vector<std::string> WriteVolumes(const std::vector<std::string>& folders, const std::string& first,
                                      const std::string& stream, const std::vector<std::size_t>& cuts)
{
    std::vector<std::string> paths;
    std::string name = first;
    std::size_t from = 0;
    for (std::size_t i = 0; i <= cuts.size(); ++i) {
        const std::size_t to = i < cuts.size() ? cuts[i] : stream.size();
        const std::string& folder = folders[i < folders.size() ? i : 0];
        paths.push_back(folder + name);
        WriteFileBytes(paths.back(), Signature() + stream.substr(from, to - from));
        from = to;
        name.back() = static_cast<char>(name.back() + 1);
    }
    return paths;
}
