#pragma once
// Destinations: the directories files are installed into, by 16-bit id. Ids 0
// and above come from the setup profile (0 is the directory the user chose);
// the map itself creates the Windows, System and temporary directories under
// their negative ids. A destination lies below a base destination by name, or
// has a path of its own; ResolveAll gives every destination below a base its
// path. The map owns its destinations.
#include "rules/Destinations.h"
#include "system/PathName.h"

#include <map>
#include <memory>
#include <string>

class ILogLines;
class CDestinationMap;

class CDestination {
public:
    CDestination(short id, CDestinationMap* owner) noexcept : m_nId(id), m_pOwner(owner) {}
    CDestination(const CDestination&) = delete;
    CDestination& operator=(const CDestination&) = delete;

    // Gives a destination that lies below a base the base's path with the name
    // appended. TRUE when the destination has a path afterwards or needs none
    // (no base); FALSE while the base is unknown or has no path yet, or when
    // the joined path would be too long (the path then stays as it was).
    // Without force, a path the destination already has is kept.
    BOOL Resolve(BOOL force);
    // Forgets a path that Resolve gave, so the next resolution follows the
    // base's current path; a path given with SetPath stays.
    void ForgetResolvedPath() noexcept;
    BOOL HasBase() const noexcept { return m_nBaseId != DEST_NONE; }
    BOOL HasPath() const noexcept { return !m_path.IsEmpty(); }

    short m_nId;
    // Destination 0: the directory, without drive, that the destination page
    // proposes. Below a base: the subdirectory name.
    std::string m_strName;
    short m_nBaseId = DEST_NONE;
    CDestinationMap* m_pOwner;
    CPathName m_path;
    // m_path came from Resolve, not from the profile or SetPath.
    BOOL m_bResolved = FALSE;
};

class CDestinationMap {
public:
    using Map = std::map<short, std::unique_ptr<CDestination>>;

    // The three predefined destinations, with the system folders as paths.
    CDestinationMap();
    CDestinationMap(const CDestinationMap&) = delete;
    CDestinationMap& operator=(const CDestinationMap&) = delete;

    // Both create the destination when the id is new. A path always names a
    // directory: 'C:\TOOLS' is held as 'C:\TOOLS\' (one that cannot be held
    // so, too long with the backslash, leaves the destination without a path).
    void SetPath(short id, const CPathName& path);
    void SetRelative(short id, const std::string& name, short baseId);

    // Resolves every destination, in passes until all succeed, at most as many
    // passes as there are destinations. Paths resolved by an earlier call are
    // resolved again, so they follow a base whose path has changed since (the
    // user went back and chose another directory); given paths stay. Throws
    // CInstallProfileException unresolvedDestinations when some destination
    // stays unresolved (missing base, cycle).
    void ResolveAll();

    // Name and path of a destination; empty for an id that is not in the map.
    std::string GetName(short id) const;
    CPathName GetPath(short id) const;
    // The destination, or null for an id that is not in the map.
    CDestination* Lookup(short id) const;
    std::size_t GetCount() const noexcept { return m_map.size(); }
    Map::const_iterator begin() const noexcept { return m_map.begin(); }
    Map::const_iterator end() const noexcept { return m_map.end(); }

    // Reads section "destinations" (key id, value name|baseId|path). Throws
    // CInstallProfileException noDestinations when the section is absent or
    // empty.
    void LoadFromProfile(const CPathName& file);
    // Writes section "destinations" of the install log: every destination with
    // an id of 0 or above. FALSE when a line was too long to be written.
    BOOL WriteToLog(ILogLines& log) const;
    BOOL WriteToLog(const CPathName& file) const;

private:
    CDestination& Get(short id);

    Map m_map;
};
