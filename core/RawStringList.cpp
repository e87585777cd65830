#include <core/RawStringList.h>

#include <algorithm>

namespace RawLayer {

int RawStringListSort::CompareUnits(const RawString& a, const RawString& b)
{
    int32_t common = std::min(a.Length(), b.Length());
    for (int32_t i = 0; i < common; ++i) {
        uint32_t x = a.At(i);
        uint32_t y = b.At(i);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.Length() < b.Length() ? -1 : (a.Length() > b.Length() ? 1 : 0);
}

namespace {

bool IsDigit(uint32_t unit)
{
    return unit >= '0' && unit <= '9';
}

uint32_t FoldCase(uint32_t unit)
{
    return unit >= 'A' && unit <= 'Z' ? unit + ('a' - 'A') : unit;
}

// The run of digits from `pos`, its end, and its value's length without leading zeros.
struct DigitRun {
    int32_t start;
    int32_t end;
    int32_t significant; // first digit that is not a leading zero
};

DigitRun ReadDigits(const RawString& text, int32_t pos)
{
    DigitRun run { pos, pos, pos };
    while (run.end < text.Length() && IsDigit(text.At(run.end)))
        ++run.end;
    while (run.significant + 1 < run.end && text.At(run.significant) == '0')
        ++run.significant;
    return run;
}

// Compares two digit runs by value: the longer significant part is larger, else digit by digit.
int CompareRuns(const RawString& a, const DigitRun& x, const RawString& b, const DigitRun& y)
{
    const int32_t x_length = x.end - x.significant;
    const int32_t y_length = y.end - y.significant;
    if (x_length != y_length)
        return x_length < y_length ? -1 : 1;
    for (int32_t i = 0; i < x_length; ++i) {
        const uint32_t p = a.At(x.significant + i);
        const uint32_t q = b.At(y.significant + i);
        if (p != q)
            return p < q ? -1 : 1;
    }
    return 0;
}

} // namespace

int RawStringListNaturalSort::CompareNatural(const RawString& a, const RawString& b)
{
    int32_t i = 0;
    int32_t j = 0;
    while (i < a.Length() && j < b.Length()) {
        if (IsDigit(a.At(i)) && IsDigit(b.At(j))) {
            const DigitRun x = ReadDigits(a, i);
            const DigitRun y = ReadDigits(b, j);
            if (int order = CompareRuns(a, x, b, y); order != 0)
                return order;
            i = x.end;
            j = y.end;
            continue;
        }
        const uint32_t p = FoldCase(a.At(i));
        const uint32_t q = FoldCase(b.At(j));
        if (p != q)
            return p < q ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.Length() || j < b.Length())
        return i < a.Length() ? 1 : -1;
    return RawStringListSort::CompareUnits(a, b);
}

} // namespace RawLayer
