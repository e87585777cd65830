#pragma once

// The list editor's list: one row per item of an edit bar, in the bar notation or, with the
// decode flag, as the text it stands for (line breaks and tabs shown). Rows are drawn in the
// window-text colour over the selection or background colour with a light line below each.
// Keys, the context menu, a click on the one selected row and dropped files go to the list's
// command server.

#include <core/RawString.h>
#include <toolkit/WinListBoxR.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace AppLayer {

class GuiSplitBoxCommand;

class GuiSplitBox : public WinLayer::WinListBoxR<RawLayer::RawString> {
public:
    static constexpr RawLayer::RawColour kLineColour = RawLayer::RawColour::FromBgrWord(0xE0E0E0);
    // Posted to the list itself to start in-place editing of a row (wparam) after a click.
    static constexpr uint32_t kMsgEditRow = WinLayer::HostMsg::kApp + 0x31;

    GuiSplitBox();

    void SetCommand(GuiSplitBoxCommand* command) { command_ = command; }
    bool Decode() const { return decode_; }
    // Sets the flag and rebuilds the rows (their heights follow the shown text).
    void SetDecode(bool decode);
    int32_t TabLength() const { return tab_length_; }
    void SetTabLength(int32_t length) { tab_length_ = length; }

    // The text a row shows: the item, decoded when the flag is set.
    RawLayer::RawString ShownText(int32_t row) const;
    // Replaces the items in one go: rows are rebuilt, `selected` (per new row) is marked, the
    // cursor goes to `cursor` without scrolling, and the change is announced.
    void ReplaceItems(
        std::vector<RawLayer::RawString*> items, const std::vector<bool>& selected, int32_t cursor);

    void Refresh() override;
    int32_t RowHeight(int32_t row) override;
    int32_t RowWidth(int32_t row) override;
    void DrawRow(WinLayer::HostPainter& painter, const WinLayer::HostRect& rect, int32_t row) override;
    void ShowMenu(WinLayer::HostPoint point, int32_t row) override;

    WinLayer::HostResult HandleMessage(
        uint32_t message, WinLayer::HostWParam wparam, WinLayer::HostLParam lparam) override;
    WinLayer::HostResult OnContextCommand(uint32_t command, WinLayer::HostLParam parameter) override;
    bool OnMouseDown(
        WinLayer::HostPoint point, WinLayer::HostMouseButton button, uint32_t modifiers) override;
    bool OnKeyDown(uint32_t key, uint32_t modifiers) override;
    bool OnDropFiles(const std::vector<std::string>& paths, WinLayer::HostPoint point) override;

    // The list command of a key with its modifiers, 0 for a key the list box handles itself.
    static uint32_t KeyCommand(uint32_t key, uint32_t modifiers);

private:
    // The height of "A" and the width of each printable ASCII character, measured once per font.
    void MeasureFont();
    int32_t TextWidth(std::string_view utf8);

    GuiSplitBoxCommand* command_ = nullptr;
    bool decode_ = false;
    int32_t tab_length_ = 4;
    int32_t letter_height_ = 0;
    int32_t wide_width_ = 0; // a character outside ASCII
    std::array<int32_t, 128> ascii_widths_ {};
};

} // namespace AppLayer
