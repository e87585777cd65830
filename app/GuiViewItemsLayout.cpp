// GuiViewItems: the controls, their layout, the window parameters and the window font.

#include <app/GuiViewItems.h>
#include <app/GuiViewPlacement.h>
#include <toolkit/WinFont.h>
#include <toolkit/host/HostEvent.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace AppLayer {

using RawLayer::RawString;
using WinLayer::HostRect;
using WinLayer::HostSize;
using WinLayer::WinButton;
using WinLayer::WinViewResize;
namespace Host = WinLayer::Host;
namespace HostStyle = WinLayer::HostStyle;

namespace {

constexpr uint32_t kToggle = 0x1000;
constexpr uint32_t kFirst = WinButton::kOutlineLeftOfPair;
constexpr uint32_t kMiddle = 0;
constexpr uint32_t kLast = WinButton::kOutlineRightOfPair;
constexpr uint32_t kAlone = WinButton::kOutlineAlone;

// Anchors: fixed to the top-left corner; stretched across; on the right edge; the result list.
constexpr uint32_t kTopLeft = WinViewResize::kLeftByLeft | WinViewResize::kRightByLeft
    | WinViewResize::kTopByTop | WinViewResize::kBottomByTop;
constexpr uint32_t kAcross = WinViewResize::kLeftByLeft | WinViewResize::kRightByRight
    | WinViewResize::kTopByTop | WinViewResize::kBottomByTop;
constexpr uint32_t kRightEdge = WinViewResize::kLeftByRight | WinViewResize::kRightByRight
    | WinViewResize::kTopByTop | WinViewResize::kBottomByTop;
constexpr uint32_t kRest = WinViewResize::kLeftByLeft | WinViewResize::kRightByRight
    | WinViewResize::kTopByTop | WinViewResize::kBottomByBottom;

constexpr int32_t kMinimumButtonWidth = 56;
constexpr int32_t kMinimumBarWidth = 160;
constexpr int32_t kMinimumProgressWidth = 120;
constexpr int32_t kMinimumListHeight = 80;
constexpr int32_t kStatusRows = 4;
constexpr int32_t kDefaultWidth = 900;
constexpr int32_t kDefaultHeight = 640;

int32_t FittedWidth(WinLayer::WinView& view)
{
    return view.Fit().cx;
}

} // namespace

void GuiViewItems::SetupControls()
{
    menu_button_.Setup(RawString("\xE2\x89\xA1"), kAlone, kMenuButton); // "≡"
    for (int bar = 0; bar < kBarCount; ++bar) {
        labels_[bar].SetBoxStyle(WinLayer::WinStaticBox::kAlignRight);
        bar_buttons_[bar].Setup(RawString(), kAlone, static_cast<uint16_t>(kTargetList + bar));
    }
    // Tab moves to the next control: a tab in a bar is written "%t".
    for (GuiDropBar& bar : bars_)
        bar.SetEditFlags(bar.EditFlags() | WinLayer::WinEditBoxInfo::kNoTabInsert);
    bar_buttons_[kTargets].SetExecution(&drop_targets_);
    bars_[kExpressions].SetChangeMarking(true);
    bars_[kReplacements].SetChangeMarking(true);
    ignore_case_.Setup(RawString(), kAlone | kToggle, kIgnoreCase);
    const struct {
        WinButton& button;
        uint32_t shape;
        uint16_t code;
    } buttons[] = {
        { search_, kFirst, kSearch },
        { stop_, kMiddle, kStop },
        { clear_, kLast, kClear },
        { preview_, kFirst | kToggle, kPreview },
        { apply_, kLast, kApply },
        { duplicate_, kFirst, kDuplicate },
        { save_, kMiddle, kSave },
        { undo_, kLast, kUndo },
    };
    for (const auto& each : buttons)
        each.button.Setup(RawString(), each.shape, each.code);
    progress_.SetFlags(progress_.Flags() | WinLayer::WinView::kSkipFocus);
    status_box_.SetStyleWords(
        status_box_.Style() | HostStyle::kVScroll | HostStyle::kBorder, status_box_.ExStyle());
    view_box_.SetStyleWords(
        view_box_.Style() | HostStyle::kVScroll | HostStyle::kHScroll | HostStyle::kBorder,
        view_box_.ExStyle());
    view_box_.SetConfig(&config_);
    divider_.Attach(status_box_, view_box_);
    divider_.SetFollower(&view_box_.Header());
    divider_.SetCode(kDividerMoved);
}

