#include "SetBuilder.h"

#include "DisketteSet.h"
#include "Parallel.h"
#include "FatImage.h"
#include "SetReader.h"
#include "SetupProgram.h"
#include "archive/Codec.h"
#include "archive/MultiFile.h"
#include "rules/DisketteFolders.h"
#include "rules/ProfileFields.h"
#include "rules/ProfileLine.h"
#include "rules/ProfileRecords.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr unsigned kCopyBuffer = 65536;

// A counting file that gathers its writes, for the large files of the build.
class CBuildFile : public CMultiFile {
public:
    CBuildFile() { SetWriteBuffer(kCopyBuffer); }
};

// Members of at most this size are packed into memory, as long as all held
// there stay within kMemoryForPacked: a work file per member costs a file
// creation and a deletion, and creating files right after deleting many is
// slow on some file systems.
constexpr std::uint64_t kPackedInMemoryUpTo = 256 * 1024;
constexpr std::uint64_t kMemoryForPacked = 64 * 1024 * 1024;

// The output of the codec gathered in memory.
class CMemorySink : public CFile {
public:
    void Write(const void* buffer, unsigned count) override
    {
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        m_bytes.insert(m_bytes.end(), bytes, bytes + count);
    }
    std::vector<unsigned char> m_bytes;
};

std::string Join(const std::string& folder, const std::string& name)
{
    return (fs::path(folder) / name).string();
}

// The name of the profile beside a setup program: its own name with
// extension "ini" ("INSTALL.EXE" -> "INSTALL.ini").
std::string ProfileNameFor(const std::string& program)
{
    const std::size_t dot = program.rfind('.');
    return (dot == std::string::npos ? program : program.substr(0, dot)) + ".ini";
}

void CopyFile(const std::string& from, const std::string& to, std::uint64_t expected)
{
    CSetupFile in;
    CBuildFile out;
    in.OpenRead(from);
    out.OpenWrite(to);
    std::vector<unsigned char> buffer(kCopyBuffer);
    std::uint64_t copied = 0;
    while (const unsigned n = in.Read(buffer.data(), kCopyBuffer)) {
        out.Write(buffer.data(), n);
        copied += n;
    }
    out.Close();
    if (copied != expected)
        throw CInputError(from + ": changed while the set was built (" + std::to_string(expected) + " bytes, now " +
                          std::to_string(copied) + ")");
}

std::string ReadWhole(const std::string& path)
{
    CSetupFile in;
    in.OpenRead(path);
    std::string bytes;
    std::vector<unsigned char> buffer(kCopyBuffer);
    while (const unsigned n = in.Read(buffer.data(), kCopyBuffer))
        bytes.append(reinterpret_cast<const char*>(buffer.data()), n);
    return bytes;
}

bool SameContents(const std::string& a, const std::string& b)
{
    CSetupFile fa, fb;
    fa.OpenRead(a);
    fb.OpenRead(b);
    std::vector<unsigned char> ba(kCopyBuffer), bb(kCopyBuffer);
    for (;;) {
        const unsigned na = fa.Read(ba.data(), kCopyBuffer);
        const unsigned nb = fb.Read(bb.data(), kCopyBuffer);
        if (na != nb || !std::equal(ba.begin(), ba.begin() + na, bb.begin()))
            return false;
        if (na == 0)
            return true;
    }
}

std::uint64_t SizeOf(const std::string& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error)
        throw CInputError(path + ": " + error.message());
    return size;
}

std::string Thousands(std::uint64_t value)
{
    std::string digits = std::to_string(value);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

// A folder left as it was by an earlier build: empty, or only diskette
// folders and their images.
bool LooksLikeDisketteSet(const std::string& dir)
{
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(dir, ignored)) {
        const std::string name = entry.path().filename().string();
        const bool folder = entry.is_directory(ignored) && DisketteFolderNameNumber(name) != 0;
        if (!folder && !(entry.is_regular_file(ignored) && DisketteImageNumberOf(name) != 0))
            return false;
    }
    return !ignored;
}

// Writes an archive's logical stream into its volumes: each volume's file is
// opened with its signature when the stream reaches it.
class CVolumeStream {
public:
    struct Part {
        std::string path;
        std::uint64_t to = 0;  // where the volume's part of the stream ends
    };

    explicit CVolumeStream(std::vector<Part> parts) : m_parts(std::move(parts)) { Open(); }

    void Write(const unsigned char* bytes, std::uint64_t count)
    {
        while (count > 0) {
            if (m_nAt == m_parts[m_nPart].to) {
                m_file.Close();
                ++m_nPart;
                Open();
            }
            const std::uint64_t n = std::min(count, m_parts[m_nPart].to - m_nAt);
            m_file.Write(bytes, static_cast<unsigned>(n));
            bytes += n;
            count -= n;
            m_nAt += n;
        }
    }
    void Close() { m_file.Close(); }

private:
    void Open()
    {
        m_file.OpenWrite(m_parts[m_nPart].path);
        unsigned char signature[kSignatureSize];
        EncodeSignature(static_cast<std::uint16_t>(m_nPart + 1), signature);
        m_file.Write(signature, kSignatureSize);
    }

    std::vector<Part> m_parts;
    std::size_t m_nPart = 0;
    std::uint64_t m_nAt = 0;  // in the logical stream
    CBuildFile m_file;
};

// FAT keeps times from 1980 to 2107, in steps of two seconds.
constexpr std::int64_t kFirstFatTime = 315532800;  // 1980-01-01 00:00:00
constexpr std::int64_t kLastFatTime = 4354819198;  // 2107-12-31 23:59:58

