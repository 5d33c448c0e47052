#include "engine/ArchiveItem.h"

#include "engine/CopyStep.h"
#include "engine/InstallFile.h"
#include "engine/RunState.h"
#include "profile/ProfileSection.h"
#include "profile/ProfileString.h"
#include "rules/Destinations.h"
#include "rules/ProfileRecords.h"

#include <algorithm>
#include <new>

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
            const ItemLine line = ReadItemLine(value.GetText());
            auto item = std::make_unique<CArchiveItem>();
            item->m_strName = value.GetKey();
            item->m_nSize = line.size;
            item->m_nKind = line.kind;
            item->m_nMembers = line.members;
            item->m_bNegativeDisk = line.disk < 0;
            item->m_nDisk = line.Diskette();
            item->m_nDest = line.destination;
            item->m_strComment = line.comment;
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

namespace {

// The item's copy step for the length of its installation.
class CItemStepScope {
public:
    CItemStepScope(CCopyStep*& pStep, CCopyStep& step) noexcept : m_pStep(pStep) { m_pStep = &step; }
    ~CItemStepScope() { m_pStep = nullptr; }
    CItemStepScope(const CItemStepScope&) = delete;
    CItemStepScope& operator=(const CItemStepScope&) = delete;

private:
    CCopyStep*& m_pStep;
};

} // namespace

void CArchiveItem::Install(CCopyStep& step)
{
    CRunState& run = step.GetRun();
    const CItemStepScope current(m_pStep, step);
    m_nBlockSize = kBlockSize;
    CPathName path = run.m_sourceDir;
    path.SetFileName(m_strName);
    try {
        if (!step.LocateSourceFile(m_strName, m_nDisk)) {
            run.m_bSuccess = FALSE;
            AfxThrowUserException();
        }
        // The source directory may have moved to another diskette.
        path = step.SourcePath(m_strName);
        switch (m_nKind) {
        case ItemLine::kPlainFile:
            if (m_nDest == DEST_NONE) {
                step.AddFinishedBytes(static_cast<std::uint32_t>(m_nSize));
                break;
            }
            OpenRead(path.GetPath(), true);
            InstallPlainFile(step);
            break;
        case ItemLine::kArchive:
            OpenArchive(path.GetPath());
            InstallArchive(step);
            break;
        default:
            break;
        }
    } catch (const CUserException&) {
        run.m_bSuccess = FALSE;
    } catch (const CException& e) {
        if (!step.GetHost().ContinueAfterError(e, path.GetPath()))
            run.m_bSuccess = FALSE;
        else
            run.m_bItemsSkipped = TRUE;
    } catch (const std::bad_alloc&) {
        if (!step.GetHost().ContinueAfterError(CMemoryException(), path.GetPath()))
            run.m_bSuccess = FALSE;
        else
            run.m_bItemsSkipped = TRUE;
    }
    // Closed quietly: nothing was written to it. (CArchiveFile::Abort only
    // stops a running codec.)
    CSetupFile::Abort();
}

void CArchiveItem::InstallPlainFile(CCopyStep& step)
{
    CInstallFile file(this, &step);
    file.SetRestartFlag(&step.GetRun().m_bRestartNeeded);
    file.SetName(GetPathName());
    MemberHeader& header = file.Header();
    header.destination = m_nDest;
    header.method = METHOD_COPY;
    header.methodOption = 0;
    header.size = header.packedSize = static_cast<std::uint32_t>(m_nSize);
    header.checksum = 0;
    file.FromFileStatus();

    const CCopyStep::CFileScope current(step, file);
    file.Install();
    step.AddFinishedBytes(header.size);
}

void CArchiveItem::InstallArchive(CCopyStep& step)
{
    CRunState& run = step.GetRun();
    CInstallFile file(this, &step);
    file.SetRestartFlag(&run.m_bRestartNeeded);
    while (NextMember(file)) {
        step.GetHost().LetMessagesThrough(TRUE);
        if (!run.m_bSuccess)
            break;
        const CCopyStep::CFileScope current(step, file);
        if (file.Header().destination == DEST_NONE) {
            // Not installed, but its packed data is read past, so that the
            // next header is found where it lies.
            file.m_nBytesWritten = 0;
            file.m_finalPath.Empty();
            SkipMember(file);
        } else {
            file.Install();
        }
        step.AddFinishedBytes(file.Header().size);
    }
}

void CArchiveItem::VisitFollowingMembers(const CMemberFile& current,
                                         const std::function<void(const CMemberFile&)>& visit) const noexcept
{
    try {
        std::string path = GetPathName();
        int disk = m_nDisk;
        std::uint64_t length = GetLength();
        // Where the next header begins, in the volume at path.
        std::uint64_t next = GetPosition() + current.Header().packedSize;
        bool continues = current.Header().continues != 0;
        // Only headers are read, each after a seek past the member's data,
        // which drops what the stream read ahead: a buffer of about one header.
        constexpr unsigned kHeaderBuffer = 1024;
        static_assert(kHeaderBuffer >= kHeaderSize, "a header fits in one read");
        auto volume = std::make_unique<CMultiFile>();
        volume->OpenRead(path, true, kHeaderBuffer);
        for (;;) {
            // Packed data that runs on into the next volume, where that one
            // is at hand without asking for a diskette.
            while (next > length) {
                const std::string name = NextVolumeName(LastPathComponent(path));
                std::string nextPath;
                if (!continues || !m_pStep || name.empty() || name.back() == '\0' ||
                    !m_pStep->FindVolumeWithoutAsking(path, name, disk + 1, nextPath))
                    return;
                next = kSignatureSize + (next - length);
                path = nextPath;
                ++disk;
                volume = std::make_unique<CMultiFile>();
                volume->OpenRead(path, true, kHeaderBuffer);
                length = volume->GetLength();
            }
            if (next + kHeaderSize > length)
                return;
            volume->Seek(static_cast<std::int64_t>(next), CFile::begin);
            CMemberFile member;
            if (member.ReadHeader(*volume) == 0)
                return;
            visit(member);
            continues = member.Header().continues != 0;
            next += kHeaderSize + std::uint64_t{member.Header().packedSize};
        }
    } catch (...) {
        // What the walk itself finds there it reports.
    }
}

void CArchiveItem::OnBlockBoundary()
{
    if (m_pStep && m_pStep->GetRun().m_bSuccess)
        m_pStep->OnProgress(*this);
}

bool CArchiveItem::FindNextVolume(const std::string& name, std::string& path)
{
    if (!m_pStep)
        return false;
    ++m_nDisk;
    if (!m_pStep->LocateSourceFile(name, m_nDisk))
        return false;
    path = m_pStep->SourcePath(name).GetPath();
    return true;
}
