// Keyboard and transfer input through SDL's queue: the host's focus and activation, keys and
// their characters, text and composition, dropped files, the clipboard and the close button.

#include <string>

#include "tests/toolkit/host/HostWindowFixture.h"

namespace HostTest {
namespace {

using Keyboard = HostWindowTest;
using Transfer = HostWindowTest;

TEST_F(Keyboard, FocusMovesSendKillThenSetAndActivationRestoresTheLastFocus)
{
    const HostHandle first = MakeTop({ 0, 0, 100, 100 });
    const HostHandle edit = MakeChild(first, { 0, 0, 50, 20 });
    const HostHandle button = MakeChild(first, { 0, 30, 50, 50 });
    Host::SetFocus(edit);
    proc.log.clear();
    EXPECT_EQ(Host::SetFocus(button), edit);
    const auto order = proc.Sequence({ HostMsg::kKillFocus, HostMsg::kSetFocus });
    ASSERT_EQ(order.size(), 2u);
    EXPECT_EQ(order[0], std::make_pair(edit, HostMsg::kKillFocus));
    EXPECT_EQ(order[1], std::make_pair(button, HostMsg::kSetFocus));
    EXPECT_EQ(proc.Of(HostMsg::kSetFocus)[0].wparam, edit);

    const HostHandle second = MakeTop({ 200, 0, 300, 100 });
    EXPECT_EQ(Host::ActiveWindow(), second);
    EXPECT_EQ(Host::Focus(), second);
    EXPECT_TRUE(Host::SetForegroundWindow(first));
    EXPECT_EQ(Host::Focus(), button);
    // Hiding the active window hands the activation on.
    Host::ShowWindow(first, HostShow::kHide);
    EXPECT_EQ(Host::ActiveWindow(), second);
    EXPECT_FALSE(Host::SetForegroundWindow(first));
}

TEST_F(Keyboard, AnOwnerGetsItsFocusBackAfterItsModalDialog)
{
    const HostHandle owner = MakeTop({ 0, 0, 300, 200 });
    const HostHandle edit = MakeChild(owner, { 0, 0, 50, 20 });
    Host::SetFocus(edit);
    Host::EnableWindow(owner, false);
    const HostHandle dialog
        = MakeTop({ 50, 50, 200, 150 }, HostStyle::kCaption | HostStyle::kVisible, 0, owner);
    const HostHandle ok = MakeChild(dialog, { 0, 0, 40, 20 });
    Host::SetFocus(ok);
    EXPECT_EQ(Host::ActiveWindow(), dialog);
    // Clicks on the disabled owner do nothing.
    Host::InjectClick(edit, { 2, 2 });
    Host::DrainMessages();
    EXPECT_EQ(Host::Focus(), ok);
    // The dialog goes before its owner is enabled again (the owner cannot take the
    // activation while disabled); enabling it gives it back its focus.
    Host::DestroyWindow(dialog);
    EXPECT_EQ(Host::ActiveWindow(), 0u);
    Host::EnableWindow(owner, true);
    EXPECT_EQ(Host::ActiveWindow(), owner);
    EXPECT_EQ(Host::Focus(), edit);
}

TEST_F(Keyboard, KeysGoToTheHostsFocusEvenWhenAnotherWindowIsShownLater)
{
    const HostHandle main = MakeTop({ 0, 0, 100, 100 });
    const HostHandle edit = MakeChild(main, { 0, 0, 50, 20 });
    Host::SetFocus(edit);
    const HostHandle tip = MakeTop({ 10, 10, 60, 30 }, HostStyle::kPopup, HostExStyle::kToolWindow);
    Host::ShowWindow(tip, HostShow::kShowNa);
    const HostHandle other = MakeTop({ 300, 0, 400, 100 }, HostStyle::kOverlappedWindow);
    Host::ShowWindow(other, HostShow::kNoActivate);
    proc.log.clear();
    Host::InjectKey('A');
    Host::InjectKey(HostKey::kDown, HostMod::kShift);
    Host::DrainMessages();
    const auto downs = proc.Of(HostMsg::kKeyDown);
    ASSERT_EQ(downs.size(), 3u); // A, Shift, Down
    for (const Received& down : downs)
        EXPECT_EQ(down.window, edit);
    EXPECT_EQ(downs[0].wparam, static_cast<HostWParam>('A'));
    EXPECT_EQ(downs[1].wparam, HostKey::kShift);
    EXPECT_EQ(downs[2].wparam, HostKey::kDown);
    EXPECT_EQ(proc.Of(HostMsg::kKeyUp).size(), 3u);
    EXPECT_EQ(Host::ActiveWindow(), main);
}

TEST_F(Keyboard, TranslateAddsCharactersForControlKeys)
{
    const HostHandle top = MakeTop();
    struct Case {
        uint32_t key;
        uint32_t modifiers;
        uint32_t message;
        HostWParam character; // 0: none
    };
    const Case cases[] = {
        { HostKey::kReturn, 0, HostMsg::kChar, 13 },
        { HostKey::kTab, 0, HostMsg::kChar, 9 },
        { HostKey::kBack, 0, HostMsg::kChar, 8 },
        { HostKey::kEscape, 0, HostMsg::kChar, 27 },
        { 'C', HostMod::kControl, HostMsg::kChar, 3 },
        { 'F', HostMod::kAlt, HostMsg::kSysChar, 'f' },
        { 'A', 0, HostMsg::kChar, 0 }, // printable characters come from text input
        { HostKey::kLeft, 0, HostMsg::kChar, 0 },
    };
    for (const Case& c : cases) {
        proc.log.clear();
        Host::InjectKey(c.key, c.modifiers);
        Host::DrainMessages();
        const auto chars = proc.Of(c.message);
        if (c.character == 0) {
            EXPECT_TRUE(chars.empty()) << c.key;
            continue;
        }
        ASSERT_EQ(chars.size(), 1u) << c.key;
        EXPECT_EQ(chars[0].window, top);
        EXPECT_EQ(chars[0].wparam, c.character) << c.key;
    }
    proc.log.clear();
    Host::InjectKey('X', HostMod::kAlt);
    Host::DrainMessages();
    EXPECT_EQ(proc.Of(HostMsg::kSysKeyDown).size(), 2u); // Alt, then X with Alt
}

TEST_F(Keyboard, TextArrivesAsOneCharacterPerCodePoint)
{
    const HostHandle top = MakeTop();
    const HostHandle edit = MakeChild(top, { 0, 0, 50, 20 });
    Host::SetFocus(edit);
    // Longer than one SDL text event, with characters of one to four bytes.
    const std::string text = "aé日本語のテキストです😀abcdefghijklmnop";
    Host::InjectText(text);
    Host::DrainMessages();
    std::u32string received;
    for (const Received& r : proc.Of(HostMsg::kChar)) {
        EXPECT_EQ(r.window, edit);
        received.push_back(static_cast<char32_t>(r.wparam));
    }
    EXPECT_EQ(received, U"aé日本語のテキストです😀abcdefghijklmnop");
}

TEST_F(Keyboard, CompositionReachesTheFocusWithItsCursorInCharacters)
{
    const HostHandle top = MakeTop();
    const HostHandle edit = MakeChild(top, { 0, 0, 50, 20 });
    Host::SetFocus(edit);
    std::vector<HostComposition> seen;
    proc.answer = [&](HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam) {
        if (message == HostMsg::kImeComposition)
            seen.push_back(*Host::Decode(window, message, wparam, lparam).composition);
        return kHostNotHandled;
    };
    proc.log.clear();
    Host::InjectComposition("にほ", 2);
    Host::InjectComposition("日本語を入力している長い変換中の文字列です", 3); // over 32 bytes
    Host::InjectText("日本語");
    Host::InjectText("x");
    Host::DrainMessages();
    const auto order = proc.Sequence({ HostMsg::kImeStartComposition, HostMsg::kImeComposition,
        HostMsg::kImeEndComposition, HostMsg::kChar });
    const std::vector<std::pair<HostHandle, uint32_t>> expected {
        { edit, HostMsg::kImeStartComposition },
        { edit, HostMsg::kImeComposition },
        { edit, HostMsg::kImeComposition },
        { edit, HostMsg::kImeComposition },
        { edit, HostMsg::kImeEndComposition },
        { edit, HostMsg::kChar },
    };
    EXPECT_EQ(order, expected);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "にほ");
    EXPECT_EQ(seen[0].cursor, 2);
    EXPECT_FALSE(seen[0].result);
    EXPECT_EQ(seen[1].text, "日本語を入力している長い変換中の文字列です");
    EXPECT_EQ(seen[1].cursor, 3);
    EXPECT_EQ(seen[2].text, "日本語");
    EXPECT_TRUE(seen[2].result);
    EXPECT_EQ(proc.Of(HostMsg::kChar)[0].wparam, static_cast<HostWParam>('x'));

