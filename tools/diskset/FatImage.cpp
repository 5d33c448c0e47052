#include "FatImage.h"

#include "IniFile.h"
#include "Layout.h"
#include "fw/File.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kLargestImage = 16u << 20;  // far above the largest diskette
constexpr unsigned kFat12Clusters = 4085;           // from this many clusters on, a FAT has 16-bit entries
constexpr std::size_t kEntrySize = 32;
constexpr unsigned char kAttrLongName = 0x0F;
constexpr unsigned char kAttrLabel = 0x08;
constexpr unsigned char kAttrFolder = 0x10;

unsigned Get16(const unsigned char* p)
{
    return static_cast<unsigned>(p[0] | p[1] << 8);
}

std::uint32_t Get32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool PowerOfTwo(unsigned value, unsigned low, unsigned high)
{
    return value >= low && value <= high && (value & (value - 1)) == 0;
}

// The checksum of an 11-byte short name that its long-name parts carry.
unsigned char ShortNameChecksum(const unsigned char* name)
{
    unsigned char sum = 0;
    for (int i = 0; i < 11; ++i)
        sum = static_cast<unsigned char>(((sum & 1) << 7) + (sum >> 1) + name[i]);
    return sum;
}

void AppendUtf8(std::string& text, unsigned unit)
{
    if (unit < 0x80) {
        text += static_cast<char>(unit);
    } else if (unit < 0x800) {
        text += static_cast<char>(0xC0 | unit >> 6);
        text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | unit >> 12);
        text += static_cast<char>(0x80 | (unit >> 6 & 0x3F));
        text += static_cast<char>(0x80 | (unit & 0x3F));
    }
}

std::string Trimmed(const unsigned char* p, std::size_t n)
{
    std::string text(reinterpret_cast<const char*>(p), n);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// The long name gathered from the parts before a short entry, last part
// first; a part out of order or of another checksum drops it, and the short
// name stands.
class CLongName {
public:
    void Reset() noexcept { m_nParts = 0; }
    void AddPart(const unsigned char* e)
    {
        const int sequence = e[0] & 0x1F;
        if (e[0] & 0x40) {
            m_nParts = sequence;
            m_nExpected = sequence;
            m_checksum = e[13];
            m_nLength = static_cast<std::size_t>(sequence) * 13;
            std::fill(m_units.begin(), m_units.end(), 0);
        }
        if (sequence == 0 || sequence > 20 || m_nParts == 0 || sequence != m_nExpected || e[13] != m_checksum) {
            m_nParts = 0;
            return;
        }
        static const int offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        for (int k = 0; k < 13; ++k)
            m_units[static_cast<std::size_t>(sequence - 1) * 13 + static_cast<std::size_t>(k)] = Get16(e + offsets[k]);
        --m_nExpected;
    }
    // The long name of the short entry e, when every part of it was there.
    bool NameOf(const unsigned char* e, std::string& name) const
    {
        if (m_nParts == 0 || m_nExpected != 0 || ShortNameChecksum(e) != m_checksum)
            return false;
        for (std::size_t k = 0; k < m_nLength && m_units[k] != 0 && m_units[k] != 0xFFFF; ++k)
            AppendUtf8(name, m_units[k]);
        return true;
    }

private:
    std::vector<unsigned> m_units = std::vector<unsigned>(260, 0);  // UTF-16 units
    int m_nParts = 0;
    int m_nExpected = 0;
    unsigned char m_checksum = 0;
    std::size_t m_nLength = 0;
};

// The 8.3 name of an entry, each part lower-cased where its case flag says so.
std::string ShortName(const unsigned char* e)
{
    std::string base = Trimmed(e, 8), extension = Trimmed(e + 8, 3);
    if (!base.empty() && base[0] == 0x05)
        base[0] = static_cast<char>(0xE5);
    auto lower = [](std::string& text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
    };
    if (e[12] & 0x08)
        lower(base);
    if (e[12] & 0x10)
        lower(extension);
    return extension.empty() ? base : base + "." + extension;
}

} // namespace

void CFatImage::Damaged(const std::string& reason) const
{
    throw CInputError(m_path + ": damaged image: " + reason);
}

void CFatImage::Load(const std::string& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error)
        throw CInputError(path + ": " + error.message());
    if (size < 512 || size > kLargestImage)
        throw CInputError(path + ": not a diskette image (" + std::to_string(size) + " bytes)");
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in.good() && !in.eof())
        throw CInputError(path + ": cannot be read");
    if (bytes.size() != size)
        throw CInputError(path + ": changed while it was read");
    Parse(std::move(bytes), path);
}

