// The info dialog: result codes of its button sets, keys, size and placement.

#include <toolkit/WinInfoDialog.h>

#include <functional>

#include "../TestSupport.h"
#include "ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

constexpr uint32_t kMsgDrive = HostMsg::kApp + 0x200;

// An info dialog that, once its window is up, runs `drive` from a posted message: the modal run
// has started by then and the injected input goes through its loop.
class DrivenInfoDialog : public WinInfoDialog {
public:
    DrivenInfoDialog(ButtonSet set, std::function<void(DrivenInfoDialog&)> drive)
        : WinInfoDialog(
            Utf8("Caption"), Utf8("Replace the text in this file?\n/tmp/some/path.txt"), set, Icon::Question)
        , drive_(std::move(drive))
    {
    }
    void OnCreated() override
    {
        WinInfoDialog::OnCreated();
        Host::PostMessage(Window(), kMsgDrive, 0, 0);
    }
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        if (message != kMsgDrive)
            return WinInfoDialog::HandleMessage(message, wparam, lparam);
        window_seen = Host::WindowRect(Window());
        drive_(*this);
        return 0;
    }
    HostRect window_seen {};

private:
    std::function<void(DrivenInfoDialog&)> drive_;
};

const HostRect kOwner { 100, 100, 700, 500 };

TEST_F(ControlTest, EachButtonEndsTheDialogWithItsCode)
{
    using Set = WinInfoDialog::ButtonSet;
    struct Case {
        Set set;
        int32_t button;
        int code;
    };
    const Case cases[] = {
        { Set::YesNoCancel, 0, WinInfoDialog::kYes },
        { Set::YesNoCancel, 1, WinInfoDialog::kNo },
        { Set::YesNoCancel, 2, WinInfoDialog::kCancel },
        { Set::OkCancel, 0, WinInfoDialog::kOk },
        { Set::OkCancel, 1, WinInfoDialog::kCancel },
        { Set::Ok, 0, WinInfoDialog::kOk },
    };
    for (const Case& c : cases) {
        DrivenInfoDialog dialog(c.set, [&c](DrivenInfoDialog& self) {
            Host::InjectClick(self.Button(c.button).Window(), { 10, 10 });
        });
        EXPECT_EQ(dialog.Run(kOwner), c.code) << c.button;
        EXPECT_FALSE(dialog.IsOpen());
    }
}

TEST_F(ControlTest, KeysEndTheDialogAsTheSetSays)
{
    using Set = WinInfoDialog::ButtonSet;
    struct Case {
        Set set;
        std::vector<uint32_t> keys;
        int code;
    };
    const Case cases[] = {
        { Set::YesNoCancel, { HostKey::kEscape }, WinInfoDialog::kCancel },
        { Set::Ok, { HostKey::kEscape }, WinInfoDialog::kOk },
        { Set::YesNoCancel, { HostKey::kReturn }, WinInfoDialog::kYes },
        { Set::YesNoCancel, { HostKey::kRight, HostKey::kReturn }, WinInfoDialog::kNo },
        { Set::YesNoCancel, { HostKey::kLeft, HostKey::kSpace }, WinInfoDialog::kCancel },
    };
    for (const Case& c : cases) {
        DrivenInfoDialog dialog(c.set, [&c](DrivenInfoDialog&) {
            for (uint32_t key : c.keys)
                Host::InjectKey(key);
        });
        EXPECT_EQ(dialog.Run(kOwner), c.code) << c.keys.size();
    }
}

TEST_F(ControlTest, TheCloseButtonEndsTheDialogAsEscapeDoes)
{
    DrivenInfoDialog dialog(WinInfoDialog::ButtonSet::YesNoCancel,
        [](DrivenInfoDialog& self) { Host::InjectClose(self.Window()); });
    EXPECT_EQ(dialog.Run(kOwner), WinInfoDialog::kCancel);
}

