#pragma once
// Reading archives and diskette sets back: the archive walk of the setup
// program with later volumes found beside the current one or on the next
// diskette's folder (DISK01 -> DISK02), and the list, test and extract
// commands built on it. Faults are reported with the program's own error
// titles from the string table.
#include "archive/ArchiveFile.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

class CSetArchive : public CArchiveFile {
public:
    // Beside the current volume, else in the folder of the next diskette:
    // the current folder's name with its last two digits raised by one.
    bool FindNextVolume(const std::string& name, std::string& path) override;

    // Every volume opened so far, the first one included.
    std::vector<std::string> m_volumes;

    void OpenFirst(const std::string& path);
};

// The title and the class of an exception as the error dialog shows them,
// with the file a file exception names: "Archive file damaged (CRC Mismatch)
// (CMultiFileException 5)".
std::string DescribeException(const CException& e);

// A folder named like a diskette of a set ("DISK01"): its number, else 0.
int DisketteNumberOf(const std::string& folder);
// A diskette image of a set ("DISK01.img", any case): its number, else 0.
int DisketteImageNumberOf(const std::string& name);
// The folder of diskette n next to folder ("DISK01" -> "DISK03"); folder
// itself when its name does not end in a diskette number.
std::string DisketteFolder(const std::string& folder, int n);

// The commands; each returns the program's exit status (0 fine, 1 faults).
// TestSet takes a folder of diskette folders (DISK01, ...), one diskette's
// folder, and a folder of diskette images (DISK01.img, ...); a folder with
// both has both tested.
int ListArchive(const std::string& path, std::ostream& out, std::ostream& err);
int TestSet(const std::string& dir, std::ostream& out, std::ostream& err);
int ExtractArchive(const std::string& path, const std::string& dir, bool overwrite, std::ostream& out,
                   std::ostream& err);

// Expands every member of an archive in turn into one scratch file in
// workDir and hands each to check (which may throw); returns the number of
// members. Exceptions of the walk propagate, with inMember telling whether
// they came from a member (whose header member holds) or from the archive.
struct ExpandedMember {
    const CMemberFile& member;
    const std::string& path;  // the expanded file
};
int ExpandArchive(CSetArchive& archive, const std::string& firstVolume, const std::string& workDir,
                  CMemberFile& member, bool& inMember, const std::function<void(const ExpandedMember&)>& check);
