#pragma once
// Reading archives back: the archive walk of the setup program, with later
// volumes found beside the current one or on the next diskette's folder
// (DISK01 -> DISK02), and the list and extract commands built on it. Faults
// are reported with the program's own error titles from the string table.
#include "archive/ArchiveFile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

class CDisketteSource;

class CSetArchive : public CArchiveFile {
public:
    // Opens the first volume. Its later volumes are looked for beside the
    // current one, else in the folder of the next diskette: the current
    // folder's number raised by one.
    void OpenFirst(const std::string& path);
    // The same for an item of diskette disk of a setup profile, whose later
    // volumes the setup program looks for on diskettes disk + 1, disk + 2,
    // ... through source, as it looks for every file of the set.
    void OpenItem(const std::string& path, int disk, CDisketteSource& source);

    bool FindNextVolume(const std::string& name, std::string& path) override;

    // Every volume opened so far, the first one included.
    std::vector<std::string> m_volumes;

private:
    CDisketteSource* m_pSource = nullptr;  // not owned; null: by the folders' numbers
    int m_nDisk = 0;                       // with m_pSource: the current volume's diskette
};

// The title and the class of an exception as the error dialog shows them,
// with the file a file exception names: "Archive file damaged (CRC Mismatch)
// (CMultiFileException 5)".
std::string DescribeException(const CException& e);

// The commands; each returns the program's exit status (0 fine, 1 faults).
int ListArchive(const std::string& path, std::ostream& out, std::ostream& err);
int ExtractArchive(const std::string& path, const std::string& dir, bool overwrite, std::ostream& out,
                   std::ostream& err);

// Expands the members of an archive, opened as the caller chose, in turn
// into one scratch file in workDir and hands each to check (which may throw);
// returns the number of members walked over. Members before `from` are
// skipped unread, and the walk stops before member `to`. Exceptions of the
// walk propagate, with inMember telling whether they came from a member
// (whose header member holds) or from the archive.
struct ExpandedMember {
    const CMemberFile& member;
    const std::string& path;  // the expanded file
    std::size_t index;        // the member's place in the archive, from 0
};
int ExpandMembers(CSetArchive& archive, const std::string& workDir, CMemberFile& member, bool& inMember,
                  const std::function<void(const ExpandedMember&)>& check, std::size_t from = 0,
                  std::size_t to = SIZE_MAX);
// Every member, opening firstVolume with OpenFirst.
int ExpandArchive(CSetArchive& archive, const std::string& firstVolume, const std::string& workDir,
                  CMemberFile& member, bool& inMember, const std::function<void(const ExpandedMember&)>& check);
