// The edit box with surrogate pairs and combining marks, Japanese text, the input method's
// composition, the mouse, multi-line moves and scrolling, drops, the context menu and drawing.

#include <toolkit/host/HostCaret.h>

#include "ControlTestEditBoxSupport.h"

namespace QuelvaneTest {
namespace {

// "a", U+20BB7 (two units), "e" with a combining acute (two characters, one caret stop), "z".
const std::string kMixed = "a\xF0\xA0\xAE\xB7"
                           "e\xCC\x81z";

TEST_F(EditBoxTest, PairsAndCombiningMarksAreNeverSplit)
{
    Open();
    Start(single_, kMixed);
    ASSERT_EQ(single_.Text16().size(), 6u);
    const int32_t stops[] = { 0, 1, 3, 5, 6 };
    single_.SetSelection(0, 0);
    for (size_t k = 1; k < std::size(stops); ++k) {
        Key(HostKey::kRight);
        EXPECT_EQ(single_.Caret(), stops[k]);
    }
    for (size_t k = std::size(stops) - 1; k-- > 0;) {
        Key(HostKey::kLeft);
        EXPECT_EQ(single_.Caret(), stops[k]);
    }
    single_.SetSelection(2, 2);
    EXPECT_EQ(single_.Caret(), 1) << "an index inside a pair is the caret before it";
    single_.SetSelection(3, 3);
    Key(HostKey::kBack);
    EXPECT_EQ(TextOf(single_), "ae\xCC\x81z") << "Backspace removes the whole pair";
    single_.SetSelection(1, 1);
    Key(HostKey::kDelete);
    EXPECT_EQ(TextOf(single_), "az") << "Delete removes the letter with its mark";
    single_.ReplaceSelection(U16("\xF0\xA0\xAE\xB7"));
    EXPECT_EQ(single_.Caret(), 3);
    Key('Z', HostMod::kControl);
    EXPECT_EQ(TextOf(single_), "az");
}

TEST_F(EditBoxTest, MouseSelectionNeverEndsInsideAPair)
{
    Open();
    Start(single_, std::string(3, 'x') + "\xF0\xA0\xAE\xB7\xF0\xA0\xAE\xB7");
    const HostHandle window = single_.Window();
    for (int32_t x = 0; x < 80; x += 1) {
        Host::InjectMouseDown(window, { x, 12 });
        Host::InjectMouseUp(window, { x, 12 });
        Host::DrainMessages();
        EXPECT_TRUE(single_.Caret() == 0 || single_.Caret() <= 3 || single_.Caret() % 2 == 1) << x;
    }
}

TEST_F(EditBoxTest, DragSelectsAndDoubleClickSelectsAWord)
{
    Open();
    Start(single_, "drag select words");
    const HostHandle window = single_.Window();
    const int32_t start_x = single_.EditDraw().CaretRect(0).left;
    Host::InjectMouseDown(window, { start_x, 12 });
    Host::InjectMouseMove(window, { 120, 12 });
    Host::InjectMouseUp(window, { 120, 12 });
    Host::DrainMessages();
    EXPECT_EQ(single_.Anchor(), 0);
    EXPECT_GT(single_.Caret(), 4);
    Host::InjectMouseMove(window, { 20, 12 });
    Host::DrainMessages();
    EXPECT_GT(single_.Caret(), 4) << "the drag ended with the button";

    const HostRect select = single_.EditDraw().CaretRect(7);
    Click(single_, { select.left + 2, 12 }, 1);
    Click(single_, { select.left + 2, 12 }, 2);
    EXPECT_EQ(single_.Anchor(), 5);
    EXPECT_EQ(single_.Caret(), 11);
}

TEST_F(EditBoxTest, DraggingNearTheEdgesScrollsTwoPixelsAMove)
{
    Open();
    Start(single_, std::string(200, 'w'));
    const HostHandle window = single_.Window();
    single_.SetSelection(0, 0);
    ASSERT_EQ(single_.Info().ScrollX(), 0);
    const int32_t width = Host::ClientRect(window).Width();
    Host::InjectMouseDown(window, { 20, 12 });
    for (int k = 0; k < 5; ++k)
        Host::InjectMouseMove(window, { width - 3, 12 });
    Host::DrainMessages();
    EXPECT_EQ(single_.Info().ScrollX(), 10);
    for (int k = 0; k < 8; ++k)
        Host::InjectMouseMove(window, { 2, 12 });
    Host::InjectMouseUp(window, { 2, 12 });
    Host::DrainMessages();
    EXPECT_EQ(single_.Info().ScrollX(), 0) << "never below 0";
}

TEST_F(EditBoxTest, CompositionIsDrawnAtTheCaretAndItsResultIsOneEdit)
{
    Open();
    Start(single_, "ab");
    const HostRect plain = single_.EditDraw().CaretRect(2);
    Host::InjectComposition("\xE3\x81\x8B\xE3\x82\x93", 1); // "かん", cursor after the first
    Host::DrainMessages();
    EXPECT_EQ(single_.Info().Composition(), U16("\xE3\x81\x8B\xE3\x82\x93"));
    EXPECT_EQ(TextOf(single_), "ab") << "a composition is not text yet";
    EXPECT_GT(Host::CaretRect(single_.Window()).left, plain.left) << "the caret at the composition's cursor";
    Key(HostKey::kBack);
    Key(HostKey::kLeft);
    single_.OnChar('x');
    EXPECT_EQ(TextOf(single_), "ab") << "keys while composing are the input method's";
    EXPECT_EQ(single_.Caret(), 2);

    dialog_.reports.clear();
    Type("\xE6\xBC\xA2"); // the result: "漢"
    EXPECT_EQ(TextOf(single_), "ab\xE6\xBC\xA2");
    EXPECT_TRUE(single_.Info().Composition().empty());
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyChange), 1);
    Key('Z', HostMod::kControl);
    EXPECT_EQ(TextOf(single_), "ab");
}

