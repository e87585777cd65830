#pragma once

// What a row of the result list asks of the object it shows: how each column is drawn, its text,
// its check mark and its background. The result blocks and the header row implement it, so the
// list draws both without knowing either.

#include <core/RawColour.h>
#include <core/RawString.h>

#include <cstdint>

namespace JobLayer {

using RawLayer::RawColour;
using RawLayer::RawString;

class JobColumnTextHandler {
public:
    // Text drawing flags of a column; the toolkit maps them to its own. Left, top and several
    // lines are what is left when none of the bits is set.
    enum Format : uint32_t {
        kFormatRight = 1u << 0,
        kFormatVerticalCentre = 1u << 1,
        kFormatSingleLine = 1u << 2,
        kFormatExpandTabs = 1u << 3,
        kFormatNoPrefix = 1u << 4,
    };

    // The columns of the result list.
    enum Column : int32_t { kColumnCheck = 0, kColumnFile = 1, kColumnLine = 2, kColumnText = 3 };
    static constexpr int32_t kColumnCount = 4;

    // No colour of its own: the row takes the list's window background.
    static constexpr RawColour kWindowBackground = RawColour::None();

    virtual ~JobColumnTextHandler() = default;

    // The check and file columns are one line, left, centred vertically with tabs expanded; the
    // line column is one line, right-aligned and centred; the text column spans several lines.
    virtual uint32_t ColumnFormat(int32_t column) const
    {
        switch (column) {
        case kColumnCheck:
        case kColumnFile:
            return kFormatSingleLine | kFormatVerticalCentre | kFormatExpandTabs | kFormatNoPrefix;
        case kColumnLine:
            return kFormatSingleLine | kFormatRight | kFormatVerticalCentre | kFormatNoPrefix;
        default:
            return kFormatExpandTabs | kFormatNoPrefix;
        }
    }
    virtual RawString ColumnText(int32_t column) const = 0;
    virtual bool IsChecked() const = 0;
    // The row's own colour, or kWindowBackground.
    virtual RawColour BackgroundColour() const = 0;
};

} // namespace JobLayer