void GuiViewItems::Prepare()
{
    const GuiViewPlacement placement = GuiViewPlacement::Read(gui_profile_);
    HostRect window = placement.window_rect.value_or(HostRect {});
    if (!placement.window_rect) {
        const HostRect work = Host::WorkArea();
        const int32_t width = std::min(kDefaultWidth, work.Width());
        const int32_t height = std::min(kDefaultHeight, work.Height());
        window = { work.left + (work.Width() - width) / 2, work.top + (work.Height() - height) / 2,
            work.left + (work.Width() + width) / 2, work.top + (work.Height() + height) / 2 };
    }
    if (config_.IsDuplicate()) {
        const int32_t move = config_.SlightlyMove();
        window = { window.left + move, window.top + move, window.right + move, window.bottom + move };
    }
    dialog_.SetRect(GuiViewPlacement::IntoWorkArea(window, Host::WorkAreas()));
    saved_fix_ = placement.fix_rect;
    if (!placement.column_widths.empty())
        view_box_.SetColumnWidths(placement.column_widths);
    ReadFont();
}

bool GuiViewItems::Open()
{
    if (font_)
        dialog_.SetFont(font_);
    return dialog_.Create(nullptr);
}

void GuiViewItems::RegisterControls()
{
    for (int bar = 0; bar < kBarCount; ++bar) {
        dialog_.AddChild(labels_[bar]);
        dialog_.AddChild(bars_[bar]);
        dialog_.AddChild(bar_buttons_[bar]);
    }
    for (WinButton* button :
        { &ignore_case_, &search_, &stop_, &clear_, &preview_, &apply_, &duplicate_, &save_, &undo_ })
        dialog_.AddChild(*button);
    for (WinLayer::WinView* view : std::initializer_list<WinLayer::WinView*> {
             &progress_, &status_box_, &divider_, &view_box_.Header(), &view_box_, &menu_button_ })
        dialog_.AddChild(*view);
    for (WinLayer::WinView* view : dialog_.Views().Snapshot())
        view->Hooks().Add(*this);
    dialog_.Hooks().Add(*this);
    PlaceControls(saved_fix_ ? saved_fix_->bottom : DefaultFixBottom());
}

int32_t GuiViewItems::RowHeight()
{
    int32_t height = 0;
    for (GuiDropBar& bar : bars_)
        height = std::max(height, bar.Fit().cy);
    return std::max(height, search_.Fit().cy);
}

// Bars, buttons and a status box of four rows, before the divider.
int32_t GuiViewItems::DefaultFixBottom()
{
    const int32_t row = RowHeight();
    return kMargin + 5 * (row + kGap) + kStatusRows * status_box_.MeasuredRowHeight() + 4;
}

// Every control's rectangle for the current client size and font, with the divider at
// `fix_bottom`; the anchors take over from there.
void GuiViewItems::PlaceControls(int32_t fix_bottom)
{
    const HostRect client = dialog_.ClientRecord();
    const HostRect* link = &dialog_.ClientRecord();
    const int32_t row = RowHeight();
    int32_t label_width = 0;
    int32_t button_width = 0;
    for (int bar = 0; bar < kBarCount; ++bar) {
        label_width = std::max(label_width, FittedWidth(labels_[bar]));
        button_width = std::max({ button_width, FittedWidth(bar_buttons_[bar]), row + 16 });
    }
    const auto place = [&](WinLayer::WinView& view, const HostRect& rect, uint32_t anchors) {
        view.SetAnchors(anchors, link);
        view.MoveTo(rect);
        view.SetAnchors(anchors, link); // seen from the rectangle it has now
    };
    place(menu_button_, { kMargin, kMargin, kMargin + row, kMargin + row }, kTopLeft);
    const int32_t label_left = kMargin + row + kGap;
    const int32_t bar_left = label_left + label_width + kGap;
    const int32_t button_left = client.Width() - kMargin - button_width;
    for (int bar = 0; bar < kBarCount; ++bar) {
        const int32_t top = kMargin + bar * (row + kGap);
        place(labels_[bar], { label_left, top, label_left + label_width, top + row }, kTopLeft);
        place(bars_[bar], { bar_left, top, button_left - kGap, top + row }, kAcross);
        place(bar_buttons_[bar], { button_left, top, button_left + button_width, top + row }, kRightEdge);
    }
    const int32_t buttons_top = kMargin + kBarCount * (row + kGap);
    int32_t left = kMargin;
    const std::initializer_list<std::initializer_list<WinButton*>> groups = { { &ignore_case_ },
        { &search_, &stop_, &clear_ }, { &preview_, &apply_ }, { &duplicate_, &save_, &undo_ } };
    for (const auto& group : groups) {
        for (WinButton* button : group) {
            const int32_t width = std::max(FittedWidth(*button), kMinimumButtonWidth);
            place(*button, { left, buttons_top, left + width, buttons_top + row }, kTopLeft);
            left += width;
        }
        left += kGroupGap;
    }
    place(progress_,
        { left, buttons_top, std::max(client.Width() - kMargin, left + kMinimumProgressWidth),
            buttons_top + row },
        kAcross);
    const int32_t status_top = buttons_top + row + kGap;
    const int32_t header_height = std::max(view_box_.Header().Fit().cy, row - 4);
    // The status box keeps a row, the list its minimum (the status box wins on a tiny window).
    const int32_t lowest = client.Height() - kMargin - kMinimumListHeight - header_height - kDividerHeight;
    const int32_t divider_top
        = std::max(std::min(fix_bottom, lowest), status_top + status_box_.MeasuredRowHeight() + 4);
    const int32_t header_top = divider_top + kDividerHeight;
    place(status_box_, { kMargin, status_top, client.Width() - kMargin, divider_top }, kAcross);
    place(divider_, { kMargin, divider_top, client.Width() - kMargin, header_top }, kAcross);
    place(view_box_.Header(), { kMargin, header_top, client.Width() - kMargin, header_top + header_height },
        kAcross);
    place(view_box_,
        { kMargin, header_top + header_height, client.Width() - kMargin,
            std::max(client.Height() - kMargin, header_top + header_height + kMinimumListHeight) },
        kRest);
    divider_.SetMinimumSize(status_box_.MeasuredRowHeight() + 4);
}

