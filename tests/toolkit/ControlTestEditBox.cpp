// The edit box's keys, typed characters, replace step, undo, clipboard, read-only boxes and
// focus moves, on real windows of the headless host.

#include "ControlTestEditBoxSupport.h"

namespace QuelvaneTest {
namespace {

constexpr uint32_t kCtrl = HostMod::kControl;
constexpr uint32_t kShift = HostMod::kShift;

TEST_F(EditBoxTest, KeysEditAndMoveTheCaret)
{
    Open();
    struct Case {
        const char* name;
        uint32_t key;
        uint32_t modifiers;
        const char* text; // after the key, from "abc|def" (caret after c)
        int32_t caret;
        int32_t anchor;
    };
    const Case cases[] = {
        { "backspace", HostKey::kBack, 0, "abdef", 2, 2 },
        { "ctrl+h", 'H', kCtrl, "abdef", 2, 2 },
        { "delete", HostKey::kDelete, 0, "abcef", 3, 3 },
        { "tab", HostKey::kTab, 0, "abc\tdef", 4, 4 },
        { "home", HostKey::kHome, 0, "abcdef", 0, 0 },
        { "end", HostKey::kEnd, 0, "abcdef", 6, 6 },
        { "shift+home", HostKey::kHome, kShift, "abcdef", 0, 3 },
        { "left", HostKey::kLeft, 0, "abcdef", 2, 2 },
        { "shift+right", HostKey::kRight, kShift, "abcdef", 4, 3 },
        { "ctrl+left", HostKey::kLeft, kCtrl, "abcdef", 0, 0 },
        { "ctrl+right", HostKey::kRight, kCtrl, "abcdef", 6, 6 },
        { "ctrl+j", 'J', kCtrl, "abcdef", 2, 2 },
        { "ctrl+l", 'L', kCtrl, "abcdef", 4, 4 },
        { "ctrl+a", 'A', kCtrl, "abcdef", 6, 0 },
        { "ctrl+q", 'Q', kCtrl, "abcdef", 3, 3 },
    };
    for (const Case& c : cases) {
        Start(single_, "abcdef");
        single_.SetSelection(3, 3);
        Key(c.key, c.modifiers);
        EXPECT_EQ(TextOf(single_), c.text) << c.name;
        EXPECT_EQ(single_.Caret(), c.caret) << c.name;
        EXPECT_EQ(single_.Anchor(), c.anchor) << c.name;
    }
}

TEST_F(EditBoxTest, CharactersReplaceTheSelectionAndControlCodesAreNotInserted)
{
    Open();
    Start(single_, "hello world");
    single_.SetSelection(0, 5);
    Type("Bye");
    EXPECT_EQ(TextOf(single_), "Bye world");
    EXPECT_EQ(single_.Caret(), 3);
    single_.OnChar(127);
    single_.OnChar(31);
    single_.OnChar(0xD800);
    EXPECT_EQ(TextOf(single_), "Bye world");
    EXPECT_EQ(single_.TextUtf8(), "Bye world") << "the view's text follows";
    EXPECT_EQ(Host::Text(single_.Window()), "Bye world") << "and the window text";
}

TEST_F(EditBoxTest, EveryChangeIsReportedAfterItIsDone)
{
    Open();
    Start(single_, "ab");
    single_.changes = 0;
    Type("c");
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyChange), 1);
    Key(HostKey::kBack);
    Key('Z', kCtrl);
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyChange), 3);
    EXPECT_EQ(single_.changes, 3);
    // Posted: nothing has arrived yet right after the change.
    dialog_.reports.clear();
    single_.ReplaceSelection(u"x");
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyChange), 0);
    Host::DrainMessages();
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyChange), 1);
    // A new text set by the program is no edit: reported to subclasses, not to the dialog.
    dialog_.reports.clear();
    single_.SetText(Utf8("new"));
    Host::DrainMessages();
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyChange), 0);
    EXPECT_EQ(single_.changes, 5);
    EXPECT_EQ(single_.Caret(), 3);
    EXPECT_FALSE(single_.Info().CanUndo()) << "a new text has nothing to undo";
}

TEST_F(EditBoxTest, UndoTogglesAndSelectsWhatItRestores)
{
    Open();
    Start(single_, "one two");
    single_.SetSelection(4, 7);
    Type("x");
    ASSERT_EQ(TextOf(single_), "one x");
    Key('Z', kCtrl);
    EXPECT_EQ(TextOf(single_), "one two");
    EXPECT_EQ(single_.Anchor(), 4);
    EXPECT_EQ(single_.Caret(), 7);
    Key('Z', kCtrl);
    EXPECT_EQ(TextOf(single_), "one x") << "a second undo redoes";
    Key('Z', kCtrl);
    EXPECT_EQ(TextOf(single_), "one two") << "undo twice is back before the first undo";
}

TEST_F(EditBoxTest, CopyPasteAndCtrlXKeepingTheClipboard)
{
    Open();
    Start(single_, "alpha beta");
    single_.SetSelection(0, 5);
    Key('C', kCtrl);
    EXPECT_EQ(Host::ClipboardText(), "alpha");
    single_.SetSelection(6, 10);
    Key('X', kCtrl);
    EXPECT_EQ(TextOf(single_), "alpha ");
    EXPECT_EQ(Host::ClipboardText(), "alpha") << "Ctrl+X only deletes";
    Key('V', kCtrl);
    EXPECT_EQ(TextOf(single_), "alpha alpha");
    ASSERT_TRUE(Host::SetClipboardText(""));
    single_.SetSelection(0, 5);
    Key('V', kCtrl);
    EXPECT_EQ(TextOf(single_), "alpha alpha") << "an empty clipboard deletes nothing";
}

