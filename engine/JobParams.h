#pragma once

// The parameters of one search, shared by the main window and every job: what to search, where,
// in which files, what to put in place of the hits, and the counters the jobs compare. One lock
// guards every field; it is taken alone, never while another lock is held.

#include <core/RawParameterList.h>
#include <core/RawStringList.h>

#include <cstdint>
#include <mutex>

namespace JobLayer {

using RawLayer::RawParameterList;
using RawLayer::RawString;
using RawLayer::RawStringList;

class JobParams {
public:
    RawStringList targets;      // "TargetPath": folders or files to search
    RawStringList filters;      // "FileFilter": file name patterns
    RawStringList expressions;  // "Search"
    RawStringList replacements; // "Replace": one per expression, every piece kept
    bool ignore_case = false;   // "IgnoreCase"
    bool preview = false;       // "IsPreview"
    uint32_t checker = 0;       // "Checker": bumped each time new replacement texts are stored
    int32_t line_count = 1;     // "LineCount": lines per block of the last search
    mutable std::mutex lock;

    // Takes the keys of a saved "Params" section: the four lists are unquoted, unescaped and
    // split at ";" with empty pieces kept, and appended to what the lists hold; the flags are
    // true unless the value is "False"; the numbers are read as integers. A missing key leaves
    // its field as it is. The caller holds the lock.
    void ReadSection(const RawParameterList& section);
};

} // namespace JobLayer
