#pragma once
// The archive and plain files the setup profile lists, one item per line of
// each file group's section, and the list of them in diskette order. The
// list owns its items.
#include "archive/ArchiveFile.h"
#include "profile/FileGroupMap.h"
#include "system/PathName.h"

#include <cstdint>
#include <list>
#include <memory>
#include <string>

class CArchiveItem : public CArchiveFile {
public:
    // Kinds of item.
    static constexpr std::int16_t kPlainFile = 0;
    static constexpr std::int16_t kArchive = 1;

    // The files of the item's group are to be installed.
    BOOL IsSelected() const noexcept { return m_pGroup && m_pGroup->m_bSelected; }
    // This item comes after `other` in diskette order.
    bool SortsAfter(const CArchiveItem& other) const noexcept;

    std::string m_strName;  // file name (of the first volume), in the source directory
    std::int32_t m_nSize = 0;  // bytes copied (plain file) or expanded (archive)
    std::int16_t m_nKind = kPlainFile;
    std::int16_t m_nMembers = 0;  // kept; not used by the installation
    std::int16_t m_nDisk = 0;     // the diskette that holds the item
    BOOL m_bNegativeDisk = FALSE;  // the profile gave the diskette as a negative number
    std::int16_t m_nDest = 0;     // plain file: the destination of the copy
    std::string m_strComment;
    CFileGroup* m_pGroup = nullptr;  // the group whose section lists the item; not owned
};

class CArchiveItemList {
public:
    using List = std::list<std::unique_ptr<CArchiveItem>>;

    CArchiveItemList() = default;
    CArchiveItemList(const CArchiveItemList&) = delete;
    CArchiveItemList& operator=(const CArchiveItemList&) = delete;

    // Reads, for every group in the groups' order, the section named by the
    // group's key: key = file name, value = size|kind|members|disk|dest|comment.
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
