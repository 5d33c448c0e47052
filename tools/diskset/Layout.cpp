#include "Layout.h"

#include "archive/ArchiveFormat.h"
#include "rules/Destinations.h"
#include "rules/DisketteFolders.h"
#include "rules/FileNames.h"
#include "rules/ProfileLine.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

// Sections of the layout other than the archives' own.
const char* const kSettings = "layout";
const char* const kReserved[] = {"destinations", "diskettes", "groups", "targets", "items"};

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

const char* const kProfileSections[] = {"destinations", "diskettes", "groups", "targets"};

} // namespace

bool ParseInteger(const std::string& text, std::int64_t& value, std::int64_t low, std::int64_t high)
{
    if (text.empty() || text.size() > 19)
        return false;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size())
        return false;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        const int digit = text[i] - '0';
        if (v > (INT64_MAX - digit) / 10)
            return false;
        v = v * 10 + digit;
    }
    value = negative ? -v : v;
    return value >= low && value <= high;
}

bool ParseUtcTime(const std::string& text, std::int64_t& value)
{
    int y, mo, d, h, mi, s;
    char tail;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6)
        return false;
    if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 || mi < 0 || s < 0)
        return false;
    // Days from 1970-01-01 to the date (proleptic Gregorian calendar).
    const int yy = y - (mo <= 2);
    const int era = yy / 400;
    const int yoe = yy - era * 400;
    const int doy = (153 * (mo + (mo > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = static_cast<std::int64_t>(era) * 146097 + doe - 719468;
    value = days * 86400 + h * 3600 + mi * 60 + s;
    return true;
}

std::string FileNameProblem(const std::string& name)
{
    if (name.empty())
        return "a file name is empty";
    if (name.size() > 259)
        return "'" + name + "' is longer than 259 characters";
    // No path either, and no '=', which would end the profile key.
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (IsForbiddenInName(u) || std::strchr(":/\\=", c))
            return "'" + name + "' holds a character a file name cannot have (" +
                   (u < 32 ? std::string("a control character") : std::string(1, c)) + ")";
    }
    if (name[0] == ';' || name[0] == '[' || name[0] == '#')
        return "'" + name + "' would be read as a comment or section in the setup profile";
    if (name.back() == '.' || name.back() == ' ')
        return "'" + name + "' ends in a dot or a blank, which Windows drops";
    std::string stem = Upper(name.substr(0, name.find('.')));
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "COM1", "COM2", "COM3", "COM4", "COM5",
                                          "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4",
                                          "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};
    for (const char* device : devices)
        if (stem == device)
            return "'" + name + "' is the name of a Windows device";
    return {};
}

void CLayout::Load(const std::string& path, const std::string& setupOverride, std::int64_t sizeOverride)
{
    m_ini.Load(path);
    Read(path, setupOverride, sizeOverride);
}

void CLayout::Parse(const std::string& text, const std::string& path)
{
    m_ini.Parse(text, path);
    Read(path, {}, 0);
}

void CLayout::Read(const std::string& path, const std::string& setupOverride, std::int64_t sizeOverride)
{
    m_path = path;
    const fs::path folder = fs::path(path).parent_path();
    m_sourceDir = folder.empty() ? "." : folder.string();
    CheckSections();
    ReadSettings(setupOverride, sizeOverride);
    ReadDestinations();
    ReadDiskettes();
    ReadGroups();
    ReadTargets();
    ReadItems();
    CheckDestinationsResolve();
    WarnAboutTargets();
}

// Every section is one of the layout's or an archive that [items] lists.
void CLayout::CheckSections() const
{
    for (const IniSection& section : m_ini.Sections()) {
        bool known = EqualNoCase(section.name, kSettings);
        for (const char* name : kReserved)
            known = known || EqualNoCase(section.name, name);
        if (known)
            continue;
        bool listed = false;
        if (const IniSection* items = m_ini.Find("items"))
            for (const IniEntry& entry : items->entries)
                listed = listed || EqualNoCase(entry.key, section.name);
        if (!listed)
            throw CInputError(Where(section.line) + "section [" + section.name +
                              "] is neither a section of the layout nor an archive listed in [items]");
    }
}

// A target names a file the set installs; one that names none never becomes
// a program item.
void CLayout::WarnAboutTargets()
{
    std::set<std::string> installed;
    for (const LayoutItem& item : m_items) {
        if (item.kind == LayoutItem::Kind::file)
            installed.insert(Upper(item.name));
        for (const LayoutMember& member : item.members)
            installed.insert(Upper(LastPathComponent(member.name)));
    }
    for (const ProfileEntry& target : m_targets)
        if (!installed.count(Upper(target.key)))
            m_warnings.push_back(Where(target.line) + "target '" + target.key +
                                 "' names no file of the set; it will not become a program item");
}

void CLayout::ReadSettings(const std::string& setupOverride, std::int64_t sizeOverride)
{
    if (const IniSection* settings = m_ini.Find(kSettings)) {
        static const char* const keys[] = {"Program", "DisketteSize", "FirstDisketteSize", "SetupDiskette",
                                           "ClusterSize", "Source", "Time", "Label"};
        for (const IniEntry& entry : settings->entries) {
            bool known = false;
            for (const char* key : keys)
                known = known || EqualNoCase(entry.key, key);
            if (!known)
                throw CInputError(Where(entry.line) + "unknown setting '" + entry.key +
                                  "' (known: Program, DisketteSize, ClusterSize, Source, Time, Label)");
        }
    }
    ReadSource();
    ReadProgram(setupOverride);
    ReadSizes(sizeOverride);
    ReadSetupDiskette();
    ReadTime();
    ReadLabel();
}

const IniEntry* CLayout::Setting(const char* key) const
{
    const IniSection* settings = m_ini.Find(kSettings);
    return settings ? settings->Find(key) : nullptr;
}

void CLayout::ReadSource()
{
    if (const IniEntry* e = Setting("Source")) {
        const fs::path source = fs::path(e->value);
        m_sourceDir = (source.is_absolute() ? source : fs::path(m_sourceDir) / source).string();
        std::error_code error;  // a name the file system refuses (too long) is no folder either
        if (!fs::is_directory(m_sourceDir, error))
            throw CInputError(Where(e->line) + "source folder '" + m_sourceDir + "' does not exist");
    }
}

void CLayout::ReadProgram(const std::string& setupOverride)
{
    if (!setupOverride.empty()) {
        m_setupProgram = setupOverride;
    } else if (const IniEntry* e = Setting("Program")) {
        // Relative to the layout's folder, like Source.
        const std::string sources = m_sourceDir;
        const fs::path folder = fs::path(m_path).parent_path();
        m_sourceDir = folder.empty() ? "." : folder.string();
        m_setupProgram = ResolveSource(e->value, e->line);
        m_sourceDir = sources;
    }
    if (m_setupProgram.empty())
        return;
    std::error_code error;
    if (!fs::is_regular_file(m_setupProgram, error))
        throw CInputError((setupOverride.empty() ? Where(Setting("Program")->line) : std::string("--setup: ")) +
                          "setup program '" + m_setupProgram + "' not found");
    const std::string problem = FileNameProblem(fs::path(m_setupProgram).filename().string());
    if (!problem.empty())
        throw CInputError("setup program: " + problem);
}

void CLayout::ReadSizes(std::int64_t sizeOverride)
{
    const IniEntry* clusterSize = Setting("ClusterSize");
    if (clusterSize && !ParseInteger(clusterSize->value, m_nClusterSize, 1, 65536))
        throw CInputError(Where(clusterSize->line) + "ClusterSize must be a number of bytes from 1 to 65536");
    if (sizeOverride > 0) {
        m_nDisketteSize = sizeOverride;
    } else if (const IniEntry* e = Setting("DisketteSize")) {
        if (!ParseInteger(e->value, m_nDisketteSize, 1, 2147483647))
            throw CInputError(Where(e->line) + "DisketteSize must be a number of bytes");
    }
    const std::int64_t least = std::max<std::int64_t>(2048, 4 * m_nClusterSize);
    if (m_nDisketteSize < least)
        throw CInputError((sizeOverride > 0 ? std::string("--diskette-size: ") : m_ini.DisplayName() + ": ") +
                          "a diskette must hold at least " + std::to_string(least) + " bytes");
    if (const IniEntry* e = Setting("FirstDisketteSize")) {
        if (!ParseInteger(e->value, m_nFirstDisketteSize, least, 2147483647))
            throw CInputError(Where(e->line) + "FirstDisketteSize must be a number of bytes, at least " +
                              std::to_string(least));
    }
    // A standard medium brings its own clusters.
    for (int disk : {1, 2}) {
        const DisketteFormat format = FormatOf(disk);
        if (clusterSize && format.medium && format.clusterSize != m_nClusterSize)
            m_warnings.push_back(Where(clusterSize->line) + "ClusterSize=" + clusterSize->value + " is not used: " +
                                 "a " + format.medium->name + " diskette has clusters of " +
                                 std::to_string(format.clusterSize) + " bytes");
        if (m_nFirstDisketteSize == 0 || m_nFirstDisketteSize == m_nDisketteSize)
            break;
    }
}

void CLayout::ReadSetupDiskette()
{
    if (const IniEntry* e = Setting("SetupDiskette")) {
        if (EqualNoCase(e->value, "alone"))
            m_bSetupAlone = true;
        else if (!EqualNoCase(e->value, "shared"))
            throw CInputError(Where(e->line) + "SetupDiskette is 'shared' (items follow the setup program on "
                                               "diskette 1) or 'alone' (items start on diskette 2)");
    }
}

void CLayout::ReadTime()
{
    const IniEntry* e = Setting("Time");
    if (!e || EqualNoCase(e->value, "source")) {
        m_timeMode = TimeMode::source;
    } else if (EqualNoCase(e->value, "none")) {
        m_timeMode = TimeMode::none;
    } else {
        std::int64_t t;
        if (!ParseUtcTime(e->value, t) || t > 2147483647)
            throw CInputError(Where(e->line) +
                              "Time must be 'source', 'none' or a time 'YYYY-MM-DD HH:MM:SS' (UTC) from 1970 to 2038");
        m_timeMode = TimeMode::fixed;
        m_nFixedTime = static_cast<std::int32_t>(t);
    }
}

void CLayout::ReadLabel()
{
    const IniEntry* e = Setting("Label");
    if (!e)
        return;
    m_labelPattern = e->value;
    for (std::size_t i = 0; i < m_labelPattern.size(); ++i)
        if (m_labelPattern[i] == '%') {
            if (i + 1 < m_labelPattern.size() && (m_labelPattern[i + 1] == 'd' || m_labelPattern[i + 1] == '%'))
                ++i;
            else
                throw CInputError(Where(e->line) + "Label may hold %d (the diskette's number) and %%, no other '%'");
        }
    if (m_labelPattern.find('|') != std::string::npos)
        throw CInputError(Where(e->line) + "Label cannot hold '|'");
}

DisketteFormat CLayout::FormatOf(int disk) const
{
    const std::int64_t size = disk == 1 && m_nFirstDisketteSize > 0 ? m_nFirstDisketteSize : m_nDisketteSize;
    DisketteFormat format;
    format.medium = FindMedium(size);
    if (format.medium) {
        format.capacity = format.medium->FileRoom();
        format.clusterSize = format.medium->ClusterSize();
        format.fileEntries = format.medium->rootEntries - 1;
    } else {
        format.capacity = size;
        format.clusterSize = m_nClusterSize;
    }
    return format;
}

namespace {

void CheckValueLength(const CLayout& layout, const ProfileEntry& entry)
{
    if (entry.key.size() + 1 + entry.value.size() > 511 || entry.value.size() > kMaxProfileValue)
        throw CInputError(layout.Where(entry.line) + "the value is longer than the " +
                          std::to_string(kMaxProfileValue) + " characters the setup program reads");
}

std::vector<ProfileEntry> EntriesOf(const CIniFile& ini, const char* name)
{
    std::vector<ProfileEntry> entries;
    if (const IniSection* section = ini.Find(name))
        for (const IniEntry& e : section->entries)
            entries.push_back({e.key, e.value, e.line});
    return entries;
}

} // namespace

void CLayout::ReadDestinations()
{
    m_destinations = EntriesOf(m_ini, "destinations");
    if (m_destinations.empty())
        throw CInputError(m_ini.DisplayName() +
                          ": [destinations] is missing; the setup program needs at least destination 0, "
                          "the folder it offers the user");
    bool haveMain = false;
    std::set<std::int64_t> ids;
    for (const ProfileEntry& entry : m_destinations) {
        std::int64_t id;
        if (!ParseInteger(entry.key, id, -32768, 32767))
            throw CInputError(Where(entry.line) + "a destination id must be a number from -32768 to 32767");
        if (!ids.insert(id).second)
            throw CInputError(Where(entry.line) + "destination " + entry.key + " is given twice");
        if (id == DEST_NONE)
            throw CInputError(Where(entry.line) + "destination -1 means 'not installed' and cannot be given");
        const std::vector<std::string> fields = SplitFields(entry.value);
        if (fields.size() > 3)
            throw CInputError(Where(entry.line) + "a destination is name|base|path (three fields at most)");
        std::int64_t base;
        if (fields.size() >= 2 && !fields[1].empty() && !ParseInteger(fields[1], base, -32768, 32767))
            throw CInputError(Where(entry.line) + "the base of a destination must be a destination id");
        haveMain = haveMain || id == 0;
        CheckValueLength(*this, entry);
    }
    if (!haveMain)
        throw CInputError(Where(m_ini.Find("destinations")->line) +
                          "[destinations] needs destination 0, the folder the setup program offers the user");
}

void CLayout::CheckDestinationsResolve() const
{
    const std::map<std::int64_t, ResolvedDestination> all = ResolveDestinations();
    auto checkUsed = [&](std::int16_t id, int line) {
        if (id == DEST_NONE)
            return;
        const auto it = all.find(id);
        if (it == all.end() || !it->second.hasPath)
            throw CInputError(Where(line) + "destination " + std::to_string(id) +
                              " has neither a base nor a path, so its files would have no folder");
    };
    for (const LayoutItem& item : m_items) {
        if (item.kind == LayoutItem::Kind::file)
            checkUsed(item.destination, item.line);
        for (const LayoutMember& member : item.members)
            checkUsed(member.destination, member.line);
    }
}

// As the setup program resolves them, after the user chose the folder of
// destination 0: passes of Resolve over all destinations until all of them
// succeed, at most as many passes as there are destinations.
std::map<std::int64_t, CLayout::ResolvedDestination> CLayout::ResolveDestinations() const
{
    std::map<std::int64_t, ResolvedDestination> all;
    all[DEST_WINDOWS].hasPath = all[DEST_SYSTEM].hasPath = all[DEST_TEMP].hasPath = true;
    for (const ProfileEntry& entry : m_destinations) {
        std::int64_t id = 0, base = -1;
        ParseInteger(entry.key, id, -32768, 32767);
        const std::vector<std::string> fields = SplitFields(entry.value);
        if (fields.size() >= 2) {
            base = 0;  // a base field that is there but empty reads as 0
            ParseInteger(fields[1], base, -32768, 32767);
        }
        ResolvedDestination& d = all[id];
        d.base = base;
        d.hasPath = fields.size() >= 3 && !fields[2].empty();
        d.line = entry.line;
    }
    all[0].hasPath = true;
    std::vector<std::int64_t> failed;
    for (std::size_t pass = 0; pass < all.size(); ++pass) {
        failed.clear();
        for (auto& [id, d] : all) {
            if (d.base == -1 || d.hasPath)
                continue;
            const auto base = all.find(d.base);
            if (base == all.end() || !base->second.hasPath)
                failed.push_back(id);
            else
                d.hasPath = true;
        }
        if (failed.empty())
            return all;
    }
    const ResolvedDestination& d = all[failed.front()];
    const bool missing = all.find(d.base) == all.end();
    throw CInputError(Where(d.line) + "destination " + std::to_string(failed.front()) + " lies below destination " +
                      std::to_string(d.base) +
                      (missing ? ", which is not given" : ", which never gets a folder (a missing base or a cycle)") +
                      "; the setup program could not resolve its destinations");
}

std::int16_t CLayout::ParseDestination(const std::string& text, int line) const
{
    static const std::pair<const char*, std::int16_t> names[] = {
        {"MAIN", DEST_MAIN}, {"NONE", DEST_NONE}, {"WINDOWS", DEST_WINDOWS}, {"SYSTEM", DEST_SYSTEM}, {"TEMP", DEST_TEMP}};
    std::int64_t id = 0;
    bool found = text.empty();
    for (const auto& [name, value] : names)
        if (EqualNoCase(text, name)) {
            id = value;
            found = true;
        }
    if (!found && !ParseInteger(text, id, -32768, 32767))
        throw CInputError(Where(line) + "destination '" + text +
                          "' is neither a number nor MAIN, WINDOWS, SYSTEM, TEMP or NONE");
    if (id != DEST_NONE && id != DEST_WINDOWS && id != DEST_SYSTEM && id != DEST_TEMP) {
        bool given = false;
        for (const ProfileEntry& entry : m_destinations) {
            std::int64_t key;
            given = given || (ParseInteger(entry.key, key, -32768, 32767) && key == id);
        }
        if (!given)
            throw CInputError(Where(line) + "destination " + std::to_string(id) + " is not given in [destinations]");
    }
    return static_cast<std::int16_t>(id);
}

void CLayout::ReadDiskettes()
{
    m_diskettes = EntriesOf(m_ini, "diskettes");
    for (const ProfileEntry& entry : m_diskettes) {
        std::int64_t n;
        if (!ParseInteger(entry.key, n, 1, kMaxDiskettes))
            throw CInputError(Where(entry.line) + "a diskette number must be from 1 to " +
                              std::to_string(kMaxDiskettes));
        if (SplitFields(entry.value).size() > 2)
            throw CInputError(Where(entry.line) + "a diskette is label|second (two fields at most)");
        CheckValueLength(*this, entry);
    }
}

void CLayout::ReadGroups()
{
    m_groups = EntriesOf(m_ini, "groups");
    for (const ProfileEntry& entry : m_groups) {
        for (const char* name : kProfileSections)
            if (EqualNoCase(entry.key, name))
                throw CInputError(Where(entry.line) + "a group cannot be called '" + entry.key +
                                  "': its file list would be the profile's section of that name");
        if (entry.key.find_first_of("[]") != std::string::npos)
            throw CInputError(Where(entry.line) + "a group key cannot hold '[' or ']'");
        const std::vector<std::string> fields = SplitFields(entry.value);
        if (fields.size() != 5)
            throw CInputError(Where(entry.line) + "a group is text1|text2|type1|type2|type3 (five fields)");
        std::int64_t flag;
        for (int i = 2; i < 5; ++i)
            if (!ParseInteger(fields[i], flag, -2147483647, 2147483647))
                throw CInputError(Where(entry.line) + "the installation-type fields of a group are numbers (0 or 1)");
        if (fields[3] == "0")
            m_warnings.push_back(Where(entry.line) + "group '" + entry.key +
                                 "' is not part of installation type 2, the one the setup program installs; "
                                 "its files will not be installed");
        CheckValueLength(*this, entry);
    }
}

void CLayout::ReadTargets()
{
    m_targets = EntriesOf(m_ini, "targets");
    for (const ProfileEntry& entry : m_targets) {
        const std::string problem = FileNameProblem(entry.key);
        if (!problem.empty())
            throw CInputError(Where(entry.line) + problem);
        const std::vector<std::string> fields = SplitFields(entry.value);
        if (fields.size() < 6 || fields.size() > 7)
            throw CInputError(Where(entry.line) +
                              "a target is icon|number2|minimized|caption|arguments|iconfile|path");
        std::int64_t n;
        for (int i = 0; i < 3; ++i)
            if (!ParseInteger(fields[i], n, -32768, 32767))
                throw CInputError(Where(entry.line) + "the icon index, second number and minimized flag of a "
                                                      "target are numbers");
        if (fields[3].empty())
            throw CInputError(Where(entry.line) + "a target needs a caption");
        CheckValueLength(*this, entry);
    }
}

std::string CLayout::ResolveSource(const std::string& text, int line) const
{
    if (text.empty())
        throw CInputError(Where(line) + "a source file is needed");
    std::string portable = text;
#ifndef _WIN32
    std::replace(portable.begin(), portable.end(), '\\', '/');
#endif
    const fs::path source(portable);
    return (source.is_absolute() ? source : fs::path(m_sourceDir) / source).lexically_normal().string();
}

void CLayout::ReadItems()
{
    const IniSection* items = m_ini.Find("items");
    if (!items || items->entries.empty())
        throw CInputError(m_ini.DisplayName() + ": [items] is missing or empty; it lists what goes onto the diskettes");
    for (const IniEntry& entry : items->entries)
        m_items.push_back(ReadItem(entry));
}

LayoutItem CLayout::ReadItem(const IniEntry& entry) const
{
    LayoutItem item;
    item.name = entry.key;
    item.line = entry.line;
    const std::string problem = FileNameProblem(item.name);
    if (!problem.empty())
        throw CInputError(Where(entry.line) + problem);
    const std::vector<std::string> fields = SplitFields(entry.value);
    const std::string kind = fields[0];
    if (EqualNoCase(kind, "archive")) {
        item.kind = LayoutItem::Kind::archive;
        if (fields.size() < 2 || fields.size() > 3)
            throw CInputError(Where(entry.line) + "an archive is listed as NAME=archive|GROUP|COMMENT");
        item.comment = fields.size() > 2 ? fields[2] : std::string();
    } else if (EqualNoCase(kind, "file")) {
        item.kind = LayoutItem::Kind::file;
        if (fields.size() < 3 || fields.size() > 5)
            throw CInputError(Where(entry.line) + "a file is listed as NAME=file|GROUP|SOURCE|DESTINATION|COMMENT");
        item.source = ResolveSource(fields[2], entry.line);
        item.destination = ParseDestination(fields.size() > 3 ? fields[3] : std::string(), entry.line);
        item.comment = fields.size() > 4 ? fields[4] : std::string();
    } else {
        throw CInputError(Where(entry.line) + "an item is either 'archive' or 'file', not '" + kind + "'");
    }
    if (fields[1].empty())
        throw CInputError(Where(entry.line) + "an item needs the group it belongs to");
    for (const ProfileEntry& group : m_groups)
        if (EqualNoCase(group.key, fields[1]))
            item.group = group.key;
    if (item.group.empty())
        throw CInputError(Where(entry.line) + "group '" + fields[1] + "' is not given in [groups]");
    if (item.kind == LayoutItem::Kind::archive) {
        const IniSection* members = m_ini.Find(item.name);
        if (!members)
            throw CInputError(Where(entry.line) + "archive '" + item.name + "' has no section [" + item.name +
                              "] listing its members");
        ReadMembers(item, *members);
    }
    return item;
}

void CLayout::ReadMembers(LayoutItem& item, const IniSection& section) const
{
    if (section.entries.empty())
        throw CInputError(Where(section.line) + "archive '" + item.name + "' has no members");
    for (const IniEntry& entry : section.entries) {
        LayoutMember member;
        member.name = entry.key;
        member.line = entry.line;
        if (member.name.size() >= kFileNameSize)
            throw CInputError(Where(entry.line) + "a member name holds at most " +
                              std::to_string(kFileNameSize - 1) + " characters");
        const std::string problem = FileNameProblem(LastPathComponent(member.name));
        if (!problem.empty())
            throw CInputError(Where(entry.line) + problem);
        const std::vector<std::string> fields = SplitFields(entry.value);
        if (fields.size() > 5)
            throw CInputError(Where(entry.line) + "a member is NAME=SOURCE|DESTINATION|ATTRIBUTES|METHOD|COMMENT");
        member.source = ResolveSource(fields[0], entry.line);
        member.destination = ParseDestination(fields.size() > 1 ? fields[1] : std::string(), entry.line);
        if (fields.size() > 2 && !fields[2].empty())
            member.attributes = ParseAttributes(fields[2], entry.line);
        if (fields.size() > 3 && !fields[3].empty()) {
            if (EqualNoCase(fields[3], "copy"))
                member.zlib = false;
            else if (!EqualNoCase(fields[3], "zlib"))
                throw CInputError(Where(entry.line) + "the method is 'zlib' or 'copy', not '" + fields[3] + "'");
        }
        member.comment = fields.size() > 4 ? fields[4] : std::string();
        if (member.comment.size() >= kCommentSize)
            throw CInputError(Where(entry.line) + "a member comment holds at most " +
                              std::to_string(kCommentSize - 1) + " characters");
        item.members.push_back(std::move(member));
    }
}

std::uint16_t CLayout::ParseAttributes(const std::string& text, int line) const
{
    std::uint16_t attributes = 0;
    if (text == "-")
        return attributes;
    for (char c : text) {
        switch (std::toupper(static_cast<unsigned char>(c))) {
        case 'R': attributes |= 0x01; break;
        case 'H': attributes |= 0x02; break;
        case 'S': attributes |= 0x04; break;
        case 'A': attributes |= 0x20; break;
        default:
            throw CInputError(Where(line) + "attributes are letters of R (read-only), H (hidden), S (system) and A "
                                            "(archive), or - for none");
        }
    }
    return attributes;
}
