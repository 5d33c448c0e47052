#include "install/FileVersion.h"
#include "install/TestFiles.h"

#include <gtest/gtest.h>

namespace {

struct Parts {
    WORD major = 0xFFFF, minor = 0xFFFF, third = 0xFFFF, fourth = 0xFFFF;
};

Parts FixedVersionOf(const CFileVersion& version)
{
    Parts parts;
    EXPECT_TRUE(version.GetFixedVersion(parts.major, parts.minor, &parts.third, &parts.fourth));
    return parts;
}

class FileVersionTest : public ::testing::Test {
protected:
    static CFileVersion& Loaded(CFileVersion& version, const char* dll)
    {
        EXPECT_TRUE(version.Load(TestDll(dll).c_str())) << dll;
        return version;
    }
};

TEST_F(FileVersionTest, ReadsTheFourPartsInOrder)
{
    CFileVersion version;
    const Parts parts = FixedVersionOf(Loaded(version, "v4010"));
    EXPECT_EQ(4, parts.major);
    EXPECT_EQ(0, parts.minor);
    EXPECT_EQ(1, parts.third);
    EXPECT_EQ(0, parts.fourth);
    WORD major = 0, minor = 0;
    EXPECT_TRUE(version.GetFixedVersion(major, minor));
}

TEST_F(FileVersionTest, DamagedFixedVersionIsNotTrusted)
{
    CFileVersion damaged, v4000;
    EXPECT_TRUE(damaged.Load(TestDll("damaged").c_str()));
    Loaded(v4000, "v4000");
    WORD major = 7, minor = 7;
    EXPECT_FALSE(damaged.GetFixedVersion(major, minor));
    EXPECT_EQ(7, major);
    EXPECT_FALSE(damaged.IsNewerThan(v4000));
    EXPECT_FALSE(v4000.IsNewerThan(damaged));
}

} // namespace
