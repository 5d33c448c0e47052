#include "fw/Strings.h"
#include "fw/Time.h"

#include <gtest/gtest.h>

namespace {

TEST(StringsTest, LoadsFromTheProgramsStringTable)
{
    EXPECT_EQ("Pelto Setup", AfxLoadString(4));
    std::string text = "stale";
    EXPECT_FALSE(AfxLoadString(3, text));
    EXPECT_EQ("", text);
}

TEST(StringsTest, FormatsAnyLength)
{
    EXPECT_EQ("7|x|-1", StringFormat("%d|%s|%d", 7, "x", -1));
    EXPECT_EQ(std::string(2000, 'y'), StringFormat("%s", std::string(2000, 'y').c_str()));
    EXPECT_EQ("", StringFormat("%s", ""));
}

TEST(TimeTest, FormatsLocalTime)
{
    const std::string text = CTime::GetCurrentTime().Format("%H:%M:%S");
    ASSERT_EQ(8u, text.size());
    EXPECT_EQ(':', text[2]);
    EXPECT_EQ(':', text[5]);
}

} // namespace
