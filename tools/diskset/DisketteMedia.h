#pragma once
// The standard diskette formats a set can be cut for, and the rules of their
// FAT12 root folder that planning and the images share. A medium is named by
// its raw size (what an image of it holds) or by its file room (what is left
// for files once it is formatted: the raw size less the boot sector, both
// FATs and the root folder, in whole clusters).
#include <cstdint>
#include <string>

struct DisketteMedium {
    const char* name;          // "720 KB"
    int sectors;               // of 512 bytes, the whole diskette
    int sectorsPerTrack;
    int heads;
    int tracks;
    int sectorsPerCluster;
    int rootEntries;           // of 32 bytes each, the volume label's included
    int fatSectors;            // of each of the two FATs
    std::uint8_t mediaByte;

    static constexpr int kSectorSize = 512;
    static constexpr int kReservedSectors = 1;  // the boot sector
    static constexpr int kFatCount = 2;

    constexpr std::int64_t RawSize() const { return std::int64_t{sectors} * kSectorSize; }
    constexpr std::int64_t ClusterSize() const { return std::int64_t{sectorsPerCluster} * kSectorSize; }
    constexpr int RootSectors() const { return rootEntries * 32 / kSectorSize; }
    constexpr int DataSectors() const { return sectors - kReservedSectors - kFatCount * fatSectors - RootSectors(); }
    constexpr int Clusters() const { return DataSectors() / sectorsPerCluster; }
    constexpr std::int64_t FileRoom() const { return Clusters() * ClusterSize(); }
};

// The standard formats, smallest first; FindMedium looks a size up in it.
extern const DisketteMedium kDisketteMedia[8];

// The medium whose raw size or file room is bytes, else null.
const DisketteMedium* FindMedium(std::int64_t bytes);
// "160 KB (163,840 or 160,256 bytes), 180 KB (...), ...": for messages.
std::string MediaList();

// Root-folder entries a file of this name takes on a FAT diskette: one for a
// name that fits 8.3 (each part in one case, which the entry's case flags
// keep), one more per 13 characters of a long name otherwise.
int DirectoryEntriesFor(const std::string& name);

// The FAT volume label of diskette `number` whose label (as the setup program
// shows it) is `label`, empty when it has none: at most 11 characters, upper
// case, each character a label cannot hold and each run of blanks one blank;
// when that is too long it is cut and ends in the diskette's number.
// "Pelto 1.0 Disk 2" -> "PELTO 1 0 2"; no label -> "DISK 2".
std::string VolumeLabelFor(const std::string& label, int number);
