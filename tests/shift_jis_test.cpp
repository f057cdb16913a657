// Shift_JIS as the checker reads and shows it.
#include "shift_jis.h"

#include <gtest/gtest.h>

namespace {

TEST(First_Invalid_Shift_Jis, PointsAtTheFirstByteThatBeginsNoCharacter)
{
    const std::size_t npos = std::string_view::npos;
    EXPECT_EQ(first_invalid_shift_jis(""), npos);
    EXPECT_EQ(first_invalid_shift_jis("plain ascii"), npos);
    EXPECT_EQ(first_invalid_shift_jis("\x93\xfa\x96\x7b\xb1"), npos); // 日本 and a half-width ア
    EXPECT_EQ(first_invalid_shift_jis("\x81\x5c"), npos); // a trail byte that is a backslash
    EXPECT_EQ(first_invalid_shift_jis("ab\x93"), 2u);        // the lead byte ends the text
    EXPECT_EQ(first_invalid_shift_jis("\x93\xfa\x93\x0a"), 2u);
    EXPECT_EQ(first_invalid_shift_jis("a\x80"), 1u);
    EXPECT_EQ(first_invalid_shift_jis("\xa0"), 0u);
    EXPECT_EQ(first_invalid_shift_jis("\xfd\x40"), 0u);
}

TEST(Readable_Text, ShowsJapaneseAsItselfAndEscapesTheRest)
{
    EXPECT_EQ(readable_text("\x93\xfa\x96\x7b\x8c\xea"), "日本語");
    EXPECT_EQ(readable_text("\xb1\xb2"), "ｱｲ");
    EXPECT_EQ(readable_text(std::string("a\0b", 3)), "a\\x00b");
    EXPECT_EQ(readable_text("\x93\xfa\x82"), "日\\x82");
    EXPECT_EQ(readable_text("x\xa0y"), "x\\xA0y");
    EXPECT_EQ(readable_text("a\r\n\tb"), "a\\x0D\\x0A\\x09b");
    EXPECT_EQ(readable_text("a\r\n\tb", true), "a\r\n\tb");
}

TEST(Readable_Text, EscapesOnlyTheCharactersWithoutAUnicodeForm)
{
    // 0x85 0x40 is a well-formed pair that code page 932 leaves unassigned.
    EXPECT_EQ(readable_text("\x93\xfa\x85\x40\x93\xfa"), "日\\x85\\x40日");
}

} // namespace