std::string UtcText(std::int64_t time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    const std::tm* tm = std::gmtime(&t);
    char text[32];
    if (!tm || !std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", tm))
        return std::to_string(time);
    return text;
}

} // namespace

CSetBuilder::CSetBuilder(const CLayout& layout, std::string outDir, bool replaceAnything, std::ostream& out,
                         bool images)
    : m_layout(layout), m_outDir(std::move(outDir)), m_bReplaceAnything(replaceAnything), m_bImages(images),
      m_out(out), m_nThreads(DefaultThreads())
{
    while (m_outDir.size() > 1 && (m_outDir.back() == '/' || m_outDir.back() == '\\'))
        m_outDir.pop_back();
    m_partial = m_outDir + ".partial";
    m_work = Join(m_partial, "_work");
}

void CSetBuilder::CheckSetupProgram() const
{
    if (m_layout.m_setupProgram.empty())
        return;
    switch (ExamineSetupProgram(m_layout.m_setupProgram)) {
    case SetupProgramKind::runsFromSwap:
        break;
    case SetupProgramKind::pagedFromItsDisk:
        throw CInputError(m_layout.m_setupProgram +
                          ": the setup program lacks the run-from-swap flags (removable and network media) in its "
                          "file header: Windows would page it in from diskette 1 after the user has changed it; "
                          "set them with scripts/pe-swaprun.py (strip removes them)");
    case SetupProgramKind::notWindowsProgram:
        m_out << "warning: " << m_layout.m_setupProgram << ": the setup program is not a Windows program\n";
        break;
    }
}

std::int64_t CSetBuilder::Round(std::int64_t bytes, int disk) const
{
    const std::int64_t cluster = m_layout.FormatOf(disk).clusterSize;
    return (bytes + cluster - 1) / cluster * cluster;
}

std::string CSetBuilder::DiskFolder(int disk) const
{
    return Join(m_partial, DisketteFolderName(disk));
}

std::string CSetBuilder::OnDisk(int disk, const std::string& name) const
{
    return Join(DiskFolder(disk), name);
}

void CSetBuilder::Build()
{
    if (m_bImages)
        CheckImagesPossible();
    CheckSetupProgram();
    for (const std::string& warning : m_layout.m_warnings)
        m_out << "warning: " << warning << "\n";
    CheckOutputFolder();
    // A folder of this name is what a failed build left behind.
    std::error_code error;
    fs::remove_all(m_partial, error);
    fs::create_directories(m_work, error);
    if (error)
        throw CInputError(m_partial + ": cannot be created: " + error.message());
    try {
        NameSetupFiles();
        PackAll();
        PlanWithProfile();
        WriteSet();
        Verify();
        if (m_bImages)
            WriteImages();
        fs::remove_all(m_work, error);
        Commit();
    } catch (...) {
        std::error_code ignored;
        fs::remove_all(m_partial, ignored);
        throw;
    }
    PrintSummary();
}

void CSetBuilder::CheckOutputFolder() const
{
    std::error_code error;
    if (fs::exists(m_outDir, error) && !fs::is_directory(m_outDir, error))
        throw CInputError(m_outDir + ": exists and is not a folder");
    if (fs::exists(m_outDir, error) && !m_bReplaceAnything && !LooksLikeDisketteSet(m_outDir))
        throw CInputError(m_outDir + ": exists and holds more than a diskette set; remove it, choose another "
                                     "folder or give --force to replace it");
}

void CSetBuilder::NameSetupFiles()
{
    if (!m_layout.m_setupProgram.empty()) {
        m_setupName = fs::path(m_layout.m_setupProgram).filename().string();
        m_setupSize = SizeOf(m_layout.m_setupProgram);
    } else {
        m_setupName.clear();
        m_out << "warning: no setup program given (Program= in [layout] or --setup); "
                 "the set holds only its profile\n";
    }
    m_profileName = ProfileNameFor(m_setupName.empty() ? "INSTALL.EXE" : m_setupName);
}

int CSetBuilder::SetupEntries() const
{
    return (m_setupName.empty() ? 0 : DirectoryEntriesFor(m_setupName)) + DirectoryEntriesFor(m_profileName);
}

// Diskette 1 holds the setup program and its profile before anything else;
// the profile names the diskettes, so plan until it fits.
void CSetBuilder::PlanWithProfile()
{
    std::int64_t reserved = Round(static_cast<std::int64_t>(m_setupSize), 1);
    for (int attempt = 0;; ++attempt) {
        const int entryLimit = m_layout.FormatOf(1).fileEntries;
        if (reserved > Capacity(1) || (entryLimit > 0 && SetupEntries() > entryLimit))
            throw CInputError("the setup program (" + Thousands(m_setupSize) +
                              " bytes) and its profile do not fit on diskette 1 (" +
                              Thousands(static_cast<std::uint64_t>(Capacity(1))) +
                              " bytes; FirstDisketteSize in [layout] sets its size)");
        Plan(reserved);
        m_profile = MakeProfile();
        const std::int64_t needed = Round(static_cast<std::int64_t>(m_setupSize), 1) +
                                    Round(static_cast<std::int64_t>(m_profile.size()), 1);
        if (needed <= reserved)
            return;
        if (attempt == 10)
            throw CInputError("the diskettes cannot be planned: the profile keeps growing");
        reserved = needed;
    }
}

