// WinPathDialog: construction, layout, listing and the notifications of its children. The
// finish checks are in WinPathDialogFinish.cpp.

#include <core/RawLanguageTable.h>
#include <core/RawPath.h>
#include <core/RawShell.h>
#include <toolkit/WinPathDialog.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

using RawLayer::RawEncoding;
using RawLayer::RawPath;
using RawLayer::RawString;
using Kind = WinPathBoxItem::Kind;
using Pseudo = WinPathBoxItem::Pseudo;

namespace {

constexpr int32_t kGap = 8;
constexpr int32_t kMinButtonWidth = 88;

using Anchor = WinViewResize;
constexpr uint32_t kAcrossTop = Anchor::kLeftByLeft | Anchor::kRightByRight | Anchor::kTopByTop;
constexpr uint32_t kFilling = kAcrossTop | Anchor::kBottomByBottom;
constexpr uint32_t kBottomLeft = Anchor::kLeftByLeft | Anchor::kTopByBottom | Anchor::kBottomByBottom;
constexpr uint32_t kBottomRight
    = Anchor::kLeftByRight | Anchor::kRightByRight | Anchor::kTopByBottom | Anchor::kBottomByBottom;

RawString ButtonText(const char* key, const char* default_text)
{
    static const RawString kSection("CommonDialog");
    return RawLayer::RawLanguageTable::Instance().Text(kSection,
        RawString(std::string_view(key), RawEncoding::Utf8),
        RawString(std::string_view(default_text), RawEncoding::Utf8));
}

// The folder with a "/" after it, as the bar shows a listed folder (a name typed next goes into it).
RawString WithSlash(const RawString& folder)
{
    std::string text = folder.Str();
    if (text.empty() || text.back() != '/')
        text += '/';
    return RawString(text, RawEncoding::Utf8);
}

int32_t LineHeight()
{
    return WinFont::MessageFont()->Handle()->LineHeight();
}

} // namespace

WinPathDialog::WinPathDialog(
    uint16_t mode, const RawString& default_extension, const RawString& caption, const RawString& path)
    : mode_(mode)
    , extension_(default_extension)
    , start_(path)
    , chosen_(path)
{
    SetClassName(RawString("Class_PathDialog"));
    SetText(caption);
    finish_.Setup(ButtonText("FinishButton", "Finish"), WinButton::kOutlineAlone, kNotifyFinishButton);
    cancel_.Setup(ButtonText("CancelButton", "Cancel"), WinButton::kOutlineAlone, kNotifyCancelButton);
    hidden_.Setup(ButtonText("HiddenButton", "Hidden"), WinButton::kToggleMask | WinButton::kOutlineAlone,
        kNotifyHidden);
    hidden_.SetToggleState((mode_ & kModeHidden) != 0);
    open_side_.Setup(ButtonText("OpenSide", "open"), WinButton::kOutlineAlone, kNotifyOpenSide);
    error_.SetBoxStyle(WinStaticBox::kAlignLeft);
    error_.SetColours(kDialogFace, RawColour::None(), kErrorText);
    error_.SetFlags(error_.Flags() | kSkipFocus);
}

HostRect& WinPathDialog::LastNormalRect()
{
    static HostRect rect {};
    return rect;
}

int WinPathDialog::Run(WinView* caller)
{
    const HostRect last = LastNormalRect();
    if (last.Width() > 0 && last.Height() > 0) {
        SetRect(last);
    } else {
        const HostRect outer
            = Host::AdjustWindowRect({ 0, 0, kDefaultClient.cx, kDefaultClient.cy }, Style(), ExStyle());
        WinView* root = caller != nullptr ? caller->RootView() : nullptr;
        const HostRect work = Host::WorkArea();
        const HostRect owner
            = root != nullptr && root->Window() != 0 ? Host::WindowRect(root->Window()) : work;
        SetRect(PlaceOver({ 0, 0, outer.Width(), outer.Height() }, owner, work));
    }
    result_code_ = 0;
    finishing_ = false;
    closing_ = false;
    ShowModal(caller);
    return result_code_;
}

// --- Layout ---------------------------------------------------------------------------------

