#include "SetTest.h"

#include "DisketteSet.h"
#include "FatImage.h"
#include "IniFile.h"
#include "SetReader.h"
#include "rules/Destinations.h"
#include "rules/DisketteFolders.h"
#include "rules/ProfileRecords.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A scratch folder for expanded members, removed with its contents.
class CScratchFolder {
public:
    CScratchFolder()
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
    ~CScratchFolder()
    {
        std::error_code ignored;
        for (auto it = fs::recursive_directory_iterator(m_path, ignored); it != fs::recursive_directory_iterator();
             it.increment(ignored))
            fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    const std::string& Path() const noexcept { return m_path; }

private:
    std::string m_path;
};

std::string Join(const std::string& folder, const std::string& name)
{
    return (fs::path(folder) / name).string();
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
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
        if (EqualNoCase(p.extension().string(), ".exe"))
            programs.insert(Upper(p.stem().string()));
    }
    std::sort(profiles.begin(), profiles.end());
    for (const fs::path& p : profiles)
        if (programs.count(Upper(p.stem().string())))
            return p.string();
    return profiles.size() == 1 ? profiles.front().string() : std::string();
}

// An item of the profile, as the setup program reads it.
struct ProfileItem {
    const IniEntry* entry;
    ItemLine line;
};

// The items of every group's section in the order the setup program installs
// them: the groups in the order of their keys, the items of each in the order
// of their lines, then all of them in diskette order (a negative diskette
// after the positive one of the same number), items of one place keeping
// their order.
std::vector<ProfileItem> ItemsInDisketteOrder(const CIniFile& profile, const IniSection& groups)
{
    std::set<std::string> keys;
    for (const IniEntry& group : groups.entries)
        keys.insert(group.key);
    std::vector<ProfileItem> items;
    for (const std::string& key : keys)
        if (const IniSection* section = profile.Find(key))
            for (const IniEntry& entry : section->entries)
                items.push_back({&entry, ReadItemLine(entry.value)});
    std::stable_sort(items.begin(), items.end(), [](const ProfileItem& a, const ProfileItem& b) {
        if (a.line.Diskette() != b.line.Diskette())
            return a.line.Diskette() < b.line.Diskette();
        return !(a.line.disk < 0) && b.line.disk < 0;
    });
    return items;
}

struct ArchiveResult {
    bool ok = false;
    int members = 0;
    std::uint64_t bytes = 0;
};

