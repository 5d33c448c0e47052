#pragma once
// Builds a diskette set from a layout: packs every member (zlib, or as it is
// when zlib does not make it smaller), places the items on diskettes in
// order, cutting archives into volumes where a diskette is full, writes the
// folders DISK01, DISK02, ... with the setup program and its profile on the
// first, reads everything back and compares it with the sources, and only
// then moves the set into place. With images, each diskette is also written
// as a FAT12 image of its medium, DISK01.img, DISK02.img, ..., and read back
// with diskset's own FAT reader. The set is built in OUTDIR.partial beside
// OUTDIR and removed again when anything fails, so a folder named OUTDIR is
// always a complete, checked set.
#include "DisketteImage.h"
#include "Layout.h"
#include "archive/ArchiveFormat.h"
#include "archive/MultiFile.h"
#include "rules/ProfileRecords.h"

#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

class CSetBuilder {
public:
    CSetBuilder(const CLayout& layout, std::string outDir, bool replaceAnything, std::ostream& out,
                bool images = false);

    // Throws CInputError or the framework's exceptions; nothing of OUTDIR
    // changes then.
    void Build();
    // Members are packed, and archives read back, on this many threads (at
    // least one; one per processor unless set). The set is the same byte for
    // byte however many there are, and so is the first failure reported.
    void SetThreads(unsigned threads) noexcept { m_nThreads = threads ? threads : 1; }

private:
    struct Member {
        const LayoutMember* layout = nullptr;
        MemberHeader header;
        std::string packedPath;  // the packed data: a work file, or the source when copied
        // The packed data of a small member, held in memory instead of a work
        // file (packedPath is empty then).
        std::vector<unsigned char> packedBytes;
        std::uint64_t headerAt = 0, dataAt = 0, dataEnd = 0;  // offsets in the logical stream
        std::string warning;  // for the build's output, in the order of the members
    };
    struct Volume {
        int disk = 0;
        std::string name;
        std::uint64_t from = 0, to = 0;  // the part of the logical stream it holds
    };
    struct Item {
        const LayoutItem* layout = nullptr;
        std::vector<Member> members;
        std::vector<Volume> volumes;
        std::uint64_t size = 0;          // bytes to copy, or expanded bytes of all members
        std::uint64_t streamLength = 0;  // archive: bytes of the logical stream
        int disk = 0;
    };

    // The setup program and its profile, which diskette 1 holds first.
    void CheckOutputFolder() const;
    void NameSetupFiles();
    int SetupEntries() const;  // root-folder entries of the two
    // Refuses a Windows program without the run-from-swap flags.
    void CheckSetupProgram() const;

    // Packing: every member of every archive, on the build's threads, or a
    // plain file's size; then each archive's stream laid out in order.
    void PackAll();
    void CheckPlainFile(Item& item) const;
    void LayOutArchive(Item& item) const;
    Member PackMember(const LayoutMember& layoutMember, int workFile) const;
    void PackData(CMultiFile& source, Member& member, int workFile) const;
    std::int32_t MemberTime(const LayoutMember& layoutMember, const CFileStatus& status, std::string& warning) const;

    // Planning: the items on the diskettes in order, archives cut into volumes.
    void PlanWithProfile();
    void Plan(std::int64_t reserved);
    void NextDisk(int& disk);
    bool Fits(int disk, std::int64_t bytes, const std::string& name) const;
    void Take(int disk, std::int64_t bytes, const std::string& name);
    void PlacePlainFile(Item& item, int& disk);
    void PlaceArchive(Item& item, int& disk);
    std::int64_t VolumeRoom(int disk, const std::string& name) const;
    bool FindCut(const Item& item, std::uint64_t from, std::uint64_t limit, std::uint64_t& cut) const;
    std::string RaisedVolumeName(const Item& item, const std::string& name) const;
    void CheckNamesDiffer() const;

    // The setup profile.
    std::string MakeProfile() const;
    void AddSection(std::string& text, const std::string& name, const std::vector<ProfileEntry>& lines,
                    bool always) const;
    std::vector<ProfileEntry> DisketteLines() const;
    std::vector<ProfileEntry> ItemLines(const std::string& group) const;
    static ItemLine ItemLineOf(const Item& item);

    // Writing the set, reading it back, and putting it in place.
    void WriteSet() const;
    void WriteVolumes(const Item& item) const;
    void StampPlainFile(const Item& item) const;
    void Verify() const;
    // A part of the read-back: a plain file, or members [from, to) of an archive.
    struct ReadBackPart {
        const Item* item;
        std::size_t from, to;
    };
    std::vector<ReadBackPart> ReadBackParts() const;
    void VerifyPart(const ReadBackPart& part, std::size_t index) const;
    void VerifyArchive(const Item& item, std::size_t from, std::size_t to, const std::string& workDir) const;
    void CheckImagesPossible() const;
    void WriteImages() const;
    void VerifyImage(int disk, const DisketteImageSpec& spec) const;
    void Commit() const;
    void PrintSummary() const;

    std::int64_t Round(std::int64_t bytes, int disk) const;
    std::int64_t Capacity(int disk) const;
    // The diskette's files, in order; with `numberVolumes` an archive's
    // volumes as "PELTO.Z2 (volume 2 of 3)".
    std::vector<std::string> NamesOn(int disk, bool numberVolumes = false) const;
    std::string DisketteLabel(int disk) const;         // as the setup program reads it; empty when none
    std::string DiskFolder(int disk) const;
    std::string OnDisk(int disk, const std::string& name) const;

    const CLayout& m_layout;
    std::string m_outDir;
    std::string m_partial;
    std::string m_work;
    bool m_bReplaceAnything;
    bool m_bImages;
    std::ostream& m_out;
    unsigned m_nThreads;
    // Bytes of sources packed into memory so far (PackData).
    mutable std::atomic<std::uint64_t> m_packedInMemory{0};

    std::string m_setupName;
    std::string m_profileName;
    std::uint64_t m_setupSize = 0;
    std::string m_profile;
    std::vector<Item> m_items;
    int m_nDisks = 0;
    std::vector<std::int64_t> m_used;  // per diskette, in whole clusters' bytes
    std::vector<int> m_entries;        // per diskette, root-folder entries of its files
};
