#pragma once

// The replacement preview: for every result block, the text it would have after replacement and
// where the inserted texts lie in it, computed beside the search while it adds blocks, and the
// mark of checked blocks that overlap an earlier checked block of the same file. The apply step
// writes exactly these texts, so this is the only place where replacements are computed.
//
// Threads and locks. A JobReplacer lives on the replace thread. It reads "Checker" and the
// replacement texts together under the parameters' lock (taken alone), steps through the block
// list under the list lock (the search may append meanwhile; nothing else may remove blocks
// while a preview runs), and changes a block's flags only under the block's own lock. A block's
// `replaced`, `hit_replaced` and `replace_stamp` are written while its REP flag is clear and the
// result set's lock is held, so a reader that holds the result set's lock (as every walker of
// the blocks does) and finds REP set reads a complete, current preview.

#include <core/RawString.h>
#include <core/RawStringList.h>
#include <engine/JobBlockUnit.h>
#include <engine/JobExpressionUtility.h>
#include <engine/JobHitMulti.h>
#include <engine/JobParams.h>
#include <engine/JobResultSet.h>

#include <cstdint>
#include <functional>

namespace JobLayer {

// What "%N" and "%0".."%9" stand for while the replacement text of one hit is expanded.
class JobReplacerSituation : public JobExpressionUtility::Situation {
public:
    // `source` is the block's original text, which the hit's captures point into.
    JobReplacerSituation(const RawString& source, const RawString& line_break, const JobHitUnit& hit);
    ~JobReplacerSituation() override = default;

    // The line break the file already uses; CR LF when the block does not know it.
    RawString LineBreak() const override;
    // The text of the hit's capture `index`; empty when the hit has no such capture or its range
    // does not lie in the source text.
    RawString Capture(int index) const override;

private:
    RawString source_;
    RawString line_break_;
    const JobHitUnit& hit_;
};

class JobReplacer {
public:
    class Handler {
    public:
        virtual ~Handler() = default;
        // Polled before a pass and after each block; true ends the pass.
        virtual bool IsCancelled() = 0;
        // Block `index` (0-based, in list order) received a new replacement.
        virtual void BlockReplaced(int32_t index) { (void)index; }
    };

    // Whether a search that will still set FIN is running.
    using SearchCheck = std::function<bool()>;

    // The replaced text of a block and the ranges of the inserted texts in it.
    struct Replacement {
        RawString text;
        JobHitMulti hits;
    };

    // Both references must outlive the replacer.
    JobReplacer(Handler& handler, JobParams& params);

    // Passes over the blocks, 50 ms apart, until the search is over: FIN is set, or
    // `search_running` says that no search is running (none started, or it ended without FIN),
    // in which case no FIN will ever come. An empty check counts as no search running. The
    // state is read before a pass, so the last pass sees every block the search added. When
    // "Checker" changes during the last pass, the pass is made again, so no block keeps a
    // replacement of older texts. A cancelled replacer makes no more passes but still waits for
    // the search to be over.
    void Run(JobResultSet& results, const SearchCheck& search_running);

    // One pass in list order: the overlap marks, then the replacement of every block (checked
    // or not) whose stamp is not the current "Checker" or that holds no valid preview.
    void Pass(JobResultSet& results);

    // The replacement of one block text: the i-th replacement text serves every hit of the i-th
    // expression, left to right, as long as both lists last; later hits are moved as the text
    // changes, and hits destroyed by an earlier replacement or lying outside the text are left
    // alone. `hits` is not changed.
    static Replacement Compute(const RawString& source, const RawString& line_break, const JobHitMulti& hits,
        const RawStringList& texts);

private:
    // The last checked block seen in a pass.
    struct Previous {
        RawString path;
        int64_t end = 0; // its line number + line count
    };

    static void MarkOverlap(JobBlockUnit& block, Previous& previous);
    // Reads "Checker"; when it changed since the last read, takes a copy of the replacement
    // texts under the same lock, so the texts used always belong to the value returned.
    uint32_t ReadChecker();
    void ReplaceBlock(JobResultSet& results, JobBlockUnit& block, uint32_t checker);

    Handler& handler_;
    JobParams& params_;
    RawStringList texts_; // the replacement texts that belong to texts_checker_
    uint32_t texts_checker_ = 0;
    bool has_texts_ = false;
};

} // namespace JobLayer