void WinPathDialog::RegisterChildren()
{
    Layout();
    for (WinView* view :
        std::initializer_list<WinView*> { &bar_, &error_, &box_, &finish_, &cancel_, &hidden_, &open_side_ })
        AddChild(*view);
}

void WinPathDialog::Layout()
{
    const HostRect client = ClientRecord();
    const int32_t line = LineHeight();
    const HostRect bar { kGap, kGap, client.right - kGap, kGap + line + 10 };
    const HostRect error { kGap, bar.bottom + 2, client.right - kGap, bar.bottom + 2 + line + 4 };

    int32_t button_width = kMinButtonWidth;
    int32_t button_height = 0;
    for (WinButton* button : { &finish_, &cancel_, &hidden_, &open_side_ }) {
        const HostSize outer = button->Fit();
        button_width = std::max(button_width, outer.cx + 16);
        button_height = std::max(button_height, outer.cy + 8);
    }
    const HostSize extra = ExtraRoom();
    const int32_t row_top = client.bottom - kGap - std::max(button_height, extra.cy);
    const int32_t button_top = client.bottom - kGap - button_height;
    auto place = [&](WinButton& button, int32_t left, uint32_t anchors) {
        button.SetRect({ left, button_top, left + button_width, button_top + button_height });
        button.SetAnchors(anchors, &ClientRecord());
    };
    place(hidden_, kGap, kBottomLeft);
    place(open_side_, kGap + button_width + kGap, kBottomLeft);
    place(cancel_, client.right - kGap - button_width, kBottomRight);
    place(finish_, client.right - 2 * (kGap + button_width), kBottomRight);
    if (extra.cx > 0) {
        const int32_t right = client.right - 2 * (kGap + button_width) - kGap;
        PlaceExtra({ right - extra.cx, client.bottom - kGap - extra.cy, right, client.bottom - kGap });
    }

    bar_.SetRect(bar);
    bar_.SetAnchors(kAcrossTop, &ClientRecord());
    error_.SetRect(error);
    error_.SetAnchors(kAcrossTop, &ClientRecord());
    box_.SetRect({ kGap, error.bottom + 2, client.right - kGap, row_top - kGap });
    box_.SetAnchors(kFilling, &ClientRecord());
}

bool WinPathDialog::AdjustMinTrackSize(HostSize& min_track)
{
    // The bottom row must keep its four buttons and the extra room side by side.
    const HostSize extra = ExtraRoom();
    const int32_t width = kMinimumClient.cx + (extra.cx > 0 ? extra.cx + kGap : 0);
    const int32_t height = kMinimumClient.cy + std::max(0, extra.cy - LineHeight());
    const HostRect outer = Host::AdjustWindowRect({ 0, 0, width, height }, Style(), ExStyle());
    const HostSize wanted { std::max(min_track.cx, outer.Width()), std::max(min_track.cy, outer.Height()) };
    const bool changed = wanted.cx != min_track.cx || wanted.cy != min_track.cy;
    min_track = wanted;
    return changed;
}

void WinPathDialog::OnSizeState(int previous, int current)
{
    WinDialog::OnSizeState(previous, current);
    if (current == static_cast<int>(kSizeRestored) && Window() != 0)
        LastNormalRect() = Host::WindowRect(Window());
}

void WinPathDialog::OnDestroyed()
{
    // Moves and resizes in the normal state are kept too, so the next dialog opens where the user
    // left this one.
    if (SizeState() == static_cast<int>(kSizeRestored) && RestoreRect().Width() > 0)
        LastNormalRect() = RestoreRect();
    WinDialog::OnDestroyed();
}

// --- Listing --------------------------------------------------------------------------------

void WinPathDialog::OnCreated()
{
    ListStart();
    bar_.Focus();
}

void WinPathDialog::ListStart()
{
    const RawString start = RawPath::ExpandHome(start_);
    RawString folder = start.IsEmpty() ? RawPath::HomeFolder() : RawPath::MakeAbsolute(start);
    const RawString typed = folder;
    // A file or a path still to be made: its nearest folder is listed and the bar keeps the path.
    while (!folder.IsEmpty() && !RawPath::IsFolder(folder) && !folder.Equals(RawString("/")))
        folder = RawPath::FolderPart(folder);
    if (!ListFolder(folder.IsEmpty() ? RawString("/") : folder))
        box_.ListDrives();
    if (!RawPath::IsFolder(typed))
        bar_.SetPath(typed);
}

