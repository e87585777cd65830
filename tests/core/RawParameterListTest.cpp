#include <core/RawParameterList.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

using namespace RawLayer;

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const RawParameterList& list)
{
    Entries entries;
    for (const RawParameterUnit& unit : list)
        entries.emplace_back(unit.key.Str(), unit.value.Str());
    return entries;
}

RawString Utf8(std::string_view text)
{
    return RawString(text, RawEncoding::Utf8);
}

} // namespace

TEST(RawParameterListTest, AddAlwaysAppendsAndFindReturnsTheFirstMatch)
{
    RawParameterList list;
    list.Add("Key").value = "first";
    list.Add("other").value = "x";
    RawParameterUnit& second = list.Add("KEY");
    EXPECT_TRUE(second.value.IsEmpty());
    second.value = "second";

    EXPECT_EQ(list.Count(), 3);
    ASSERT_NE(list.Find("key"), nullptr);
    EXPECT_EQ(list.Find("key")->value.Str(), "first");
    EXPECT_TRUE(list.Contains("OTHER"));
    EXPECT_FALSE(list.Contains("missing"));
    EXPECT_FALSE(list.Contains("Key ")); // nothing is trimmed
}

TEST(RawParameterListTest, FoldsOnlyAsciiLettersUnlessKeysAreExact)
{
    RawParameterList list;
    list.Add("Name", "ascii");
    list.Add(Utf8("\xC3\xA9t\xC3\xA9"), "accented"); // "été"
    EXPECT_NE(list.Find("nAME"), nullptr);
    EXPECT_EQ(list.Find(Utf8("\xC3\x89T\xC3\x89")), nullptr); // "ÉTÉ": é is not folded

    list.SetExactKeys(true);
    EXPECT_TRUE(list.ExactKeys());
    EXPECT_EQ(list.Find("name"), nullptr);
    EXPECT_NE(list.Find("Name"), nullptr);

    // A copy shares the body and keeps the flag.
    RawParameterList copy(list);
    EXPECT_TRUE(copy.SharesBodyWith(list));
    EXPECT_TRUE(copy.ExactKeys());
}

TEST(RawParameterListTest, GetTextAndGetIntegerFallBackOnlyForAMissingKey)
{
    RawParameterList list;
    list.Add("Text", "value");
    list.Add("Number", "0x10");
    list.Add("Empty");
    list.Add("Word", "abc");
    EXPECT_EQ(list.GetText("text", "default").Str(), "value");
    EXPECT_EQ(list.GetText("missing", "default").Str(), "default");
    EXPECT_EQ(list.GetText("Empty", "default").Str(), "");
    EXPECT_EQ(list.GetInteger("number", -1), 16);
    EXPECT_EQ(list.GetInteger("missing", -1), -1);
    EXPECT_EQ(list.GetInteger("Empty", -1), 0);
    EXPECT_EQ(list.GetInteger("Word", -1), 0);
}

TEST(RawParameterListTest, SetBooleanWritesTrueOrFalse)
{
    RawParameterList list;
    RawParameterUnit& unit = list.Add("Flag");
    RawParameterList::SetBoolean(unit, true);
    EXPECT_EQ(unit.value.Str(), "True");
    RawParameterList::SetBoolean(unit, false);
    EXPECT_EQ(unit.value.Str(), "False");
}

TEST(RawParameterListTest, ParsesIntegers)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    const std::vector<std::pair<std::string, int64_t>> cases = {
        { "", 0 },
        { "0", 0 },
        { "42", 42 },
        { "+7", 7 },
        { "-13", -13 },
        { "017", 17 }, // a leading zero alone stays decimal
        { "0x1F", 31 },
        { "0xff", 255 },
        { "-0x10", -16 },
        { "0b101", 5 },
        { "0b1012", 5 }, // stops at the first non-digit of the base
        { "0x", 0 },
        { "0X1F", 0 }, // only "0x" introduces hexadecimal
        { "0b", 0 },
        { "12abc", 12 },
        { " 5", 0 }, // no blanks skipped
        { "5 ", 5 },
        { "+-1", 0 },
        { "1e3", 1 },
        { "9223372036854775807", kMax },
        { "9223372036854775808", kMax },
        { "99999999999999999999999", kMax },
        { "-9223372036854775808", kMin },
        { "-9223372036854775809", kMin },
        { "0x7FFFFFFFFFFFFFFF", kMax },
        { "0xFFFFFFFFFFFFFFFF", kMax },
        { "-0x8000000000000000", kMin },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(RawParseInteger(text), expected) << '"' << text << '"';
}

TEST(RawParameterListTest, CutsEntryLinesIntoEntries)
{
    using namespace std::string_literals;
    const std::vector<std::pair<std::string, Entries>> cases = {
        { "a=b", { { "a", "b" } } },
        { "a = b", { { "a ", " b" } } },
        { "a=b=c", { { "a", "b=c" } } },
        { "key", { { "key", "" } } },
        { "=v", { { "", "v" } } },
        { "=", { { "", "" } } },
        { " ", { { " ", "" } } },
        { "a\0b=c\0\0d"s, { { "a", "" }, { "b", "c" }, { "d", "" } } },
        { "\0x=1\0"s, { { "x", "1" } } },
        { "", {} },
        { "\0\0"s, {} },
    };
    for (const auto& [line, expected] : cases) {
        RawParameterList list;
        list.AddEntries(Utf8(line));
        EXPECT_EQ(EntriesOf(list), expected) << '"' << line << '"';
    }
}

TEST(RawParameterListTest, AddEntriesConvertsALineInAnotherEncoding)
{
    RawParameterList list;
    list.AddEntries(RawString(std::u16string(u"k\u00e9y=v")));
    EXPECT_EQ(EntriesOf(list), (Entries { { "k\xC3\xA9y", "v" } }));
}

TEST(RawParameterListTest, SortComparesKeysAsUnsignedUnitsWithPrefixesFirst)
{
    RawParameterList list;
    for (const char* key : { "b", "\xC3\xA9", "a", "ab", "B", "a" })
        list.Add(Utf8(key), Utf8(std::to_string(list.Count())));
    list.Sort(RawParameterListSort());
    Entries sorted = EntriesOf(list);
    std::vector<std::string> keys;
    for (const auto& entry : sorted)
        keys.push_back(entry.first);
    EXPECT_EQ(keys, (std::vector<std::string> { "B", "a", "a", "ab", "b", "\xC3\xA9" }));
}
