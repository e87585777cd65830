#pragma once

// One result block of a search: a run of lines of one file in which every expression matched,
// with everything the later stages read or write (replace preview, apply, result files, the
// result list). The flags are shared between the search, replace and apply threads and the
// window thread and are read and changed only under the block's own lock. The other fields are
// written while the block is filled, before other threads see it, or by the replace and apply
// jobs while they hold the result set's lock (see JobResultSet for the lock order).

#include <core/RawEncoding.h>
#include <core/RawString.h>
#include <engine/JobColumnTextHandler.h>
#include <engine/JobHitMulti.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace JobLayer {

using RawLayer::RawEncoding;

// A block of lines as the file reader hands it to the search.
struct JobFoundBlock {
    RawString path;
    int64_t index = 0;  // 0-based number of the block's first line
    RawString text;     // the lines joined by their own line ends, without the last one's
    RawString line_end; // the line end after the last line; empty at the end of a file without one
    RawEncoding encoding = RawEncoding::NoSet;
    bool mark = false;      // the file starts with a byte order mark
    uint64_t file_time = 0; // last-write time of the file read (100-ns ticks since 1601); 0 unknown
};

class JobBlockUnit : public JobColumnTextHandler {
public:
    // The flags, one bit each.
    enum Flag : uint16_t {
        kAct = 1,   // a plain mark on the row, cleared whenever the result list rebuilds
        kUpd = 2,   // changed since the result list last drew it
        kChk = 4,   // checked: takes part in replace preview and apply
        kRep = 8,   // Replaced and HitReplaced hold a current preview
        kApl = 16,  // the replacement has been written to the file
        kLng = 32,  // reading the file failed after the block was found; cannot be checked
        kOvw = 64,  // overlaps the previous checked block of the same file
        kAfl = 128, // applying the block failed
    };
    static constexpr int kFlagCount = 8;
    // The result-file labels of the flags, bit 0 first.
    static constexpr std::array<std::string_view, kFlagCount> kFlagLabels
        = { "ACT", "UPD", "CHK", "REP", "APL", "LNG", "OVW", "AFL" };

    // Row background colours.
    static constexpr RawColour kColourFailed = RawColour::FromRgb(0xFF, 0xE0, 0xE0);  // light red: LNG or AFL
    static constexpr RawColour kColourOverlap = RawColour::FromRgb(0xFF, 0xFF, 0xB0); // light yellow: OVW
    static constexpr RawColour kColourApplied = RawColour::FromRgb(0xC0, 0xC0, 0xC0); // grey: APL
    static constexpr RawColour kColourUnchecked = RawColour::FromRgb(0xF0, 0xF0, 0xF0); // light grey

    JobBlockUnit() = default;
    // Copies every field; the two hit records share their bodies with `other`'s.
    JobBlockUnit(const JobBlockUnit& other);
    JobBlockUnit& operator=(const JobBlockUnit& other);
    ~JobBlockUnit() override = default;

    // --- Flags (each call takes the block's lock) ---------------------------------------------
    uint16_t Flags() const;
    // Whether any of the bits of `flags` is set.
    bool HasFlag(uint16_t flags) const;
    void SetFlags(uint16_t flags);
    void ClearFlags(uint16_t flags);
    // Sets `to_set` and clears `to_clear` in one step; returns the new flags.
    uint16_t ChangeFlags(uint16_t to_set, uint16_t to_clear);
    // Replaces the whole set (a block read back from a result file).
    void StoreFlags(uint16_t flags);
    // A click on the check column: toggles CHK unless LNG or APL is set. True when it changed.
    bool ToggleCheckByUser();
    // The same setting CHK to `checked` (several selected rows clicked at once).
    bool SetCheckedByUser(bool checked);

    // --- Result list -------------------------------------------------------------------------
    // 0 empty, 1 display name, 2 line number text, 3 the original text.
    RawString ColumnText(int32_t column) const override;
    bool IsChecked() const override;
    RawColour BackgroundColour() const override;

    // --- Filling -----------------------------------------------------------------------------
    // Fills every field from a block the reader found: flags CHK only, the file's current
    // last-write time, line number index + 1, the file line end (CR LF when none was seen yet),
    // encoding Utf8 when the reader named none, `hits` shared, and the display name (shared with
    // `display`, the previous block's of the same file under the same base, when given).
    void Fill(const JobFoundBlock& found, const RawString& file_line_end_seen, const JobHitMulti& hits,
        int32_t block_line_count, const RawString& base, const RawString* display = nullptr);
    // Recomputes the display name from file path and base path.
    void UpdateDisplayTexts();
    // The file column's text: `file_path` without the folder part of `base` and the "/" after
    // it (so it starts with the target's own name); the file name alone when that leaves nothing.
    static RawString DisplayName(const RawString& file_path, const RawString& base);

    // The file time as the two halves result files store.
    uint32_t FileTimeLow() const { return static_cast<uint32_t>(file_time); }
    uint32_t FileTimeHigh() const { return static_cast<uint32_t>(file_time >> 32); }
    void SetFileTime(uint32_t low, uint32_t high) { file_time = (uint64_t { high } << 32) | low; }

    RawString file_path;     // "FilePath"
    RawString display_name;  // the "File" column
    uint64_t file_time = 0;  // last-write time when found, 100-ns ticks since 1601 UTC
    int32_t line_number = 0; // 1-based number of the first line ("LineNumber")
    int32_t line_count = 0;  // lines per block of the search ("LineCount")
    RawString original;      // the block text as read ("Original")
    RawString replaced;      // the text after replacement ("Replaced")
    RawString line_end;      // after the last line; empty at a file end without one ("EOL")
    RawString file_line_end; // the line end the file uses ("FileEol")
    RawEncoding file_encoding = RawEncoding::Utf8; // ("FileSet")
    int32_t byte_order_mark = 0;                   // not 0 when the file starts with a mark ("BomSet")
    JobHitMulti hit_record;                        // hits in `original` ("HitRecord")
    JobHitMulti hit_replaced;                      // hits moved into `replaced` ("HitReplaced")
    uint32_t replace_stamp = 0;                    // the preview run that made `replaced`; 0 when none
    uint32_t status_id = 0; // a status entry explaining a problem; 0 when none ("StatusId")
    RawString base_path;    // the target the file was found under ("BasePath")

private:
    void CopyFields(const JobBlockUnit& other);

    mutable std::mutex lock_;
    uint16_t flags_ = 0;
};

} // namespace JobLayer
