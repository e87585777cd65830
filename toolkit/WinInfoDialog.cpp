#include <core/RawLanguageTable.h>
#include <toolkit/WinInfoDialog.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

using RawLayer::RawString;

namespace {

constexpr int32_t kIconGap = 14; // between the icon and the message
constexpr int32_t kButtonGap = 8;
constexpr int32_t kRowGap = 18; // between the message and the buttons

} // namespace

WinInfoDialog::WinInfoDialog(const RawString& caption, const RawString& message, ButtonSet set, Icon icon)
    : set_(set)
    , code_(EscapeCode(set))
{
    SetClassName(RawString("Class_InfoDialog"));
    SetStyleWords(HostStyle::kCaption | HostStyle::kSysMenu | HostStyle::kClipChildren, 0);
    SetText(caption);

    icon_.SetIcon(icon, kIconSize);
    message_.SetText(message);
    message_.SetBoxStyle(WinStaticBox::kAlignLeft | WinStaticBox::kMultiLine);
    message_.SetColours(kDialogFace, RawColour::None(), WinStaticBox::kDefaultText);

    RawLayer::RawLanguageTable& language = RawLayer::RawLanguageTable::Instance();
    for (const ButtonSpec& entry : Buttons(set)) {
        auto button = std::make_unique<WinButton>();
        RawString key(std::string_view(entry.key), RawLayer::RawEncoding::Utf8);
        button->Setup(language.Text(RawString("InfoDialog"), key, key), WinButton::kOutlineAlone, 0);
        buttons_.push_back(std::move(button));
        codes_.push_back(entry.code);
    }
    Layout();
}

std::vector<WinInfoDialog::ButtonSpec> WinInfoDialog::Buttons(ButtonSet set)
{
    switch (set) {
    case ButtonSet::Ok:
        return { { "OK", kOk } };
    case ButtonSet::OkCancel:
        return { { "OK", kOk }, { "Cancel", kCancel } };
    case ButtonSet::YesNoCancel:
        return { { "Yes", kYes }, { "No", kNo }, { "Cancel", kCancel } };
    }
    return { { "OK", kOk } };
}

int WinInfoDialog::EscapeCode(ButtonSet set)
{
    return set == ButtonSet::Ok ? kOk : kCancel;
}

void WinInfoDialog::Layout()
{
    // The message wraps at the widest line that fits kMaxTextWidth; a short one keeps its size.
    HostSize text = message_.WrappedTextSize(kMaxTextWidth);
    text.cx = std::min(std::max(text.cx, 1), kMaxTextWidth);
    int32_t body_height = std::max(kIconSize, text.cy);
    int32_t text_left = kPadding + kIconSize + kIconGap;
    int32_t text_top = kPadding + (body_height - text.cy) / 2;
    icon_.SetRect({ kPadding, kPadding + (body_height - kIconSize) / 2, kPadding + kIconSize,
        kPadding + (body_height - kIconSize) / 2 + kIconSize });
    message_.SetRect({ text_left, text_top, text_left + text.cx, text_top + text.cy });

    int32_t button_width = kMinButtonWidth;
    int32_t button_height = 0;
    for (auto& button : buttons_) {
        HostSize outer = button->Fit();
        button_width = std::max(button_width, outer.cx + 16);
        button_height = std::max(button_height, outer.cy + 8);
    }
    auto count = static_cast<int32_t>(buttons_.size());
    int32_t row_width = count * button_width + (count - 1) * kButtonGap;
    int32_t width = std::max(text_left + text.cx + kPadding, row_width + 2 * kPadding);
    int32_t row_top = kPadding + body_height + kRowGap;
    // The row stands at the right, as the buttons of message boxes on this desktop do.
    int32_t left = width - kPadding - row_width;
    for (auto& button : buttons_) {
        button->SetRect({ left, row_top, left + button_width, row_top + button_height });
        left += button_width + kButtonGap;
    }
    client_size_ = { width, row_top + button_height + kPadding - 2 };
}

void WinInfoDialog::RegisterChildren()
{
    AddChild(icon_);
    AddChild(message_);
    for (auto& button : buttons_)
        AddChild(*button);
}

void WinInfoDialog::OnCreated()
{
    if (!buttons_.empty())
        buttons_.front()->Focus();
}

HostResult WinInfoDialog::OnNotify(WinView* child, uint32_t code)
{
    if (code == kNotifyCancel) {
        End(EscapeCode(set_));
        return 0;
    }
    for (size_t i = 0; i < buttons_.size(); ++i) {
        if (child == buttons_[i].get() && code == 0) {
            End(codes_[i]);
            return 0;
        }
    }
    return 0;
}

void WinInfoDialog::End(int code)
{
    if ((State() & kClosed) != 0)
        return;
    code_ = code;
    EndDialog(&code_);
}

int WinInfoDialog::Run(const HostRect& owner_rect, WinView* caller)
{
    HostRect outer = Host::AdjustWindowRect({ 0, 0, client_size_.cx, client_size_.cy }, Style(), ExStyle());
    SetRect(PlaceOver({ 0, 0, outer.Width(), outer.Height() }, owner_rect, Host::WorkArea()));
    code_ = EscapeCode(set_);
    ShowModal(caller);
    return code_;
}

int WinInfoDialog::Show(const HostRect& owner_rect, const RawString& caption, const RawString& message,
    ButtonSet set, Icon icon, WinView* caller)
{
    WinInfoDialog dialog(caption, message, set, icon);
    return dialog.Run(owner_rect, caller);
}

} // namespace WinLayer
