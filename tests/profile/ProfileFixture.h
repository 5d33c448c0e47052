#pragma once
// A setup profile and an install log in a test's own folder, and what the
// profile API reads back from them.
#include "support/TempDir.h"
#include "system/PathName.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

class ProfileFixture : public ::testing::Test {
protected:
    // Writes the setup profile (INI text as it would be typed).
    void WriteProfile(const std::string& text) { WriteFileBytes(profile.GetPath(), text); }

    // The lines of a section as key -> value, through the profile API.
    static std::map<std::string, std::string> Section(const CPathName& file, const char* section);
    // The section names of a file in the order of the file.
    static std::vector<std::string> SectionNames(const CPathName& file);
    // The keys of a section in the order of the file.
    static std::vector<std::string> Keys(const CPathName& file, const char* section);

    TempDir dir;
    CPathName profile{dir / "INSTALL.ini"};
    CPathName log{dir / "pelto.log"};
};
