#pragma once
// Directory locations as the user types them, and the diskettes of a set
// copied to disk. Both answer with a truth value and throw nothing.
#include "system/PathName.h"

#include <string>

// Parses a directory location typed by the user or given on the command line
// ('C:\PELTO', 'D:\Program Files\Pelto\', '\\server\share\Pelto') into `path`.
// FALSE for text that is no usable directory: empty, too long for a path, with
// characters a file name cannot hold, on a drive letter that names no drive,
// or (with `absolute`) without a drive or server, which would be taken
// relative to the current directory.
BOOL ParseLocation(const std::string& text, BOOL absolute, CPathName& path);

// `path` moved to the directory of diskette `disk` in a diskette set copied to
// disk, whose diskettes are sibling directories numbered by their last two
// characters: 'C:\SET\DISK01\PELTO.Z2' for diskette 2 gives
// 'C:\SET\DISK02\PELTO.Z2'. FALSE when the directory (without the drive) is no
// longer than 2 characters or its last two do not read as a non-zero number.
BOOL SiblingDisketteDirectory(const CPathName& path, int disk, CPathName& sibling);
