#pragma once
// The layout of a diskette set, read from the vendor's layout file: the
// tool's settings, the four sections copied into the setup profile, and the
// items that go onto the diskettes in order, with the members of each
// archive. Load checks everything that can be checked before a byte is
// written and throws CInputError ("file:line: reason") at the first fault.
#include "DisketteMedia.h"
#include "IniFile.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct LayoutMember {
    std::string name;         // stored in the header
    std::string source;       // path of the file
    std::int16_t destination = 0;
    std::uint16_t attributes = 0x20;
    bool zlib = true;         // false: stored as it is
    std::string comment;
    int line = 0;
};

struct LayoutItem {
    enum class Kind { archive, file };
    Kind kind = Kind::archive;
    std::string name;         // file name on the diskette; an archive's first volume
    std::string group;        // the group key as written in [groups]
    std::string comment;
    std::string source;       // file: its path
    std::int16_t destination = 0;  // file: where it is copied
    std::vector<LayoutMember> members;  // archive
    int line = 0;
};

// What one diskette of the set holds: bytes of files in whole clusters and
// root-folder entries. A size that names a standard medium takes the
// medium's; any other size the layout's ClusterSize and no entry limit.
struct DisketteFormat {
    std::int64_t capacity = 0;
    std::int64_t clusterSize = 0;
    int fileEntries = 0;  // root entries for files, the volume label's left out; 0: no limit
    const DisketteMedium* medium = nullptr;
};

struct ProfileEntry {
    std::string key;
    std::string value;
    int line = 0;
};

class CLayout {
public:
    static constexpr std::int64_t kDefaultDisketteSize = 1457664;  // a 3.5-inch 1.44 MB diskette
    static constexpr std::int64_t kDefaultClusterSize = 512;

    enum class TimeMode { source, none, fixed };

    // Reads and checks the layout. setupOverride and sizeOverride (when not
    // empty or 0) stand for the command line's --setup and --diskette-size.
    void Load(const std::string& path, const std::string& setupOverride = {}, std::int64_t sizeOverride = 0);
    // The same for a layout's text, as if read from path (its folder is the base of relative names).
    void Parse(const std::string& text, const std::string& path);

    std::string m_path;
    std::string m_setupProgram;  // empty: none
    std::int64_t m_nDisketteSize = kDefaultDisketteSize;
    std::int64_t m_nClusterSize = kDefaultClusterSize;
    std::int64_t m_nFirstDisketteSize = 0;  // 0: as m_nDisketteSize
    bool m_bSetupAlone = false;             // diskette 1 holds only the setup program and its profile
    TimeMode m_timeMode = TimeMode::source;
    std::int32_t m_nFixedTime = 0;
    std::string m_labelPattern;  // "%d" stands for the diskette's number

    // The format of diskette `disk` (1 is the first).
    DisketteFormat FormatOf(int disk) const;

    std::vector<ProfileEntry> m_destinations;
    std::vector<ProfileEntry> m_diskettes;
    std::vector<ProfileEntry> m_groups;
    std::vector<ProfileEntry> m_targets;
    std::vector<LayoutItem> m_items;
    std::vector<std::string> m_warnings;

    // "file:line: " for messages about the layout.
    std::string Where(int line) const { return m_ini.Where(line); }

private:
    void Read(const std::string& path, const std::string& setupOverride, std::int64_t sizeOverride);
    void CheckSections() const;
    void WarnAboutTargets();
    void ReadSettings(const std::string& setupOverride, std::int64_t sizeOverride);
    const IniEntry* Setting(const char* key) const;  // of [layout]
    void ReadSource();
    void ReadProgram(const std::string& setupOverride);
    void ReadSizes(std::int64_t sizeOverride);
    void ReadSetupDiskette();
    void ReadTime();
    void ReadLabel();
    void ReadDestinations();
    void ReadDiskettes();
    void ReadGroups();
    void ReadTargets();
    void ReadItems();
    LayoutItem ReadItem(const IniEntry& entry) const;
    void ReadMembers(LayoutItem& item, const IniSection& section) const;
    std::uint16_t ParseAttributes(const std::string& text, int line) const;
    void CheckDestinationsResolve() const;
    // A destination as the setup program resolves it: its base, and whether
    // it gets a folder.
    struct ResolvedDestination {
        std::int64_t base = -1;
        bool hasPath = false;
        int line = 0;
    };
    std::map<std::int64_t, ResolvedDestination> ResolveDestinations() const;
    std::int16_t ParseDestination(const std::string& text, int line) const;
    std::string ResolveSource(const std::string& text, int line) const;

    CIniFile m_ini;
    std::string m_sourceDir;
};

// Checks a file name for a diskette or a profile key; empty when it is fine,
// else the reason.
std::string FileNameProblem(const std::string& name);
// Strict decimal integer; false when text is not one or out of range.
bool ParseInteger(const std::string& text, std::int64_t& value, std::int64_t low, std::int64_t high);
// "YYYY-MM-DD HH:MM:SS" (UTC) as seconds since 1970.
bool ParseUtcTime(const std::string& text, std::int64_t& value);
