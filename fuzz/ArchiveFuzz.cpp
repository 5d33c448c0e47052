// Fuzz target: an archive of one to three volumes, walked and expanded as
// the setup program does. Input: one byte giving the number of later volumes
// (modulo 3), a 16-bit little-endian length for each volume but the last,
// then the volume files' bytes one after the other. Every exception of the
// product's family is an expected answer; a crash, a sanitizer report or
// unbounded memory is a fault.
#include "archive/ArchiveFile.h"
#include "errors/XException.h"
#include "rules/Destinations.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// Members larger than this are walked over rather than expanded, to keep each
// run short; the walk and volume changes still see their packed data.
constexpr std::uint32_t kMaxExpandedSize = 1u << 20;
constexpr int kMaxMembers = 64;

const std::string& WorkDir()
{
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/archive-fuzz-XXXXXX";
        if (!::mkdtemp(&pattern[0]))
            std::abort();
        return pattern;
    }();
    return dir;
}

void WriteVolume(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size)
        std::fwrite(data, 1, size, file);
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int volumes = 1 + data[0] % 3;
    ++data;
    --size;
    std::size_t lengths[3] = {0, 0, 0};
    for (int i = 0; i + 1 < volumes; ++i) {
        if (size < 2)
            return 0;
        lengths[i] = static_cast<std::size_t>(data[0] | (data[1] << 8));
        data += 2;
        size -= 2;
    }
    const std::string& dir = WorkDir();
    const std::string names[3] = {dir + "/DATA.Z1", dir + "/DATA.Z2", dir + "/DATA.Z3"};
    for (int i = 0; i < 3; ++i) {
        if (i >= volumes) {
            std::remove(names[i].c_str());
            continue;
        }
        const std::size_t n = i + 1 < volumes ? std::min(lengths[i], size) : size;
        WriteVolume(names[i], data, n);
        data += n;
        size -= n;
    }

    CArchiveFile archive;
    CMemberFile member;
    try {
        archive.OpenArchive(names[0]);
        for (int n = 0; n < kMaxMembers && archive.NextMember(member); ++n) {
            if (member.Header().destination == DEST_NONE || member.Header().size > kMaxExpandedSize) {
                archive.SkipMember(member);
                continue;
            }
            member.SetOutputPath(dir + "/member.out");
            try {
                archive.ExtractMember(member);
            } catch (const CMultiFileException& e) {
                // A checksum mismatch leaves the walk in step.
                if (e.m_nCode != static_cast<int>(MultiFileCode::checksumMismatch))
                    throw;
            }
        }
    } catch (const CException&) {
    }
    member.Abort();
    std::remove((dir + "/member.out").c_str());
    return 0;
}
