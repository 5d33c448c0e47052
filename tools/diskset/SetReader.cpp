#include "SetReader.h"

#include "DisketteSet.h"
#include "Layout.h"
#include "errors/XException.h"

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <mutex>

namespace fs = std::filesystem;

namespace {

// Removes a file an expansion may have made read-only.
void RemoveScratch(const std::string& path)
{
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove(path, ignored);
}

std::string Join(const std::string& folder, const std::string& name)
{
    return (fs::path(folder) / name).string();
}

std::string FolderOf(const std::string& path)
{
    const std::string folder = fs::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

std::string MethodName(std::int32_t method)
{
    switch (method) {
    case METHOD_COPY: return "copy";
    case METHOD_ZLIB: return "zlib";
    default:          return "method " + std::to_string(method);
    }
}

std::string AttributeLetters(std::uint16_t attributes)
{
    std::string letters = "----";
    if (attributes & 0x01) letters[0] = 'R';
    if (attributes & 0x02) letters[1] = 'H';
    if (attributes & 0x04) letters[2] = 'S';
    if (attributes & 0x20) letters[3] = 'A';
    return letters;
}

std::string TimeText(std::int32_t t)
{
    if (t == 0)
        return "-";
    const std::time_t value = t;
    const std::tm* tm = std::gmtime(&value);
    if (!tm)
        return std::to_string(t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", tm);
    return text;
}

std::string Hex(std::uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

} // namespace

void CSetArchive::OpenFirst(const std::string& path)
{
    m_pSource = nullptr;
    m_nDisk = 0;
    m_volumes = {path};
    OpenArchive(path);
}

void CSetArchive::OpenItem(const std::string& path, int disk, CDisketteSource& source)
{
    m_pSource = &source;
    m_nDisk = disk;
    m_volumes = {path};
    OpenArchive(path);
}

bool CSetArchive::FindNextVolume(const std::string& name, std::string& path)
{
    if (m_pSource) {
        path = m_pSource->Locate(name, ++m_nDisk);
    } else {
        const std::string folder = FolderOf(GetPathName());
        path = Join(folder, name);
        std::error_code ignored;
        const int disk = DisketteNumberOf(folder);
        // When it is in neither place, the open names where it was expected.
        if (!fs::exists(path, ignored) && disk > 0)
            path = Join(DisketteFolder(folder, disk + 1), name);
    }
    m_volumes.push_back(path);
    return true;
}

std::string DescribeException(const CException& e)
{
    // The message is prepared in the program's shared title and text.
    static std::mutex shared;
    const std::lock_guard<std::mutex> lock(shared);
    std::unique_ptr<CXException> mapped;
    const auto* own = dynamic_cast<const CXException*>(&e);
    if (!own) {
        mapped = MapException(e);
        own = mapped.get();
    }
    own->PrepareMessage();
    std::string text = g_strErrorTitle + " (" + e.GetRuntimeClassName();
    if (const auto* file = dynamic_cast<const CFileException*>(&e)) {
        text += " " + std::to_string(file->m_cause);
        if (!file->m_strFileName.empty())
            text += ": " + file->m_strFileName;
    } else if (dynamic_cast<const CXException*>(&e)) {
        text += " " + std::to_string(own->m_nCode);
    }
    return text + ")";
}

int ExpandMembers(CSetArchive& archive, const std::string& workDir, CMemberFile& member, bool& inMember,
                  const std::function<void(const ExpandedMember&)>& check, std::size_t from, std::size_t to)
{
    const std::string scratch = Join(workDir, "member.tmp");
    std::size_t count = 0;
    inMember = false;
    while (count < to && archive.NextMember(member)) {
        inMember = true;
        if (count < from) {
            archive.SkipMember(member);
        } else {
            RemoveScratch(scratch);
            member.SetOutputPath(scratch);
            archive.ExtractMember(member);
            if (check)
                check({member, scratch, count});
        }
        inMember = false;
        ++count;
    }
    RemoveScratch(scratch);
    return static_cast<int>(count);
}

int ExpandArchive(CSetArchive& archive, const std::string& firstVolume, const std::string& workDir,
                  CMemberFile& member, bool& inMember, const std::function<void(const ExpandedMember&)>& check)
{
    inMember = false;
    archive.OpenFirst(firstVolume);
    return ExpandMembers(archive, workDir, member, inMember, check);
}

int ListArchive(const std::string& path, std::ostream& out, std::ostream& err)
{
    CSetArchive archive;
    CMemberFile member;
    bool inMember = false;
    int count = 0;
    std::uint64_t size = 0, packed = 0;
    int status = 0;
    out << "Archive " << path << "\n";
    out << std::left << std::setw(24) << "Name" << std::right << std::setw(11) << "Size" << std::setw(11) << "Packed"
        << "  Method  Dest  Attr  Modified (UTC)       Checksum  Comment\n";
    try {
        archive.OpenFirst(path);
        while (archive.NextMember(member)) {
            inMember = true;
            const MemberHeader& h = member.Header();
            out << std::left << std::setw(24) << member.GetName() << std::right << std::setw(11) << h.size
                << std::setw(11) << h.packedSize << "  " << std::left << std::setw(6) << MethodName(h.method)
                << std::right << std::setw(6) << h.destination << "  " << AttributeLetters(h.attributes) << "  "
                << std::left << std::setw(19) << TimeText(h.modifiedTime) << "  " << Hex(h.checksum) << "  "
                << member.GetComment() << std::right << "\n";
            ++count;
            size += h.size;
            packed += h.packedSize;
            archive.SkipMember(member);
            inMember = false;
        }
    } catch (const CException& e) {
        err << path << ": " << (inMember ? member.GetName() + ": " : std::string()) << DescribeException(e) << "\n";
        status = 1;
    }
    out << count << (count == 1 ? " member, " : " members, ") << size << " bytes, " << packed << " packed, "
        << archive.m_volumes.size() << (archive.m_volumes.size() == 1 ? " volume:" : " volumes:");
    for (const std::string& volume : archive.m_volumes)
        out << " " << volume;
    out << "\n";
    return status;
}

int ExtractArchive(const std::string& path, const std::string& dir, bool overwrite, std::ostream& out,
                   std::ostream& err)
{
    std::error_code error;
    fs::create_directories(dir, error);
    if (error) {
        err << dir << ": cannot be created: " << error.message() << "\n";
        return 1;
    }
    CSetArchive archive;
    CMemberFile member;
    bool inMember = false;
    int faults = 0;
    try {
        archive.OpenFirst(path);
        while (archive.NextMember(member)) {
            inMember = true;
            const std::string name = LastPathComponent(member.GetName());
            std::string problem = name == "." || name == ".." ? "'" + name + "' is not a file name" : FileNameProblem(name);
            const std::string target = Join(dir, name);
            std::error_code ignored;
            if (problem.empty() && !overwrite && fs::exists(target, ignored))
                problem = target + " exists (--force replaces it)";
            if (!problem.empty()) {
                err << path << ": " << member.GetName() << ": not extracted: " << problem << "\n";
                ++faults;
                archive.SkipMember(member);
            } else {
                if (overwrite)
                    RemoveScratch(target);
                member.SetOutputPath(target);
                archive.ExtractMember(member);
                out << target << "  " << member.Header().size << " bytes\n";
            }
            inMember = false;
        }
    } catch (const CException& e) {
        err << path << ": " << (inMember ? member.GetName() + ": " : std::string()) << DescribeException(e) << "\n";
        ++faults;
    }
    return faults == 0 ? 0 : 1;
}
