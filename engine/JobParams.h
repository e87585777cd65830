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

    // Back to the initial values: empty lists, both flags off, "Checker" 0, "LineCount" 1. The
    // lists get new bodies, so other handles of the old ones keep their items. The caller holds
    // the lock.
    void Reset();

    // Takes the keys of a saved "Params" section: the four lists are read as
    // JobResultFile::UnescapeList reads them (an empty value is an empty list) and appended to
    // what the lists hold; the flags are true unless the value is "False"; the numbers are read
    // as integers. A missing key leaves its field as it is. The caller holds the lock.
    void ReadSection(const RawParameterList& section);

    // Makes every target absolute from the current folder (RawPath::MakeAbsolute), so that the
    // paths found and stored from them name the same files wherever they are used later. The
    // caller holds the lock.
    void MakeTargetsAbsolute();

    // Appends the keys of a "Params" section in their saved form (targets absolute): the four lists, then
    // "IgnoreCase", and with `all_keys` also "IsPreview", "Checker" and "LineCount". The caller
    // holds the lock.
    void WriteSection(RawParameterList& section, bool all_keys) const;
};

} // namespace JobLayer
