#include <algorithm>
#include <mutex>
#include <vector>

#include <cli/CliPrinter.h>
#include <cli/CliShownName.h>

namespace QuelvaneCli {

using JobLayer::JobStatusUnit;

CliPrinter::CliPrinter(JobLayer::JobStatusCentre& status, CliOptions::Output output, CliOptions::Names names,
    std::FILE* out, std::FILE* err)
    : status_(status)
    , output_(output)
    , names_(names)
    , out_(out)
    , err_(err)
{
}

void CliPrinter::AppendSimpleLine(std::string& line, const RawString& path, int64_t line_number,
    const RawString& text, int32_t line_count, CliOptions::Names names)
{
    std::string_view shown = text.View();
    if (line_count > 1)
        shown = shown.substr(0, std::min(shown.size(), shown.find_first_of("\r\n")));
    if (names == CliOptions::Names::NullEnded) {
        line.append(path.View());
        line.push_back('\0');
    } else {
        CliShownName::AppendEscaped(line, path.View());
    }
    line.push_back('(');
    line.append(std::to_string(line_number));
    line.append("):");
    line.append(shown);
}

void CliPrinter::AppendReplacedLines(std::string& lines, const RawString& replaced)
{
    std::string_view rest = replaced.View();
    for (;;) {
        std::size_t end = std::min(rest.size(), rest.find_first_of("\r\n"));
        lines.append("=> ");
        lines.append(rest.substr(0, end));
        lines.push_back('\n');
        if (end == rest.size())
            return;
        end += rest.compare(end, 2, "\r\n") == 0 ? 2 : 1;
        rest.remove_prefix(end);
    }
}

void CliPrinter::BlockFound(const JobLayer::JobFoundBlock& block, const RawString& file_line_end,
    const JobLayer::JobHitMulti& hits, int32_t line_count)
{
    (void)file_line_end, (void)hits;
    ++block_count_;
    if (output_ != CliOptions::Output::Lines)
        return;
    line_.clear();
    AppendSimpleLine(line_, block.path, block.index + 1, block.text, line_count, names_);
    line_.push_back('\n');
    std::fwrite(line_.data(), 1, line_.size(), out_);
}

void CliPrinter::FileFinished(const RawString& path, RawLayer::RawEncoding encoding)
{
    (void)path, (void)encoding;
    PrintNewEntries();
}

void CliPrinter::TargetStarted(const RawString& target)
{
    (void)target;
    PrintNewEntries();
}

void CliPrinter::Post(uint32_t code)
{
    if (code == JobLayer::JobNotificationSink::kStatusAdded)
        entries_waiting_.store(true);
    else
        PrintNewEntries();
}

void CliPrinter::PrintBlocks(JobLayer::JobResultSet& results, bool show_replaced)
{
    using JobLayer::JobBlockUnit;
    std::lock_guard results_guard(results.lock);
    std::lock_guard list_guard(results.blocks.lock);
    block_count_ = results.blocks.Count();
    if (output_ != CliOptions::Output::Lines)
        return;
    for (const JobBlockUnit& block : results.blocks) {
        line_.clear();
        AppendSimpleLine(line_, block.file_path, block.line_number, block.original, block.line_count, names_);
        line_.push_back('\n');
        uint16_t flags = block.Flags();
        if (show_replaced && (flags & JobBlockUnit::kRep) != 0 && (flags & JobBlockUnit::kOvw) == 0)
            AppendReplacedLines(line_, block.replaced);
        std::fwrite(line_.data(), 1, line_.size(), out_);
    }
}

void CliPrinter::PrintEntries(bool count_errors)
{
    if (!entries_waiting_.exchange(false))
        return;
    std::vector<JobStatusUnit> entries = status_.Entries(entries_printed_);
    entries_printed_ += static_cast<int32_t>(entries.size());
    if (entries.empty())
        return;
    // Results printed so far come first, so that the two streams read in order on a terminal.
    std::fflush(out_);
    for (const JobStatusUnit& entry : entries) {
        had_error_ = had_error_ || (count_errors && entry.kind == JobStatusUnit::kError);
        if (output_ == CliOptions::Output::Quiet && entry.kind != JobStatusUnit::kError)
            continue;
        // Entries are read by people; the names in them are shown escaped whatever the form of
        // the block lines.
        line_.clear();
        CliShownName::AppendEscaped(line_, entry.display.View());
        line_.push_back('\n');
        std::fwrite(line_.data(), 1, line_.size(), err_);
    }
}

void CliPrinter::Finish()
{
    PrintNewEntries();
    if (output_ == CliOptions::Output::Count)
        std::fprintf(out_, "%lld\n", static_cast<long long>(block_count_));
    std::fflush(out_);
}

} // namespace QuelvaneCli
