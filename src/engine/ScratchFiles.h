#pragma once
// The scratch files an earlier run left beside a destination file when it was
// killed, or its machine lost power, while it expanded that file. A run knows
// them as its own by their name and their bytes: every run draws its scratch
// names from the same unseeded rand sequence (CPathName::MakeUniqueName), so
// such a file has one of the first kOwnNames names of that sequence with the
// destination file's extension, and holds the beginning (or all) of what the
// run has just expanded. One that waits for a rename at the next start of
// Windows (the new copy of a file that was in use) stays. Nothing here
// throws; a file that cannot be examined or deleted simply stays.
#include "fw/ExactFolder.h"
#include "system/PathName.h"

#include <map>
#include <set>
#include <string>
#include <vector>

// What a destination folder holds as far as the run knows: the names it held
// when the run first came to it (its files' long and short names) and those
// the run has given files there since, all upper case. A name in neither is
// one that no file of the folder has in any case, and a new file of that
// name goes by the folder's exact path (CExactFolder): Wine then does not
// read the whole folder for it.
class CFolderNames {
public:
    // The exact path for a new file `name` in the folder; empty when the
    // folder has none or a file of the folder may have the name.
    std::wstring NewPathOf(const std::string& name) const;
    // A file of the folder now has `name`.
    void Add(const std::string& name);

private:
    friend class CScratchFiles;
    CExactFolder m_exact;
    std::set<std::string> m_names;
};

class CScratchFiles {
public:
    // Scratch names a run can have drawn: one per member and per rename
    // aside, and more for names that were taken.
    static constexpr int kOwnNames = 4096;

    // Takes the names from the start of the sequence and starts it again;
    // called before the run draws its first scratch name, so that the run's
    // names stay those of the unseeded sequence.
    void TakeOwnNames();
    // The existing folder `directory` as the run knows it, listed once per
    // run, before the run makes its first file there. The Windows and System
    // directories, where other parts of the run make files by their ordinary
    // paths, get no exact paths.
    CFolderNames& EnterFolder(const CPathName& directory);
    // Deletes the earlier runs' scratch files of the member just expanded
    // into `scratch`, in its directory.
    void CleanBeside(const CPathName& scratch);

private:
    // A folder's names, and the files in it of an own name, which earlier
    // runs left there: all of them are there before this run expands its
    // first file beside them. Listing the folder for every member made a
    // large installation quadratic in its number of files.
    struct CFolder {
        CFolderNames names;
        std::vector<CPathName> ownFiles;
    };
    CFolder& Folder(const std::string& directory);

    std::set<std::string> m_ownNames;  // upper case
    std::map<std::string, CFolder> m_folders;  // by the directory, upper case, with its final backslash
};
