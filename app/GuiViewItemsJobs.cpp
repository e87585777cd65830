// GuiViewItems: creation and destruction of the window's state, the jobs' notifications, the
// enabling rules, the progress texts and the busy indicator, closing and signals.

#include <app/GuiDuplicate.h>
#include <app/GuiViewItems.h>
#include <core/RawLanguageTable.h>
#include <engine/JobResultFile.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace AppLayer {

using JobLayer::JobNotificationSink;
using JobLayer::JobResultSet;
using RawLayer::RawEncoding;
using RawLayer::RawString;
namespace Host = WinLayer::Host;

namespace {

volatile std::sig_atomic_t close_requested = 0;
volatile std::sig_atomic_t snapshot_requested = 0;

// A progress text of the language file with "%1".."%3" replaced by `values`.
std::string ProgressText(const char* key, const char* default_text, std::initializer_list<std::string> values)
{
    std::string text = RawLayer::RawLanguageTable::Instance()
                           .Text(RawString("ViewDialog"), RawString(std::string_view(key), RawEncoding::Utf8),
                               RawString(std::string_view(default_text), RawEncoding::Utf8))
                           .Str();
    int index = 1;
    for (const std::string& value : values) {
        const std::string mark = "%" + std::to_string(index++);
        if (const size_t at = text.find(mark); at != std::string::npos)
            text.replace(at, mark.size(), value);
    }
    return text;
}

} // namespace

void GuiViewItems::RequestClose()
{
    close_requested = 1;
}

void GuiViewItems::RequestSnapshot()
{
    snapshot_requested = 1;
}

GuiViewItems::Enabling GuiViewItems::Rules(const JobState& state)
{
    Enabling enabling;
    enabling.search_bars = !state.search && !state.closing;
    enabling.replace_bar = !state.replace && !state.closing;
    enabling.commands = !state.search && !state.replace && !state.apply && !state.closing;
    enabling.apply
        = enabling.commands && state.search_same && state.replace_same && state.preview && state.finished;
    return enabling;
}

GuiViewItems::JobState GuiViewItems::CurrentState() const
{
    JobState state;
    state.search = search_job_.IsRunning();
    state.replace = replace_job_.IsRunning();
    state.apply = apply_job_.IsRunning();
    state.preview = preview_.IsOn();
    state.search_same = BarText(kExpressions).Equals(last_search_);
    state.replace_same = BarText(kReplacements).Equals(last_replace_);
    state.finished = results_.HasFlag(JobResultSet::kFin);
    state.closing = closing_;
    return state;
}

bool GuiViewItems::AnyJobRunning() const
{
    return search_job_.IsRunning() || replace_job_.IsRunning() || apply_job_.IsRunning();
}

// --- Creation and destruction -------------------------------------------------------------------

void GuiViewItems::Created()
{
    sink_.SetWindow(dialog_.Window());
    status_.SetSink(&sink_);
    // Accepting before anything is loaded, so that a file that cannot be read says why.
    status_.SetAccepting(true);
    (void)store_.StartLoader(config_.BackupFolder(), config_.BackupDays());
    const RawString& file = config_.ParameterFile();
    if (!file.IsEmpty()) {
        if (config_.IsDuplicate())
            (void)GuiDuplicate::TakeStateFile(file, params_, results_, status_);
        else
            (void)JobLayer::JobResultFile::Load(file, params_, results_, status_);
        view_box_.AppendNewBlocks();
    } else {
        JobLayer::JobParams& start = config_.StartupParams();
        std::scoped_lock guard(start.lock, params_.lock);
        params_.targets = start.targets;
        params_.filters = start.filters;
        params_.expressions = start.expressions;
        params_.replacements = start.replacements;
        params_.ignore_case = start.ignore_case;
        params_.preview = start.preview;
    }
    ShowParams();
    status_box_.Fetch();
    Host::SetTimer(dialog_.Window(), kTickTimer, kTickInterval);
    UpdateProgress();
    UpdateEnabling();
    bars_[kTargets].Focus();
    if (const char* print = std::getenv("QUELVANE_PRINT_LAYOUT"); print != nullptr && *print != '\0')
        PrintLayout();
}