void CSetBuilder::PackAll()
{
    // One task per member of an archive, and one per plain file, in the
    // layout's order.
    struct Task {
        std::size_t item;
        std::size_t member;  // of the archive; none for a plain file
    };
    constexpr std::size_t kNoMember = static_cast<std::size_t>(-1);
    m_items.clear();
    m_packedInMemory = 0;
    std::vector<Task> tasks;
    std::vector<std::size_t> firstTask;  // per item
    for (const LayoutItem& layoutItem : m_layout.m_items) {
        Item item;
        item.layout = &layoutItem;
        firstTask.push_back(tasks.size());
        if (layoutItem.kind == LayoutItem::Kind::file) {
            tasks.push_back({m_items.size(), kNoMember});
        } else {
            item.members.resize(layoutItem.members.size());
            for (std::size_t m = 0; m < layoutItem.members.size(); ++m)
                tasks.push_back({m_items.size(), m});
        }
        m_items.push_back(std::move(item));
    }
    firstTask.push_back(tasks.size());

    std::atomic<std::size_t> failedTask{tasks.size()};  // the first in order that failed
    try {
        RunInOrderOfFailure(tasks.size(), m_nThreads, [&](std::size_t index) {
            const Task& task = tasks[index];
            Item& item = m_items[task.item];
            try {
                if (task.member == kNoMember)
                    CheckPlainFile(item);
                else
                    item.members[task.member] =
                        PackMember(item.layout->members[task.member], static_cast<int>(index) + 1);
            } catch (...) {
                std::size_t seen = failedTask.load();
                while (index < seen && !failedTask.compare_exchange_weak(seen, index)) {
                }
                throw;
            }
        });
    } catch (...) {
        // One item after the other, the archives before the failed task's
        // item would have been laid out, and refused, first.
        const std::size_t failed = failedTask.load();
        for (std::size_t i = 0; failed < tasks.size() && i < failed; ++i) {
            const std::size_t item = tasks[i].item;
            if (item == tasks[failed].item)
                break;
            if (firstTask[item + 1] == i + 1 && m_items[item].layout->kind != LayoutItem::Kind::file)
                LayOutArchive(m_items[item]);
        }
        throw;
    }
    for (Item& item : m_items) {
        for (const Member& member : item.members)
            if (!member.warning.empty())
                m_out << "warning: " << member.warning << "\n";
        if (item.layout->kind != LayoutItem::Kind::file)
            LayOutArchive(item);
    }
}

void CSetBuilder::CheckPlainFile(Item& item) const
{
    const LayoutItem& layoutItem = *item.layout;
    if (!fs::is_regular_file(layoutItem.source))
        throw CInputError(m_layout.Where(layoutItem.line) + "source file '" + layoutItem.source + "' not found");
    item.size = SizeOf(layoutItem.source);
    if (item.size > 2147483647)
        throw CInputError(m_layout.Where(layoutItem.line) + "'" + layoutItem.source +
                          "' is larger than the 2 GB a profile line can give");
}

void CSetBuilder::LayOutArchive(Item& item) const
{
    const LayoutItem& layoutItem = *item.layout;
    std::uint64_t offset = 0;
    for (Member& member : item.members) {
        member.headerAt = offset;
        member.dataAt = offset + kHeaderSize;
        member.dataEnd = member.dataAt + member.header.packedSize;
        offset = member.dataEnd;
        item.size += member.header.size;
    }
    item.streamLength = offset;
    if (item.size > 2147483647)
        throw CInputError(m_layout.Where(layoutItem.line) + "archive '" + layoutItem.name +
                          "' expands to more than the 2 GB a profile line can give");
    if (item.members.size() > 32767)
        throw CInputError(m_layout.Where(layoutItem.line) + "archive '" + layoutItem.name +
                          "' has more members than a profile line can count (32767)");
}

CSetBuilder::Member CSetBuilder::PackMember(const LayoutMember& layoutMember, int workFile) const
{
    Member member;
    member.layout = &layoutMember;
    const std::string where = m_layout.Where(layoutMember.line);
    if (!fs::is_regular_file(layoutMember.source))
        throw CInputError(where + "source file '" + layoutMember.source + "' not found");
    CFileStatus status;
    if (!CFile::GetStatus(layoutMember.source.c_str(), status))
        throw CInputError(where + "source file '" + layoutMember.source + "' cannot be examined");

    CMultiFile source;
    source.OpenRead(layoutMember.source);
    PackData(source, member, workFile);
    if (source.m_nBytesRead > 0xFFFFFFFFll)
        throw CInputError(where + "'" + layoutMember.source + "' is larger than the 4 GB a member can hold");
    MemberHeader& h = member.header;
    h.size = static_cast<std::uint32_t>(source.m_nBytesRead);
    if (h.method == METHOD_COPY)
        h.packedSize = h.size;
    h.checksum = source.m_checksum;
    h.SetFileName(layoutMember.name);
    h.SetComment(layoutMember.comment);
    h.destination = layoutMember.destination;
    h.attributes = layoutMember.attributes;
    h.modifiedTime = MemberTime(layoutMember, status, member.warning);
    return member;
}

