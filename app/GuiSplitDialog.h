#pragma once

// The list editor: one edit bar's line opened as a list, one item per row, to reorder, insert,
// delete, copy, paste and edit the items in place. "Finish" gives the items back as one line;
// "Cancel" (or Escape, or closing the window) leaves the bar alone.
//
// The main window's use:
//     const GuiSplitDialog::Outcome outcome = GuiSplitDialog::Open(this, caption,
//         GuiSplitDialog::kModePaths, bar.GetText(), Host::WindowRect(bar.Window()));
//     if (outcome.finished) bar.SetText(outcome.text); ...
// The dialog opens directly below the bar, starting at its left edge, at least half as tall as
// the window owning `owner`.

#include <app/GuiSplitBox.h>
#include <app/GuiSplitBoxCommand.h>
#include <core/RawString.h>
#include <toolkit/WinButton.h>
#include <toolkit/WinDialog.h>

#include <vector>

namespace AppLayer {

class GuiSplitDialog : public WinLayer::WinDialog {
public:
    static constexpr int kModeTexts = GuiSplitBoxCommand::kModeTexts;
    static constexpr int kModePaths = GuiSplitBoxCommand::kModePaths;
    static constexpr uint16_t kCodeDecode = 0x8005;
    static constexpr uint16_t kCodeMoveUp = 0x8006;
    static constexpr uint16_t kCodeMoveDown = 0x8007;
    static constexpr uint16_t kCodeFinish = 0x1002;
    static constexpr uint16_t kCodeCancel = 0x1004;
    static constexpr int32_t kMargin = 6;

    struct Outcome {
        bool finished = false;    // "Finish" was pressed
        RawLayer::RawString text; // the joined items; empty unless finished
    };

    // Splits `bar_text`, runs the dialog modally over `owner` and joins the items on "Finish".
    // `mode` is kModePaths for the target-path bar (files may be dropped), else kModeTexts.
    static Outcome Open(WinLayer::WinView* owner, const RawLayer::RawString& caption, int mode,
        const RawLayer::RawString& bar_text, const WinLayer::HostRect& bar_screen_rect);

    // Every piece between ";" becomes an item, empty ones included; nothing is decoded.
    static std::vector<RawLayer::RawString> SplitItems(const RawLayer::RawString& bar_text);
    // The non-empty items joined with ";".
    static RawLayer::RawString JoinItems(const std::vector<RawLayer::RawString>& items);

    GuiSplitDialog(const std::vector<RawLayer::RawString>& items, int mode);

    // Sets the window's place for a bar and the window owning it (screen rectangles).
    void PlaceBelow(const WinLayer::HostRect& bar, const WinLayer::HostRect& owner_window);
    // Runs the dialog modally; true after "Finish".
    bool Run(WinLayer::WinView* caller);
    bool Finished() const { return result_ == 1; }
    std::vector<RawLayer::RawString> ItemTexts() const { return command_.ItemTexts(); }

    GuiSplitBox& Box() { return box_; }
    GuiSplitBoxCommand& Command() { return command_; }
    WinLayer::WinButton& DecodeButton() { return decode_; }
    WinLayer::WinButton& MoveUpButton() { return move_up_; }
    WinLayer::WinButton& MoveDownButton() { return move_down_; }
    WinLayer::WinButton& FinishButton() { return finish_; }
    WinLayer::WinButton& CancelButton() { return cancel_; }

    void RegisterChildren() override;
    void OnCreated() override;
    WinLayer::HostResult OnNotify(WinLayer::WinView* child, uint32_t code) override;
    bool AdjustMinTrackSize(WinLayer::HostSize& min_track) override;

private:
    // Fits the buttons; the bar's height and the width all of them need.
    WinLayer::HostSize FitButtons();
    void End(int result);

    GuiSplitBox box_;
    GuiSplitBoxCommand command_;
    WinLayer::WinButton decode_;
    WinLayer::WinButton move_up_;
    WinLayer::WinButton move_down_;
    WinLayer::WinButton finish_;
    WinLayer::WinButton cancel_;
    int result_ = 0;
    bool closing_ = false;
};

} // namespace AppLayer
