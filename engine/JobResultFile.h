#pragma once

// Result data files: the search parameters, and optionally every result block, saved to a file
// and loaded back later to go on where the user left off.
//
// "Param" and "Detail" files are parameter files ("[Section]" headers, "Key=Value" lines ending
// in CR LF) in UTF-8: section "Params", then for "Detail" section "Data" with the result set's
// header and one section "Found_n" per block. "Simple" files list one block per line,
// "path(line):text", for people and other tools; they cannot be loaded.
//
// Texts and lists are saved escaped so that each stays on its line: TAB "%t", LF "%n", CR "%r",
// "%" "%e", and within a list item ";" "%d", so that no item is ever split in two on loading; a
// value that would start and end with a double quotation mark gets "%" before the first one,
// because loading removes such a pair. Paths are saved absolute (a relative one, from a file of
// an older version, is made absolute from the current folder), status texts as they stand. A text
// that has no saved form (a zero character, a line break in a path, text that is not valid
// UTF-8) fails the save with a status entry, rather than writing a file that would load back as
// something else. A file whose content would not be recognised as UTF-8 when read back (text
// that happens to look like Shift_JIS, or a DEL character) is written with the UTF-8 byte order
// mark.
//
// Every file is written through RawSafeWrite: an old file is replaced only by a complete new one.

#include <core/RawString.h>
#include <core/RawStringList.h>
#include <engine/JobParams.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>

#include <cstdint>

namespace JobLayer {

class JobResultFile {
public:
    enum class Type : int {
        Param = 0,  // the parameters
        Detail = 1, // the parameters and every result block
        Simple = 2, // a plain listing of the blocks
    };

    struct LoadResult {
        bool success = false;
        bool results = false; // the file held results (a "Detail" file)
    };

    // The longest line the loader reads, in bytes; a save that would write a longer one fails.
    static constexpr int32_t kLineLimit = 256 * 1024 * 1024;
    // The largest file the loader reads: a data file can hold very many blocks, so its bound is
    // well above that of the program's other records.
    static constexpr int64_t kSizeLimit = int64_t { 1 } << 30;

    // Writes `path`. Reads the parameters under their lock, the result set under its lock and
    // the block list's, and each block's flags under the block's lock. On failure adds a status
    // entry ("Write open error" when the file cannot be created, "Code conversion error" when a
    // text has no saved form, the failed step's error otherwise), leaves an existing file as it
    // was, and returns false.
    [[nodiscard]] static bool Save(const RawString& path, Type type, const JobParams& params,
        const JobResultSet& results, JobStatusCentre& status);

    // Reads a "Param" or "Detail" file in one pass. Nothing is changed until the whole file has
    // been read: a file that cannot be opened ("Read open error"), does not start with section
    // "Params" ("Bad format file.") or cannot be read to its end (the reader's error) adds an
    // error entry and fails. Otherwise `params` is reset to its initial values and filled from
    // "Params" under its lock, and the result set is cleared; a "Detail" file then fills it,
    // between the entries "Old data loading..." and "Old data loaded.". Status ids of the blocks
    // are renumbered through the centre's map of old ids (a stored 0 stays 0: no status).
    [[nodiscard]] static LoadResult Load(
        const RawString& path, JobParams& params, JobResultSet& results, JobStatusCentre& status);

    // --- The saved forms of texts (also used by JobParams) --------------------------------------
    // A text in its escaped form (in UTF-8; a text that cannot be converted comes back as it
    // was, and the save refuses it). A zero character is kept, and the save refuses that too.
    static RawString EscapeValue(const RawString& text);
    // The items escaped, ";" within an item as "%d", joined with ";".
    static RawString EscapeList(const RawStringList& items);
    // One pair of enclosing double quotation marks removed, then decoded with Unescape.
    static RawString UnescapeValue(const RawString& value);
    // Quotes removed as above, split at ";" keeping empty pieces, each piece decoded. An empty
    // value reads as no items: an empty list and a list of one empty item are saved alike, and a
    // saved search without expressions must not come back as one that matches every block.
    static RawStringList UnescapeList(const RawString& value);
};

} // namespace JobLayer