TEST_F(EditBoxTest, AClickOrTheFocusLeavingCompletesTheComposition)
{
    Open();
    Start(single_, "x");
    Host::InjectComposition("\xE3\x81\x82", 1); // "あ"
    Host::DrainMessages();
    Click(single_, { 4, 12 });
    EXPECT_EQ(TextOf(single_), "x\xE3\x81\x82");
    EXPECT_EQ(single_.Caret(), 0) << "then the click places the caret";

    Start(multi_, "");
    Host::InjectComposition("\xE3\x81\x84", 1); // "い"
    Host::DrainMessages();
    single_.Focus();
    Host::DrainMessages();
    EXPECT_EQ(TextOf(multi_), "\xE3\x81\x84");
    Type("k");
    EXPECT_EQ(TextOf(multi_), "\xE3\x81\x84") << "the input method starts afresh";
    EXPECT_EQ(TextOf(single_), "k");
}

TEST_F(EditBoxTest, MultiLineMovesKeepTheColumnAcrossAllLineBreaks)
{
    Open();
    Start(multi_, "abcdef\r\nab\ncdefgh\rxyz");
    multi_.SetSelection(5, 5);
    Key(HostKey::kDown);
    EXPECT_EQ(multi_.Caret(), 10) << "the end of the short line";
    Key(HostKey::kDown);
    EXPECT_EQ(multi_.Caret(), 16) << "the column comes back on a long line";
    Key(HostKey::kDown);
    EXPECT_EQ(multi_.Caret(), 21) << "the end of the last line";
    Key(HostKey::kDown);
    EXPECT_EQ(multi_.Caret(), 21);
    Key('I', HostMod::kControl);
    Key('I', HostMod::kControl);
    EXPECT_EQ(multi_.Caret(), 10);
    Key('K', HostMod::kControl);
    EXPECT_EQ(multi_.Caret(), 16);
    Key(HostKey::kLeft);
    Key(HostKey::kUp);
    EXPECT_EQ(multi_.Caret(), 10) << "a sideways move forgets the column";
    multi_.SetSelection(8, 8);
    Key(HostKey::kBack);
    EXPECT_EQ(TextOf(multi_), "abcdefab\ncdefgh\rxyz") << "CRLF goes as one";
}

TEST_F(EditBoxTest, TheCaretIsKeptInViewAndTheScrollBarFollows)
{
    Open();
    std::string text;
    for (int k = 0; k < 40; ++k)
        text += "line " + std::to_string(k) + "\r\n";
    Start(multi_, text);
    const HostHandle window = multi_.Window();
    EXPECT_GT(multi_.Info().TopLine(), 30) << "the caret at the end is shown";
    HostScrollInfo bar = Host::ScrollInfo(window, kSbVert);
    EXPECT_EQ(bar.max, 40);
    EXPECT_EQ(bar.pos, multi_.Info().TopLine());
    Key(HostKey::kHome);
    EXPECT_EQ(multi_.Info().TopLine(), 0);
    EXPECT_EQ(Host::ScrollInfo(window, kSbVert).pos, 0);
    Host::InjectWheel(window, { 20, 20 }, -1);
    Host::DrainMessages();
    EXPECT_EQ(multi_.Info().TopLine(), 3);
    Host::SendMessage(window, HostMsg::kVScroll, kSbPageDown, 0);
    EXPECT_GT(multi_.Info().TopLine(), 3);
}

TEST_F(EditBoxTest, DroppedPathsAreJoinedAndPathsThatAreNoUtf8AreRefused)
{
    Open();
    Start(single_, "x");
    single_.SetSelection(0, 1);
    Host::InjectDrop(single_.Window(), { 5, 5 }, { "/tmp/a b", "/home/\xE6\x97\xA5" });
    Host::DrainMessages();
    EXPECT_EQ(TextOf(single_), "/tmp/a b /home/\xE6\x97\xA5");
    single_.OnDropFiles({ "/tmp/ok", "/tmp/\xFF\xFE" }, {});
    EXPECT_EQ(TextOf(single_), "/tmp/a b /home/\xE6\x97\xA5");
}

