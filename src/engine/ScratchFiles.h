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
#include "system/PathName.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class CScratchFiles {
public:
    // Scratch names a run can have drawn: one per member and per rename
    // aside, and more for names that were taken.
    static constexpr int kOwnNames = 4096;

    // Takes the names from the start of the sequence and starts it again;
    // called before the run draws its first scratch name, so that the run's
    // names stay those of the unseeded sequence.
    void TakeOwnNames();
    // Deletes the earlier runs' scratch files of the member just expanded
    // into `scratch`, in its directory.
    void CleanBeside(const CPathName& scratch);

private:
    std::vector<CPathName> OwnFilesIn(const std::string& folder, const std::string& extension) const;

    std::set<std::string> m_ownNames;  // upper case
    // The files of an own name in a directory with an extension (key
    // "DIRECTORY\|EXT", upper case), listed once per run: an earlier run's
    // files are all there before this run expands its first file beside
    // them. Listing the directory for every member made a large installation
    // quadratic in its number of files.
    std::map<std::string, std::vector<CPathName>> m_candidates;
};
