#include <app/GuiSplitDialog.h>
#include <core/RawLanguageTable.h>
#include <engine/JobConfig.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>
#include <initializer_list>

namespace AppLayer {

using RawLayer::RawEncoding;
using RawLayer::RawString;
using WinLayer::HostRect;
using WinLayer::HostSize;
using WinLayer::WinButton;
namespace Host = WinLayer::Host;
using Anchor = WinLayer::WinViewResize;

namespace {

// The list stretches with the dialog; the button bar keeps its height at the bottom edge, its
// first three buttons at its left edge and the last two at its right edge.
constexpr uint32_t kListAnchors
    = Anchor::kLeftByLeft | Anchor::kRightByRight | Anchor::kTopByTop | Anchor::kBottomByBottom;
constexpr uint32_t kLeftButtons
    = Anchor::kLeftByLeft | Anchor::kRightByLeft | Anchor::kTopByBottom | Anchor::kBottomByBottom;
constexpr uint32_t kRightButtons
    = Anchor::kLeftByRight | Anchor::kRightByRight | Anchor::kTopByBottom | Anchor::kBottomByBottom;
// The list's height when the dialog is built, before the half-window rule.
constexpr int32_t kListHeight = 240;
constexpr int32_t kMinimumListHeight = 60;

RawString DialogText(const char* key)
{
    const RawString text(std::string_view(key), RawEncoding::Utf8);
    return RawLayer::RawLanguageTable::Instance().Text(RawString("SplitDialog"), text, text);
}

} // namespace

std::vector<RawString> GuiSplitDialog::SplitItems(const RawString& bar_text)
{
    RawString text(RawEncoding::Utf8);
    if (!text.Acquire(bar_text, RawEncoding::Utf8))
        text = bar_text;
    std::vector<RawString> items;
    const std::string_view view = text.View();
    int32_t start = 0;
    for (;;) {
        // Find steps over whole characters, so a ";" inside a multi-byte character is no split.
        const int32_t end = text.Find(';', start);
        items.emplace_back(
            view.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)), RawEncoding::Utf8);
        if (end >= text.Length())
            break;
        start = end + 1;
    }
    return items;
}

RawString GuiSplitDialog::JoinItems(const std::vector<RawString>& items)
{
    std::string joined;
    for (const RawString& item : items) {
        if (item.IsEmpty())
            continue;
        if (!joined.empty())
            joined += ';';
        joined += item.View();
    }
    return RawString(joined, RawEncoding::Utf8);
}

GuiSplitDialog::GuiSplitDialog(const std::vector<RawString>& items, int mode)
    : command_(box_, mode)
{
    SetClassName(RawString("Quelvane_Split"));
    SetIcons(130, 131);
    SetStyleWords(WinLayer::HostStyle::kCaption | WinLayer::HostStyle::kSysMenu
            | WinLayer::HostStyle::kThickFrame | WinLayer::HostStyle::kClipChildren,
        WinLayer::HostExStyle::kToolWindow);
    box_.SetCommand(&command_);
    if (const int32_t tab_stop = JobLayer::JobConfig::Instance().TabStop(); tab_stop > 0)
        box_.SetTabLength(tab_stop);
    if (mode == kModePaths)
        box_.SetStyleWords(box_.Style(), box_.ExStyle() | WinLayer::HostExStyle::kAcceptFiles);
    command_.Load(items);
    decode_.Setup(DialogText("Decode"), WinButton::kToggleMask | WinButton::kOutlineAlone, kCodeDecode);
    move_up_.Setup(DialogText("MoveUp"), WinButton::kOutlineAlone, kCodeMoveUp);
    move_down_.Setup(DialogText("MoveDown"), WinButton::kOutlineAlone, kCodeMoveDown);
    finish_.Setup(DialogText("Finish"), WinButton::kOutlineAlone, kCodeFinish);
    cancel_.Setup(DialogText("Cancel"), WinButton::kOutlineAlone, kCodeCancel);
}

HostSize GuiSplitDialog::FitButtons()
{
    HostSize need { kMargin, 0 };
    for (WinButton* button : { &decode_, &move_up_, &move_down_, &finish_, &cancel_ }) {
        const HostSize outer = button->Fit();
        need.cx += outer.cx + 8 + kMargin;
        need.cy = std::max(need.cy, outer.cy + 6);
    }
    return need;
}

void GuiSplitDialog::PlaceBelow(const HostRect& bar, const HostRect& owner_window)
{
    const HostSize buttons = FitButtons();
    const int32_t client_width = std::max(bar.Width() + 2 * kMargin, buttons.cx + kMargin);
    const int32_t client_height = kListHeight + buttons.cy + 3 * kMargin;
    HostRect outer = Host::AdjustWindowRect({ 0, 0, client_width, client_height }, Style(), ExStyle());
    const int32_t height = std::max(outer.Height(), owner_window.Height() / 2);
    HostRect place { bar.left, bar.bottom, bar.left + outer.Width(), bar.bottom + height };
    // Kept on the screen: a bar near the bottom edge opens the list above that edge.
    const HostRect work = Host::WorkArea();
    if (work.Width() > 0 && work.Height() > 0) {
        const int32_t dx = std::max(std::min(0, work.right - place.right), work.left - place.left);
        const int32_t dy = std::max(std::min(0, work.bottom - place.bottom), work.top - place.top);
        place = { place.left + dx, place.top + dy, place.right + dx, place.bottom + dy };
    }
    SetRect(place);
}