// One run of the test over a folder of diskette folders: what it tested and
// the faults it found, each reported as it is found.
class CFolderTest {
public:
    CFolderTest(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    // The exit status.
    int Run(const std::string& dir);

private:
    bool TestProfileItems(const std::string& base, const std::string& profilePath);
    void TestItem(const CIniFile& profile, const ProfileItem& item, CDisketteSource& source);
    void TestArchiveItem(const CIniFile& profile, const ProfileItem& item, const std::string& path,
                         CDisketteSource& source);
    void TestPlainFile(const CIniFile& profile, const ProfileItem& item, const std::string& path);
    void TestEveryArchive(const std::string& dir);
    ArchiveResult TestArchive(CSetArchive& archive, const std::string& path, const std::function<void()>& open);

    std::ostream& m_out;
    std::ostream& m_err;
    CScratchFolder m_work;
    int m_nFaults = 0;
    int m_nArchives = 0;
    int m_nFiles = 0;
};

int CFolderTest::Run(const std::string& dir)
{
    std::error_code ignored;
    const std::string first = Join(dir, DisketteFolderName(1));
    const std::string base = fs::is_directory(first, ignored) ? first : dir;
    const std::string profilePath = FindProfile(base);
    if (profilePath.empty()) {
        m_out << "No setup profile in " << base << ": testing every file as an archive\n";
        TestEveryArchive(dir);
    } else if (!TestProfileItems(base, profilePath)) {
        return 1;
    }
    m_out << m_nArchives << (m_nArchives == 1 ? " archive, " : " archives, ") << m_nFiles
          << (m_nFiles == 1 ? " plain file: " : " plain files: ")
          << (m_nFaults == 0 ? std::string("no faults")
                             : std::to_string(m_nFaults) + (m_nFaults == 1 ? " fault" : " faults"))
          << "\n";
    return m_nFaults == 0 ? 0 : 1;
}

// False when the profile cannot be read at all.
bool CFolderTest::TestProfileItems(const std::string& base, const std::string& profilePath)
{
    m_out << "Setup profile " << profilePath << "\n";
    CIniFile profile;
    try {
        profile.Load(profilePath);
    } catch (const CInputError& e) {
        m_err << e.what() << "\n";
        return false;
    }
    const IniSection* groups = profile.Find("groups");
    if (!groups) {
        m_out << "The profile has no [groups]: the setup program installs no files\n";
        return true;
    }
    CDisketteSource source(base);
    for (const ProfileItem& item : ItemsInDisketteOrder(profile, *groups))
        TestItem(profile, item, source);
    return true;
}

void CFolderTest::TestItem(const CIniFile& profile, const ProfileItem& item, CDisketteSource& source)
{
    const IniEntry& entry = *item.entry;
    const std::string path = source.Locate(entry.key, item.line.Diskette());
    std::error_code ignored;
    if (!fs::exists(path, ignored)) {
        m_err << profile.Where(entry.line) << entry.key << " (diskette " << item.line.Diskette() << "): "
              << DescribeException(CFileException(CFileException::fileNotFound, -1, path)) << "\n";
        ++m_nFaults;
        return;
    }
    switch (item.line.kind) {
    case ItemLine::kArchive:
        TestArchiveItem(profile, item, path, source);
        break;
    case ItemLine::kPlainFile:
        TestPlainFile(profile, item, path);
        break;
    default:
        m_out << profile.Where(entry.line) << entry.key << ": kind " << item.line.kind << ", installs nothing\n";
        break;
    }
}

// The sizes are compared as the setup program counts them, in 32 bits.
void CFolderTest::TestArchiveItem(const CIniFile& profile, const ProfileItem& item, const std::string& path,
                                  CDisketteSource& source)
{
    ++m_nArchives;
    CSetArchive archive;
    const ArchiveResult r =
        TestArchive(archive, path, [&] { archive.OpenItem(path, item.line.Diskette(), source); });
    if (!r.ok) {
        ++m_nFaults;
    } else if (r.members != item.line.members || static_cast<std::uint32_t>(item.line.size) != r.bytes) {
        m_err << profile.Where(item.entry->line) << item.entry->key << ": the profile gives " << item.line.members
              << " members of " << item.line.size << " bytes; the archive holds " << r.members << " of " << r.bytes
              << "\n";
        ++m_nFaults;
    }
}

void CFolderTest::TestPlainFile(const CIniFile& profile, const ProfileItem& item, const std::string& path)
{
    ++m_nFiles;
    std::error_code ignored;
    const auto actual = fs::file_size(path, ignored);
    if (item.line.destination != DEST_NONE && actual != static_cast<std::uint32_t>(item.line.size)) {
        m_err << profile.Where(item.entry->line) << item.entry->key << ": the profile gives " << item.line.size
              << " bytes to copy; the file has " << actual << "\n";
        ++m_nFaults;
    } else {
        m_out << path << ": " << actual << " bytes: OK\n";
    }
}

ArchiveResult CFolderTest::TestArchive(CSetArchive& archive, const std::string& path,
                                       const std::function<void()>& open)
{
    ArchiveResult result;
    CMemberFile member;
    bool inMember = false;
    try {
        open();
        result.members = ExpandMembers(archive, m_work.Path(), member, inMember, [&](const ExpandedMember& m) {
            result.bytes += m.member.Header().size;
        });
        result.ok = true;
        m_out << path << ": " << result.members << (result.members == 1 ? " member, " : " members, ")
              << result.bytes << " bytes, " << archive.m_volumes.size()
              << (archive.m_volumes.size() == 1 ? " volume" : " volumes") << ": OK\n";
    } catch (const CException& e) {
        m_err << path << ": " << (inMember ? member.GetName() + ": " : std::string()) << DescribeException(e)
              << "\n";
    }
    return result;
}

// Every file of dir, or of its diskette folders, in order.
std::vector<std::string> FilesOfSet(const std::string& dir)
{
    std::error_code ignored;
    std::vector<std::string> folders;
    for (const auto& entry : fs::directory_iterator(dir, ignored))
        if (entry.is_directory(ignored) && DisketteNumberOf(entry.path().string()) > 0)
            folders.push_back(entry.path().string());
    std::sort(folders.begin(), folders.end());
    if (folders.empty())
        folders.push_back(dir);
    std::vector<std::string> files;
    for (const std::string& folder : folders) {
        std::vector<std::string> here;
        for (const auto& entry : fs::directory_iterator(folder, ignored))
            if (entry.is_regular_file(ignored) && !DisketteImageNumberOf(entry.path().filename().string()))
                here.push_back(entry.path().string());
        std::sort(here.begin(), here.end());
        files.insert(files.end(), here.begin(), here.end());
    }
    return files;
}

void CFolderTest::TestEveryArchive(const std::string& dir)
{
    const std::vector<std::string> candidates = FilesOfSet(dir);
    std::set<std::string> names;
    for (const std::string& path : candidates)
        names.insert(fs::path(path).filename().string());
    // A volume whose name is another's raised by one is a later volume of
    // that archive; its walk starts at the first.
    auto laterVolume = [&](const std::string& path) {
        std::string previous = fs::path(path).filename().string();
        previous.back() = static_cast<char>(previous.back() - 1);
        return names.count(previous) != 0;
    };
    std::error_code ignored;
    std::set<std::string> read;
    auto test = [&](const std::string& path) {
        ++m_nArchives;
        CSetArchive archive;
        if (!TestArchive(archive, path, [&] { archive.OpenFirst(path); }).ok)
            ++m_nFaults;
        for (const std::string& volume : archive.m_volumes)
            read.insert(fs::weakly_canonical(volume, ignored).string());
    };
    for (const std::string& path : candidates)
        if (!laterVolume(path))
            test(path);
    // One named like a later volume that no walk reached is an archive of
    // its own ('CASE1', 'CASE2') or a stray volume: either way it is tested,
    // never passed over.
    for (const std::string& path : candidates)
        if (laterVolume(path) && !read.count(fs::weakly_canonical(path, ignored).string()))
            test(path);
}

// Puts back the image's name where a message names the folder its files were
// read into: ".../DISK02/PELTO.Z2" -> "OUT/DISK02.img:PELTO.Z2".
std::string ShownAsImages(std::string text, const std::string& scratch, const std::string& dir)
{
    for (int n = 1; n <= kMaxDiskettes; ++n) {
        const std::string from = Join(scratch, DisketteFolderName(n));
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
            const std::size_t end = at + from.size();
            const bool inside = end < text.size() && (text[end] == '/' || text[end] == '\\');
            const std::string to = Join(dir, DisketteImageName(n)) + (inside ? ":" : "");
            text.replace(at, from.size() + (inside ? 1 : 0), to);
            at += to.size();
        }
    }
    return text;
}

