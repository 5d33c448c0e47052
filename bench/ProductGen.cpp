// Generates the product of the whole-installation benchmark; not a test.
//   bench_product OUTDIR FILES [TOTAL_MB] [SEED]
// Writes OUTDIR/files (FILES files of TOTAL_MB megabytes in all, spread over
// the main folder and three subfolders), OUTDIR/bench.layout for diskset on
// 1.44 MB diskettes and OUTDIR/bench.nsi for makensis. Sizes are log-normal
// (heavy-tailed, the largest held to 5% of the total) scaled to the total;
// every fourth file is random bytes, the others text that packs about 3:1.
// Archives are cut where their packed data would pass 24 diskettes, so that
// every archive keeps within the 26 volume names that a letter can count up.
// The same arguments give the same bytes.
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kDisketteBytes = 1457664;
constexpr std::uint64_t kArchiveBudget = 24 * kDisketteBytes;
constexpr std::uint64_t kMemberHeaderBytes = 346;
constexpr const char* kFolders[] = {"", "DATA", "DOCS", "LIB"};

// splitmix64: fixed output on every platform, unlike the standard distributions.
class CRandom {
public:
    explicit CRandom(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double Unit() { return (static_cast<double>(Next() >> 11) + 0.5) / 9007199254740992.0; }
    double Normal() { return std::sqrt(-2.0 * std::log(Unit())) * std::cos(6.283185307179586 * Unit()); }

private:
    std::uint64_t m_state;
};

struct SFile {
    std::string folder, name;
    std::uint64_t size = 0;
    bool random = false;
    std::uint64_t packed = 0;
};

std::vector<std::uint64_t> Sizes(CRandom& rng, std::size_t count, std::uint64_t total)
{
    std::vector<double> weights(count);
    for (double& w : weights)
        w = std::exp(9.0 + 1.6 * rng.Normal());
    // Scale to the total, holding the heaviest files to a cap, until it settles.
    const double cap = 0.05 * static_cast<double>(total);
    for (int round = 0; round < 20; ++round) {
        double sum = 0;
        for (double w : weights)
            sum += w;
        const double scale = static_cast<double>(total) / sum;
        for (double& w : weights)
            w = std::min(w * scale, cap);
    }
    std::vector<std::uint64_t> sizes(count);
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += sizes[i] = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(weights[i]));
    sizes[0] += total > sum ? total - sum : 0;
    return sizes;
}

std::vector<std::string> Vocabulary(CRandom& rng)
{
    std::vector<std::string> words(4000);
    for (std::string& word : words) {
        const std::size_t length = 2 + rng.Next() % 9;
        for (std::size_t i = 0; i < length; ++i)
            word += static_cast<char>('a' + rng.Next() % 26);
    }
    return words;
}

std::string Content(CRandom& rng, const std::vector<std::string>& words, std::uint64_t size, bool random)
{
    std::string bytes;
    bytes.reserve(size + 16);
    if (random) {
        while (bytes.size() < size) {
            const std::uint64_t r = rng.Next();
            bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
        }
    } else {
        std::size_t line = 0;
        while (bytes.size() < size) {
            // Frequent words often, rare ones seldom: the square of a uniform index.
            const double u = rng.Unit();
            const std::string& word = words[static_cast<std::size_t>(u * u * words.size())];
            bytes += word;
            line += word.size() + 1;
            if (line > 70) {
                bytes += "\r\n";
                line = 0;
            } else {
                bytes += ' ';
            }
        }
    }
    bytes.resize(size);
    return bytes;
}

