#include "rules/ProfileRecords.h"

#include "rules/Destinations.h"

#include <gtest/gtest.h>

namespace {

// diskset writes the item line, the setup program reads it: what one writes
// the other reads back, and a line cut short keeps the setup program's defaults.
TEST(ItemLineTest, ReadsBackAsWrittenAndMissingFieldsKeepTheirDefaults)
{
    ItemLine line;
    line.size = 2147483647;
    line.kind = ItemLine::kArchive;
    line.members = 32767;
    line.disk = -3;
    line.destination = DEST_SYSTEM;
    line.comment = " two words ";
    const std::string text = FormatItemLine(line);
    EXPECT_EQ("2147483647|1|32767|-3|-3| two words ", text);
    const ItemLine back = ReadItemLine(text);
    EXPECT_EQ(line.size, back.size);
    EXPECT_EQ(line.kind, back.kind);
    EXPECT_EQ(line.members, back.members);
    EXPECT_EQ(3, back.Diskette());
    EXPECT_EQ(DEST_SYSTEM, back.destination);
    EXPECT_EQ(" two words ", back.comment);

    const ItemLine cut = ReadItemLine(" 4294967308| 1x");
    EXPECT_EQ(12, cut.size);  // 32 bits, as the setup program holds it
    EXPECT_EQ(ItemLine::kArchive, cut.kind);
    EXPECT_EQ(0, cut.members);
    EXPECT_EQ(0, cut.Diskette());
    EXPECT_EQ(DEST_MAIN, cut.destination);
    EXPECT_EQ("", cut.comment);
}

} // namespace
