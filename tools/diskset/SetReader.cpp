#include "SetReader.h"

#include "FatImage.h"
#include "IniFile.h"
#include "Layout.h"
#include "errors/XException.h"
#include "profile/Destinations.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <random>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// A scratch folder for expanded members, removed with its contents.
class ScratchFolder {
public:
    ScratchFolder()
    {
        std::random_device device;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const fs::path candidate = fs::temp_directory_path() / ("diskset-" + std::to_string(device()));
            if (fs::create_directory(candidate)) {
                m_path = candidate.string();
                return;
            }
        }
        throw CInputError("cannot create a scratch folder in " + fs::temp_directory_path().string());
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        for (auto it = fs::recursive_directory_iterator(m_path, ignored); it != fs::recursive_directory_iterator();
             it.increment(ignored))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    const std::string& Path() const noexcept { return m_path; }

private:
    std::string m_path;
};

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
    m_volumes = {path};
    OpenArchive(path);
}

bool CSetArchive::FindNextVolume(const std::string& name, std::string& path)
{
    const std::string folder = FolderOf(GetPathName());
    path = Join(folder, name);
    std::error_code ignored;
    const int disk = DisketteNumberOf(folder);
    // When it is in neither place, the open names where it was expected.
    if (!fs::exists(path, ignored) && disk > 0 && disk < 99)
        path = Join(DisketteFolder(folder, disk + 1), name);
    m_volumes.push_back(path);
    return true;
}

int DisketteNumberOf(const std::string& folder)
{
    fs::path p(folder);
    if (p.filename().empty())
        p = p.parent_path();
    const std::string name = p.filename().string();
    if (name.size() <= 2)
        return 0;
    const std::string digits = name.substr(name.size() - 2);
    if (!std::isdigit(static_cast<unsigned char>(digits[0])) || !std::isdigit(static_cast<unsigned char>(digits[1])))
        return 0;
    return std::stoi(digits);
}

int DisketteImageNumberOf(const std::string& name)
{
    if (name.size() != 10 || !EqualNoCase(name.substr(0, 4), "DISK") || !EqualNoCase(name.substr(6), ".img") ||
        !std::isdigit(static_cast<unsigned char>(name[4])) || !std::isdigit(static_cast<unsigned char>(name[5])))
        return 0;
    return (name[4] - '0') * 10 + (name[5] - '0');
}

std::string DisketteFolder(const std::string& folder, int n)
{
    fs::path p(folder);
    if (p.filename().empty())
        p = p.parent_path();
    if (DisketteNumberOf(p.string()) == 0)
        return folder;
    std::string name = p.filename().string();
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02d", n);
    name.replace(name.size() - 2, 2, digits);
    return (p.parent_path() / name).string();
}

std::string DescribeException(const CException& e)
{
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

int ExpandArchive(CSetArchive& archive, const std::string& firstVolume, const std::string& workDir,
                  CMemberFile& member, bool& inMember, const std::function<void(const ExpandedMember&)>& check)
{
    archive.OpenFirst(firstVolume);
    const std::string scratch = Join(workDir, "member.tmp");
    int count = 0;
    inMember = false;
    while (archive.NextMember(member)) {
        inMember = true;
        RemoveScratch(scratch);
        member.SetOutputPath(scratch);
        archive.ExtractMember(member);
        if (check)
            check({member, scratch});
        inMember = false;
        ++count;
    }
    RemoveScratch(scratch);
    return count;
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

namespace {

struct ArchiveResult {
    bool ok = false;
    int members = 0;
    std::uint64_t bytes = 0;
};

ArchiveResult TestArchive(const std::string& path, const std::string& workDir, std::ostream& out, std::ostream& err,
                          std::vector<std::string>* volumes = nullptr)
{
    ArchiveResult result;
    CSetArchive archive;
    CMemberFile member;
    bool inMember = false;
    try {
        result.members = ExpandArchive(archive, path, workDir, member, inMember, [&](const ExpandedMember& m) {
            result.bytes += m.member.Header().size;
        });
        result.ok = true;
        out << path << ": " << result.members << (result.members == 1 ? " member, " : " members, ") << result.bytes
            << " bytes, " << archive.m_volumes.size() << (archive.m_volumes.size() == 1 ? " volume" : " volumes")
            << ": OK\n";
    } catch (const CException& e) {
        err << path << ": " << (inMember ? member.GetName() + ": " : std::string()) << DescribeException(e) << "\n";
    }
    if (volumes)
        *volumes = archive.m_volumes;
    return result;
}

// The setup profile of the diskette in folder: the .ini named after a
// program beside it, else the only .ini there; empty when there is none.
std::string FindProfile(const std::string& folder)
{
    std::vector<fs::path> profiles;
    std::set<std::string> programs;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored)) {
        if (!entry.is_regular_file(ignored))
            continue;
        const fs::path p = entry.path();
        if (EqualNoCase(p.extension().string(), ".ini"))
            profiles.push_back(p);
        if (EqualNoCase(p.extension().string(), ".exe")) {
            std::string stem = p.stem().string();
            std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::toupper(c); });
            programs.insert(stem);
        }
    }
    std::sort(profiles.begin(), profiles.end());
    for (const fs::path& p : profiles) {
        std::string stem = p.stem().string();
        std::transform(stem.begin(), stem.end(), stem.begin(), [](unsigned char c) { return std::toupper(c); });
        if (programs.count(stem))
            return p.string();
    }
    return profiles.size() == 1 ? profiles.front().string() : std::string();
}