TEST_F(ControlTest, TheDialogFitsItsTextAndSitsOverItsOwner)
{
    DrivenInfoDialog dialog(
        WinInfoDialog::ButtonSet::YesNoCancel, [](DrivenInfoDialog& self) { self.End(1); });
    // Buttons carry the language table's texts (English without a language file).
    EXPECT_EQ(dialog.Button(0).GetText().Str(), "Yes");
    EXPECT_EQ(dialog.Button(1).GetText().Str(), "No");
    EXPECT_EQ(dialog.Button(2).GetText().Str(), "Cancel");
    dialog.Run(kOwner);

    // Two lines of message: taller than one, no wider than the limit, beside the icon.
    HostRect message = dialog.MessageBox().Rect();
    int32_t line = dialog.MessageBox().Font()->Handle()->LineHeight();
    EXPECT_GE(message.Height(), 2 * line - 1);
    EXPECT_LE(message.Width(), WinInfoDialog::kMaxTextWidth);
    EXPECT_GE(message.left, dialog.IconBox().Rect().right);
    // The buttons stand in a row below the message, inside the client area.
    for (int32_t i = 0; i < dialog.ButtonCount(); ++i) {
        HostRect button = dialog.Button(i).Rect();
        EXPECT_GT(button.top, message.bottom);
        EXPECT_LE(button.right, dialog.ClientSize().cx);
        EXPECT_LE(button.bottom, dialog.ClientSize().cy);
    }
    // Centred over the owner (the work area of the headless display holds it whole).
    HostRect seen = dialog.window_seen;
    EXPECT_LE(std::abs((seen.left + seen.right) / 2 - 400), 1);
    EXPECT_LE(std::abs((seen.top + seen.bottom) / 2 - 300), 1);
}

// A dialog shown after a larger one (whose window the host may reuse) has its own size and is
// moved whole into the work area when its owner sits at the screen's corner.
TEST_F(ControlTest, ADialogAtTheScreenCornerStaysInsideTheWorkArea)
{
    DrivenInfoDialog wide(WinInfoDialog::ButtonSet::YesNoCancel, [](DrivenInfoDialog& self) { self.End(1); });
    wide.Run(kOwner);
    DrivenInfoDialog corner(WinInfoDialog::ButtonSet::Ok, [](DrivenInfoDialog& self) { self.End(1); });
    HostRect work = Host::WorkArea();
    corner.Run({ work.right - 50, work.bottom - 50, work.right + 50, work.bottom + 50 });
    HostRect seen = corner.window_seen;
    EXPECT_EQ(seen.right, work.right);
    EXPECT_EQ(seen.bottom, work.bottom);
    EXPECT_EQ(seen.Width(), corner.Rect().Width());
    EXPECT_LT(seen.Width(), wide.window_seen.Width());
}

TEST_F(ControlTest, ShowRunsOverACallerAndHandsTheFocusBack)
{
    RecordingDialog owner;
    WinButton button;
    button.Setup(Utf8("Owner"), WinButton::kOutlineAlone, 0);
    owner.Add(button, { 10, 10, 110, 40 });
    ASSERT_TRUE(owner.Open());
    button.Focus();
    // Escape ends the modal dialog that Show makes; the timer reaches it through its own loop.
    Host::SetTimer(owner.Window(), 7, 1);
    struct EscapeOnTimer : public WinViewHook {
        HostResult HookMessage(WinView& view, uint32_t message, HostWParam wparam, HostLParam) override
        {
            if (message == HostMsg::kTimer && wparam == 7) {
                Host::KillTimer(view.Window(), 7);
                Host::InjectKey(HostKey::kEscape);
            }
            return kHostNotHandled;
        }
    } hook;
    owner.Hooks().Add(hook);
    int code = WinInfoDialog::Show(Host::WindowRect(owner.Window()), Utf8("Quelvane"), Utf8("Message"),
        WinInfoDialog::ButtonSet::OkCancel, WinInfoDialog::Icon::Warning, &button);
    owner.Hooks().Remove(hook);
    Host::KillTimer(owner.Window(), 7);
    EXPECT_EQ(code, WinInfoDialog::kCancel);
    EXPECT_TRUE(button.HasFocus());
}

} // namespace
} // namespace QuelvaneTest
