#pragma once

// The whole-file test that lets a search pass over a file without splitting it into lines: a
// file can be passed over when reading it block by block could not show the user anything but
// progress. That takes four things, each checked on the file's raw bytes:
//   - some expression has a required run of text (JobRequiredText) that the file does not
//     hold, in the file's own encoding (JobPieceEncoder), so no block can hit;
//   - no line is longer than the line limit ("Line overflow" would be reported);
//   - every line converts to UTF-8 ("Code conversion error" would be reported);
//   - the matcher could not run out of its step budget on any block before it found that no
//     expression hits ("Expression too complex" would be reported): the blocks are short
//     enough for the bound of every expression up to the one that misses.
// Whatever cannot be decided exactly is answered "read it": a "!" expression, an encoding whose
// text is not the file's bytes or their plain conversion (UTF-7, or a guessed 16-bit one), a
// character with two forms. Passing over too few files costs time, passing over one that the
// reader would have reported anything for would change the results.

#include <core/RawEncoding.h>
#include <core/RawLineFileInfo.h>
#include <core/RawStringList.h>
#include <engine/JobLineScan.h>
#include <engine/JobPieceEncoder.h>
#include <engine/JobRequiredText.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace JobLayer {

using RawLayer::RawEncoding;

class JobPrefilter {
public:
    // The expressions of a search with AND, its ignore-case flag and the matcher's step budget
    // for one block.
    JobPrefilter(const RawStringList& expressions, bool ignore_case, int64_t step_budget);

    // False when no file can ever be passed over (a "!" expression, or nothing required).
    bool IsUseful() const { return useful_; }

    // What the reader found out about the file: its encoding, and where that came from.
    struct FileKind {
        RawEncoding encoding = RawEncoding::NoSet;
        RawLayer::RawLineFileInfo::Origin origin = RawLayer::RawLineFileInfo::Origin::Content;
    };
    // The number of lines of `content` (the whole file after its mark) when the file can be
    // passed over as explained above, nothing when it must be read. `line_limit` is the reader's
    // limit in the file's code units, `line_count` the lines of a block.
    std::optional<int64_t> PassOver(
        std::string_view content, FileKind kind, int32_t line_limit, int32_t line_count);

    // For a file that must be read: starts looking for the places where a block may hit, in the
    // file's `content` (which must outlive the look). Every hit holds every required run, so
    // lines without the longest run cannot hit. False when no run can be looked for in this
    // file's form, or a run holds a line end.
    bool StartCandidates(std::string_view content, FileKind kind);
    // The offset at or after `from` where the run stands next (within a unit in 16-bit files);
    // the content's size when it does not stand there.
    size_t NextCandidate(size_t from);
    // The code unit of the file's lines, for JobLineScan.
    JobLineScan::Unit CandidateUnit() const { return candidate_unit_; }

private:
    // One expression's required runs in one file form: all of them stand in every hit.
    struct Runs {
        std::vector<std::string> lead;
        std::vector<std::string> exact;
        std::vector<std::string> folded; // already folded
    };
    // What one expression looks for in one file form, made on first use.
    struct Encoded {
        bool made = false;
        std::vector<Runs> runs; // one per expression
    };
    // The longest block (UTF-8 units) for which the expressions before `index`, and this one
    // with its lead or with any other run missing, cannot run out of steps.
    struct Allowance {
        int64_t lead_missing = -1;
        int64_t other_missing = -1;
    };

    static std::optional<JobPieceEncoder::Form> FormOf(FileKind kind);
    static JobLineScan::Unit UnitOf(JobPieceEncoder::Form form);
    static int64_t LongestBlock(const std::vector<JobRequiredText>& before, const JobRequiredText& missing,
        bool lead_missing, double budget);
    const Encoded& EncodedFor(JobPieceEncoder::Form form);
    int64_t MissingAllowance(std::string_view content, const Encoded& encoded);
    static bool Holds(std::string_view content, const std::string& run);
    bool HoldsFolded(std::string_view content, const std::string& run);
    static bool Converts(std::string_view content, RawEncoding encoding, JobPieceEncoder::Form form);

    std::vector<JobRequiredText> required_;
    std::vector<Allowance> allowances_;
    bool useful_ = false;
    std::array<Encoded, 4> encoded_; // by JobPieceEncoder::Form
    std::string folded_content_;     // the file's content with ASCII letters folded, when needed
    bool content_folded_ = false;
    // The run that StartCandidates chose, and the text it is looked for in (the content, or
    // its folded copy).
    std::string_view candidate_text_;
    std::string candidate_run_;
    std::string candidate_folded_;
    JobLineScan::Unit candidate_unit_ = JobLineScan::Unit::Byte;
};

} // namespace JobLayer