// Reads the whole source, packed by zlib into a work file when the layout
// asks for it and zlib makes it smaller; otherwise the member is stored as
// the source holds it.
void CSetBuilder::PackData(CMultiFile& source, Member& member, int workFile) const
{
    MemberHeader& h = member.header;
    h.method = METHOD_COPY;
    member.packedPath = member.layout->source;
    if (!member.layout->zlib) {
        std::vector<unsigned char> buffer(kCopyBuffer);
        while (source.Read(buffer.data(), kCopyBuffer) != 0) {
        }
        return;
    }
    const std::uint64_t size = source.GetLength();
    if (size <= kPackedInMemoryUpTo && m_packedInMemory.fetch_add(size) + size <= kMemoryForPacked) {
        CMemorySink packed;
        CZLibCodec codec;
        codec.Compress(&source, &packed);
        if (packed.m_bytes.size() < static_cast<std::uint64_t>(source.m_nBytesRead)) {
            h.method = METHOD_ZLIB;
            h.packedSize = static_cast<std::uint32_t>(packed.m_bytes.size());
            member.packedPath.clear();
            member.packedBytes = std::move(packed.m_bytes);
        }
        return;
    }
    const std::string packedPath = Join(m_work, "packed-" + std::to_string(workFile));
    CBuildFile packed;
    packed.OpenWrite(packedPath);
    CZLibCodec codec;
    codec.Compress(&source, &packed);
    packed.Close();
    if (packed.m_nBytesWritten < source.m_nBytesRead) {
        h.method = METHOD_ZLIB;
        h.packedSize = static_cast<std::uint32_t>(packed.m_nBytesWritten);
        member.packedPath = packedPath;
    } else {
        fs::remove(packedPath);
    }
}

std::int32_t CSetBuilder::MemberTime(const LayoutMember& layoutMember, const CFileStatus& status,
                                     std::string& warning) const
{
    switch (m_layout.m_timeMode) {
    case CLayout::TimeMode::none:
        return 0;
    case CLayout::TimeMode::fixed:
        return m_layout.m_nFixedTime;
    case CLayout::TimeMode::source:
        break;
    }
    if (status.m_mtime > 0 && status.m_mtime <= 2147483647)
        return static_cast<std::int32_t>(status.m_mtime);
    warning = m_layout.Where(layoutMember.line) + "the time of '" + layoutMember.source +
              "' does not fit the archive's 32-bit time; the file keeps the time it is installed at";
    return 0;
}

bool CSetBuilder::FindCut(const Item& item, std::uint64_t from, std::uint64_t limit, std::uint64_t& cut) const
{
    // A volume may end only inside the packed data of a member, which then
    // continues in the next volume; never inside a header or between members.
    for (std::size_t i = item.members.size(); i-- > 0;) {
        const Member& m = item.members[i];
        if (m.headerAt > limit || m.dataEnd == m.dataAt)
            continue;
        cut = std::min<std::uint64_t>(limit, m.dataEnd - 1);
        if (cut < m.dataAt)
            continue;  // the limit falls in this member's header: try an earlier member
        return cut > from;
    }
    return false;
}

std::int64_t CSetBuilder::Capacity(int disk) const
{
    return m_layout.FormatOf(disk).capacity;
}

void CSetBuilder::Plan(std::int64_t reserved)
{
    m_used.assign(2, 0);
    m_used[1] = reserved;
    m_entries.assign(2, 0);
    m_entries[1] = SetupEntries();
    int disk = 1;
    if (m_layout.m_bSetupAlone)
        NextDisk(disk);
    for (Item& item : m_items) {
        item.volumes.clear();
        for (Member& m : item.members)
            m.header.continues = 0;
        if (item.layout->kind == LayoutItem::Kind::file)
            PlacePlainFile(item, disk);
        else
            PlaceArchive(item, disk);
    }
    m_nDisks = disk;
    CheckNamesDiffer();
}

void CSetBuilder::NextDisk(int& disk)
{
    ++disk;
    if (disk > kMaxDiskettes)
        throw CInputError("the set needs more than " + std::to_string(kMaxDiskettes) +
                          " diskettes; the setup program finds diskette folders only by their two-digit number");
    m_used.push_back(0);
    m_entries.push_back(0);
}

bool CSetBuilder::Fits(int disk, std::int64_t bytes, const std::string& name) const
{
    const int limit = m_layout.FormatOf(disk).fileEntries;
    return Round(bytes, disk) <= Capacity(disk) - m_used[disk] &&
           (limit == 0 || m_entries[disk] + DirectoryEntriesFor(name) <= limit);
}

void CSetBuilder::Take(int disk, std::int64_t bytes, const std::string& name)
{
    m_used[disk] += Round(bytes, disk);
    m_entries[disk] += DirectoryEntriesFor(name);
}

void CSetBuilder::PlacePlainFile(Item& item, int& disk)
{
    const LayoutItem& layoutItem = *item.layout;
    const std::int64_t bytes = static_cast<std::int64_t>(item.size);
    if (!Fits(disk, bytes, layoutItem.name))
        NextDisk(disk);
    if (!Fits(disk, bytes, layoutItem.name))
        throw CInputError(m_layout.Where(layoutItem.line) + "'" + layoutItem.name + "' (" + Thousands(item.size) +
                          " bytes) does not fit on one diskette; list it in an archive, whose volumes can span "
                          "diskettes");
    item.disk = disk;
    Take(disk, bytes, layoutItem.name);
}

// Volume after volume, each as large as the room left on its diskette; an
// archive that does not begin on a diskette's first cluster may begin on the
// next diskette instead.
void CSetBuilder::PlaceArchive(Item& item, int& disk)
{
    const LayoutItem& layoutItem = *item.layout;
    std::uint64_t from = 0;
    std::string name = layoutItem.name;
    for (;;) {
        const std::int64_t room = VolumeRoom(disk, name);
        if (room >= static_cast<std::int64_t>(item.streamLength - from)) {
            item.volumes.push_back({disk, name, from, item.streamLength});
            break;
        }
        std::uint64_t cut = 0;
        if (room <= 0 || !FindCut(item, from, from + static_cast<std::uint64_t>(room), cut)) {
            if (item.volumes.empty() && (m_used[disk] > 0 || m_entries[disk] > 0)) {
                NextDisk(disk);  // start the archive on a fresh diskette
                continue;
            }
            throw CInputError(m_layout.Where(layoutItem.line) + "archive '" + layoutItem.name +
                              "' cannot be cut into volumes of this diskette size");
        }
        item.volumes.push_back({disk, name, from, cut});
        for (Member& m : item.members)
            if (m.dataAt <= cut && cut < m.dataEnd)
                m.header.continues = 1;
        Take(disk, static_cast<std::int64_t>(kSignatureSize + cut - from), name);
        from = cut;
        name = RaisedVolumeName(item, name);
        NextDisk(disk);
    }
    const Volume& last = item.volumes.back();
    Take(disk, static_cast<std::int64_t>(kSignatureSize + last.to - last.from), last.name);
    item.disk = item.volumes.front().disk;
}

