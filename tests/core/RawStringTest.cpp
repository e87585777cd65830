#include <core/RawString.h>

#include <gtest/gtest.h>

using namespace RawLayer;

namespace {

RawString Utf16(std::u16string_view units)
{
    return RawString(units);
}

} // namespace

TEST(RawStringSharing, CopySharesAndChangeOfCopyLeavesOriginal)
{
    RawString first("alpha");
    RawString owned(std::string_view("beta"), RawEncoding::Utf8);
    RawString copy = owned;
    EXPECT_TRUE(copy.SharesBodyWith(owned));
    EXPECT_EQ(owned.ExtraReferences(), 1);
    ASSERT_TRUE(copy.Append(RawString("!")));
    EXPECT_EQ(owned.View(), "beta");
    EXPECT_EQ(copy.View(), "beta!");
    EXPECT_FALSE(copy.SharesBodyWith(owned));
    EXPECT_EQ(owned.ExtraReferences(), 0);

    RawString literal_copy = first;
    EXPECT_EQ(first.StorageKind(), RawString::Kind::Static);
    ASSERT_TRUE(literal_copy.Replace(0, 1, RawString("A")));
    EXPECT_EQ(first.View(), "alpha");
    EXPECT_EQ(literal_copy.View(), "Alpha");
    EXPECT_EQ(literal_copy.StorageKind(), RawString::Kind::Owned);
}

TEST(RawStringSharing, AcquireSharesOnlySameEncodingAndNeverBorrowed)
{
    RawString utf8(std::string_view("日本"), RawEncoding::Utf8);
    RawString same;
    ASSERT_TRUE(same.Acquire(utf8, RawEncoding::Utf8));
    EXPECT_TRUE(same.SharesBodyWith(utf8));

    RawString wide;
    ASSERT_TRUE(wide.Acquire(utf8, RawEncoding::Utf16));
    EXPECT_FALSE(wide.SharesBodyWith(utf8));
    EXPECT_EQ(wide.View16(), u"日本");

    static const char buffer[] = "borrowed";
    RawString borrowed = RawString::Borrow(buffer, 8, RawEncoding::Utf8);
    EXPECT_EQ(borrowed.StorageKind(), RawString::Kind::Borrowed);
    RawString taken;
    ASSERT_TRUE(taken.Acquire(borrowed, RawEncoding::Utf8));
    EXPECT_FALSE(taken.SharesBodyWith(borrowed));
    EXPECT_EQ(taken.StorageKind(), RawString::Kind::Owned);
    RawString copied = borrowed; // a borrowed body is copied before it is shared
    EXPECT_NE(copied.Bytes(), buffer);
    EXPECT_EQ(copied.View(), "borrowed");
}

TEST(RawStringSharing, EmptyAndMovedFromHandlesStillHaveABody)
{
    RawString empty;
    EXPECT_EQ(empty.StorageKind(), RawString::Kind::Empty);
    EXPECT_EQ(empty.Encoding(), RawEncoding::Utf8);
    EXPECT_STREQ(empty.Bytes(), "");
    RawString source(std::string_view("x"), RawEncoding::Utf8);
    RawString target = std::move(source);
    EXPECT_EQ(source.Length(), 0); // NOLINT: the moved-from state is part of the contract
    EXPECT_STREQ(source.Bytes(), "");
    EXPECT_EQ(target.View(), "x");
}

TEST(RawStringConversion, FailureLeavesStringUnchangedAndSubstitutesNothing)
{
    RawString kanji(std::string_view("漢字"), RawEncoding::Utf8);
    RawString mac(std::string_view("abc"), RawEncoding::Mac);
    EXPECT_FALSE(mac.Append(kanji));
    EXPECT_EQ(mac.View(), "abc");
    RawString target;
    EXPECT_FALSE(target.Acquire(kanji, RawEncoding::Mac));
    EXPECT_TRUE(target.IsEmpty());

    RawString sjis;
    ASSERT_TRUE(sjis.Acquire(kanji, RawEncoding::Sjis));
    EXPECT_EQ(sjis.View(), "\x8A\xBF\x8E\x9A");
    RawString back;
    ASSERT_TRUE(back.Acquire(sjis, RawEncoding::Utf8));
    EXPECT_TRUE(back.Equals(kanji));
}

TEST(RawStringConversion, AppendConvertsEachPieceToOwnEncoding)
{
    RawString wide = Utf16(u"a");
    RawString sjis(std::string_view("\x82\xA0", 2), RawEncoding::Sjis); // あ
    ASSERT_TRUE(wide.Append(RawString("b"), sjis, RawString::Number(-42)));
    EXPECT_EQ(wide.View16(), u"abあ-42");
    RawString le(RawEncoding::Utf16Le);
    ASSERT_TRUE(le.Append(RawString("Hi")));
    EXPECT_EQ(le.View(), std::string_view("H\0i\0", 4));
}

TEST(RawStringNumbers, DigitsInAnyBase)
{
    EXPECT_EQ(RawString::Number(0).View(), "0");
    EXPECT_EQ(RawString::Number(-1234).View(), "-1234");
    EXPECT_EQ(RawString::Number(INT64_MIN).View(), "-9223372036854775808");
    EXPECT_EQ(RawString::UnsignedNumber(UINT64_MAX).View(), "18446744073709551615");
    EXPECT_EQ(RawString::Number(255, 16).View(), "FF");
    EXPECT_EQ(RawString::Number(35, 36).View(), "Z");
    EXPECT_EQ(RawString::Number(5, 2).View(), "101");
    RawString text("n=");
    text.AppendNumber(-7);
    text.AppendUnsignedNumber(10, 16);
    EXPECT_EQ(text.View(), "n=-7A");
}

