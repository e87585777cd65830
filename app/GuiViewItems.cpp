// GuiViewItems: construction, texts and the commands. The layout and the window parameters are
// in GuiViewItemsLayout.cpp, the job notifications and the enabling rules in GuiViewItemsJobs.cpp.

#include <app/GuiDuplicate.h>
#include <app/GuiSaveDialog.h>
#include <app/GuiSplitDialog.h>
#include <app/GuiUndoDialog.h>
#include <app/GuiViewItems.h>
#include <core/RawLanguageTable.h>
#include <core/RawPath.h>
#include <engine/JobExpressionUtility.h>
#include <engine/JobResultFile.h>
#include <toolkit/WinPathDialog.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostSystemMenu.h>
#include <toolkit/host/HostWindow.h>

namespace AppLayer {

using JobLayer::JobExpressionUtility;
using JobLayer::JobResultFile;
using JobLayer::JobStatusCentre;
using JobLayer::JobStatusUnit;
using RawLayer::RawEncoding;
using RawLayer::RawString;
using RawLayer::RawStringList;
using WinLayer::WinButton;
namespace Host = WinLayer::Host;

namespace {

RawString Utf8(std::string_view text)
{
    return RawString(text, RawEncoding::Utf8);
}

RawString Text(const char* section, const char* key, const char* default_text)
{
    return RawLayer::RawLanguageTable::Instance().Text(Utf8(section), Utf8(key), Utf8(default_text));
}

RawString ViewText(const char* key, const char* default_text)
{
    return Text("ViewDialog", key, default_text);
}

// "Quelvane - " and the title of a dialog.
RawString DialogTitle(const char* key, const char* default_text)
{
    return Utf8("Quelvane - " + Text("DialogTitles", key, default_text).Str());
}

// The items joined with ";" as they are: a bar shows a list in its own notation.
RawString JoinAll(const RawStringList& items)
{
    std::string joined;
    bool first = true;
    for (const RawString& item : items) {
        if (!first)
            joined += ';';
        joined += item.View();
        first = false;
    }
    return Utf8(joined);
}

RawStringList Split(const RawString& text, JobExpressionUtility::Field field)
{
    return JobExpressionUtility::SplitList(text, field);
}

struct BarInfo {
    const char* tag_key;
    const char* tag_text;
    const char* button_key;
    const char* button_text;
    uint16_t code;
};

constexpr BarInfo kBars[] = {
    { "TargetTag", "Folder:", "TargetButton", "list", GuiViewItems::kTargetList },
    { "FilterTag", "Filter:", "FilterButton", "hint", GuiViewItems::kFilterHint },
    { "ExpressionTag", "Search:", "ExpressionButton", "list", GuiViewItems::kExpressionList },
    { "SolutionTag", "Replace:", "SolutionButton", "list", GuiViewItems::kReplaceList },
};

} // namespace

std::atomic<GuiViewItems*> GuiViewItems::live_ { nullptr };

bool GuiViewSink::Coalesces(uint32_t code)
{
    using Sink = JobLayer::JobNotificationSink;
    switch (code) {
    case Sink::kBlockAdded:
    case Sink::kBlockReplaced:
    case Sink::kFileFinished:
    case Sink::kFolderChanged:
    case Sink::kFileCountChanged:
    case Sink::kBlocksProcessed:
    case Sink::kBlocksFailed:
    case Sink::kStatusAdded:
        return true;
    default:
        return false;
    }
}

void GuiViewSink::Post(uint32_t code)
{
    const WinLayer::HostHandle window = window_.load();
    if (window == 0)
        return;
    if (Coalesces(code) && waiting_[code - kFirstCode].exchange(true))
        return; // the one in the queue covers this one
    const bool posted = Host::PostMessage(
        window, WinLayer::HostMsg::kCommand, WinLayer::HostMakeWParam(0, static_cast<uint16_t>(code)), 0);
    if (!posted && Coalesces(code))
        waiting_[code - kFirstCode].store(false);
}

void GuiViewSink::Taken(uint32_t code)
{
    if (Coalesces(code))
        waiting_[code - kFirstCode].store(false);
}

GuiViewItems::GuiViewItems(GuiViewDialog& dialog, JobLayer::JobConfig& config,
    RawLayer::RawProfile& gui_profile, JobStatusCentre& status, JobLayer::JobBackupList& store)
    : dialog_(dialog)
    , config_(config)
    , gui_profile_(gui_profile)
    , status_(status)
    , store_(store)
    , status_box_(status)
    , view_box_(results_, status)
    , last_search_(RawEncoding::Utf8)
    , last_replace_(RawEncoding::Utf8)
    , search_job_(params_, results_, sink_, config.MaxLineLength(), status, config.SearchThreads())
    , replace_job_(params_, results_, sink_, search_job_)
    , apply_job_(params_, results_, sink_, config.MaxLineLength(), store, status)
{
    SetupControls();
    SetTexts();
    dialog_.SetController(this);
    live_.store(this);
    Host::SetDisplayLostWork(&FinishApply);
}

// When the display is lost the process ends at once; an apply writing files finishes first.
void GuiViewItems::FinishApply()
{
    if (GuiViewItems* items = live_.load())
        items->apply_job_.Wait();
}

GuiViewItems::~GuiViewItems()
{
    Host::SetDisplayLostWork(nullptr);
    live_.store(nullptr);
    // The jobs end before anything they post to or read goes.
    search_job_.StopAndWait();
    replace_job_.StopAndWait();
    apply_job_.Wait();
    sink_.SetWindow(0);
    for (WinLayer::WinView* view : dialog_.Views().Snapshot())
        view->Hooks().Remove(*this);
    dialog_.Hooks().Remove(*this);
    dialog_.SetController(nullptr);
}

void GuiViewItems::SetTexts()
{
    for (int bar = 0; bar < kBarCount; ++bar) {
        labels_[bar].SetText(ViewText(kBars[bar].tag_key, kBars[bar].tag_text));
        bar_buttons_[bar].SetText(
            WinButton::ExpandLineBreaks(ViewText(kBars[bar].button_key, kBars[bar].button_text)));
    }
    const struct {
        WinButton& button;
        const char* key;
        const char* text;
    } buttons[] = {
        { ignore_case_, "IgnoreCase", "a=A" },
        { search_, "Search", "Search" },
        { stop_, "Stop", "Stop" },
        { clear_, "Clear", "Clear" },
        { preview_, "Preview", "Preview" },
        { apply_, "Apply", "Apply" },
        { duplicate_, "Duplicate", "Dup" },
        { save_, "Save", "Save" },
        { undo_, "Undo", "Undo" },
    };
    for (const auto& each : buttons)
        each.button.SetText(WinButton::ExpandLineBreaks(ViewText(each.key, each.text)));
}

// --- Commands -----------------------------------------------------------------------------------

void GuiViewItems::Command(WinLayer::WinView* child, uint32_t code)
{
    if (child == nullptr) {
        if (code == kReloadTexts) {
            SetTexts();
            PlaceControls(divider_.Position());
        } else if (code == kReloadFont) {
            ReadFont();
            ApplyFont();
        } else if (code == kLoad) {
            LoadChosenFile();
        } else {
            OnJobCode(code);
            // Blocks, counts and folders come by the thousand and change no rule.
            if (GuiViewSink::Coalesces(code))
                return;
        }
    } else if (child == &view_box_ && code == kChecksChanged) {
        ChecksChanged();
    } else if (child == &view_box_ && code == kShowStatus) {
        status_box_.SelectRequested();
    } else if (child == &menu_button_ && code == kMenuButton) {
        const WinLayer::HostRect rect = Host::ScreenRect(menu_button_.Window());
        (void)WinLayer::HostSystemMenu::Track(dialog_.Window(), { rect.left, rect.bottom });
    } else if (child == &divider_) {
        // The divider moved the status box's bottom and the list's top itself.
    } else {
        for (int bar = 0; bar < kBarCount; ++bar)
            if (child == &bars_[bar])
                OnBar(bar, code);
        if (code >= kSearch && code <= kIgnoreCase)
            OnButton(static_cast<uint16_t>(code));
    }
    UpdateEnabling();
}

void GuiViewItems::OnButton(uint16_t code)
{
    switch (code) {
    case kSearch:
        return Search();
    case kStop:
        return Stop();
    case kClear:
        return Clear();
    case kPreview:
        return Preview();
    case kApply:
        return Apply();
    case kDuplicate:
        return Duplicate();
    case kSave:
        return OpenSaveDialog(DialogTitle("SaveDataTitle", "Save Data:"));
    case kUndo:
        return OpenUndoDialog(DialogTitle("UndoListTitle", "Backupped list"));
    case kTargetList:
        return OpenListEditor(kTargets);
    case kFilterHint:
        return OpenHintMenu();
    case kExpressionList:
        return OpenListEditor(kExpressions);
    case kReplaceList:
        return OpenListEditor(kReplacements);
    default:
        return; // "IgnoreCase" only flips; the next search reads it
    }
}

void GuiViewItems::OnBar(int bar, uint32_t code)
{
    if (code == WinLayer::WinEditBox::kNotifyChange) {
        bars_[bar].Recolour();
    } else if (code == WinLayer::WinEditBox::kNotifyEnter) {
        if (bar == kReplacements) {
            preview_.SetToggleState(true);
            Preview();
        } else if (bar == kExpressions && bars_[bar].Enabled()) {
            Search();
        }
    }
}

void GuiViewItems::FillParams()
{
    RawStringList targets;
    for (const RawString& target : Split(BarText(kTargets), JobExpressionUtility::Field::Folder))
        targets.Add(RawLayer::RawPath::ExpandHome(target));
    {
        std::lock_guard guard(params_.lock);
        params_.targets = targets;
        params_.filters = Split(BarText(kFilters), JobExpressionUtility::Field::Filter);
        params_.expressions = Split(BarText(kExpressions), JobExpressionUtility::Field::Search);
        params_.ignore_case = ignore_case_.IsOn();
    }
    StoreReplacements();
}

void GuiViewItems::StoreReplacements()
{
    std::lock_guard guard(params_.lock);
    params_.replacements = Split(BarText(kReplacements), JobExpressionUtility::Field::Replace);
    params_.preview = preview_.IsOn();
    ++params_.checker;
}

void GuiViewItems::Search()
{
    // The results are replaced: no job may be reading or writing them. The buttons keep the
    // user from getting here while a search or an apply runs; a preview still running over the
    // last results is stopped first.
    if (search_job_.IsRunning() || apply_job_.IsRunning() || closing_)
        return;
    replace_job_.StopAndWait();
    restart_replace_ = false;
    bars_[kExpressions].Commit();
    bars_[kReplacements].Commit();
    last_search_ = BarText(kExpressions);
    last_replace_ = BarText(kReplacements);
    FillParams();
    view_box_.Clear();
    results_.Reset();
    status_box_.Clear();
    blocks_replaced_ = 0;
    view_box_.SetPreviewShown(preview_.IsOn());
    {
        std::lock_guard guard(params_.lock);
        if (params_.targets.Count() == 0 || params_.expressions.Count() == 0)
            return;
        if (params_.filters.Count() == 0)
            params_.filters.Add(RawString("*"));
    }
    if (!search_job_.Start())
        return;
    JobStarted();
    if (preview_.IsOn())
        StartReplace();
}

void GuiViewItems::Stop()
{
    search_job_.RequestStop();
}

void GuiViewItems::Clear()
{
    if (AnyJobRunning())
        return;
    view_box_.Clear();
    results_.Reset();
    UpdateProgress();
}

void GuiViewItems::Preview()
{
    if (apply_job_.IsRunning() || closing_)
        return;
    bars_[kReplacements].Commit();
    last_replace_ = BarText(kReplacements);
    StoreReplacements();
    // Every row is measured again (once) for the preview shown or hidden.
    if (view_box_.PreviewShown() != preview_.IsOn())
        view_box_.SetPreviewShown(preview_.IsOn());
    else
        view_box_.Refresh();
    if (!results_.HasFlag(JobLayer::JobResultSet::kStt))
        return;
    if (preview_.IsOn())
        StartReplace();
    else
        replace_job_.RequestStop();
}

// A replace job that runs already catches new texts only in the passes it still makes, so it is
// started again once it has ended.
void GuiViewItems::StartReplace()
{
    if (replace_job_.IsRunning()) {
        restart_replace_ = true;
        return;
    }
    restart_replace_ = false;
    blocks_replaced_ = 0;
    if (replace_job_.Start())
        JobStarted();
}

void GuiViewItems::ChecksChanged()
{
    if (!preview_.IsOn() || apply_job_.IsRunning())
        return;
    {
        std::lock_guard guard(params_.lock);
        if (!params_.preview)
            return;
    }
    StartReplace();
}

void GuiViewItems::Apply()
{
    if (apply_job_.IsRunning() || !Rules(CurrentState()).apply)
        return;
    if (apply_job_.Start())
        JobStarted();
}

// The second window gets what the bars hold; while a job runs, it reads the parameters, which
// then stay as that job was started with.
void GuiViewItems::Duplicate()
{
    if (!AnyJobRunning())
        FillParams();
    (void)StartDuplicate();
}

bool GuiViewItems::StartDuplicate()
{
    return GuiDuplicate(status_).Start(params_, results_);
}

void GuiViewItems::OpenListEditor(int bar)
{
    static constexpr const char* kTitles[][2] = {
        { "PathListTitle", "Path list" },
        {},
        { "SearchTextTitle", "Search text list" },
        { "ReplaceTextTitle", "Replaced text list" },
    };
    const std::optional<RawString> text = EditList(bar, DialogTitle(kTitles[bar][0], kTitles[bar][1]));
    if (!text)
        return;
    bars_[bar].SetText(*text);
    bars_[bar].Recolour();
    bars_[bar].Focus();
}

std::optional<RawString> GuiViewItems::EditList(int bar, const RawString& caption)
{
    const GuiSplitDialog::Outcome outcome = GuiSplitDialog::Open(&dialog_, caption,
        bar == kTargets ? GuiSplitDialog::kModePaths : GuiSplitDialog::kModeTexts, BarText(bar),
        Host::ScreenRect(bars_[bar].Window()));
    if (!outcome.finished)
        return std::nullopt;
    return outcome.text;
}

void GuiViewItems::BuildHintMenu(WinLayer::HostMenu& menu) const
{
    uint32_t command = 1;
    for (const RawString& hint : config_.FilterHints())
        menu.AppendItem(command++, hint.Str());
    if (!menu.Empty())
        menu.AppendSeparator();
    menu.AppendItem(kHintAppend, Text("HintMenu", "Append", "Append to hint.").Str());
}

void GuiViewItems::OpenHintMenu()
{
    WinLayer::HostMenu menu;
    BuildHintMenu(menu);
    const WinLayer::HostRect button = Host::ScreenRect(bar_buttons_[kFilters].Window());
    RunHintCommand(TrackHintMenu(menu, { button.left, button.bottom }));
}

uint32_t GuiViewItems::TrackHintMenu(const WinLayer::HostMenu& menu, WinLayer::HostPoint screen)
{
    return menu.Track(dialog_.Window(), screen);
}

void GuiViewItems::RunHintCommand(uint32_t command)
{
    if (command == kHintAppend)
        return AppendHint();
    const RawString* hint
        = command >= 1 ? config_.FilterHints().At(static_cast<int32_t>(command - 1)) : nullptr;
    if (hint == nullptr)
        return;
    bars_[kFilters].SetText(*hint);
    bars_[kFilters].SelectAll();
    bars_[kFilters].Focus();
}

// The filter text goes into "FilterHints" of the configuration file, through the profile's safe
// rewrite; the menu offers it from the next start on.
void GuiViewItems::AppendHint()
{
    const RawString filter = BarText(kFilters);
    RawLayer::RawProfile& profile = config_.Profile();
    if (filter.IsEmpty()) {
        Report("Hint not appended", Utf8("the \"Filter:\" field is empty"));
        return;
    }
    RawLayer::RawParameterList hints;
    profile.ReadSection(RawString("FilterHints"), hints);
    for (const RawLayer::RawParameterUnit& unit : hints)
        if ((unit.value.IsEmpty() ? unit.key : unit.value).Equals(filter))
            return Report("Hint not appended", Utf8(filter.Str() + ": it is a hint already"), false);
    hints.Add(Utf8("Hint" + std::to_string(hints.Count() + 1)), filter);
    if (!profile.WriteSection(RawString("FilterHints"), hints)) {
        const std::string reason = profile.Reason().empty() ? "it cannot be written" : profile.Reason();
        Report("Hint not appended", JobStatusCentre::PathWithReason(profile.FilePath(), reason));
        return;
    }
    Report("Hint appended", filter, false);
}

void GuiViewItems::OpenSaveDialog(const RawString& caption)
{
    const RawString suggested
        = RawLayer::RawPath::Join(RawLayer::RawPath::MakeAbsolute(RawString(".")), RawString("Quelvane.txt"));
    if (const auto choice = GuiSaveDialog::Choose(&dialog_, caption, suggested)) {
        if (!AnyJobRunning())
            FillParams();
        (void)GuiSaveDialog::Write(*choice, params_, results_, status_);
    }
}

void GuiViewItems::OpenUndoDialog(const RawString& caption)
{
    GuiUndoDialog(store_, caption).Open(&dialog_);
}

std::optional<RawString> GuiViewItems::ChooseResultFile()
{
    WinLayer::WinPathDialog chooser(
        WinLayer::WinPathDialog::kModeFile | WinLayer::WinPathDialog::kModeMustExist, RawString("txt"),
        Utf8("Quelvane - " + Text("DialogTitles", "LoadDataTitle", "Load Data:").Str()),
        RawLayer::RawPath::MakeAbsolute(RawString(".")));
    if (chooser.Run(&dialog_) != 1)
        return std::nullopt;
    return chooser.ChosenPath();
}

void GuiViewItems::LoadChosenFile()
{
    if (AnyJobRunning() || closing_)
        return;
    if (const std::optional<RawString> path = ChooseResultFile())
        (void)LoadResultFile(*path);
}

bool GuiViewItems::LoadResultFile(const RawString& path)
{
    view_box_.Clear();
    status_box_.Clear();
    const JobResultFile::LoadResult loaded = JobResultFile::Load(path, params_, results_, status_);
    ShowParams();
    view_box_.AppendNewBlocks();
    UpdateProgress();
    UpdateEnabling();
    // Loading a large file takes a while: the window says when it is done, and rings when it
    // failed.
    if (dialog_.Window() != 0)
        Host::FlashWindow(dialog_.Window(), 3, 300);
    if (!loaded.success)
        Host::Beep();
    return loaded.success;
}

// The bars, switches and "last used" texts from the parameters (a loaded file or the start).
void GuiViewItems::ShowParams()
{
    bool preview = false;
    {
        std::lock_guard guard(params_.lock);
        bars_[kTargets].SetText(JoinAll(params_.targets));
        bars_[kFilters].SetText(JoinAll(params_.filters));
        bars_[kExpressions].SetText(JoinAll(params_.expressions));
        bars_[kReplacements].SetText(JoinAll(params_.replacements));
        ignore_case_.SetToggleState(params_.ignore_case);
        preview = params_.preview;
    }
    preview_.SetToggleState(preview);
    view_box_.SetPreviewShown(preview);
    bars_[kExpressions].Commit();
    bars_[kReplacements].Commit();
    last_search_ = BarText(kExpressions);
    last_replace_ = BarText(kReplacements);
    for (GuiDropBar& bar : bars_)
        bar.Recolour();
}

RawString GuiViewItems::BarText(int bar) const
{
    const RawString wide { std::u16string_view(bars_[bar].Text16()) };
    RawString text(RawEncoding::Utf8);
    (void)text.Acquire(wide, RawEncoding::Utf8);
    return text;
}

void GuiViewItems::Report(const char* text, const RawString& detail, bool error)
{
    (void)status_.AddEntry(JobStatusCentre::MakeEntry(
        error ? JobStatusUnit::kError : JobStatusUnit::kInformation, Utf8(text), detail));
}

} // namespace AppLayer