HostSize GuiViewItems::MinimumClient()
{
    const int32_t row = RowHeight();
    const int32_t buttons_right = progress_.Rect().left + kMinimumProgressWidth + kMargin;
    const int32_t bars_right = bars_[kTargets].Rect().left + kMinimumBarWidth + kGap
        + bar_buttons_[kTargets].Rect().Width() + kMargin;
    const int32_t height = divider_.Rect().top + kDividerHeight + view_box_.Header().Rect().Height()
        + kMinimumListHeight + kMargin;
    return { std::max(buttons_right, bars_right), std::max(height, 5 * (row + kGap)) };
}

void GuiViewItems::ReadFont()
{
    RawLayer::RawParameterList list;
    if (!gui_profile_.ReadSection(RawString("WindowFont"), list)) {
        font_.reset();
        return;
    }
    WinLayer::WinFont font(WinLayer::WinFont::DesktopLogFont({}));
    font.Load(list);
    font_ = std::make_shared<WinLayer::WinFont>(font.LogFont());
}

void GuiViewItems::ApplyFont()
{
    const WinLayer::WinFontPtr font = font_ ? font_ : WinLayer::WinFont::MessageFont();
    dialog_.SetFont(font);
    for (WinLayer::WinView* view : dialog_.Views().Snapshot())
        view->SetFont(font);
    view_box_.Refresh();
    status_box_.Refresh();
    PlaceControls(divider_.Position());
    dialog_.Invalidate();
}

void GuiViewItems::SaveWindowParameters()
{
    GuiViewPlacement placement;
    const bool normal = dialog_.SizeState() == 0;
    const HostRect window = normal ? Host::WindowRect(dialog_.Window()) : dialog_.RestoreRect();
    if (window.Width() > 0 && window.Height() > 0)
        placement.window_rect = window;
    placement.fix_rect = HostRect { 0, 0, dialog_.ClientRecord().Width(), divider_.Position() };
    placement.column_widths = view_box_.ColumnWidths();
    if (!placement.Write(gui_profile_))
        Host::Beep(); // the window still closes; its place is simply not kept
}

// Keys of the whole window, whichever control has the focus: Ctrl+O loads a result file,
// Ctrl+S opens the save dialog.
WinLayer::HostResult GuiViewItems::HookMessage(
    WinLayer::WinView& view, uint32_t message, WinLayer::HostWParam wparam, WinLayer::HostLParam lparam)
{
    if (message != WinLayer::HostMsg::kKeyDown || view.Window() == 0)
        return WinLayer::kHostNotHandled;
    const WinLayer::HostEvent event = Host::Decode(view.Window(), message, wparam, lparam);
    if ((event.modifiers & (WinLayer::HostMod::kControl | WinLayer::HostMod::kAlt))
        != WinLayer::HostMod::kControl)
        return WinLayer::kHostNotHandled;
    uint16_t code = 0;
    if (event.key == 'O')
        code = kLoad;
    else if (event.key == 'S' && save_.Enabled())
        code = kSave;
    if (code == 0)
        return WinLayer::kHostNotHandled;
    const uint16_t id = code == kLoad ? 0 : save_.Id();
    Host::PostMessage(dialog_.Window(), WinLayer::HostMsg::kCommand, WinLayer::HostMakeWParam(id, code), 0);
    return 0;
}

} // namespace AppLayer
