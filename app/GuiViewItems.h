#pragma once

// The main window's controller: it owns the controls, the shared parameters and results and the
// three jobs, and turns the user's commands and the jobs' notifications into actions. The upper
// part of the window holds the four bars ("Folder:", "Filter:", "Search:", "Replace:"), each with
// its label and its "list" or "hint" button, the button groups, the busy indicator with the
// progress texts and the status box; a divider separates it from the result list, which takes
// the rest of the window.
//
// Jobs never touch the window: they post their codes through the sink, and the controller reads
// the results under their locks when a code arrives. After every command and notification the
// enabling rules decide which controls the user may use.
//
// Closing while a search or a preview runs stops it and closes once it has ended; an apply is
// never cut short: the window says it is finishing the apply and closes when it is done. A
// termination signal asks the same (RequestClose).

#include <app/GuiApplyJob.h>
#include <app/GuiDropAppend.h>
#include <app/GuiDropBar.h>
#include <app/GuiProgressBar.h>
#include <app/GuiReplaceJob.h>
#include <app/GuiSearchJob.h>
#include <app/GuiStatusBox.h>
#include <app/GuiViewBox.h>
#include <app/GuiViewDialog.h>
#include <core/RawProfile.h>
#include <engine/JobBackupList.h>
#include <engine/JobConfig.h>
#include <engine/JobNotificationSink.h>
#include <engine/JobParams.h>
#include <engine/JobResultSet.h>
#include <engine/JobStatusCentre.h>
#include <toolkit/WinButton.h>
#include <toolkit/WinDivider.h>
#include <toolkit/WinDropButton.h>
#include <toolkit/WinStaticBox.h>
#include <toolkit/WinViewHook.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace WinLayer {
class HostMenu;
}

namespace AppLayer {

// Posts the jobs' codes to the main window as commands without a control (id 0, the code in the
// high word). Any thread; nothing is posted before the window exists or after it has gone.
// Codes that only say "look again" (blocks added or replaced, counts, folders, status entries)
// are not posted again while one of them waits in the queue: a search of a million blocks posts
// a handful, not a million. The window calls Taken before it looks.
class GuiViewSink : public JobLayer::JobNotificationSink {
public:
    void SetWindow(WinLayer::HostHandle window) { window_.store(window); }
    void Post(uint32_t code) override;
    void Taken(uint32_t code);
    static bool Coalesces(uint32_t code);

private:
    static constexpr uint32_t kFirstCode = JobLayer::JobNotificationSink::kSearchStarted;
    std::atomic<WinLayer::HostHandle> window_ { 0 };
    std::array<std::atomic<bool>, 16> waiting_ {};
};

class GuiViewItems : public GuiViewDialog::Controller, private WinLayer::WinViewHook {
public:
    // Command ids of the controls, carried as their notification codes.
    static constexpr uint16_t kSearch = 0x1102;
    static constexpr uint16_t kStop = 0x1103;
    static constexpr uint16_t kClear = 0x1104;
    static constexpr uint16_t kPreview = 0x1105;
    static constexpr uint16_t kChecksChanged = 0x1106;
    static constexpr uint16_t kApply = 0x1107;
    static constexpr uint16_t kDuplicate = 0x1108;
    static constexpr uint16_t kSave = 0x1109;
    static constexpr uint16_t kUndo = 0x110A;
    static constexpr uint16_t kTargetList = 0x110B;
    static constexpr uint16_t kFilterHint = 0x110C;
    static constexpr uint16_t kExpressionList = 0x110D;
    static constexpr uint16_t kReplaceList = 0x110E;
    static constexpr uint16_t kIgnoreCase = 0x110F;
    static constexpr uint16_t kLoad = 0x1110;
    static constexpr uint16_t kShowStatus = 0x111F;
    static constexpr uint16_t kMenuButton = 0x1120;
    static constexpr uint16_t kDividerMoved = 0x1121;
    // Sent by the title menu: the language or the window font changed.
    static constexpr uint16_t kReloadTexts = 0x1100;
    static constexpr uint16_t kReloadFont = 0x1101;
    // The hint menu: hints are numbered from 1; "Append" comes last.
    static constexpr uint32_t kHintAppend = 0xFFFF;

    static constexpr uintptr_t kTickTimer = 1;
    static constexpr uint32_t kTickInterval = 100; // ms
    static constexpr int32_t kMargin = 6;
    static constexpr int32_t kGap = 4;
    static constexpr int32_t kGroupGap = 10;
    static constexpr int32_t kDividerHeight = 6;