// The largest volume that fits in the room left, less its signature; none
// when the root folder is full.
std::int64_t CSetBuilder::VolumeRoom(int disk, const std::string& name) const
{
    const std::int64_t cluster = m_layout.FormatOf(disk).clusterSize;
    if (!Fits(disk, 0, name))
        return 0;
    return (Capacity(disk) - m_used[disk]) / cluster * cluster - static_cast<std::int64_t>(kSignatureSize);
}

std::string CSetBuilder::RaisedVolumeName(const Item& item, const std::string& name) const
{
    const char last = name.back();
    if (!((last >= '0' && last < '9') || (last >= 'A' && last < 'Z') || (last >= 'a' && last < 'z')))
        throw CInputError(m_layout.Where(item.layout->line) + "archive '" + item.layout->name + "' needs more than " +
                          std::to_string(item.volumes.size()) + " volumes, but the last character of '" + name +
                          "' cannot be raised to name another (end the name in a letter or digit: A gives up to "
                          "26 volumes, 1 up to 9)");
    return NextVolumeName(name);
}

// Every file of a diskette has its own name.
void CSetBuilder::CheckNamesDiffer() const
{
    std::map<std::string, std::string> names;
    auto claim = [&](const std::string& name, const std::string& what, int line) {
        std::string key = name;
        std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
        const auto [it, fresh] = names.emplace(key, what);
        if (!fresh)
            throw CInputError((line ? m_layout.Where(line) : std::string()) + what + " and " + it->second +
                              " would have the same file name '" + name + "'");
    };
    claim(m_profileName, "the setup profile", 0);
    if (!m_setupName.empty())
        claim(m_setupName, "the setup program", 0);
    for (const Item& item : m_items) {
        if (item.volumes.empty())
            claim(item.layout->name, "item '" + item.layout->name + "'", item.layout->line);
        for (const Volume& v : item.volumes)
            claim(v.name, "a volume of archive '" + item.layout->name + "'", item.layout->line);
    }
}

std::string CSetBuilder::MakeProfile() const
{
    std::string text;
    AddSection(text, "destinations", m_layout.m_destinations, true);
    AddSection(text, "diskettes", DisketteLines(), false);
    AddSection(text, "groups", m_layout.m_groups, true);
    AddSection(text, "targets", m_layout.m_targets, false);
    for (const ProfileEntry& group : m_layout.m_groups)
        AddSection(text, group.key, ItemLines(group.key), false);
    return text;
}

// "[name]" and its lines, after a blank line unless it is the first section;
// nothing for a section without lines unless always.
void CSetBuilder::AddSection(std::string& text, const std::string& name, const std::vector<ProfileEntry>& lines,
                             bool always) const
{
    if (lines.empty() && !always)
        return;
    if (!text.empty())
        text += "\r\n";
    text += "[" + name + "]\r\n";
    for (const ProfileEntry& line : lines) {
        if (line.value.size() > kMaxProfileValue)
            throw CInputError(m_layout.Where(line.line) + "the profile line of '" + line.key + "' is longer than the " +
                              std::to_string(kMaxProfileValue) + " characters the setup program reads");
        text += line.key + "=" + line.value + "\r\n";
    }
}

// The layout's diskettes, and a label from Label= for every other diskette
// of the set, in the order of their numbers.
std::vector<ProfileEntry> CSetBuilder::DisketteLines() const
{
    std::map<int, ProfileEntry> diskettes;
    for (const ProfileEntry& e : m_layout.m_diskettes)
        diskettes[std::atoi(e.key.c_str())] = e;
    if (!m_layout.m_labelPattern.empty())
        for (int n = 1; n <= m_nDisks; ++n)
            if (!diskettes.count(n))
                diskettes[n] = {{}, DisketteLabel(n) + "|", 0};
    std::vector<ProfileEntry> lines;
    for (const auto& [n, entry] : diskettes)
        lines.push_back({std::to_string(n), entry.value, entry.line});
    return lines;
}

std::vector<ProfileEntry> CSetBuilder::ItemLines(const std::string& group) const
{
    std::vector<ProfileEntry> lines;
    for (const Item& item : m_items)
        if (item.layout->group == group)
            lines.push_back({item.layout->name, FormatItemLine(ItemLineOf(item)), item.layout->line});
    return lines;
}

ItemLine CSetBuilder::ItemLineOf(const Item& item)
{
    const LayoutItem& l = *item.layout;
    const bool archive = l.kind == LayoutItem::Kind::archive;
    ItemLine line;
    line.size = static_cast<std::int32_t>(item.size);
    line.kind = archive ? ItemLine::kArchive : ItemLine::kPlainFile;
    line.members = static_cast<std::int16_t>(archive ? item.members.size() : 1);
    line.disk = static_cast<std::int16_t>(item.disk);
    line.destination = archive ? std::int16_t{0} : l.destination;
    line.comment = l.comment;
    return line;
}

