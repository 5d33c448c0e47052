// Benchmark of member expansion and of the checksum; not a test.
// Expands a 64 MiB member through CArchiveFile::ExtractMember (counting read,
// inflate with 256 KB buffers, checksum, write to a file) and compares it with
// a raw zlib inflate of the same stream into memory in the same run, and with
// that inflate followed by one write of its output to a new file (what any
// expansion into a file costs at least); then the checksum alone. Each figure
// is the best of several runs.
#include "archive/ArchiveFile.h"
#include "archive/ArchiveTestSupport.h"
#include "support/TempDir.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <zlib.h>

namespace {

constexpr std::size_t kSize = 64u << 20;
constexpr int kRuns = 11;

double Seconds(const std::function<void()>& run)
{
    const auto start = std::chrono::steady_clock::now();
    run();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return took.count();
}

double BestSeconds(const std::function<void()>& run)
{
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i)
        best = std::min(best, Seconds(run));
    return best;
}

double MBps(std::size_t bytes, double seconds)
{
    return static_cast<double>(bytes) / 1e6 / seconds;
}

// Program-like data: text with repeats and stretches of noise, about 3:1 under zlib.
std::string ProductLikeBytes(std::size_t size)
{
    std::string bytes;
    bytes.reserve(size);
    unsigned seed = 1;
    while (bytes.size() < size) {
        bytes += SampleBytes(4096, seed, true);
        bytes += SampleBytes(1024, seed + 7, false);
        bytes += std::string(2048, static_cast<char>(seed));
        ++seed;
    }
    bytes.resize(size);
    return bytes;
}

} // namespace

int main()
{
    TempDir dir;
    const std::string data = ProductLikeBytes(kSize);
    const std::string packed = ZlibPack(data, Z_DEFAULT_COMPRESSION);

    MemberHeader header;
    header.SetFileName("BENCH.BIN");
    header.size = static_cast<std::uint32_t>(data.size());
    header.packedSize = static_cast<std::uint32_t>(packed.size());
    header.checksum = ReferenceChecksum(data);
    header.method = METHOD_ZLIB;
    unsigned char signature[kSignatureSize], headerBytes[kHeaderSize];
    EncodeSignature(1, signature);
    EncodeHeader(header, headerBytes);
    WriteFileBytes(dir / "BENCH.Z1", std::string(reinterpret_cast<char*>(signature), kSignatureSize) +
                                         std::string(reinterpret_cast<char*>(headerBytes), kHeaderSize) + packed);

    std::string out(data.size(), '\0');
    const auto rawInflate = [&] {
        z_stream zs{};
        inflateInit(&zs);
        zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
        zs.avail_in = static_cast<uInt>(packed.size());
        zs.next_out = reinterpret_cast<Bytef*>(&out[0]);
        zs.avail_out = static_cast<uInt>(out.size());
        if (inflate(&zs, Z_FINISH) != Z_STREAM_END || zs.total_out != data.size())
            std::fprintf(stderr, "raw inflate failed\n");
        inflateEnd(&zs);
    };
    // The same, through buffers of the codec's 4096 bytes: what zlib itself
    // costs at that size, apart from the files and the checksum.
    const auto chunkedInflate = [&] {
        z_stream zs{};
        inflateInit(&zs);
        unsigned char in[4096], chunk[4096];
        std::size_t fed = 0, placed = 0;
        int result = Z_OK;
        while (result == Z_OK) {
            if (zs.avail_in == 0) {
                const std::size_t n = std::min<std::size_t>(sizeof in, packed.size() - fed);
                std::memcpy(in, packed.data() + fed, n);
                fed += n;
                zs.next_in = in;
                zs.avail_in = static_cast<uInt>(n);
            }
            zs.next_out = chunk;
            zs.avail_out = sizeof chunk;
            result = inflate(&zs, Z_NO_FLUSH);
            const std::size_t got = sizeof chunk - zs.avail_out;
            std::memcpy(&out[placed], chunk, got);
            placed += got;
        }
        if (result != Z_STREAM_END || placed != data.size())
            std::fprintf(stderr, "chunked inflate failed\n");
        inflateEnd(&zs);
    };
    const auto rawInflateToFile = [&] {
        rawInflate();
        std::FILE* file = std::fopen((dir / "RAW.BIN").c_str(), "wb");
        if (!file || std::fwrite(out.data(), 1, out.size(), file) != out.size() || std::fclose(file) != 0)
            std::fprintf(stderr, "raw inflate's write failed\n");
    };
    const auto extractWith = [&](CArchiveFile& archive) {
        CMemberFile member;
        archive.OpenArchive(dir / "BENCH.Z1");
        archive.NextMember(member);
        member.SetOutputPath(dir / "BENCH.BIN");
        archive.ExtractMember(member);
    };
    const auto extract = [&] {
        CArchiveFile archive;
        extractWith(archive);
    };
    // Taken in turns, so all see the same load of the machine; the output
    // file is new each time, as a scratch file of the setup program is.
    double inflateSeconds = 1e9, chunkedSeconds = 1e9, toFileSeconds = 1e9, extractSeconds = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        inflateSeconds = std::min(inflateSeconds, Seconds(rawInflate));
        chunkedSeconds = std::min(chunkedSeconds, Seconds(chunkedInflate));
        std::remove((dir / "RAW.BIN").c_str());
        toFileSeconds = std::min(toFileSeconds, Seconds(rawInflateToFile));
        std::remove((dir / "BENCH.BIN").c_str());
        extractSeconds = std::min(extractSeconds, Seconds(extract));
    }
    if (out != data)
        std::fprintf(stderr, "raw inflate gave other bytes\n");
    if (ReadFileBytes(dir / "BENCH.BIN") != data)
        std::fprintf(stderr, "ExtractMember gave other bytes\n");

    std::uint32_t value = 0;
    const double checksumSeconds = BestSeconds([&] {
        CChecksum c;
        c.Update(data.data(), data.size());
        value = c;
    });
    const double bytewiseSeconds = BestSeconds([&] {
        CChecksum c;
        c.UpdateBytewise(data.data(), data.size());
        if (c.m_nValue != value)
            std::fprintf(stderr, "checksum methods differ\n");
    });

    std::printf("Member: %zu bytes, packed %zu bytes (zlib level %d)\n", data.size(), packed.size(),
                Z_DEFAULT_COMPRESSION);
    std::printf("Raw inflate into memory:     %8.1f MB/s of output\n", MBps(kSize, inflateSeconds));
    std::printf("Raw inflate, 4 KB buffers:   %8.1f MB/s of output\n", MBps(kSize, chunkedSeconds));
    std::printf("Raw inflate, then a write:   %8.1f MB/s of output\n", MBps(kSize, toFileSeconds));
    std::printf("ExtractMember to a file:     %8.1f MB/s of output\n", MBps(kSize, extractSeconds));
    std::printf("Expansion / raw inflate:     %8.2f   (goal 0.85 or more)\n", inflateSeconds / extractSeconds);
    std::printf("Expansion / inflate + write: %8.2f\n", toFileSeconds / extractSeconds);
    std::printf("Expansion / 4 KB inflate:    %8.2f\n", chunkedSeconds / extractSeconds);
    std::printf("Checksum (Update):           %8.1f MB/s   (goal 2000 or more)\n", MBps(kSize, checksumSeconds));
    std::printf("Checksum (byte rule):        %8.1f MB/s\n", MBps(kSize, bytewiseSeconds));
    std::printf("Checksum Update / byte rule:  %7.2f\n", bytewiseSeconds / checksumSeconds);
    return 0;
}