    // What the enabling rules look at (S, R, A, P, E, F, D) and what they decide.
    struct JobState {
        bool search = false;       // the search job runs
        bool replace = false;      // the replace job runs
        bool apply = false;        // the apply job runs
        bool preview = false;      // the preview switch is on
        bool search_same = false;  // "Search:" holds the text of the last search
        bool replace_same = false; // "Replace:" holds the text of the last preview
        bool finished = false;     // the results carry "FIN"
        bool closing = false;      // the window is closing once the jobs have ended
    };
    struct Enabling {
        bool search_bars = false; // "Folder:", "Filter:", "Search:", their buttons, "IgnoreCase"
        bool replace_bar = false; // "Replace:" and its button
        bool commands = false;    // "Search", "Clear", "Save", "Undo"
        bool apply = false;       // "Apply"
        friend bool operator==(const Enabling&, const Enabling&) = default;
    };
    static Enabling Rules(const JobState& state);

    // The stores are the process's own unless a test brings its own.
    GuiViewItems(GuiViewDialog& dialog, JobLayer::JobConfig& config, RawLayer::RawProfile& gui_profile,
        JobLayer::JobStatusCentre& status = JobLayer::JobStatusCentre::Instance(),
        JobLayer::JobBackupList& store = JobLayer::JobBackupList::Instance());
    ~GuiViewItems() override;
    GuiViewItems(const GuiViewItems&) = delete;
    GuiViewItems& operator=(const GuiViewItems&) = delete;

    // Before the window is made: its place, the divider and the column widths from the GUI
    // profile (moved by "SlightlyMove" for a duplicate), and the window font.
    void Prepare();
    // Makes and shows the window; false when the host could not.
    bool Open();

    // Asks the window to close as its close button does, from a signal handler (only an atomic
    // store); the controller acts on it at its next tick.
    static void RequestClose();
    // From a signal handler too: saves pictures of the windows at the next tick when the
    // environment names a prefix (QUELVANE_SNAPSHOT_PREFIX). QUELVANE_PRINT_LAYOUT=1 prints the
    // controls' rectangles once the window is up. Both are for end-to-end runs.
    static void RequestSnapshot();

    // --- What tests look at ------------------------------------------------------------------
    GuiViewDialog& Dialog() { return dialog_; }
    GuiDropBar& TargetBar() { return bars_[kTargets]; }
    GuiDropBar& FilterBar() { return bars_[kFilters]; }
    GuiDropBar& ExpressionBar() { return bars_[kExpressions]; }
    GuiDropBar& ReplaceBar() { return bars_[kReplacements]; }
    WinLayer::WinDropButton& BarButton(int bar) { return bar_buttons_[bar]; }
    WinLayer::WinButton& IgnoreCaseButton() { return ignore_case_; }
    WinLayer::WinButton& SearchButton() { return search_; }
    WinLayer::WinButton& StopButton() { return stop_; }
    WinLayer::WinButton& ClearButton() { return clear_; }
    WinLayer::WinButton& PreviewButton() { return preview_; }
    WinLayer::WinButton& ApplyButton() { return apply_; }
    WinLayer::WinButton& DuplicateButton() { return duplicate_; }
    WinLayer::WinButton& SaveButton() { return save_; }
    WinLayer::WinButton& UndoButton() { return undo_; }
    GuiProgressBar& Progress() { return progress_; }
    GuiStatusBox& StatusBox() { return status_box_; }
    GuiViewBox& ResultList() { return view_box_; }
    WinLayer::WinDivider& Divider() { return divider_; }
    JobLayer::JobParams& Params() { return params_; }
    JobLayer::JobResultSet& Results() { return results_; }
    bool AnyJobRunning() const;
    bool Closing() const { return closing_; }
    JobState CurrentState() const;
    // The hint menu as it would pop up.
    void BuildHintMenu(WinLayer::HostMenu& menu) const;
    // A command chosen in the hint menu.
    void RunHintCommand(uint32_t command);
    // Loads a "Param" or "Detail" file into the window (command 0x1110 once a file is chosen).
    bool LoadResultFile(const RawLayer::RawString& path);