std::string CSetBuilder::DisketteLabel(int disk) const
{
    std::string label;
    for (const ProfileEntry& e : m_layout.m_diskettes)
        if (std::atoi(e.key.c_str()) == disk) {
            GetField(label, e.value, 0);
            return label;
        }
    const std::string& pattern = m_layout.m_labelPattern;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '%' && i + 1 < pattern.size()) {
            label += pattern[i + 1] == 'd' ? std::to_string(disk) : std::string("%");
            ++i;
        } else {
            label += c;
        }
    }
    return label;
}

std::vector<std::string> CSetBuilder::NamesOn(int disk, bool numberVolumes) const
{
    std::vector<std::string> names;
    if (disk == 1) {
        if (!m_setupName.empty())
            names.push_back(m_setupName);
        names.push_back(m_profileName);
    }
    for (const Item& item : m_items) {
        if (item.layout->kind == LayoutItem::Kind::file && item.disk == disk)
            names.push_back(item.layout->name);
        for (std::size_t i = 0; i < item.volumes.size(); ++i)
            if (item.volumes[i].disk == disk)
                names.push_back(item.volumes[i].name +
                                (numberVolumes && item.volumes.size() > 1
                                     ? " (volume " + std::to_string(i + 1) + " of " +
                                           std::to_string(item.volumes.size()) + ")"
                                     : std::string()));
    }
    return names;
}

void CSetBuilder::WriteSet() const
{
    for (int disk = 1; disk <= m_nDisks; ++disk)
        fs::create_directory(DiskFolder(disk));
    if (!m_setupName.empty())
        CopyFile(m_layout.m_setupProgram, OnDisk(1, m_setupName), m_setupSize);
    {
        CBuildFile profile;
        profile.OpenWrite(OnDisk(1, m_profileName));
        profile.Write(m_profile.data(), static_cast<unsigned>(m_profile.size()));
        profile.Close();
    }
    for (const Item& item : m_items) {
        if (item.layout->kind == LayoutItem::Kind::file) {
            CopyFile(item.layout->source, OnDisk(item.disk, item.layout->name), item.size);
            StampPlainFile(item);
        } else {
            WriteVolumes(item);
        }
    }
}

// The setup program installs a plain file with the time it has on its
// diskette, so it gets the time a member would get from Time=, not the moment
// the set was written: otherwise two builds within one second give an older
// installation's copy the same time as its successor's, and it is kept.
void CSetBuilder::StampPlainFile(const Item& item) const
{
    std::time_t time = 0;
    switch (m_layout.m_timeMode) {
    case CLayout::TimeMode::none:
        return;
    case CLayout::TimeMode::fixed:
        time = m_layout.m_nFixedTime;
        break;
    case CLayout::TimeMode::source: {
        CFileStatus source;
        if (CFile::GetStatus(item.layout->source.c_str(), source))
            time = source.m_mtime;
        break;
    }
    }
    if (time <= 0)
        return;
    const std::string path = OnDisk(item.disk, item.layout->name);
    CFileStatus status;
    if (!CFile::GetStatus(path.c_str(), status))
        throw CInputError(path + ": cannot be examined");
    status.m_mtime = time;
    CFile::SetStatus(path.c_str(), status);
}

void CSetBuilder::WriteVolumes(const Item& item) const
{
    std::vector<CVolumeStream::Part> parts;
    for (const Volume& v : item.volumes)
        parts.push_back({OnDisk(v.disk, v.name), v.to});
    CVolumeStream stream(std::move(parts));
    std::vector<unsigned char> buffer(kCopyBuffer);
    for (const Member& m : item.members) {
        unsigned char header[kHeaderSize];
        EncodeHeader(m.header, header);
        stream.Write(header, kHeaderSize);
        if (m.packedPath.empty()) {
            stream.Write(m.packedBytes.data(), static_cast<unsigned>(m.packedBytes.size()));
            continue;
        }
        CSetupFile packed;
        packed.OpenRead(m.packedPath);
        std::uint64_t left = m.header.packedSize;
        while (left > 0) {
            const unsigned n = packed.Read(buffer.data(), static_cast<unsigned>(std::min<std::uint64_t>(kCopyBuffer, left)));
            if (n == 0)
                throw CInputError(m_layout.Where(m.layout->line) + "'" + m.layout->source +
                                  "' changed while the set was built");
            stream.Write(buffer.data(), n);
            left -= n;
        }
    }
    stream.Close();
}


void CSetBuilder::Verify() const
{
    // Every diskette holds no more than it can.
    for (int disk = 1; disk <= m_nDisks; ++disk) {
        std::int64_t used = 0;
        int entries = 0;
        for (const auto& entry : fs::directory_iterator(DiskFolder(disk))) {
            used += Round(static_cast<std::int64_t>(entry.file_size()), disk);
            entries += DirectoryEntriesFor(entry.path().filename().string());
        }
        const int limit = m_layout.FormatOf(disk).fileEntries;
        if (used > Capacity(disk) || (limit > 0 && entries > limit))
            throw CInputError("verification: diskette " + std::to_string(disk) + " holds " + Thousands(used) +
                              " bytes in " + std::to_string(entries) + " root entries, more than it can");
    }
    // The setup program reads every item line back as it was planned.
    CIniFile profile;
    profile.Load(OnDisk(1, m_profileName));
    for (const Item& item : m_items) {
        const IniSection* section = profile.Find(item.layout->group);
        const IniEntry* entry = section ? section->Find(item.layout->name) : nullptr;
        if (!entry || FormatItemLine(ReadItemLine(entry->value)) != FormatItemLine(ItemLineOf(item)))
            throw CInputError("verification: the profile does not list '" + item.layout->name + "' as planned");
    }
    if (!m_setupName.empty() && !SameContents(m_layout.m_setupProgram, OnDisk(1, m_setupName)))
        throw CInputError("verification: the copy of the setup program differs from " + m_layout.m_setupProgram);
    // Archives are read back in parts, so that one large archive keeps every
    // thread busy too; the parts run in the order of their members, so the
    // first failure reported is the one a single walk would meet first.
    const std::vector<ReadBackPart> parts = ReadBackParts();
    RunInOrderOfFailure(parts.size(), m_nThreads, [&](std::size_t index) { VerifyPart(parts[index], index); });
}

