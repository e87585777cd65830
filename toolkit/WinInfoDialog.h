#pragma once

// The message and question dialog: a standard icon, the message (several lines, wrapped), and a
// row of buttons from one of three sets. It is sized to its text, placed over its owner inside
// the work area and run modally; a button ends it with its code. Escape and the close button end
// it as Cancel where the set has Cancel, else as OK. Enter clicks the focused button (the first
// one when the dialog opens).
//
// Button texts come from the language table (section "InfoDialog"), with English defaults.

#include <core/RawString.h>
#include <toolkit/WinBitmapPool.h>
#include <toolkit/WinButton.h>
#include <toolkit/WinDialog.h>
#include <toolkit/WinImageBox.h>
#include <toolkit/WinStaticBox.h>

#include <memory>
#include <vector>

namespace WinLayer {

class WinInfoDialog : public WinDialog {
public:
    enum class ButtonSet { Ok, OkCancel, YesNoCancel };
    using Icon = WinBitmapPool::Icon;

    // Result codes.
    static constexpr int kCancel = 0;
    static constexpr int kOk = 1;
    static constexpr int kYes = 2;
    static constexpr int kNo = 3;

    static constexpr int32_t kMaxTextWidth = 440;
    static constexpr int32_t kIconSize = 32;
    static constexpr int32_t kPadding = 16;
    static constexpr int32_t kMinButtonWidth = 88;

    struct ButtonSpec {
        const char* key; // language-table key and built-in English text
        int code;
    };

    WinInfoDialog(
        const RawLayer::RawString& caption, const RawLayer::RawString& message, ButtonSet set, Icon icon);

    // Shows the dialog modally over `owner_rect` (screen coordinates) and returns the code of
    // the button that ended it.
    static int Show(const HostRect& owner_rect, const RawLayer::RawString& caption,
        const RawLayer::RawString& message, ButtonSet set, Icon icon, WinView* caller = nullptr);
    // The same for this dialog object.
    int Run(const HostRect& owner_rect, WinView* caller = nullptr);

    // The buttons of a set, left to right.
    static std::vector<ButtonSpec> Buttons(ButtonSet set);
    // What Escape and the close button give for a set.
    static int EscapeCode(ButtonSet set);

    // Ends the dialog with `code` (a second ending is ignored).
    void End(int code);
    int ResultCode() const { return code_; }

    int32_t ButtonCount() const { return static_cast<int32_t>(buttons_.size()); }
    WinButton& Button(int32_t index) { return *buttons_[static_cast<size_t>(index)]; }
    WinStaticBox& MessageBox() { return message_; }
    WinImageBox& IconBox() { return icon_; }
    // The client size the layout needs.
    HostSize ClientSize() const { return client_size_; }

    // Adds the icon, the message and the buttons.
    void RegisterChildren() override;
    // The first button takes the focus once the window is made.
    void OnCreated() override;
    // A button's click ends the dialog with its code; cancel (Escape) with EscapeCode.
    HostResult OnNotify(WinView* child, uint32_t code) override;

private:
    // Places the children and computes the client size from the natural sizes of the texts.
    void Layout();

    ButtonSet set_;
    WinImageBox icon_;
    WinStaticBox message_;
    std::vector<std::unique_ptr<WinButton>> buttons_;
    std::vector<int> codes_;
    HostSize client_size_ {};
    int code_ = kCancel;
};

} // namespace WinLayer