std::uint64_t PackedSize(const std::string& bytes)
{
    uLongf length = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<Bytef> out(length);
    if (compress2(out.data(), &length, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return bytes.size();
    return std::min<std::uint64_t>(length, bytes.size());
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string Layout(const std::vector<SFile>& files)
{
    std::string items = "[items]\n", members;
    std::uint64_t used = kArchiveBudget;
    int archives = 0;
    for (const SFile& file : files) {
        const std::uint64_t cost = file.packed + kMemberHeaderBytes;
        if (used + cost > kArchiveBudget) {
            const std::string name = "BENCH" + std::to_string(++archives) + ".A";
            items += name + "=archive|Product|Part " + std::to_string(archives) + "\n";
            members += "\n[" + name + "]\n";
            used = 0;
        }
        used += cost;
        const std::size_t folder = std::find(std::begin(kFolders), std::end(kFolders), file.folder) - std::begin(kFolders);
        members += file.name + "=" + (file.folder.empty() ? "" : file.folder + "/") + file.name + "|" +
                   std::to_string(folder) + "\n";
    }
    return "; Generated by bench_product.\n"
           "[layout]\nSource=files\nTime=2026-01-01 12:00:00\nLabel=Pelto Bench Disk %d\n\n"
           "[destinations]\n0=\\PBENCH||\n1=DATA|0|\n2=DOCS|0|\n3=LIB|0|\n\n"
           "[groups]\nProduct=Benchmark product|All its files|1|1|1\n\n" +
           items + members;
}

// An installer such as vendors write with NSIS: the files, an uninstaller and
// its registry entry.
std::string NsisScript()
{
    return "; Generated by bench_product.\n"
           "Unicode true\nTarget amd64-unicode\nSetCompressor zlib\n"
           "Name \"Pelto Bench\"\nOutFile \"bench-nsis.exe\"\nInstallDir \"C:\\NBENCH\"\n"
           "RequestExecutionLevel user\nSilentInstall silent\n\n"
           "Section\n"
           "  SetOutPath \"$INSTDIR\"\n"
           "  File /r \"files\\*.*\"\n"
           "  WriteUninstaller \"$INSTDIR\\uninst.exe\"\n"
           "  WriteRegStr HKLM \"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\PeltoBench\" "
           "\"UninstallString\" \"$INSTDIR\\uninst.exe\"\n"
           "SectionEnd\n\n"
           "Section \"Uninstall\"\n  RMDir /r \"$INSTDIR\"\nSectionEnd\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_product OUTDIR FILES [TOTAL_MB] [SEED]\n");
        return 2;
    }
    try {
        const fs::path out = argv[1];
        const std::size_t count = std::strtoul(argv[2], nullptr, 10);
        const std::uint64_t total = (argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 100) * 1000000ull;
        CRandom rng(argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1);
        if (count == 0 || count > 9999)
            throw std::runtime_error("FILES must be 1 to 9999");

        const std::vector<std::string> words = Vocabulary(rng);
        const std::vector<std::uint64_t> sizes = Sizes(rng, count, total);
        std::vector<SFile> files(count);
        for (std::size_t i = 0; i < count; ++i) {
            SFile& file = files[i];
            file.folder = kFolders[rng.Next() % 4];
            file.random = i % 4 == 3;
            char name[16];
            std::snprintf(name, sizeof name, "F%04zu.%s", i + 1, file.random ? "BIN" : "TXT");
            file.name = name;
            file.size = sizes[i];
        }
        // Members in folder order, as the archives list them.
        std::stable_sort(files.begin(), files.end(), [](const SFile& a, const SFile& b) { return a.folder < b.folder; });

        fs::remove_all(out / "files");
        std::uint64_t bytes = 0, packed = 0, random = 0;
        for (SFile& file : files) {
            const fs::path folder = out / "files" / file.folder;
            fs::create_directories(folder);
            const std::string content = Content(rng, words, file.size, file.random);
            file.packed = PackedSize(content);
            WriteText(folder / file.name, content);
            bytes += file.size;
            packed += file.packed;
            random += file.random;
        }
        WriteText(out / "bench.layout", Layout(files));
        WriteText(out / "bench.nsi", NsisScript());
        std::printf("%zu files (%llu random), %llu bytes, %llu packed by zlib, largest %llu\n", count,
                    static_cast<unsigned long long>(random), static_cast<unsigned long long>(bytes),
                    static_cast<unsigned long long>(packed),
                    static_cast<unsigned long long>(*std::max_element(sizes.begin(), sizes.end())));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_product: %s\n", e.what());
        return 1;
    }
    return 0;
}