std::vector<CSetBuilder::ReadBackPart> CSetBuilder::ReadBackParts() const
{
    std::vector<ReadBackPart> parts;
    for (const Item& item : m_items) {
        const std::size_t count = item.members.size();
        if (item.layout->kind == LayoutItem::Kind::file || count <= 1 || m_nThreads <= 1) {
            parts.push_back({&item, 0, count});
            continue;
        }
        // Parts of about equal expanded bytes, each at least one member.
        const std::size_t partCount = std::min<std::size_t>(m_nThreads, count);
        std::uint64_t total = 0;
        for (const Member& m : item.members)
            total += m.header.size;
        std::size_t from = 0;
        std::uint64_t done = 0;
        for (std::size_t part = 1; part <= partCount; ++part) {
            std::size_t to = from + 1;
            done += item.members[from].header.size;
            const std::uint64_t goal = total / partCount * part;
            while (part < partCount && to < count - (partCount - part) && done < goal)
                done += item.members[to++].header.size;
            if (part == partCount)
                to = count;
            parts.push_back({&item, from, to});
            from = to;
        }
    }
    return parts;
}

void CSetBuilder::VerifyPart(const ReadBackPart& part, std::size_t index) const
{
    const Item& item = *part.item;
    if (item.layout->kind == LayoutItem::Kind::file) {
        if (!SameContents(item.layout->source, OnDisk(item.disk, item.layout->name)))
            throw CInputError("verification: " + OnDisk(item.disk, item.layout->name) + " differs from " +
                              item.layout->source);
        return;
    }
    // Each part expands its members in a work folder of its own.
    const std::string workDir = Join(m_work, "verify-" + std::to_string(index + 1));
    std::error_code error;
    fs::create_directories(workDir, error);
    if (error)
        throw CInputError(workDir + ": cannot be created: " + error.message());
    VerifyArchive(item, part.from, part.to, workDir);
}

// Expands members [from, to) of the archive and compares each with its
// source; the part that ends with the last member also checks that the walk
// ends there and on the planned volumes.
void CSetBuilder::VerifyArchive(const Item& item, std::size_t from, std::size_t to, const std::string& workDir) const
{
    const std::string first = OnDisk(item.volumes.front().disk, item.volumes.front().name);
    const bool last = to == item.members.size();
    CSetArchive archive;
    CMemberFile member;
    bool inMember = false;
    try {
        archive.OpenFirst(first);
        const int count = ExpandMembers(
            archive, workDir, member, inMember,
            [&](const ExpandedMember& m) {
                if (m.index >= item.members.size())
                    throw CInputError("verification: " + first + " holds more members than written");
                const Member& planned = item.members[m.index];
                const MemberHeader& h = m.member.Header();
                unsigned char written[kHeaderSize], read[kHeaderSize];
                EncodeHeader(planned.header, written);
                EncodeHeader(h, read);
                if (!std::equal(written, written + kHeaderSize, read))
                    throw CInputError("verification: the header of '" + planned.layout->name + "' in " + first +
                                      " reads back differently");
                if (!SameContents(planned.layout->source, m.path))
                    throw CInputError("verification: '" + planned.layout->name + "' expands to other bytes than " +
                                      planned.layout->source);
            },
            from, last ? SIZE_MAX : to);
        if (static_cast<std::size_t>(count) != (last ? item.members.size() : to))
            throw CInputError("verification: " + first + " reads back with " + std::to_string(count) + " of " +
                              std::to_string(item.members.size()) + " members");
    } catch (const CException& e) {
        throw CInputError("verification: " + first + ": " + (inMember ? member.GetName() + ": " : std::string()) +
                          DescribeException(e));
    }
    if (!last)
        return;
    if (archive.m_volumes.size() != item.volumes.size())
        throw CInputError("verification: " + first + " reads back from " + std::to_string(archive.m_volumes.size()) +
                          " volumes instead of " + std::to_string(item.volumes.size()));
    for (std::size_t i = 0; i < item.volumes.size(); ++i)
        if (fs::path(archive.m_volumes[i]).lexically_normal() !=
            fs::path(OnDisk(item.volumes[i].disk, item.volumes[i].name)).lexically_normal())
            throw CInputError("verification: volume " + std::to_string(i + 1) + " of " + first + " was read from " +
                              archive.m_volumes[i]);
}

void CSetBuilder::Commit() const
{
    std::error_code error;
    if (!fs::exists(m_outDir, error)) {
        fs::rename(m_partial, m_outDir, error);
        if (error)
            throw CInputError(m_outDir + ": cannot be created: " + error.message());
        return;
    }
    // Replace the earlier set: set it aside, move the new one in, then remove it.
    const std::string old = m_outDir + ".old";
    fs::remove_all(old, error);
    fs::rename(m_outDir, old, error);
    if (error)
        throw CInputError(m_outDir + ": cannot be replaced: " + error.message());
    fs::rename(m_partial, m_outDir, error);
    if (error) {
        std::error_code ignored;
        fs::rename(old, m_outDir, ignored);
        throw CInputError(m_outDir + ": cannot be replaced: " + error.message());
    }
    fs::remove_all(old, error);
}