TEST_F(EditBoxTest, TheMenuFollowsTheBoxState)
{
    Open();
    Start(single_, "");
    const auto flags_of = [](const HostMenu& menu) {
        std::vector<std::pair<uint32_t, uint32_t>> items;
        for (const HostMenu::Item& item : menu.Items())
            items.emplace_back(item.command, item.separator ? 0xFFu : item.flags);
        return items;
    };
    using Items = std::vector<std::pair<uint32_t, uint32_t>>;
    constexpr uint32_t kGrey = HostMenu::kGrayed;
    HostMenu plain;
    single_.Build(plain);
    EXPECT_EQ(flags_of(plain),
        (Items { { 2, kGrey }, { 0, 0xFF }, { 3, 0 }, { 4, 0 }, { 5, 0 }, { 6, 0 }, { 7, 0 }, { 0, 0xFF },
            { 8, kGrey }, { 9, kGrey } }));
    EXPECT_EQ(plain.Items()[0].text, "Undo text.");
    EXPECT_EQ(plain.Items()[6].text, "Insert tab code.");

    Type("a");
    single_.SetEditFlags(WinEditBoxInfo::kInPlaceEditor);
    HostMenu editor;
    single_.Build(editor);
    ASSERT_GE(editor.Items().size(), 3u);
    EXPECT_EQ(editor.Items()[0].command, WinEditBox::kCommandCancel);
    EXPECT_EQ(editor.Items()[0].text, "Cancel edit.");
    EXPECT_TRUE(editor.Items()[1].separator);
    EXPECT_EQ(editor.Items()[2].flags, 0u) << "something to undo";
    single_.SetEditFlags(WinEditBoxInfo::kReadOnly);
    HostMenu read_only;
    single_.Build(read_only);
    EXPECT_EQ(read_only.Items()[0].flags, kGrey);

    single_.RunCommand(WinEditBox::kCommandCancel);
    Host::DrainMessages();
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyCancel), 1);
}

TEST_F(EditBoxTest, SelectionIsBlueOnlyWithTheFocusAndDisabledTextIsGrey)
{
    Open();
    Start(single_, "MMMMMMMM");
    single_.SelectAll();
    Host::DrainMessages();
    const HostRect caret = single_.EditDraw().CaretRect(1);
    const HostPoint inside { caret.left + 2, 12 };
    EXPECT_EQ(Host::PixelAt(single_.Window(), { inside.x, 4 }), WinEditBoxInfo::kSelectionColour);
    after_.Focus();
    Host::DrainMessages();
    EXPECT_EQ(Host::PixelAt(single_.Window(), { inside.x, 4 }), WinPlaneBox::kDefaultBackground);

    single_.Enable(false);
    Host::DrainMessages();
    bool grey = false;
    for (int32_t x = 0; x < 80 && !grey; ++x)
        for (int32_t y = 0; y < 24 && !grey; ++y)
            grey = Host::PixelAt(single_.Window(), { x, y }) == WinEditBoxInfo::kDisabledColour;
    EXPECT_TRUE(grey);
}

TEST_F(EditBoxTest, ABlinkOrACaretMoveLaysNothingOutAgain)
{
    Open();
    std::string text;
    for (int k = 0; k < 500; ++k)
        text += "row " + std::to_string(k) + "\n";
    Start(multi_, text);
    Host::DrainMessages();
    const auto layouts = [this] { return multi_.EditDraw().LayoutsMade(); };
    const uint64_t before = layouts();
    Host::BlinkCaret(multi_.Window());
    Host::DrainMessages();
    Key(HostKey::kUp);
    EXPECT_EQ(layouts(), before);
    Type("q");
    EXPECT_LE(layouts(), before + 2) << "typing lays out the changed line only";
}

TEST_F(EditBoxTest, TypingPastTheRightEdgeKeepsTheCaretInView)
{
    Open();
    Start(single_, "");
    const int32_t width = Host::ClientRect(single_.Window()).Width();
    for (int k = 0; k < 60; ++k)
        Type("m");
    const HostRect caret = single_.EditDraw().CaretRect(single_.Caret());
    EXPECT_GT(single_.Info().ScrollX(), 0);
    EXPECT_GE(caret.left, 0);
    EXPECT_LT(caret.left, width);
    Key(HostKey::kHome);
    EXPECT_EQ(single_.Info().ScrollX(), 0);
}

TEST_F(EditBoxTest, ABoxWithoutTheInputMethodShowsNoComposition)
{
    Open(WinEditBoxInfo::kNoIme);
    EXPECT_EQ(single_.EditFlags() & WinEditBoxInfo::kImeAttached, 0u);
    EXPECT_NE(multi_.EditFlags() & WinEditBoxInfo::kImeAttached, 0u);
    Start(single_, "");
    Host::InjectComposition("\xE3\x81\x82", 1);
    Host::DrainMessages();
    EXPECT_TRUE(single_.Info().Composition().empty());
    Host::EndComposition();
    Host::DrainMessages();
}

TEST_F(EditBoxTest, FlagBitSixStopsTheBlink)
{
    Open(WinEditBoxInfo::kNoBlink);
    Start(single_, "x");
    Host::DrainMessages();
    Host::BlinkCaret(single_.Window());
    EXPECT_TRUE(Host::InvalidRegion(single_.Window()).empty());
}

} // namespace
} // namespace QuelvaneTest
