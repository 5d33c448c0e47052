#include "rules/ProfileFields.h"

#include "fw/CodePage.h"

#include <gtest/gtest.h>

namespace {

std::string Field(const char* value, int n, bool expected = true)
{
    std::string out = "stale";
    EXPECT_EQ(expected, GetField(out, value, n)) << value << " field " << n;
    return out;
}

TEST(ProfileFieldTest, FieldsBetweenSeparators)
{
    EXPECT_EQ("a", Field("a||b", 0));
    EXPECT_EQ("", Field("a||b", 1));
    EXPECT_EQ("b", Field("a||b", 2));
    EXPECT_EQ("", Field("a||b", 3, false));
    EXPECT_EQ("", Field("", 0));
    EXPECT_EQ("", Field("", 1, false));
    EXPECT_EQ("", Field("x|", 1));
}

TEST(ProfileFieldTest, NothingIsTrimmed)
{
    EXPECT_EQ(" a ", Field(" a |b", 0));
    EXPECT_EQ("b ", Field(" a |b ", 1));
}

TEST(ProfileFieldTest, OtherSeparatorAndNullValue)
{
    std::string out = "stale";
    EXPECT_TRUE(GetField(out, "a,b", 1, ','));
    EXPECT_EQ("b", out);
    EXPECT_FALSE(GetField(out, static_cast<const char*>(nullptr), 0));
    EXPECT_EQ("", out);
    EXPECT_FALSE(GetField(out, "a|b", -1));
    EXPECT_TRUE(GetField(out, "a|b", 0, '\0'));
    EXPECT_EQ("a|b", out);
    EXPECT_FALSE(GetField(out, "a|b", 1, '\0'));
}

class ProfileFieldDbcsTest : public ::testing::Test {
protected:
    void SetUp() override { SetFieldCodePage(932); }
    void TearDown() override { SetFieldCodePage(kAnsiCodePage); }
};

TEST_F(ProfileFieldDbcsTest, TrailByteEqualToTheSeparatorDoesNotSeparate)
{
    // 0x83 0x7C is one Shift-JIS character whose second byte is '|'.
    EXPECT_EQ("\x83|x", Field("\x83|x|y", 0));
    EXPECT_EQ("y", Field("\x83|x|y", 1));
    EXPECT_EQ("", Field("\x83|x", 1, false));
}

TEST_F(ProfileFieldDbcsTest, LeadByteAtTheEndStaysInsideTheText)
{
    EXPECT_EQ("a\x83", Field("a\x83", 0));
    EXPECT_EQ("", Field("a\x83", 1, false));
}

TEST(ProfileNumberFieldTest, ShortKeepsTheLow16Bits)
{
    std::int16_t out = 99;
    EXPECT_TRUE(GetShortField(out, "70000", 0));
    EXPECT_EQ(4464, out);
    EXPECT_TRUE(GetShortField(out, "x| -1x", 1));
    EXPECT_EQ(-1, out);
    EXPECT_TRUE(GetShortField(out, "abc", 0));
    EXPECT_EQ(0, out);
    EXPECT_TRUE(GetShortField(out, "32768", 0));
    EXPECT_EQ(-32768, out);
    out = 7;
    EXPECT_FALSE(GetShortField(out, "1|2", 2));
    EXPECT_EQ(7, out);
}

TEST(ProfileNumberFieldTest, LongFollowsTheAtolRules)
{
    std::int32_t out = 0;
    const struct {
        const char* text;
        std::int32_t number;
    } cases[] = {
        {"\t\n 42", 42}, {"+12", 12}, {"-0", 0}, {"--1", 0}, {"+ 1", 0}, {"12 34", 12}, {"0x1F", 0},
        {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"2147483648", INT32_MIN},
        {"4294967297", 1}, {"", 0},
    };
    for (const auto& c : cases) {
        out = 5;
        EXPECT_TRUE(GetLongField(out, c.text, 0)) << c.text;
        EXPECT_EQ(c.number, out) << c.text;
    }
    out = 5;
    EXPECT_FALSE(GetLongField(out, "", 1));
    EXPECT_EQ(5, out);
}

TEST(ProfileNumberFieldTest, BoolIsOneForAnyNonZeroNumber)
{
    int out = 7;
    EXPECT_TRUE(GetBoolField(out, "2", 0));
    EXPECT_EQ(1, out);
    EXPECT_TRUE(GetBoolField(out, "0", 0));
    EXPECT_EQ(0, out);
    out = 7;
    EXPECT_TRUE(GetBoolField(out, "1|", 1));
    EXPECT_EQ(0, out);
    EXPECT_TRUE(GetBoolField(out, "-65536", 0));
    EXPECT_EQ(1, out);
    out = 7;
    EXPECT_FALSE(GetBoolField(out, "1", 1));
    EXPECT_EQ(7, out);
}

} // namespace