// The controls' rectangles in client coordinates, for end-to-end runs that click them.
void GuiViewItems::PrintLayout()
{
    const std::pair<const char*, WinLayer::WinView*> views[] = { { "menu", &menu_button_ },
        { "folder", &bars_[kTargets] }, { "filter", &bars_[kFilters] }, { "search", &bars_[kExpressions] },
        { "replace", &bars_[kReplacements] }, { "folder-list", &bar_buttons_[kTargets] },
        { "filter-hint", &bar_buttons_[kFilters] }, { "search-list", &bar_buttons_[kExpressions] },
        { "replace-list", &bar_buttons_[kReplacements] }, { "ignore-case", &ignore_case_ },
        { "search-button", &search_ }, { "stop", &stop_ }, { "clear", &clear_ }, { "preview", &preview_ },
        { "apply", &apply_ }, { "dup", &duplicate_ }, { "save", &save_ }, { "undo", &undo_ },
        { "progress", &progress_ }, { "status", &status_box_ }, { "divider", &divider_ },
        { "header", &view_box_.Header() }, { "list", &view_box_ } };
    for (const auto& [name, view] : views) {
        const WinLayer::HostRect rect = view->Rect();
        std::printf("layout %s %d %d %d %d\n", name, rect.left, rect.top, rect.right, rect.bottom);
    }
    std::fflush(stdout);
}

void GuiViewItems::Destroyed()
{
    status_.SetAccepting(false);
    status_.SetSink(nullptr);
    sink_.SetWindow(0);
    // Closing waits for the jobs; this is for a window destroyed without asking.
    search_job_.StopAndWait();
    replace_job_.StopAndWait();
    apply_job_.Wait();
    store_.StopLoader();
}

// --- Notifications ------------------------------------------------------------------------------

void GuiViewItems::OnJobCode(uint32_t code)
{
    sink_.Taken(code); // what the job does from here on is posted again
    switch (code) {
    case JobNotificationSink::kSearchFinished:
        search_job_.Wait(); // it has posted its last code; its thread is ending
        view_box_.AppendNewBlocks();
        RefreshMarkedRows();
        return JobEnded();
    case JobNotificationSink::kReplaceFinished:
        replace_job_.Wait();
        RefreshMarkedRows();
        if (restart_replace_ && preview_.IsOn() && !closing_ && results_.HasFlag(JobResultSet::kStt))
            StartReplace();
        return JobEnded();
    case JobNotificationSink::kApplyFinished:
        apply_job_.Wait();
        RefreshMarkedRows();
        return JobEnded();
    case JobNotificationSink::kBlockAdded:
        view_box_.AppendNewBlocks();
        progress_dirty_ = true;
        return;
    case JobNotificationSink::kBlockReplaced:
        rows_dirty_ = progress_dirty_ = true;
        return;
    case JobNotificationSink::kBlocksFailed:
        rows_dirty_ = true;
        return;
    case JobNotificationSink::kStatusAdded:
        status_box_.Fetch();
        if (status_box_.RowCount() > 0)
            status_box_.ScrollIntoView(status_box_.RowCount() - 1);
        return;
    default:
        progress_dirty_ = true; // started, folder, file counts, blocks processed
        return;
    }
}

void GuiViewItems::JobStarted()
{
    if (!progress_.Running())
        progress_.Start();
    UpdateProgress();
}

void GuiViewItems::JobEnded()
{
    if (AnyJobRunning())
        return;
    progress_.Stop();
    UpdateProgress();
    CloseWhenIdle();
}

// Blocks the jobs changed ("UPD"): measured and drawn again.
void GuiViewItems::RefreshMarkedRows()
{
    rows_dirty_ = false;
    // While a preview runs, the rows it marks are the blocks it has replaced.
    const int32_t refreshed = view_box_.RefreshMarkedBlocks();
    if (replace_job_.IsRunning() || restart_replace_)
        blocks_replaced_ += refreshed;
}

void GuiViewItems::UpdateEnabling()
{
    const Enabling enabling = Rules(CurrentState());
    if (shown_enabling_ != enabling) {
        shown_enabling_ = enabling;
        for (int bar = 0; bar < kBarCount; ++bar) {
            const bool enable = bar == kReplacements ? enabling.replace_bar : enabling.search_bars;
            bars_[bar].Enable(enable);
            bar_buttons_[bar].Enable(enable);
        }
        ignore_case_.Enable(enabling.search_bars);
        for (WinLayer::WinButton* button : { &search_, &clear_, &save_, &undo_ })
            button->Enable(enabling.commands);
        apply_.Enable(enabling.apply);
        KeepFocusEnabled();
    }
    for (GuiDropBar& bar : bars_)
        bar.Recolour();
}

