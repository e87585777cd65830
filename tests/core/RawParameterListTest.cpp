#include <core/RawParameterList.h>

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <tests/TestSupport.h>

using namespace RawLayer;

namespace {

using QuelvaneTest::Texts;
using QuelvaneTest::Utf8;

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries EntriesOf(const RawParameterList& list)
{
    Entries entries;
    for (const RawParameterUnit& unit : list)
        entries.emplace_back(unit.key.Str(), unit.value.Str());
    return entries;
}

} // namespace

TEST(RawParameterListTest, LookupsTakeTheFirstMatchAndFallBackOnlyForAMissingKey)
{
    RawParameterList list;
    list.Add("Key", "0x10");
    list.Add("Empty");
    list.Add("KEY", "second"); // appended although the key is there
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetText("key", "default").Str(), "0x10");
    EXPECT_EQ(list.GetInteger("key", -1), 16);
    EXPECT_EQ(list.GetText("Empty", "default").Str(), "");
    EXPECT_EQ(list.GetInteger("Empty", -1), 0);
    EXPECT_EQ(list.GetText("missing", "default").Str(), "default");
    EXPECT_EQ(list.GetInteger("missing", -1), -1);
    EXPECT_FALSE(list.Contains("Key ")); // nothing is trimmed

    // Other programs read these two words back from the file.
    RawParameterList::SetBoolean(*list.Find("empty"), true);
    EXPECT_EQ(list.GetText("Empty", "").Str(), "True");
    RawParameterList::SetBoolean(*list.Find("empty"), false);
    EXPECT_EQ(list.GetText("Empty", "").Str(), "False");
}

TEST(RawParameterListTest, FoldsOnlyAsciiLettersUnlessKeysAreExact)
{
    RawParameterList list;
    list.Add("Name", "ascii");
    list.Add(Utf8("\xC3\xA9t\xC3\xA9"), "accented"); // "été"
    EXPECT_TRUE(list.Contains("nAME"));
    EXPECT_FALSE(list.Contains(Utf8("\xC3\x89T\xC3\x89"))); // "ÉTÉ": é is not folded

    list.SetExactKeys(true);
    EXPECT_FALSE(list.Contains("name"));
    EXPECT_TRUE(list.Contains("Name"));
    RawParameterList copy(list); // the flag travels with the list
    EXPECT_FALSE(copy.Contains("name"));
}

TEST(RawParameterListTest, ParsesIntegers)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    // A leading zero alone stays decimal, only "0x" and "0b" change the base, reading stops at the
    // first non-digit of the base, no blanks are skipped, and values beyond the range clamp.
    const std::vector<std::pair<std::string, int64_t>> cases = { { "", 0 }, { "42", 42 }, { "+7", 7 },
        { "-13", -13 }, { "017", 17 }, { "0xaF", 175 }, { "-0x10", -16 }, { "0b101", 5 }, { "0b1012", 5 },
        { "0x", 0 }, { "0X1F", 0 }, { "12abc", 12 }, { " 5", 0 }, { "+-1", 0 },
        { "9223372036854775807", kMax }, { "9223372036854775808", kMax }, { "-9223372036854775808", kMin },
        { "-9223372036854775809", kMin }, { "0x7FFFFFFFFFFFFFFF", kMax }, { "0xFFFFFFFFFFFFFFFF", kMax },
        { "-0x8000000000000000", kMin } };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(RawParseInteger(text), expected) << '"' << text << '"';
}

TEST(RawParameterListTest, CutsEntryLinesIntoEntries)
{
    using namespace std::string_literals;
    const std::vector<std::pair<std::string, Entries>> cases
        = { { "a = b", { { "a ", " b" } } }, { "a=b=c", { { "a", "b=c" } } }, { "key", { { "key", "" } } },
              { "=", { { "", "" } } }, { "a\0b=c\0\0d"s, { { "a", "" }, { "b", "c" }, { "d", "" } } },
              { "\0x=1\0"s, { { "x", "1" } } }, { "", {} }, { "\0\0"s, {} } };
    for (const auto& [line, expected] : cases) {
        RawParameterList list;
        list.AddEntries(Utf8(line));
        EXPECT_EQ(EntriesOf(list), expected) << testing::PrintToString(line);
    }
    // A line in another encoding is converted first.
    RawParameterList list;
    list.AddEntries(RawString(std::u16string(u"k\u00e9y=v")));
    EXPECT_EQ(EntriesOf(list), (Entries { { "k\xC3\xA9y", "v" } }));
}

TEST(RawParameterListTest, SortComparesKeysAsUnsignedUnitsWithPrefixesFirst)
{
    RawParameterList list;
    for (const char* key : { "b", "\xC3\xA9", "a", "ab", "B", "a" })
        list.Add(Utf8(key));
    list.Sort(RawParameterListSort());
    std::vector<std::string> keys;
    for (const RawParameterUnit& unit : list)
        keys.push_back(unit.key.Str());
    EXPECT_EQ(keys, (std::vector<std::string> { "B", "a", "a", "ab", "b", "\xC3\xA9" }));
}
