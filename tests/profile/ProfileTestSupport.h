#pragma once
// An INI file of a test's own, written byte for byte.
#include "support/TempDir.h"
#include "system/PathName.h"

#include <string>

inline CPathName WriteIni(const TempDir& dir, const std::string& name, const std::string& content)
{
    WriteFileBytes(dir / name, content);
    return CPathName(dir / name);
}
