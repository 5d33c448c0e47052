#pragma once
// diskset test: a diskette set read as the setup program reads it. With a
// setup profile on the first diskette, every item of every group's section,
// read by the setup program's rules (rules/ProfileRecords.h), is looked for
// in diskette order as the setup program looks for it (DisketteSet.h), every
// archive is expanded across its volumes with every checksum verified, and
// the sizes and counts the profile gives are compared with what the files
// hold. Without a profile every file is tested as an archive.
#include <ostream>
#include <string>

// Takes a folder of diskette folders (DISK01, ...), one diskette's folder, or
// a folder of diskette images (DISK01.img, ...); a folder with both has both
// tested. Returns the exit status: 0 fine, 1 faults.
int TestSet(const std::string& dir, std::ostream& out, std::ostream& err);