void CSetBuilder::PrintSummary() const
{
    for (int disk = 1; disk <= m_nDisks; ++disk) {
        const DisketteFormat format = m_layout.FormatOf(disk);
        m_out << fs::path(DiskFolder(disk)).filename().string() << ": " << Thousands(static_cast<std::uint64_t>(m_used[disk])) << " of "
              << Thousands(static_cast<std::uint64_t>(Capacity(disk))) << " bytes"
              << (format.medium ? std::string(" (") + format.medium->name + ")" : std::string()) << ":";
        for (const std::string& name : NamesOn(disk, true))
            m_out << " " << name;
        m_out << "\n";
    }
    m_out << "Built " << m_nDisks << (m_nDisks == 1 ? " diskette" : " diskettes") << " in " << m_outDir
          << (m_bImages ? " (folders and images DISKnn.img)" : "")
          << "; every archive was read back and compared with its sources"
          << (m_bImages ? ", and every image with its folder" : "") << ".\n";
}

void CSetBuilder::CheckImagesPossible() const
{
    const std::string problem = ImageToolsProblem();
    if (!problem.empty())
        throw CInputError("--images: " + problem);
    const bool firstOwn = m_layout.m_nFirstDisketteSize > 0;
    for (int disk : {1, 2}) {
        if (m_layout.FormatOf(disk).medium)
            continue;
        const bool first = disk == 1 && firstOwn;
        const std::int64_t size = first ? m_layout.m_nFirstDisketteSize : m_layout.m_nDisketteSize;
        throw CInputError("--images: " + std::string(first ? "FirstDisketteSize" : "the diskette size") + " of " +
                          Thousands(static_cast<std::uint64_t>(size)) +
                          " bytes fits no standard diskette; give the raw size or the file room of one: " + MediaList());
    }
}

// Each image holds its diskette folder's files in the planned order, under
// the label derived from the diskette's, with a serial number drawn from the
// profile and the diskette's number: the same set gives the same numbers, and
// the diskettes of a set differ, so that Windows sees each change.
void CSetBuilder::WriteImages() const
{
    for (int disk = 1; disk <= m_nDisks; ++disk) {
        DisketteImageSpec spec;
        spec.medium = m_layout.FormatOf(disk).medium;
        spec.label = VolumeLabelFor(DisketteLabel(disk), disk);
        std::uint32_t hash = 2166136261u;
        for (unsigned char c : m_profile + "/" + std::to_string(disk))
            hash = (hash ^ c) * 16777619u;
        spec.serial = hash;
        spec.labelTime = kFirstFatTime;
        for (const std::string& name : NamesOn(disk)) {
            const std::string path = OnDisk(disk, name);
            CFileStatus status;
            if (!CFile::GetStatus(path.c_str(), status))
                throw CInputError(path + ": cannot be examined");
            const std::int64_t time = static_cast<std::int64_t>(status.m_mtime);
            if (time < kFirstFatTime || time > kLastFatTime)
                throw CInputError("--images: " + name + " of diskette " + std::to_string(disk) + " has the time " +
                                  UtcText(time) + ", which a FAT diskette cannot hold (1980 to 2107); "
                                  "give it another time (Time= in [layout])");
            spec.labelTime = std::max(spec.labelTime, time);
            spec.files.push_back(path);
        }
        WriteDisketteImage(Join(m_partial, DisketteImageName(disk)), spec);
        VerifyImage(disk, spec);
    }
}

void CSetBuilder::VerifyImage(int disk, const DisketteImageSpec& spec) const
{
    const std::string path = Join(m_partial, DisketteImageName(disk));
    const std::string where = "verification: " + path + ": ";
    CFatImage image;
    image.Load(path);
    const DisketteMedium& m = *spec.medium;
    const CFatImage::Geometry& g = image.m_geometry;
    if (image.m_nImageSize != static_cast<std::uint64_t>(m.RawSize()) || g.bytesPerSector != DisketteMedium::kSectorSize ||
        g.sectors != m.sectors || g.sectorsPerCluster != m.sectorsPerCluster || g.rootEntries != m.rootEntries ||
        g.fatSectors != m.fatSectors || g.fats != DisketteMedium::kFatCount ||
        g.reservedSectors != DisketteMedium::kReservedSectors || g.mediaByte != m.mediaByte ||
        g.sectorsPerTrack != m.sectorsPerTrack || g.heads != m.heads)
        throw CInputError(where + "not formatted as a " + m.name + " diskette");
    if (image.m_label != spec.label || image.m_nSerial != spec.serial)
        throw CInputError(where + "its label or serial number reads back differently");
    const std::vector<std::string> names = NamesOn(disk);
    if (image.m_files.size() != names.size())
        throw CInputError(where + "holds " + std::to_string(image.m_files.size()) + " files instead of " +
                          std::to_string(names.size()));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const FatFileEntry& file = image.m_files[i];
        const std::string source = OnDisk(disk, names[i]);
        CFileStatus status;
        if (file.name != names[i] || file.folder || !CFile::GetStatus(source.c_str(), status))
            throw CInputError(where + "holds '" + file.name + "' where '" + names[i] + "' belongs");
        if (file.time != static_cast<std::int64_t>(status.m_mtime) / 2 * 2)
            throw CInputError(where + names[i] + " reads back with the time " + UtcText(file.time) + " instead of " +
                              UtcText(status.m_mtime));
        if (image.Read(file) != ReadWhole(source))
            throw CInputError(where + names[i] + " reads back differently from " + source);
    }
}