// Where the setup program would find a file of diskette disk: in the first
// diskette's folder, else in the sibling folder numbered for the diskette.
std::string LocateOnDiskette(const std::string& base, const std::string& name, int disk)
{
    std::error_code ignored;
    const std::string here = Join(base, name);
    if (fs::exists(here, ignored))
        return here;
    const std::string there = Join(DisketteFolder(base, disk), name);
    return fs::exists(there, ignored) ? there : here;
}

long AtoL(const std::string& text)
{
    return std::atol(text.c_str());
}

} // namespace

namespace {

int TestFolders(const std::string& dir, std::ostream& out, std::ostream& err)
{
    std::error_code ignored;
    std::string base = dir;
    if (fs::is_directory(Join(dir, "DISK01"), ignored))
        base = Join(dir, "DISK01");
    ScratchFolder work;
    int faults = 0, archives = 0, files = 0;

    const std::string profilePath = FindProfile(base);
    if (!profilePath.empty()) {
        out << "Setup profile " << profilePath << "\n";
        CIniFile profile;
        try {
            profile.Load(profilePath);
        } catch (const CInputError& e) {
            err << e.what() << "\n";
            return 1;
        }
        const IniSection* groups = profile.Find("groups");
        if (!groups)
            out << "The profile has no [groups]: the setup program installs no files\n";
        for (const IniEntry& group : groups ? groups->entries : std::vector<IniEntry>()) {
            const IniSection* section = profile.Find(group.key);
            if (!section)
                continue;
            for (const IniEntry& item : section->entries) {
                std::vector<std::string> f = SplitFields(item.value);
                f.resize(6);
                const long size = AtoL(f[0]);
                const int kind = static_cast<short>(std::atoi(f[1].c_str()));
                const int count = static_cast<short>(std::atoi(f[2].c_str()));
                const int disk = std::abs(static_cast<short>(std::atoi(f[3].c_str())));
                const int dest = static_cast<short>(std::atoi(f[4].c_str()));
                const std::string path = LocateOnDiskette(base, item.key, disk);
                if (!fs::exists(path, ignored)) {
                    err << profile.Where(item.line) << item.key << " (diskette " << disk << "): "
                        << DescribeException(CFileException(CFileException::fileNotFound, -1, path)) << "\n";
                    ++faults;
                    continue;
                }
                if (kind == 1) {
                    ++archives;
                    const ArchiveResult r = TestArchive(path, work.Path(), out, err);
                    if (!r.ok) {
                        ++faults;
                    } else if (r.members != count || static_cast<std::uint64_t>(size) != r.bytes) {
                        err << profile.Where(item.line) << item.key << ": the profile gives " << count
                            << " members of " << size << " bytes; the archive holds " << r.members << " of "
                            << r.bytes << "\n";
                        ++faults;
                    }
                } else if (kind == 0) {
                    ++files;
                    const auto actual = fs::file_size(path, ignored);
                    if (dest != DEST_NONE && actual != static_cast<std::uintmax_t>(size)) {
                        err << profile.Where(item.line) << item.key << ": the profile gives " << size
                            << " bytes to copy; the file has " << actual << "\n";
                        ++faults;
                    } else {
                        out << path << ": " << actual << " bytes: OK\n";
                    }
                } else {
                    out << profile.Where(item.line) << item.key << ": kind " << kind << ", installs nothing\n";
                }
            }
        }
    } else {
        out << "No setup profile in " << base << ": testing every file as an archive\n";
        std::vector<std::string> folders;
        for (const auto& entry : fs::directory_iterator(dir, ignored))
            if (entry.is_directory(ignored) && DisketteNumberOf(entry.path().string()) > 0)
                folders.push_back(entry.path().string());
        std::sort(folders.begin(), folders.end());
        if (folders.empty())
            folders.push_back(dir);
        std::vector<std::string> candidates;
        std::set<std::string> names;
        for (const std::string& folder : folders) {
            std::vector<std::string> here;
            for (const auto& entry : fs::directory_iterator(folder, ignored))
                if (entry.is_regular_file(ignored) && !DisketteImageNumberOf(entry.path().filename().string()))
                    here.push_back(entry.path().string());
            std::sort(here.begin(), here.end());
            for (const std::string& path : here) {
                candidates.push_back(path);
                names.insert(fs::path(path).filename().string());
            }
        }
        // A volume whose name is another's raised by one is a later volume
        // of that archive; its walk starts at the first.
        auto laterVolume = [&](const std::string& path) {
            std::string previous = fs::path(path).filename().string();
            previous.back() = static_cast<char>(previous.back() - 1);
            return names.count(previous) != 0;
        };
        std::set<std::string> read;
        auto test = [&](const std::string& path) {
            ++archives;
            std::vector<std::string> volumes;
            if (!TestArchive(path, work.Path(), out, err, &volumes).ok)
                ++faults;
            for (const std::string& volume : volumes)
                read.insert(fs::weakly_canonical(volume, ignored).string());
        };
        for (const std::string& path : candidates)
            if (!laterVolume(path))
                test(path);
        // One named like a later volume that no walk reached is an archive
        // of its own ('CASE1', 'CASE2') or a stray volume: either way it is
        // tested, never passed over.
        for (const std::string& path : candidates)
            if (laterVolume(path) && !read.count(fs::weakly_canonical(path, ignored).string()))
                test(path);
    }
    out << archives << (archives == 1 ? " archive, " : " archives, ") << files
        << (files == 1 ? " plain file: " : " plain files: ")
        << (faults == 0 ? std::string("no faults") : std::to_string(faults) + (faults == 1 ? " fault" : " faults"))
        << "\n";
    return faults == 0 ? 0 : 1;
}

// Puts back the image's name where a message names the folder its files were
// read into: ".../DISK02/PELTO.Z2" -> "OUT/DISK02.img:PELTO.Z2".
std::string ShownAsImages(std::string text, const std::string& scratch, const std::string& dir)
{
    for (int n = 1; n <= 99; ++n) {
        char folder[32], image[32];
        std::snprintf(folder, sizeof folder, "DISK%02d", n);
        std::snprintf(image, sizeof image, "DISK%02d.img", n);
        const std::string from = Join(scratch, folder);
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
            const std::size_t end = at + from.size();
            const bool inside = end < text.size() && (text[end] == '/' || text[end] == '\\');
            const std::string to = Join(dir, image) + (inside ? ":" : "");
            text.replace(at, from.size() + (inside ? 1 : 0), to);
            at += to.size();
        }
    }
    return text;
}

