#pragma once

// One status entry: a message for the user with the file or folder it concerns, and a serial id
// by which result blocks point at it. Ids are unique in the process: every entry made anywhere
// draws the next number from one counter, starting at 1.

#include <core/RawString.h>

#include <cstdint>

namespace JobLayer {

using RawLayer::RawString;

class JobStatusUnit {
public:
    enum Kind : uint16_t { kInformation = 0, kError = 1 };

    JobStatusUnit() = default;
    // An entry with the given id; the display text is built from text and path.
    JobStatusUnit(uint32_t id, Kind kind, const RawString& text, const RawString& path);

    // The next id of the process; never 0, never repeated.
    static uint32_t NewId();

    // `text`, or `text` + " (" + `path` + ")" when the path is not empty.
    static RawString DisplayText(const RawString& text, const RawString& path);

    uint32_t id = 0;
    Kind kind = kInformation;
    RawString text;
    RawString path; // may be empty
    RawString display;
};

} // namespace JobLayer