    // An empty composition cancels: the end comes without a result.
    proc.log.clear();
    Host::InjectComposition("か", 1);
    Host::InjectComposition("", 0);
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(edit, HostMsg::kImeEndComposition), 1u);
    EXPECT_EQ(proc.Count(edit, HostMsg::kChar), 0u);
}

TEST_F(Keyboard, EndingACompositionDropsItAndLaterTextIsTyped)
{
    const HostHandle top = MakeTop();
    const HostHandle edit = MakeChild(top, { 0, 0, 50, 20 });
    Host::SetFocus(edit);
    Host::InjectComposition("か", 1);
    Host::DrainMessages();
    proc.log.clear();
    Host::EndComposition();
    EXPECT_EQ(proc.Count(edit, HostMsg::kImeEndComposition), 1u);
    Host::EndComposition();
    EXPECT_EQ(proc.Count(edit, HostMsg::kImeEndComposition), 1u) << "nothing open the second time";
    Host::InjectText("k");
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(edit, HostMsg::kImeComposition), 0u) << "no result comes after the end";
    EXPECT_EQ(proc.Count(edit, HostMsg::kChar), 1u);
}

TEST_F(Transfer, DropReachesTheWindowThatAcceptsFilesWithItsPoint)
{
    const HostHandle top = MakeTop({ 50, 50, 350, 250 });
    const HostHandle target = MakeChild(
        top, { 10, 10, 200, 100 }, 0, HostStyle::kChild | HostStyle::kVisible, HostExStyle::kAcceptFiles);
    const HostHandle label = MakeChild(target, { 5, 5, 60, 25 });
    std::vector<HostDrop> drops;
    proc.answer = [&](HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam) {
        if (message == HostMsg::kDropFiles) {
            EXPECT_EQ(window, target);
            drops.push_back(*Host::Decode(window, message, wparam, lparam).drop);
        }
        return kHostNotHandled;
    };
    Host::InjectDrop(label, { 3, 4 }, { "/tmp/a b.txt", "/tmp/\xE6\x97\xA5.txt" });
    Host::InjectDrop(top, { 250, 150 }, { "/tmp/nowhere" }); // no window there accepts files
    Host::DrainMessages();
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].paths, (std::vector<std::string> { "/tmp/a b.txt", "/tmp/\xE6\x97\xA5.txt" }));
    EXPECT_EQ(drops[0].point, (HostPoint { 8, 9 }));
}

TEST_F(Transfer, ClipboardKeepsTextWhole)
{
    const std::string texts[] = { "plain", "日本語のテキスト\n二行目", std::string(200000, 'x') + "末尾" };
    for (const std::string& text : texts) {
        ASSERT_TRUE(Host::SetClipboardText(text));
        EXPECT_EQ(Host::ClipboardText(), text);
    }
}

TEST_F(Transfer, CloseButtonDestroysByDefaultButNotADisabledWindow)
{
    const HostHandle top = MakeTop();
    Host::EnableWindow(top, false);
    Host::InjectClose(top);
    Host::DrainMessages();
    EXPECT_TRUE(Host::IsWindow(top));
    Host::EnableWindow(top, true);
    Host::InjectClose(top);
    Host::DrainMessages();
    EXPECT_EQ(proc.Count(top, HostMsg::kClose), 1u);
    EXPECT_FALSE(Host::IsWindow(top));
}

} // namespace
} // namespace HostTest