// Reads every DISKnn.img of dir with diskset's FAT reader into a folder
// DISKnn of a scratch folder, then tests those as a set of diskette folders.
int TestImages(const std::string& dir, const std::vector<std::string>& images, std::ostream& out, std::ostream& err)
{
    ScratchFolder unpacked;
    int status = 0;
    for (const std::string& path : images) {
        const std::string name = fs::path(path).filename().string();
        char folder[16];
        std::snprintf(folder, sizeof folder, "DISK%02d", DisketteImageNumberOf(name));
        const std::string into = Join(unpacked.Path(), folder);
        try {
            if (!fs::create_directory(into))
                throw CInputError(path + ": a second image of diskette " + std::string(folder + 4));
            CFatImage image;
            image.Load(path);
            image.ExtractTo(into);
            out << path << ": " << image.m_geometry.sectors * image.m_geometry.bytesPerSector << " bytes, label '"
                << image.m_label << "', " << image.m_files.size() << (image.m_files.size() == 1 ? " file" : " files")
                << "\n";
        } catch (const std::exception& e) {
            err << e.what() << "\n";
            status = 1;
        }
    }
    std::ostringstream testOut, testErr;
    if (TestFolders(unpacked.Path(), testOut, testErr) != 0)
        status = 1;
    out << ShownAsImages(testOut.str(), unpacked.Path(), dir);
    err << ShownAsImages(testErr.str(), unpacked.Path(), dir);
    return status;
}

} // namespace

int TestSet(const std::string& dir, std::ostream& out, std::ostream& err)
{
    std::error_code ignored;
    if (!fs::is_directory(dir, ignored)) {
        err << dir << ": not a folder\n";
        return 1;
    }
    std::vector<std::string> images;
    bool folders = false, otherFiles = false;
    for (const auto& entry : fs::directory_iterator(dir, ignored)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(ignored) && DisketteImageNumberOf(name) > 0)
            images.push_back(entry.path().string());
        else if (entry.is_directory(ignored) && DisketteNumberOf(name) > 0)
            folders = true;
        else if (entry.is_regular_file(ignored))
            otherFiles = true;
    }
    std::sort(images.begin(), images.end());
    if (images.empty())
        return TestFolders(dir, out, err);
    int status = 0;
    if (folders || otherFiles) {
        out << "Diskette folders in " << dir << ":\n";
        status = TestFolders(dir, out, err);
        out << "Diskette images in " << dir << ":\n";
    }
    return TestImages(dir, images, out, err) != 0 ? 1 : status;
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
