// The colour type: the stored number form keeps blue in the high byte, and "no colour" survives
// the round trip.

#include <core/RawColour.h>

#include <gtest/gtest.h>

namespace {

using RawLayer::RawColour;

TEST(RawColour, StoredWordsKeepBlueInTheHighByte)
{
    struct Case {
        uint32_t word;
        RawColour colour;
    } cases[] = {
        { 0xFFD0C0, RawColour::FromRgb(0xC0, 0xD0, 0xFF) }, // the light blue of selections
        { 0x0000FF, RawColour::FromRgb(0xFF, 0, 0) }, { 0x000000, RawColour::FromRgb(0, 0, 0) },
        { 0xFFFFFFFF, RawColour::None() }, { 0x01000000, RawColour::None() }, // any top byte: not a colour
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(RawColour::FromBgrWord(c.word), c.colour);
        if (!c.colour.IsNone()) {
            EXPECT_EQ(c.colour.BgrWord(), c.word);
        }
    }
    EXPECT_EQ(RawColour::None().BgrWord(), 0xFFFFFFFFu);
    EXPECT_NE(RawColour::FromRgb(0xFF, 0xFF, 0xFF), RawColour::None());
}

} // namespace