bool WinPathDialog::ListFolder(const RawString& folder, const RawString& cursor_path)
{
    std::string error;
    if (!box_.ListFolder(folder, (mode_ & kModeHidden) != 0, cursor_path, error)) {
        ShowError("Cannot list " + WinPathBoxItemList::DisplayName(folder).Str() + ": " + error);
        return false;
    }
    ShowError(std::string());
    bar_.SetBaseFolder(folder);
    bar_.SetPath(WithSlash(folder));
    return true;
}

void WinPathDialog::ShowError(const std::string& text)
{
    error_.SetText(RawString(text, RawEncoding::Utf8));
}

// --- Notifications --------------------------------------------------------------------------

HostResult WinPathDialog::OnNotify(WinView* child, uint32_t code)
{
    if (child == &box_ && code == WinListBox::kAccept)
        AcceptRow();
    else if (child == &box_ && code == WinListBox::kCursorChanged)
        FollowCursor();
    else if (child == &bar_ && code == WinEditBox::kNotifyEnter)
        AcceptBar();
    else if (code == kNotifyFinishButton)
        Finish();
    else if (code == kNotifyCancelButton || code == kNotifyCancel)
        Cancel();
    else if (code == kNotifyOpenSide)
        OpenSide();
    else if (code == kNotifyHidden)
        ToggleHidden();
    return 0;
}

void WinPathDialog::AcceptRow()
{
    const WinPathBoxItem* item = box_.CursorItem();
    if (item == nullptr)
        return;
    // Copied: listing replaces the items.
    const WinPathBoxItem chosen = *item;
    if (chosen.pseudo == Pseudo::Drives) {
        box_.ListDrives();
        ShowError(std::string());
    } else if (chosen.pseudo == Pseudo::LinkBackword) {
        // Copied: the listing replaces the folder it names.
        const RawString came_from = box_.Folder();
        ListFolder(chosen.path, came_from);
    } else if (chosen.Listable()) {
        ListFolder(chosen.path);
    } else {
        bar_.SetPath(chosen.path);
        Finish();
    }
}

void WinPathDialog::FollowCursor()
{
    const WinPathBoxItem* item = box_.CursorItem();
    if (item != nullptr && item->kind == Kind::File)
        bar_.SetPath(item->path);
}

void WinPathDialog::AcceptBar()
{
    const RawString path = bar_.ResolvedPath();
    if (!path.IsEmpty() && RawPath::IsFolder(path))
        ListFolder(path);
    else
        Finish();
}

void WinPathDialog::ToggleHidden()
{
    mode_ = hidden_.IsOn() ? (mode_ | kModeHidden) : (mode_ & ~kModeHidden);
    if (box_.Folder().IsEmpty()) {
        box_.ListDrives();
        return;
    }
    // The bar keeps what the user typed; only the listing changes.
    const RawString typed = bar_.Path();
    const RawString folder = box_.Folder();
    const WinPathBoxItem* item = box_.CursorItem();
    const RawString cursor_path = item != nullptr ? item->path : RawString();
    if (ListFolder(folder, cursor_path))
        bar_.SetPath(typed);
}

void WinPathDialog::OpenSide()
{
    const RawString path = bar_.ResolvedPath();
    RawString folder = RawPath::IsFolder(path) ? path : RawPath::FolderPart(path);
    if (!RawPath::IsFolder(folder))
        folder = box_.Folder();
    if (folder.IsEmpty())
        return;
    if (!OpenFolder(folder))
        ShowError("Cannot open " + WinPathBoxItemList::DisplayName(folder).Str());
}

bool WinPathDialog::OpenFolder(const RawString& folder)
{
    return RawLayer::RawShell::OpenWithShell(folder);
}

void WinPathDialog::Cancel()
{
    if (closing_ || finishing_)
        return;
    closing_ = true;
    result_code_ = 0;
    EndDialog(&result_code_);
}

} // namespace WinLayer