GuiSplitDialog::Outcome GuiSplitDialog::Open(WinLayer::WinView* owner, const RawString& caption, int mode,
    const RawString& bar_text, const HostRect& bar_screen_rect)
{
    GuiSplitDialog dialog(SplitItems(bar_text), mode);
    dialog.SetText(caption);
    HostRect owner_window = bar_screen_rect;
    if (owner != nullptr && owner->RootView() != nullptr && owner->RootView()->Window() != 0)
        owner_window = Host::WindowRect(owner->RootView()->Window());
    dialog.PlaceBelow(bar_screen_rect, owner_window);
    Outcome outcome;
    outcome.finished = dialog.Run(owner);
    if (outcome.finished)
        outcome.text = JoinItems(dialog.ItemTexts());
    return outcome;
}

bool GuiSplitDialog::Run(WinLayer::WinView* caller)
{
    result_ = 0;
    closing_ = false;
    box_.SetDecode(false);
    decode_.SetToggleState(false);
    ShowModal(caller);
    return Finished();
}

void GuiSplitDialog::RegisterChildren()
{
    const HostRect client = ClientRecord();
    const HostSize buttons = FitButtons();
    const int32_t bar_top = client.bottom - kMargin - buttons.cy;
    box_.SetRect({ kMargin, kMargin, client.right - kMargin, bar_top - kMargin });
    box_.SetAnchors(kListAnchors, &ClientRecord());
    AddChild(box_);
    int32_t left = kMargin;
    for (WinButton* button : { &decode_, &move_up_, &move_down_ }) {
        const int32_t width = button->Outer().cx + 8;
        button->SetRect({ left, bar_top, left + width, bar_top + buttons.cy });
        button->SetAnchors(kLeftButtons, &ClientRecord());
        AddChild(*button);
        left += width + kMargin;
    }
    int32_t right = client.right - kMargin;
    for (WinButton* button : { &cancel_, &finish_ }) {
        const int32_t width = button->Outer().cx + 8;
        button->SetRect({ right - width, bar_top, right, bar_top + buttons.cy });
        button->SetAnchors(kRightButtons, &ClientRecord());
        right -= width + kMargin;
    }
    // Added in bar order, so the focus walks the buttons from left to right.
    AddChild(finish_);
    AddChild(cancel_);
}

void GuiSplitDialog::OnCreated()
{
    WinDialog::OnCreated();
    box_.Refresh();
    if (box_.Rows().Valid(0) && !box_.Rows().Valid(box_.Cursor()))
        box_.SetCursor(0);
    box_.Focus();
}

bool GuiSplitDialog::AdjustMinTrackSize(HostSize& min_track)
{
    const HostSize buttons = FitButtons();
    const HostRect outer = Host::AdjustWindowRect(
        { 0, 0, buttons.cx + kMargin, buttons.cy + kMinimumListHeight + 3 * kMargin }, Style(), ExStyle());
    const HostSize wanted { std::max(min_track.cx, outer.Width()), std::max(min_track.cy, outer.Height()) };
    const bool changed = wanted.cx != min_track.cx || wanted.cy != min_track.cy;
    min_track = wanted;
    return changed;
}

WinLayer::HostResult GuiSplitDialog::OnNotify(WinLayer::WinView* child, uint32_t code)
{
    // The list's accept shares its code with "Finish"; Escape in the list comes as its cancel.
    if (child == &box_ && code != kCodeCancel) {
        if (code == GuiSplitBox::kAccept)
            command_.Run(GuiSplitBoxCommand::kModify);
        return 0;
    }
    switch (code) {
    case kCodeDecode:
        box_.SetDecode(decode_.ToggleState() != 0);
        break;
    case kCodeMoveUp:
        command_.Run(GuiSplitBoxCommand::kMoveUp);
        break;
    case kCodeMoveDown:
        command_.Run(GuiSplitBoxCommand::kMoveDown);
        break;
    case kCodeFinish:
        End(1);
        break;
    case kCodeCancel:
        End(0);
        break;
    default:
        break;
    }
    return 0;
}

void GuiSplitDialog::End(int result)
{
    // A second Finish or Cancel while the dialog is going away changes nothing.
    if (closing_ || (State() & kClosed) != 0 || !IsOpen())
        return;
    closing_ = true;
    result_ = result;
    EndDialog(nullptr);
}

} // namespace AppLayer