void CFatImage::Parse(std::vector<unsigned char> bytes, const std::string& name)
{
    m_path = name;
    m_files.clear();
    m_label.clear();
    m_nSerial = 0;
    m_nEntriesUsed = 0;
    if (bytes.size() < 512 || bytes.size() > kLargestImage)
        throw CInputError(name + ": not a diskette image (" + std::to_string(bytes.size()) + " bytes)");
    m_bytes = std::move(bytes);
    m_nImageSize = m_bytes.size();
    ReadGeometry();
    ReadRoot();
}

void CFatImage::ReadGeometry()
{
    const unsigned char* b = m_bytes.data();
    Geometry& g = m_geometry;
    g.bytesPerSector = static_cast<int>(Get16(b + 11));
    g.sectorsPerCluster = b[13];
    g.reservedSectors = static_cast<int>(Get16(b + 14));
    g.fats = b[16];
    g.rootEntries = static_cast<int>(Get16(b + 17));
    g.sectors = Get16(b + 19) != 0 ? Get16(b + 19) : Get32(b + 32);
    g.mediaByte = b[21];
    g.fatSectors = static_cast<int>(Get16(b + 22));
    g.sectorsPerTrack = static_cast<int>(Get16(b + 24));
    g.heads = static_cast<int>(Get16(b + 26));
    if (!PowerOfTwo(static_cast<unsigned>(g.bytesPerSector), 512, 4096) ||
        !PowerOfTwo(static_cast<unsigned>(g.sectorsPerCluster), 1, 128) || g.reservedSectors < 1 || g.fats < 1 ||
        g.fats > 2 || g.rootEntries < 1 || g.fatSectors < 1 || g.sectors < 1)
        throw CInputError(m_path + ": not a FAT diskette image (no valid boot sector)");
    if (b[38] == 0x29)
        m_nSerial = Get32(b + 39);

    const std::uint64_t sector = static_cast<std::uint64_t>(g.bytesPerSector);
    const std::uint64_t rootSectors = (static_cast<std::uint64_t>(g.rootEntries) * kEntrySize + sector - 1) / sector;
    m_nFatAt = static_cast<std::uint64_t>(g.reservedSectors) * sector;
    m_nRootAt = m_nFatAt + static_cast<std::uint64_t>(g.fats) * static_cast<std::uint64_t>(g.fatSectors) * sector;
    m_nDataAt = m_nRootAt + rootSectors * sector;
    const std::uint64_t end = static_cast<std::uint64_t>(g.sectors) * sector;
    if (end > m_nImageSize)
        Damaged("its boot sector gives " + std::to_string(end) + " bytes, the image has " +
                std::to_string(m_nImageSize));
    if (m_nDataAt >= end)
        Damaged("its FATs and root folder leave no room for data");
    m_nClusters = static_cast<unsigned>((end - m_nDataAt) / (sector * static_cast<std::uint64_t>(g.sectorsPerCluster)));
    if (m_nClusters == 0 || m_nClusters >= kFat12Clusters)
        throw CInputError(m_path + ": not a FAT12 diskette image (" + std::to_string(m_nClusters) + " clusters)");
    if (static_cast<std::uint64_t>(g.fatSectors) * sector * 2 / 3 < m_nClusters + 2)
        Damaged("its FAT is too small for its " + std::to_string(m_nClusters) + " clusters");
}

unsigned CFatImage::FatEntry(unsigned cluster) const
{
    // In bounds: ReadGeometry checked that the first FAT holds every cluster's entry.
    const unsigned char* p = m_bytes.data() + m_nFatAt + cluster * 3 / 2;
    const unsigned pair = Get16(p);
    return cluster & 1 ? pair >> 4 : pair & 0xFFF;
}

void CFatImage::ReadRoot()
{
    std::vector<bool> taken(m_nClusters + 2, false);
    CLongName longName;
    std::set<std::string> names;
    for (int i = 0; i < m_geometry.rootEntries; ++i) {
        const unsigned char* e = m_bytes.data() + m_nRootAt + static_cast<std::size_t>(i) * kEntrySize;
        if (e[0] == 0)
            break;
        if (e[0] == 0xE5) {
            longName.Reset();
            continue;
        }
        ++m_nEntriesUsed;
        const unsigned char attributes = e[11];
        if (attributes == kAttrLongName) {
            longName.AddPart(e);
            continue;
        }
        if (attributes & kAttrLabel) {
            m_label = Trimmed(e, 11);
            longName.Reset();
            continue;
        }
        FatFileEntry file;
        file.attributes = attributes;
        file.folder = (attributes & kAttrFolder) != 0;
        if (!longName.NameOf(e, file.name))
            file.name = ShortName(e);
        longName.Reset();
        if (file.name.empty())
            Damaged("root entry " + std::to_string(i) + " has no name");
        std::string key = file.name;
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
        if (!names.insert(key).second)
            Damaged("two files are named '" + file.name + "'");
        file.time = EntryTime(e, file.name);
        file.size = file.folder ? 0 : Get32(e + 28);
        ReadChain(file, Get16(e + 26), taken);
        m_files.push_back(std::move(file));
    }
}

