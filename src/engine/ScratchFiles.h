#pragma once
// The scratch files an earlier run left in a destination directory when it
// was killed or its machine lost power while a member was expanded or made
// way. A run knows them as its own by their names: every run draws its
// scratch names from the same unseeded rand sequence (CPathName::MakeUniqueName),
// so a file whose name (without extension) is among the first kOwnNames of
// that sequence is an earlier run's scratch file. One that waits for a rename
// or delete at the next start of Windows (a file that was in use) stays.
// Nothing here throws; a file that cannot be deleted simply stays.
#include "system/PathName.h"

#include <set>
#include <string>

class CScratchFiles {
public:
    // Scratch names a run can have drawn: one per member and per rename
    // aside, and a few more for names that were taken.
    static constexpr int kOwnNames = 4096;

    // Deletes an earlier run's scratch files in `directory`, the first time
    // the run asks for that directory. The first call takes the names from
    // the start of the sequence and starts it again, so it must come before
    // the run draws its first scratch name.
    void CleanOnce(const CPathName& directory);

private:
    void TakeOwnNames();

    std::set<std::string> m_ownNames;  // upper case
    std::set<std::string> m_cleaned;   // directories, upper case
};