    // --- The window's events -----------------------------------------------------------------
    void RegisterControls() override;
    void Created() override;
    void Command(WinLayer::WinView* child, uint32_t code) override;
    void Timer(uintptr_t id) override;
    bool MayClose() override;
    WinLayer::HostSize MinimumClient() override;
    void Destroyed() override;

protected:
    // What reaches beyond the window (modal dialogs, other programs); tests replace them.
    // The list editor on a bar's text; nothing when it was cancelled.
    virtual std::optional<RawLayer::RawString> EditList(int bar, const RawLayer::RawString& caption);
    virtual uint32_t TrackHintMenu(const WinLayer::HostMenu& menu, WinLayer::HostPoint screen);
    virtual void OpenSaveDialog(const RawLayer::RawString& caption);
    virtual void OpenUndoDialog(const RawLayer::RawString& caption);
    virtual bool StartDuplicate();
    // The result file to load; nothing when cancelled.
    virtual std::optional<RawLayer::RawString> ChooseResultFile();

private:
    enum Bar { kTargets = 0, kFilters = 1, kExpressions = 2, kReplacements = 3 };
    static constexpr int kBarCount = 4;

    // GuiViewItems.cpp: texts and commands.
    void SetTexts();
    void OnButton(uint16_t code);
    void OnBar(int bar, uint32_t code);
    void Search();
    void Stop();
    void Clear();
    void Preview();
    void ChecksChanged();
    void Apply();
    void Duplicate();
    void OpenListEditor(int bar);
    void OpenHintMenu();
    void AppendHint();
    void LoadChosenFile();
    // Fills the parameters from the bars under their lock (Search step 2).
    void FillParams();
    // Stores the replacement texts with the preview switch and bumps "Checker".
    void StoreReplacements();
    void StartReplace();
    void ShowParams();
    RawLayer::RawString BarText(int bar) const;
    void Report(const char* text, const RawLayer::RawString& detail, bool error = true);

    // GuiViewItemsLayout.cpp: controls, layout, window parameters, font.
    void SetupControls();
    void PlaceControls(int32_t fix_bottom);
    int32_t RowHeight();
    int32_t DefaultFixBottom();
    void ReadFont();
    void ApplyFont();
    void SaveWindowParameters();
    WinLayer::HostResult HookMessage(WinLayer::WinView& view, uint32_t message, WinLayer::HostWParam wparam,
        WinLayer::HostLParam lparam) override;

    // GuiViewItemsJobs.cpp: notifications, enabling, progress, closing.
    void OnJobCode(uint32_t code);
    void JobStarted();
    void JobEnded();
    void UpdateEnabling();
    void KeepFocusEnabled();
    void UpdateProgress();
    void RefreshMarkedRows();
    void CheckSignals();
    void TakeSnapshot();
    void PrintLayout();
    void CloseWhenIdle();
    static void FinishApply();

    GuiViewDialog& dialog_;
    JobLayer::JobConfig& config_;
    RawLayer::RawProfile& gui_profile_;
    JobLayer::JobStatusCentre& status_;
    JobLayer::JobBackupList& store_;

    JobLayer::JobParams params_;
    JobLayer::JobResultSet results_;
    GuiViewSink sink_;

    WinLayer::WinButton menu_button_;
    std::array<WinLayer::WinStaticBox, kBarCount> labels_;
    std::array<GuiDropBar, kBarCount> bars_;
    std::array<WinLayer::WinDropButton, kBarCount> bar_buttons_;
    GuiDropAppend drop_targets_ { bars_[kTargets] };
    WinLayer::WinButton ignore_case_;
    WinLayer::WinButton search_;
    WinLayer::WinButton stop_;
    WinLayer::WinButton clear_;
    WinLayer::WinButton preview_;
    WinLayer::WinButton apply_;
    WinLayer::WinButton duplicate_;
    WinLayer::WinButton save_;
    WinLayer::WinButton undo_;
    GuiProgressBar progress_;
    GuiStatusBox status_box_;
    WinLayer::WinDivider divider_ { WinLayer::WinDivider::Orientation::Horizontal };
    GuiViewBox view_box_;
    WinLayer::WinFontPtr font_;

    // The texts of "Search:" and "Replace:" when they were last used.
    RawLayer::RawString last_search_;
    RawLayer::RawString last_replace_;
    std::optional<WinLayer::HostRect> saved_fix_;
    std::optional<Enabling> shown_enabling_;
    int32_t blocks_replaced_ = 0;
    bool restart_replace_ = false;
    bool progress_dirty_ = false;
    bool rows_dirty_ = false;
    bool closing_ = false;
    int snapshots_ = 0;
    // The controller of the window, for the end of a lost display.
    static std::atomic<GuiViewItems*> live_;

    // Jobs last: each waits for its thread before the members it uses go.
    GuiSearchJob search_job_;
    GuiReplaceJob replace_job_;
    GuiApplyJob apply_job_;
};

} // namespace AppLayer
