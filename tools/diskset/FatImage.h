#pragma once
// A reader of FAT12 diskette images, so that diskset can check the images it
// writes and test a set of them on any platform. It reads the root folder
// only (a diskette of a set has no folders) and checks every field it uses
// against the image's size; a damaged image throws CInputError
// ("DISK02.img: damaged image: ..."), never reads out of bounds.
//
// Layout of an image, little-endian:
//   sector 0   boot sector: at 11 the parameter block: bytes per sector (2),
//              sectors per cluster (1), reserved sectors (2), FATs (1), root
//              entries (2), sectors (2; 0: the 32-bit count at 32), media (1),
//              sectors per FAT (2), sectors per track (2), heads (2); at 38
//              0x29, then the serial number (4) and the label (11)
//   then       the FATs: an entry of 12 bits per cluster, two in three bytes;
//              0 free, 0xFF7 bad, 0xFF8 and above the end of a chain
//   then       the root folder, entries of 32 bytes: name (8), extension (3),
//              attributes (1; 0x08 volume label, 0x10 folder, 0x0F a long-name
//              part), case flags (1; 0x08 name, 0x10 extension in lower case),
//              ..., time (2) at 22, date (2) at 24, first cluster (2) at 26,
//              size (4) at 28. A long name is kept in entries of attribute
//              0x0F before its entry: sequence (1; 0x40 on the last part),
//              UTF-16 characters 1-5 at 1, 6-11 at 14, 12-13 at 28, and at 13
//              the checksum of the short name they belong to
//   then       the data, from cluster 2
#include <cstdint>
#include <string>
#include <vector>

struct FatFileEntry {
    std::string name;         // the long name when there is one
    std::uint32_t size = 0;
    std::int64_t time = 0;    // the entry's local time, read as UTC seconds since 1970
    std::uint8_t attributes = 0;
    bool folder = false;
    std::vector<std::uint16_t> clusters;
};

class CFatImage {
public:
    struct Geometry {
        int bytesPerSector = 0;
        int sectorsPerCluster = 0;
        int reservedSectors = 0;
        int fats = 0;
        int rootEntries = 0;
        std::int64_t sectors = 0;
        int mediaByte = 0;
        int fatSectors = 0;
        int sectorsPerTrack = 0;
        int heads = 0;
    };

    void Load(const std::string& path);
    // The same for an image's bytes; name stands for the file in messages.
    void Parse(std::vector<unsigned char> bytes, const std::string& name);
    // The bytes of a file of m_files.
    std::string Read(const FatFileEntry& file) const;
    // Writes every file of the root folder into folder with its time.
    void ExtractTo(const std::string& folder) const;

    std::string m_path;
    std::uint64_t m_nImageSize = 0;
    Geometry m_geometry;
    std::string m_label;           // the root folder's label entry, without trailing blanks
    std::uint32_t m_nSerial = 0;   // 0 when the boot sector has none
    int m_nEntriesUsed = 0;        // root entries in use, label and long-name parts included
    std::vector<FatFileEntry> m_files;

private:
    void ReadGeometry();
    void ReadRoot();
    std::int64_t EntryTime(const unsigned char* entry, const std::string& name) const;
    void ReadChain(FatFileEntry& file, unsigned cluster, std::vector<bool>& taken) const;
    unsigned FatEntry(unsigned cluster) const;
    [[noreturn]] void Damaged(const std::string& reason) const;

    std::vector<unsigned char> m_bytes;
    std::uint64_t m_nFatAt = 0, m_nRootAt = 0, m_nDataAt = 0;
    unsigned m_nClusters = 0;
};
