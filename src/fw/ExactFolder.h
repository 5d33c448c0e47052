#pragma once
// A folder's paths that Wine takes as they are spelled. Under Wine, a name
// that a folder does not hold is looked for in the whole folder, for one
// that differs only in case, whenever a file is opened or created by it or
// renamed to it, so that every file made in a folder costs as much as the
// folder holds. A path in Wine's Unix namespace ("\\?\unix\...") is taken
// as spelled, without that search. Elsewhere (on Windows, or for a folder
// Wine cannot map) a CExactFolder is empty and its users go the ordinary
// way. It knows nothing of what the folder holds: a caller takes a path of it
// only for a name it knows no file of the folder has in any case. Nothing
// here throws.
#include <string>

class CExactFolder {
public:
    CExactFolder() = default;
    // `directory` is an existing folder's full path, with or without the
    // final backslash.
    explicit CExactFolder(const std::string& directory);

    bool IsEmpty() const noexcept { return m_prefix.empty(); }
    // The exact path of `name` (a file name without a path) in the folder;
    // empty when the folder has none, or when the name is not one that Wine
    // would spell the same in both ways (anything but ASCII letters, digits
    // and "!#$%&'()-@^_`{}~." and a name ending in a dot or a blank).
    std::wstring PathOf(const std::string& name) const;

private:
    std::wstring m_prefix;  // "\\?\unix\...\", the folder's Unix path
};