std::int64_t CFatImage::EntryTime(const unsigned char* e, const std::string& name) const
{
    const unsigned time = Get16(e + 22), date = Get16(e + 24);
    const int year = 1980 + static_cast<int>(date >> 9), month = static_cast<int>(date >> 5 & 15),
              day = static_cast<int>(date & 31);
    const int hour = static_cast<int>(time >> 11), minute = static_cast<int>(time >> 5 & 63),
              second = static_cast<int>(time & 31) * 2;
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
        Damaged("'" + name + "' has no valid time");
    char text[24];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    std::int64_t seconds = 0;
    if (!ParseUtcTime(text, seconds))
        Damaged("'" + name + "' has no valid time");
    return seconds;
}

// The file's clusters from cluster on: a whole chain in range, as long as its
// size needs, each cluster in one chain only.
void CFatImage::ReadChain(FatFileEntry& file, unsigned cluster, std::vector<bool>& taken) const
{
    const std::uint64_t clusterBytes =
        static_cast<std::uint64_t>(m_geometry.bytesPerSector) * static_cast<std::uint64_t>(m_geometry.sectorsPerCluster);
    const std::uint64_t needed = (file.size + clusterBytes - 1) / clusterBytes;
    if (!file.folder && needed == 0) {
        if (cluster != 0)
            Damaged("the empty file '" + file.name + "' has a cluster");
        return;
    }
    for (std::uint64_t k = 0;; ++k) {
        if (cluster < 2 || cluster >= m_nClusters + 2)
            Damaged("the clusters of '" + file.name + "' leave the image");
        if (taken[cluster])
            Damaged("cluster " + std::to_string(cluster) + " of '" + file.name + "' belongs to another chain too");
        taken[cluster] = true;
        file.clusters.push_back(static_cast<std::uint16_t>(cluster));
        const unsigned next = FatEntry(cluster);
        if (next >= 0xFF8) {
            if (!file.folder && k + 1 != needed)
                Damaged("'" + file.name + "' has " + std::to_string(k + 1) + " clusters for " +
                        std::to_string(file.size) + " bytes");
            return;
        }
        if (!file.folder && k + 1 == needed)
            Damaged("'" + file.name + "' has more clusters than its " + std::to_string(file.size) + " bytes");
        cluster = next;
    }
}

std::string CFatImage::Read(const FatFileEntry& file) const
{
    const std::size_t clusterBytes =
        static_cast<std::size_t>(m_geometry.bytesPerSector) * static_cast<std::size_t>(m_geometry.sectorsPerCluster);
    std::string bytes;
    bytes.reserve(file.size);
    for (std::uint16_t cluster : file.clusters) {
        // In bounds: the chain was checked against the cluster count when read.
        const std::size_t at = static_cast<std::size_t>(m_nDataAt) + (cluster - 2u) * clusterBytes;
        const std::size_t n = std::min<std::size_t>(clusterBytes, file.size - bytes.size());
        bytes.append(reinterpret_cast<const char*>(m_bytes.data() + at), n);
    }
    return bytes;
}

void CFatImage::ExtractTo(const std::string& folder) const
{
    for (const FatFileEntry& file : m_files) {
        if (file.folder)
            continue;
        const std::string problem = file.name == "." || file.name == ".." ? "'" + file.name + "' is not a file name"
                                                                          : FileNameProblem(file.name);
        if (!problem.empty())
            Damaged(problem);
        const std::string path = (fs::path(folder) / file.name).string();
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            const std::string bytes = Read(file);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            if (!out)
                throw CInputError(path + ": cannot be written");
        }
        CFileStatus status;
        if (!CFile::GetStatus(path.c_str(), status))
            throw CInputError(path + ": cannot be examined");
        status.m_mtime = static_cast<std::time_t>(file.time);
        CFile::SetStatus(path.c_str(), status);
    }
}