TEST_F(EditBoxTest, PasteIsCutTo4096UnitsWithoutSplittingAPair)
{
    Open();
    Start(multi_, "");
    ASSERT_TRUE(Host::SetClipboardText(std::string(5000, 'p')));
    Key('V', kCtrl);
    EXPECT_EQ(multi_.Text16().size(), 4096u);

    // U+20BB7 is two units: a pair at units 4095-4096 does not fit and goes whole.
    const std::string pair = "\xF0\xA0\xAE\xB7";
    ASSERT_TRUE(Host::SetClipboardText(std::string(4095, 'q') + pair + "tail"));
    Start(multi_, "");
    Key('V', kCtrl);
    EXPECT_EQ(multi_.Text16().size(), 4095u);
    EXPECT_EQ(WinEditBoxBasic::CutToLimit(U16("ab" + pair), 3), u"ab");
    EXPECT_EQ(WinEditBoxBasic::CutToLimit(U16("ab" + pair), 4), U16("ab" + pair));
}

class UpperEncoder : public WinEditBoxInfo::Encoder {
public:
    std::u16string Encode(const std::u16string& clipboard) override
    {
        std::u16string out = clipboard;
        for (char16_t& unit : out)
            unit = unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 32) : unit;
        return out;
    }
};

TEST_F(EditBoxTest, ThePasteHookConvertsInSingleLineBoxesOnly)
{
    Open();
    UpperEncoder encoder;
    single_.SetEncoder(&encoder);
    multi_.SetEncoder(&encoder);
    ASSERT_TRUE(Host::SetClipboardText("abc"));
    Start(single_, "");
    Key('V', kCtrl);
    EXPECT_EQ(TextOf(single_), "ABC");
    Start(multi_, "");
    Key('V', kCtrl);
    EXPECT_EQ(TextOf(multi_), "abc");
}

TEST_F(EditBoxTest, AReadOnlyBoxIgnoresEditsButCopiesAndSelects)
{
    Open(WinEditBoxInfo::kReadOnly);
    Start(single_, "fixed");
    Host::SetClipboardText("pasted");
    single_.SetSelection(0, 2);
    Type("x");
    Key(HostKey::kBack);
    Key(HostKey::kDelete);
    Key('V', kCtrl);
    Key('X', kCtrl);
    Key('Z', kCtrl);
    single_.RunCommand(WinEditBox::kCommandInsertTab);
    single_.RunCommand(WinEditBox::kCommandDelete);
    single_.OnDropFiles({ "/tmp/a" }, {});
    Host::DrainMessages();
    EXPECT_EQ(TextOf(single_), "fixed");
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyChange), 0);
    Key('C', kCtrl);
    EXPECT_EQ(Host::ClipboardText(), "fi");
    Key('A', kCtrl);
    EXPECT_EQ(single_.Anchor(), 0);
    EXPECT_EQ(single_.Caret(), 5);
}

TEST_F(EditBoxTest, EnterEscapeAndCtrlMNotifyOrBreakTheLine)
{
    Open();
    Start(single_, "a");
    Key(HostKey::kReturn);
    Key('M', kCtrl);
    Key(HostKey::kEscape);
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyEnter), 2);
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyCancel), 1);
    EXPECT_EQ(TextOf(single_), "a");

    Start(multi_, "a");
    Key(HostKey::kReturn);
    Key('M', kCtrl);
    EXPECT_EQ(TextOf(multi_), "a\r\n\r\n");
    Key(HostKey::kReturn, kCtrl);
    EXPECT_EQ(Count(multi_.Id(), WinEditBox::kNotifyEnter), 1);
}

TEST_F(EditBoxTest, TabUpAndDownMoveTheFocusOrAskForTheList)
{
    Open(WinEditBoxInfo::kNoTabInsert);
    Start(single_, "x");
    Key(HostKey::kTab);
    EXPECT_TRUE(after_.HasFocus()) << "flag bit 3: Tab moves on";
    EXPECT_EQ(TextOf(single_), "x");
    Start(single_, "x");
    Key(HostKey::kTab, kShift);
    EXPECT_TRUE(before_.HasFocus()) << "Shift+Tab moves back";
    Start(multi_, "y");
    Key(HostKey::kTab, kShift);
    EXPECT_TRUE(after_.HasFocus()) << "even where Tab is inserted";
    Start(single_, "x");
    Key(HostKey::kDown);
    EXPECT_TRUE(after_.HasFocus());
    Start(single_, "x");
    Key(HostKey::kUp);
    EXPECT_TRUE(before_.HasFocus());

    single_.SetEditFlags(WinEditBoxInfo::kDownAsksList);
    Start(single_, "x");
    Key(HostKey::kDown);
    Key(HostKey::kUp);
    EXPECT_TRUE(single_.HasFocus());
    EXPECT_EQ(Count(single_.Id(), WinEditBox::kNotifyList), 1);
}

TEST_F(EditBoxTest, GainingTheFocusSelectsAll)
{
    Open();
    single_.SetText(Utf8("everything"));
    single_.SetSelection(2, 2);
    single_.Focus();
    Host::DrainMessages();
    EXPECT_EQ(single_.Anchor(), 0);
    EXPECT_EQ(single_.Caret(), 10);
}

} // namespace
} // namespace QuelvaneTest