// A control that the rules lock while it has the focus hands it to "Stop", which is always
// enabled: the keyboard is never left on a control that takes no keys.
void GuiViewItems::KeepFocusEnabled()
{
    for (WinLayer::WinView* view : dialog_.Views().Snapshot())
        if (view->HasFocus() && !view->Enabled())
            stop_.Focus();
}

void GuiViewItems::UpdateProgress()
{
    progress_dirty_ = false;
    const std::string files = std::to_string(results_.FilesSearched());
    const std::string blocks = std::to_string(view_box_.RowCount());
    std::string text;
    if (apply_job_.IsRunning() && closing_)
        text = ProgressText("ProgressClosing", "Finishing the apply before closing: %1 files",
            { std::to_string(apply_job_.FilesBegun()) });
    else if (apply_job_.IsRunning())
        text = ProgressText(
            "ProgressApplying", "Applying: %1 files", { std::to_string(apply_job_.FilesBegun()) });
    else if (search_job_.IsRunning())
        text = ProgressText("ProgressSearching", "%1 - %2 files, %3 blocks",
            { results_.CurrentFolder().Str(), files, blocks });
    else if (replace_job_.IsRunning())
        text = ProgressText(
            "ProgressPreview", "Preview: %1 of %2 blocks", { std::to_string(blocks_replaced_), blocks });
    else if (results_.HasFlag(JobResultSet::kStt))
        text = ProgressText("ProgressDone", "%1 files searched, %2 blocks found", { files, blocks });
    const RawString shown(text, RawEncoding::Utf8);
    if (!shown.Equals(progress_.GetText()))
        progress_.SetText(shown);
}

// --- Timer, closing, signals --------------------------------------------------------------------

void GuiViewItems::Timer(uintptr_t id)
{
    if (id != kTickTimer)
        return;
    CheckSignals();
    if (AnyJobRunning()) {
        progress_.Advance(std::max(progress_.BlockWidth() / 4, 2));
        progress_dirty_ = true; // the apply's file count is read, not posted
    }
    if (rows_dirty_)
        RefreshMarkedRows();
    if (progress_dirty_)
        UpdateProgress();
}

bool GuiViewItems::MayClose()
{
    if (AnyJobRunning()) {
        // A search or preview is stopped; an apply always runs to its end.
        closing_ = true;
        search_job_.RequestStop();
        replace_job_.RequestStop();
        UpdateEnabling();
        UpdateProgress();
        return false;
    }
    SaveWindowParameters();
    return true;
}

void GuiViewItems::CloseWhenIdle()
{
    if (closing_ && !AnyJobRunning() && dialog_.Window() != 0)
        Host::PostMessage(dialog_.Window(), WinLayer::HostMsg::kClose, 0, 0);
}

void GuiViewItems::CheckSignals()
{
    if (snapshot_requested != 0) {
        snapshot_requested = 0;
        TakeSnapshot();
    }
    if (close_requested == 0)
        return;
    // A dialog open over the window closes first; the window follows at a later tick.
    if (const WinLayer::HostHandle modal = dialog_.ModalChild(); modal != 0 && Host::IsWindow(modal)) {
        Host::PostMessage(modal, WinLayer::HostMsg::kClose, 0, 0);
        return;
    }
    close_requested = 0;
    Host::PostMessage(dialog_.Window(), WinLayer::HostMsg::kClose, 0, 0);
}

// Pictures of the window (and of a dialog open over it) for end-to-end runs: PREFIX-N.png and
// PREFIX-N-dialog.png, announced on standard output once complete.
void GuiViewItems::TakeSnapshot()
{
    const char* prefix = std::getenv("QUELVANE_SNAPSHOT_PREFIX");
    if (prefix == nullptr || *prefix == '\0')
        return;
    const std::string path = std::string(prefix) + "-" + std::to_string(++snapshots_);
    if (const WinLayer::HostHandle modal = dialog_.ModalChild(); modal != 0 && Host::IsWindow(modal)) {
        Host::UpdateWindow(modal);
        (void)Host::SaveWindowAsPng(modal, path + "-dialog.png");
    }
    Host::UpdateWindow(dialog_.Window());
    const std::string partial = path + ".part";
    const bool saved = Host::SaveWindowAsPng(dialog_.Window(), partial)
        && std::rename(partial.c_str(), (path + ".png").c_str()) == 0;
    std::printf("snapshot %s%s\n", saved ? "" : "failed ", (path + ".png").c_str());
    std::fflush(stdout);
}

} // namespace AppLayer