TEST(RawStringCharacters, TrailLengthPerEncoding)
{
    struct Case {
        std::string bytes;
        RawEncoding encoding;
        int32_t pos;
        int32_t trail;
    };
    const Case cases[] = {
        { "a", RawEncoding::Utf8, 0, 0 },
        { "\xC3\xA9", RawEncoding::Utf8, 0, 1 },
        { "\xC0\x80", RawEncoding::Utf8, 0, 0 },
        { "\xC1\x80", RawEncoding::Utf8, 0, 0 },
        { "\xE3\x81\x82", RawEncoding::Utf8, 0, 2 },
        { "\xF0\x9F\x98\x80", RawEncoding::Utf8, 0, 3 },
        { "\xF8", RawEncoding::Utf8, 0, 4 },
        { "\xFC", RawEncoding::Utf8, 0, 5 },
        { "\x80", RawEncoding::Utf8, 0, 0 },
        { "\x82\xA0", RawEncoding::Sjis, 0, 1 },
        { "\xE0\x40", RawEncoding::Sjis, 0, 1 },
        { "\xA1", RawEncoding::Sjis, 0, 0 },
        { "\xF0\x40", RawEncoding::Sjis, 0, 0 },
        { std::string("\xD8\x3D\xDE\x00", 4), RawEncoding::Utf16Be, 0, 3 },
        { std::string("\x3D\xD8\x00\xDE", 4), RawEncoding::Utf16Le, 0, 3 },
        { std::string("\x00\x41", 2), RawEncoding::Utf16Be, 0, 1 },
        { std::string("\x00\x41", 2), RawEncoding::Utf16Be, 1, 0 },
        { "\xE3", RawEncoding::NoSet, 0, 0 },
        { "+AAA", RawEncoding::Utf7, 0, 0 },
    };
    for (const Case& c : cases) {
        RawString text(c.bytes, c.encoding);
        EXPECT_EQ(text.TrailLength(c.pos), c.trail) << "encoding " << static_cast<int>(c.encoding);
    }
    EXPECT_EQ(Utf16(u"😀").TrailLength(0), 1);
    EXPECT_EQ(Utf16(u"😀").TrailLength(1), 0);
}

TEST(RawStringCharacters, FindStepsByWholeCharacters)
{
    // 0x5C ("\") is the trail byte of the Shift_JIS "ソ" (83 5C); it must not be found inside it.
    RawString sjis(std::string_view("\x83\x5C\\x\\", 5), RawEncoding::Sjis);
    EXPECT_EQ(sjis.Find('\\'), 2);
    EXPECT_EQ(sjis.FindLastOf(RawString("\\")), 4);
    EXPECT_EQ(sjis.Find('q'), 5);
    EXPECT_EQ(sjis.FindFirstOf(RawString("x")), 3);
    RawString path("a/b/c.txt");
    EXPECT_EQ(path.FindLastOf(RawString("/\\")), 3);
    EXPECT_EQ(RawString("abc").FindLastOf(RawString("/")), -1);
    EXPECT_EQ(RawString("  x ").FindFirstNotOf(RawString(" ")), 2);
    EXPECT_EQ(RawString("aaa").FindFirstNotOf(RawString("a")), 3);
    EXPECT_EQ(RawString("abcabc").FindText(RawString("ca")), 2);
    EXPECT_EQ(RawString("abc").FindText(RawString("abcd")), 3);
    EXPECT_EQ(RawString("hello").Substring(1, 3).View(), "el");
    EXPECT_EQ(RawString("hello").Substring(4, 99).View(), "o");
    EXPECT_EQ(RawString("hello").Substring(-3, 2).View(), "he");
}

TEST(RawStringComparison, ExactIgnoreCaseAndPrefix)
{
    EXPECT_TRUE(RawString("Common").EqualsIgnoreCase(RawString("COMMON")));
    EXPECT_FALSE(RawString("Common").Equals(RawString("COMMON")));
    // Only ASCII letters fold: é and É differ, and "@" (0x40) is not "`" (0x60).
    EXPECT_FALSE(RawString("é").EqualsIgnoreCase(RawString("É")));
    EXPECT_FALSE(RawString("@").EqualsIgnoreCase(RawString("`")));
    EXPECT_FALSE(RawString("[").EqualsIgnoreCase(RawString("{")));
    EXPECT_TRUE(Utf16(u"abc").EqualsIgnoreCase(RawString("ABC")));
    EXPECT_TRUE(RawString("prefix-rest").StartsWith(RawString("prefix")));
    EXPECT_TRUE(RawString("abc").StartsWith(RawString("abx"), 2));
    EXPECT_FALSE(RawString("ab").StartsWith(RawString("abc")));
}

TEST(RawStringChanging, AssignNeverWritesASharedBody)
{
    RawString line;
    line.Assign("first line of some length", RawEncoding::Utf8);
    line.Assign("second", RawEncoding::Utf8);
    EXPECT_EQ(line.View(), "second");
    RawString keeper = line;
    line.Assign("third", RawEncoding::Utf8);
    EXPECT_EQ(keeper.View(), "second"); // a shared body is never written
    EXPECT_EQ(line.View(), "third");
    line.Assign(std::string_view("a\0b\0", 4), RawEncoding::Utf16);
    EXPECT_EQ(line.Length(), 2);
    EXPECT_EQ(line.View16(), u"ab");
    line.Assign(std::string_view(), RawEncoding::Utf8); // an empty view may carry no pointer at all
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_STREQ(RawString(std::string_view(), RawEncoding::Utf8).Bytes(), "");
}
