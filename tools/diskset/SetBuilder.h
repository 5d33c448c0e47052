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

private:
    struct Member {
        const LayoutMember* layout = nullptr;
        MemberHeader header;
        std::string packedPath;  // the packed data: a work file, or the source when copied
        std::uint64_t headerAt = 0, dataAt = 0, dataEnd = 0;  // offsets in the logical stream
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

    void Pack(Item& item, int& workFiles);
    void Plan(std::int64_t reserved);
    bool FindCut(const Item& item, std::uint64_t from, std::uint64_t limit, std::uint64_t& cut) const;
    std::string MakeProfile() const;
    void WriteSet() const;
    void WriteVolumes(const Item& item) const;
    void StampPlainFile(const Item& item) const;
    void Verify() const;
    void VerifyArchive(const Item& item) const;
    // Refuses a Windows program without the run-from-swap flags.
    void CheckSetupProgram() const;
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
    std::string DisketteLabel(int disk) const;         // as the profile gives it; empty when none
    std::string DiskFolder(int disk) const;
    std::string OnDisk(int disk, const std::string& name) const;

    const CLayout& m_layout;
    std::string m_outDir;
    std::string m_partial;
    std::string m_work;
    bool m_bReplaceAnything;
    bool m_bImages;
    std::ostream& m_out;

    std::string m_setupName;
    std::string m_profileName;
    std::uint64_t m_setupSize = 0;
    std::string m_profile;
    std::vector<Item> m_items;
    int m_nDisks = 0;
    std::vector<std::int64_t> m_used;  // per diskette, in whole clusters' bytes
    std::vector<int> m_entries;        // per diskette, root-folder entries of its files
};
