#include "engine/ArchiveItem.h"

#include "profile/ProfileFields.h"
#include "profile/ProfileSection.h"
#include "profile/ProfileString.h"

#include <algorithm>

bool CArchiveItem::SortsAfter(const CArchiveItem& other) const noexcept
{
    if (m_nDisk != other.m_nDisk)
        return m_nDisk > other.m_nDisk;
    return m_bNegativeDisk && !other.m_bNegativeDisk;
}

void CArchiveItemList::LoadFromProfile(const CPathName& file, const CFileGroupMap& groups)
{
    for (const auto& [key, group] : groups) {
        CProfileSection section(key);
        section.SetFile(file);
        CProfileString value;
        for (BOOL more = section.FirstKey(value); more; more = section.NextKey(value)) {
            value.Load();
            const std::string& text = value.GetText();
            auto item = std::make_unique<CArchiveItem>();
            item->m_strName = value.GetKey();
            GetLongField(item->m_nSize, text, 0);
            GetShortField(item->m_nKind, text, 1);
            GetShortField(item->m_nMembers, text, 2);
            std::int16_t disk = 0;
            GetShortField(disk, text, 3);
            item->m_bNegativeDisk = disk < 0;
            item->m_nDisk = static_cast<std::int16_t>(disk < 0 ? -disk : disk);
            GetShortField(item->m_nDest, text, 4);
            GetField(item->m_strComment, text, 5);
            item->m_pGroup = group.get();
            Insert(std::move(item));
        }
    }
}

void CArchiveItemList::Insert(std::unique_ptr<CArchiveItem> item)
{
    const auto after = std::find_if(m_items.begin(), m_items.end(),
                                    [&item](const auto& other) { return other->SortsAfter(*item); });
    m_items.insert(after, std::move(item));
}

std::uint32_t CArchiveItemList::TotalBytes() const noexcept
{
    std::uint32_t total = 0;
    for (const auto& item : m_items)
        if (item->IsSelected())
            total += static_cast<std::uint32_t>(item->m_nSize);
    return total;
}
