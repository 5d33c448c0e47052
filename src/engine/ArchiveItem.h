#pragma once
// The archive and plain files the setup profile lists, one item per line of
// each file group's section, and the list of them in diskette order. The
// list owns its items.
//
// An item installs itself from the run's source directory, member by member,
// for the copy step that runs it, feeding its host's progress. Install
// reports what goes wrong through the host and records a failure in the run's
// m_bSuccess; nothing escapes it.
#include "archive/ArchiveFile.h"
#include "profile/FileGroupMap.h"
#include "rules/ProfileRecords.h"
#include "system/PathName.h"

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

class CCopyStep;

class CArchiveItem : public CArchiveFile {
public:
    // Installs the item: finds its file on diskette m_nDisk (the user may be
    // asked for the diskette), then copies a plain file or expands every
    // member of an archive; other kinds install nothing. A refused diskette or
    // a cancelled copy fails the run without a report; any other failure is
    // reported with the item's path, and the user chooses between going on
    // with the next item and failing the run. The item's file is closed
    // afterwards.
    void Install(CCopyStep& step);
    // The two kinds; the file is open.
    void InstallPlainFile(CCopyStep& step);
    void InstallArchive(CCopyStep& step);

    // Every 4096 bytes of packed data: the copy step's progress, while the
    // run has not failed.
    void OnBlockBoundary() override;
    // The next volume is on the next diskette: the copy step locates it
    // there (asking for the diskette when needed); FALSE when the user
    // refused.
    bool FindNextVolume(const std::string& name, std::string& path) override;

    // Calls visit with the header of every member that follows `current`
    // (the member whose header was read last, its packed data next): in the
    // volume being read, and in the volumes after it as long as the copy step
    // finds them without asking for a diskette. Through handles of its own,
    // so the walk is not disturbed; what cannot be read ends the list.
    void VisitFollowingMembers(const CMemberFile& current,
                               const std::function<void(const CMemberFile&)>& visit) const noexcept;

    // The files of the item's group are to be installed.
    BOOL IsSelected() const noexcept { return m_pGroup && m_pGroup->m_bSelected; }
    // This item comes after `other` in diskette order.
    bool SortsAfter(const CArchiveItem& other) const noexcept;

    std::string m_strName;  // file name (of the first volume), in the source directory
    std::int32_t m_nSize = 0;  // bytes copied (plain file) or expanded (archive)
    std::int16_t m_nKind = ItemLine::kPlainFile;
    std::int16_t m_nMembers = 0;  // kept; not used by the installation
    std::int16_t m_nDisk = 0;     // the diskette that holds the item
    BOOL m_bNegativeDisk = FALSE;  // the profile gave the diskette as a negative number
    std::int16_t m_nDest = 0;     // plain file: the destination of the copy
    std::string m_strComment;
    CFileGroup* m_pGroup = nullptr;  // the group whose section lists the item; not owned

private:
    CCopyStep* m_pStep = nullptr;  // the copy step while it installs the item; not owned
};

class CArchiveItemList {
public:
    using List = std::list<std::unique_ptr<CArchiveItem>>;

    CArchiveItemList() = default;
    CArchiveItemList(const CArchiveItemList&) = delete;
    CArchiveItemList& operator=(const CArchiveItemList&) = delete;

    // Reads, for every group in the groups' order, the section named by the
    // group's key: key = file name, value = an item line (size|kind|members|disk|dest|comment).
    // Each item goes before the first one that sorts after it, so the list is in
    // diskette order and items of equal order keep the order of loading.
    void LoadFromProfile(const CPathName& file, const CFileGroupMap& groups);
    // The sizes of the items whose group is selected.
    std::uint32_t TotalBytes() const noexcept;

    bool IsEmpty() const noexcept { return m_items.empty(); }
    std::size_t GetCount() const noexcept { return m_items.size(); }
    List::const_iterator begin() const noexcept { return m_items.begin(); }
    List::const_iterator end() const noexcept { return m_items.end(); }

private:
    void Insert(std::unique_ptr<CArchiveItem> item);

    List m_items;
};
