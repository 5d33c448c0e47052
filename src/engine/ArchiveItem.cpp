#include "engine/ArchiveItem.h"

#include "app/SetupApp.h"
#include "engine/InstallFile.h"
#include "errors/ErrorDialog.h"
#include "profile/Destinations.h"
#include "profile/ProfileFields.h"
#include "profile/ProfileSection.h"
#include "profile/ProfileString.h"
#include "res/resource.h"
#include "wizard/Pages.h"

#include <algorithm>
#include <new>

namespace {

// The copy page's current file while one member is installed; cleared
// however the installation ends, so the page never looks at a file that is
// gone.
class CCurrentFileScope {
public:
    CCurrentFileScope(CCopyPage& page, CInstallFile& file) noexcept : m_page(page) { m_page.m_pCurrentFile = &file; }
    ~CCurrentFileScope() { m_page.m_pCurrentFile = nullptr; }
    CCurrentFileScope(const CCurrentFileScope&) = delete;
    CCurrentFileScope& operator=(const CCurrentFileScope&) = delete;

private:
    CCopyPage& m_page;
};

} // namespace

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

// ---- Installation ------------------------------------------------------------

void CArchiveItem::Install(CCopyPage& page)
{
    CSetupApp& app = SetupApp();
    m_nBlockSize = kBlockSize;
    CPathName path = *app.m_pSourceDir;
    path.SetFileName(m_strName);
    try {
        if (!app.LocateSourceFile(m_strName, m_nDisk)) {
            app.m_bSuccess = FALSE;
            AfxThrowUserException();
        }
        // The source directory may have moved to another diskette.
        path = *app.m_pSourceDir;
        if (!path.SetFileName(m_strName))
            AfxThrowFileException(CFileException::badPath, -1, app.m_pSourceDir->GetPath() + m_strName);
        switch (m_nKind) {
        case kPlainFile:
            if (m_nDest == DEST_NONE) {
                page.m_nFinishedBytes += static_cast<std::uint32_t>(m_nSize);
                break;
            }
            OpenRead(path.GetPath(), true);
            InstallPlainFile(page);
            break;
        case kArchive:
            OpenArchive(path.GetPath());
            InstallArchive(page);
            break;
        default:
            break;
        }
    } catch (const CUserException&) {
        app.m_bSuccess = FALSE;
        page.MarkFailed();
    } catch (const CException& e) {
        if (!ErrorQuery(IDS_CANNOT_INSTALL_FILES_FROM, e, path.GetPath().c_str()))
            app.m_bSuccess = FALSE;
        else
            app.m_bItemsSkipped = TRUE;
    } catch (const std::bad_alloc&) {
        if (!ErrorQuery(IDS_CANNOT_INSTALL_FILES_FROM, CMemoryException(), path.GetPath().c_str()))
            app.m_bSuccess = FALSE;
        else
            app.m_bItemsSkipped = TRUE;
    }
    // Closed quietly: nothing was written to it. (CArchiveFile::Abort only
    // stops a running codec.)
    CSetupFile::Abort();
}

void CArchiveItem::InstallPlainFile(CCopyPage& page)
{
    CInstallFile file(this);
    file.SetRestartFlag(&SetupApp().m_bRestartNeeded);
    file.SetName(GetPathName());
    MemberHeader& header = file.Header();
    header.destination = m_nDest;
    header.method = METHOD_COPY;
    header.methodOption = 0;
    header.size = header.packedSize = static_cast<std::uint32_t>(m_nSize);
    header.checksum = 0;
    file.FromFileStatus();

    CCurrentFileScope current(page, file);
    file.Install();
    page.m_nFinishedBytes += header.size;
}

void CArchiveItem::InstallArchive(CCopyPage& page)
{
    CSetupApp& app = SetupApp();
    CInstallFile file(this);
    file.SetRestartFlag(&app.m_bRestartNeeded);
    while (NextMember(file)) {
        PumpMessagesIfDue();
        if (!app.m_bSuccess)
            break;
        CCurrentFileScope current(page, file);
        if (file.Header().destination == DEST_NONE) {
            // Not installed, but its packed data is read past, so that the
            // next header is found where it lies.
            file.m_nBytesWritten = 0;
            file.m_finalPath.Empty();
            SkipMember(file);
        } else {
            file.Install();
        }
        page.m_nFinishedBytes += file.Header().size;
    }
}

void CArchiveItem::OnBlockBoundary()
{
    if (!SetupApp().m_bSuccess)
        return;
    if (CCopyPage* page = GetCurrentCopyPage())
        page->Progress();
}

bool CArchiveItem::FindNextVolume(const std::string& name, std::string& path)
{
    CSetupApp& app = SetupApp();
    ++m_nDisk;
    if (!app.LocateSourceFile(name, m_nDisk))
        return false;
    CPathName next = *app.m_pSourceDir;
    if (!next.SetFileName(name))
        AfxThrowFileException(CFileException::badPath, -1, app.m_pSourceDir->GetPath() + name);
    path = next.GetPath();
    return true;
}
