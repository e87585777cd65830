#include <core/RawLabelList.h>
#include <core/RawListP.h>
#include <core/RawRangeList.h>
#include <core/RawStringList.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

using namespace RawLayer;

namespace {

// Elements that count their own releases, to prove each is released exactly once.
struct Counted {
    explicit Counted(int v)
        : value(v)
    {
    }
    int value;
};

int g_released = 0;

class CountedAllocator : public RawListAllocator<Counted> {
public:
    void Delete(Counted* element) override
    {
        ++g_released;
        delete element;
    }
};

using CountedList = RawListR<CountedAllocator, Counted>;

std::vector<std::string> Texts(const RawStringList& list)
{
    std::vector<std::string> texts;
    for (const RawString& text : list)
        texts.push_back(text.Str());
    return texts;
}

} // namespace

TEST(RawListSharing, LastHandleReleasesEveryElementOnce)
{
    g_released = 0;
    {
        CountedList first;
        for (int i = 0; i < 5; ++i)
            first.Emplace(i);
        {
            CountedList second = first;
            EXPECT_TRUE(second.SharesBodyWith(first));
            second.Emplace(5); // both handles see the same elements
            CountedList third;
            third.Emplace(99);
            third = second; // lets go of its own body (releasing 99) and shares
            EXPECT_EQ(g_released, 1);
            EXPECT_EQ(first.ExtraReferences(), 2);
        }
        EXPECT_EQ(first.Count(), 6);
        EXPECT_EQ(g_released, 1);
    }
    EXPECT_EQ(g_released, 7);
}

TEST(RawListEditing, InsertRemoveAndIterate)
{
    g_released = 0;
    CountedList list;
    list.Emplace(1);
    list.Emplace(3);
    auto second = ++list.begin();
    list.InsertBefore(second, new Counted(2));
    std::vector<int> seen;
    for (const Counted& c : list)
        seen.push_back(c.value);
    EXPECT_EQ(seen, (std::vector<int> { 1, 2, 3 }));
    auto next = list.Remove(list.begin());
    EXPECT_EQ(next->value, 2);
    EXPECT_EQ(g_released, 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.At(1)->value, 3);
    EXPECT_EQ(list.At(2), nullptr);
    list.Clear();
    EXPECT_EQ(g_released, 3);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.begin(), list.end());
}

TEST(RawListSorting, PartitionSortOrderIncludingEqualKeys)
{
    RawStringList list;
    for (const char* text : { "b", "a", "ab" })
        list.Add(RawString(std::string_view(text), RawEncoding::Utf8));
    list.Sort(RawStringListSort());
    EXPECT_EQ(Texts(list), (std::vector<std::string> { "a", "ab", "b" }));

    // Equal keys keep their previous order.
    struct ByValue : RawListSortR<Counted> {
        int CompareTyped(const Counted& a, const Counted& b) const override
        {
            return a.value / 10 - b.value / 10;
        }
    };
    CountedList equal;
    for (int v : { 11, 12, 13, 14 })
        equal.Emplace(v);
    equal.Sort(ByValue());
    std::vector<int> order;
    for (const Counted& c : equal)
        order.push_back(c.value);
    EXPECT_EQ(order, (std::vector<int> { 11, 12, 13, 14 }));

    // The sort is not stable: elements moved in front of a pivot come in reverse order of their
    // finding and are then sorted among themselves; equal ones stay reversed.
    CountedList mixed;
    for (int v : { 50, 11, 12, 60, 13 })
        mixed.Emplace(v);
    mixed.Sort(ByValue());
    order.clear();
    for (const Counted& c : mixed)
        order.push_back(c.value);
    EXPECT_EQ(order, (std::vector<int> { 13, 12, 11, 50, 60 }));
}

TEST(RawListSorting, LongReversedListDoesNotExhaustTheStack)
{
    RawStringList list;
    const int count = 4000;
    for (int i = count; i > 0; --i)
        list.Add(RawString::Number(1000000 + i));
    list.Sort(RawStringListSort());
    int expected = 1;
    for (const RawString& text : list)
        ASSERT_EQ(text.Str(), std::to_string(1000000 + expected++));
}

TEST(RawListSorting, UnitsCompareAsUnsignedNumbers)
{
    RawString high(std::string_view("\xE3"), RawEncoding::Sjis);
    EXPECT_GT(RawStringListSort::CompareUnits(high, RawString("z")), 0);
    EXPECT_LT(RawStringListSort::CompareUnits(RawString("ab"), RawString("abc")), 0);
    EXPECT_EQ(RawStringListSort::CompareUnits(RawString("ab"), RawString("ab")), 0);
}

// Names as a folder listing shows them: numbers by value, ASCII case folded, and a total order.
TEST(RawListSorting, NaturalOrderOfNames)
{
    RawStringList list;
    for (const char* name : { "file10.txt", "File9.txt", "file9.txt", "file010.txt", "a", "B", "file", "漢字",
             "file1", "x200y3", "x200y20", "x0200y3", "README" })
        list.Add(RawString(std::string_view(name), RawEncoding::Utf8));
    list.Sort(RawStringListNaturalSort());
    std::vector<std::string> sorted;
    for (const RawString& name : list)
        sorted.push_back(name.Str());
    const std::vector<std::string> expected { "a", "B", "file", "file1", "File9.txt", "file9.txt",
        "file010.txt", "file10.txt", "README", "x0200y3", "x200y3", "x200y20", "漢字" };
    EXPECT_EQ(sorted, expected);
    // Digits that run beyond any integer type still compare by value.
    EXPECT_LT(RawStringListNaturalSort::CompareNatural(
                  RawString("n99999999999999999999999"), RawString("n100000000000000000000000")),
        0);
    EXPECT_EQ(RawStringListNaturalSort::CompareNatural(RawString("same"), RawString("same")), 0);
}

TEST(RawConcreteLists, LabelsRangesAndPlainRecords)
{
    RawLabelList labels;
    labels.Add(RawString("Checked"), 1);
    labels.Add(RawString("Applied"), 4);
    labels.SetExtra(7);
    ASSERT_NE(labels.Find(RawString("Applied")), nullptr);
    EXPECT_EQ(labels.Find(RawString("Applied"))->value, 4);
    EXPECT_EQ(labels.Find(RawString("applied")), nullptr);
    EXPECT_EQ(labels.Extra(), 7);

    RawRangeList ranges;
    ranges.Add(2, 5);
    EXPECT_TRUE(ranges.Contains(4));
    EXPECT_FALSE(ranges.Contains(5));
    EXPECT_EQ(ranges.Front(), (RawRange { 2, 5 }));

    struct Record {
        int a;
        int b;
    };
    RawListP<RawListAllocator<Record>, Record> records;
    records.Append(Record { 1, 2 });
    RawListP<RawListAllocator<Record>, Record> shared = records;
    shared.Append(Record { 3, 4 });
    EXPECT_EQ(records.Count(), 2);
    EXPECT_EQ(records.Back().b, 4);
}
