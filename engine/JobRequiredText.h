#pragma once

// What every hit of one search expression must contain, read from the expression as the matcher
// reads it: the runs of characters that stand between its wildcards, classes and repetitions
// ("pieces"), and the units the matcher's search scans for before it tries a start position
// ("lead"). A block that lacks any piece holds no hit of the expression.
//
// Beside them, an upper bound on the steps the matcher may spend on one block of a given length,
// so that a caller which passes over a file without matching it can be sure the matcher would not
// have run out of its step budget there either ("Expression too complex" is something the user
// sees). The bound follows the matcher's own accounting: one step per start position tried and
// per item taken, a scan costing a step per 64 units it passes, and each "*" or repetition trying
// at most one run per position of the block.

#include <core/RawString.h>
#include <engine/JobMatcher.h>

#include <cstdint>
#include <string>
#include <vector>

namespace JobLayer {

class JobRequiredText {
public:
    // A run of units every hit contains; `folded` when it is compared with ASCII case ignored
    // (its letters may stand in either case in the text).
    struct Piece {
        std::string units;
        bool folded = false;
    };

    JobRequiredText(const RawString& expression, bool ignore_case);

    // "!" expressions hit where their rest is missing: nothing is required of a block.
    bool IsNegated() const { return negated_; }
    // In the order they stand in the expression; empty pieces are left out.
    const std::vector<Piece>& Pieces() const { return pieces_; }
    // The exact units the search scans for (empty when it scans for none, or for a choice of
    // units). A block without them costs the matcher a scan and nothing more.
    const std::string& Lead() const { return lead_; }

    // At most this many steps for one block of `length` units: when the lead is missing from the
    // block (`lead_missing`), and in general.
    double StepBound(int64_t length, bool lead_missing) const;

private:
    void ReadItems(const std::vector<JobMatcherItem>& items, bool ignore_case);
    void AddPiece(std::string& units, bool ignore_case);
    double ItemsBound(size_t from, double length) const;

    bool negated_ = false;
    bool literal_form_ = false;
    std::vector<Piece> pieces_;
    std::string lead_;
    std::vector<JobMatcherItem> items_;
};

} // namespace JobLayer
