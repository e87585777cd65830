#include <core/RawEncoding.h>

#include <gtest/gtest.h>

using namespace RawLayer;

TEST(RawEncodingNames, TableInCodeOrderEndsWithEmptyName)
{
    const char* names[] = { "NO_SET", "SJIS", "UTF8", "UTF7", "MAC", "UTF16BE", "UTF16LE", "UTF16" };
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(RawEncodingName(static_cast<RawEncoding>(i)), names[i]);
        EXPECT_EQ(RawEncodingFromName(names[i]), static_cast<RawEncoding>(i));
    }
    EXPECT_EQ(RawEncodingName(RawEncoding::Binary), "");
    EXPECT_FALSE(RawEncodingFromName(""));
    EXPECT_FALSE(RawEncodingFromName("utf8"));
}

TEST(RawEncodingValidation, StrictUtf8)
{
    EXPECT_TRUE(RawIsValidUtf8("plain ascii text that is longer than eight bytes"));
    EXPECT_TRUE(RawIsValidUtf8("日本語 and 😀"));
    EXPECT_FALSE(RawIsValidUtf8("\xC0\xAF"));         // overlong "/"
    EXPECT_FALSE(RawIsValidUtf8("\xE0\x80\xAF"));     // overlong
    EXPECT_FALSE(RawIsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(RawIsValidUtf8("\xF4\x90\x80\x80")); // above U+10FFFF
    EXPECT_FALSE(RawIsValidUtf8("abc\xE3\x81"));      // cut short
    EXPECT_FALSE(RawIsValidUtf8("\x80"));
    EXPECT_FALSE(RawIsValidUtf8("12345678\xFF"));
    EXPECT_TRUE(RawIsPlainAscii("~ !"));
    EXPECT_FALSE(RawIsPlainAscii(std::string_view("a\0b", 3)));
    EXPECT_FALSE(RawIsPlainAscii("\x7F"));
}

TEST(RawEncodingConversion, RoundTripsThroughUtf16)
{
    const std::string text = "Grüße, 日本語のテキスト";
    for (RawEncoding encoding :
        { RawEncoding::Sjis, RawEncoding::Utf7, RawEncoding::Utf16Be, RawEncoding::Utf16Le }) {
        std::string source = encoding == RawEncoding::Sjis ? "日本語のテキスト" : text;
        auto encoded = RawConvertBytes(source, RawEncoding::Utf8, encoding);
        ASSERT_TRUE(encoded) << RawEncodingName(encoding);
        auto decoded = RawConvertBytes(*encoded, encoding, RawEncoding::Utf8);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(*decoded, source);
    }
    EXPECT_EQ(*RawConvertBytes("caf\x8E", RawEncoding::Mac, RawEncoding::Utf8), "café");
    // Code page 932, not JIS Shift_JIS: 81 7C is the full-width hyphen-minus.
    EXPECT_EQ(*RawConvertBytes("\x81\x7C", RawEncoding::Sjis, RawEncoding::Utf8), "\xEF\xBC\x8D");
    EXPECT_EQ(*RawConvertBytes("", RawEncoding::Utf7, RawEncoding::Utf8), "");
}

TEST(RawEncodingConversion, FailuresAreReportedNotSubstituted)
{
    EXPECT_FALSE(RawConvertBytes("漢", RawEncoding::Utf8, RawEncoding::Mac));
    EXPECT_FALSE(RawConvertBytes("\x82", RawEncoding::Sjis, RawEncoding::Utf8)); // lead without trail
    EXPECT_FALSE(RawConvertBytes("\xFF", RawEncoding::Utf8, RawEncoding::Utf16Le));
    EXPECT_FALSE(RawToUtf16("abc", RawEncoding::Utf16Le));    // odd byte count
    EXPECT_FALSE(RawFromUtf16(u"\xD800", RawEncoding::Utf8)); // lone surrogate
    EXPECT_FALSE(RawToUtf16("x", RawEncoding::Binary));
}