// Reads one image with diskset's FAT reader into the folder into; false,
// with the fault reported, when it cannot.
bool UnpackImage(const std::string& path, const std::string& into, std::ostream& out, std::ostream& err)
{
    try {
        if (!fs::create_directory(into))
            throw CInputError(path + ": a second image of diskette " +
                              DisketteDigits(DisketteImageNumberOf(fs::path(path).filename().string())));
        CFatImage image;
        image.Load(path);
        image.ExtractTo(into);
        out << path << ": " << image.m_geometry.sectors * image.m_geometry.bytesPerSector << " bytes, label '"
            << image.m_label << "', " << image.m_files.size() << (image.m_files.size() == 1 ? " file" : " files")
            << "\n";
        return true;
    } catch (const std::exception& e) {
        err << e.what() << "\n";
        return false;
    }
}

// Reads every DISKnn.img of dir into a folder DISKnn of a scratch folder,
// then tests those as a set of diskette folders.
int TestImages(const std::string& dir, const std::vector<std::string>& images, std::ostream& out, std::ostream& err)
{
    CScratchFolder unpacked;
    int status = 0;
    for (const std::string& path : images) {
        const int n = DisketteImageNumberOf(fs::path(path).filename().string());
        if (!UnpackImage(path, Join(unpacked.Path(), DisketteFolderName(n)), out, err))
            status = 1;
    }
    std::ostringstream testOut, testErr;
    if (CFolderTest(testOut, testErr).Run(unpacked.Path()) != 0)
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
        else if (entry.is_directory(ignored) && DisketteNumberOf(entry.path().string()) > 0)
            folders = true;
        else if (entry.is_regular_file(ignored))
            otherFiles = true;
    }
    std::sort(images.begin(), images.end());
    if (images.empty())
        return CFolderTest(out, err).Run(dir);
    int status = 0;
    if (folders || otherFiles) {
        out << "Diskette folders in " << dir << ":\n";
        status = CFolderTest(out, err).Run(dir);
        out << "Diskette images in " << dir << ":\n";
    }
    return TestImages(dir, images, out, err) != 0 ? 1 : status;
}
