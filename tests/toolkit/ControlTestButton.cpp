// Buttons, the drop button and the option selectors on the headless host.

#include <core/RawLanguageTable.h>
#include <toolkit/WinButton.h>
#include <toolkit/WinDropButton.h>
#include <toolkit/WinRadioButton.h>
#include <toolkit/WinSelectorButton.h>

#include <filesystem>
#include <fstream>

#include "../TestSupport.h"
#include "ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

using Report = RecordingDialog::Report;
constexpr uint16_t kCode = 0x100C;

TEST(ButtonText, BackslashNBecomesALineBreak)
{
    const std::pair<const char*, const char*> cases[] = {
        { "Check\\nAll", "Check\r\nAll" },
        { "a\\nb\\nc", "a\r\nb\r\nc" },
        { "no break", "no break" },
        { "trailing \\", "trailing \\" },
        { "\\\\n", "\\\r\n" },
        { "すべて\\n選択", "すべて\r\n選択" },
    };
    for (auto [text, expected] : cases)
        EXPECT_EQ(WinButton::ExpandLineBreaks(Utf8(text)).Str(), expected) << text;
}

TEST_F(ControlTest, ButtonTextFromTheLanguageFileShowsTwoLines)
{
    TestFolder folder;
    ASSERT_FALSE(folder.Path().empty());
    std::ofstream(folder.Path() + "/LanguageFile.ini") << "[Default]\r\nGallery.TwoLines=Check\\nAll\r\n";
    RawLayer::RawLanguageTable table;
    ASSERT_TRUE(table.Load(Utf8(folder.Path()), Utf8(folder.Path())));

    WinButton one_line;
    WinButton two_lines;
    one_line.Setup(Utf8("Check All"), WinButton::kOutlineAlone, 0);
    two_lines.Setup(table.Text(Utf8("Gallery"), Utf8("TwoLines"), Utf8("?")), WinButton::kOutlineAlone, 0);
    HostSize single = one_line.Fit();
    HostSize twice = two_lines.Fit();
    int32_t line = one_line.Font()->Handle()->LineHeight();
    EXPECT_GE(twice.cy - single.cy, line - 1);
    EXPECT_LT(twice.cx, single.cx);
}

class ButtonTest : public ControlTest {
protected:
    void Open()
    {
        toggle_.Setup(Utf8("Toggle"), WinButton::kToggleMask | WinButton::kOutlineAlone, kCode);
        plain_.Setup(Utf8("Plain"), WinButton::kOutlineAlone, 0);
        coded_.Setup(Utf8("Coded"), WinButton::kOutlineAlone, kCode);
        dialog_.Add(toggle_, { 10, 10, 110, 40 });
        dialog_.Add(plain_, { 120, 10, 220, 40 });
        dialog_.Add(coded_, { 230, 10, 330, 40 });
        ASSERT_TRUE(dialog_.Open());
    }
    RecordingDialog dialog_;
    WinButton toggle_;
    WinButton plain_;
    WinButton coded_;
};

TEST_F(ButtonTest, AToggleFlipsOnEveryClickAndReportsItsCodeEachTime)
{
    Open();
    std::vector<Report> expected;
    for (bool on : { true, false, true }) {
        Click(toggle_);
        EXPECT_EQ(toggle_.IsOn(), on);
        expected.push_back({ toggle_.Id(), kCode });
        expected.push_back({ toggle_.Id(), 0 });
    }
    EXPECT_EQ(dialog_.reports, expected);
    // The second press of a double click is one more click.
    dialog_.reports.clear();
    Click(toggle_, { 6, 6 }, 2);
    EXPECT_FALSE(toggle_.IsOn());
    EXPECT_EQ(dialog_.reports, (std::vector<Report> { { toggle_.Id(), kCode }, { toggle_.Id(), 0 } }));
}

TEST_F(ButtonTest, APlainButtonOnlyReportsTheClick)
{
    Open();
    Click(plain_);
    Click(plain_);
    EXPECT_FALSE(plain_.IsOn());
    EXPECT_EQ(dialog_.reports, (std::vector<Report> { { plain_.Id(), 0 }, { plain_.Id(), 0 } }));
    dialog_.reports.clear();
    Click(coded_);
    EXPECT_EQ(dialog_.reports, (std::vector<Report> { { coded_.Id(), kCode }, { coded_.Id(), 0 } }));
}

TEST_F(ButtonTest, EnterAndSpaceClickTheFocusedButton)
{
    Open();
    for (uint32_t key : { HostKey::kReturn, HostKey::kSpace }) {
        plain_.Focus();
        dialog_.reports.clear();
        Key(key);
        EXPECT_EQ(dialog_.reports, (std::vector<Report> { { plain_.Id(), 0 } })) << key;
    }
    toggle_.Focus();
    Key(HostKey::kSpace);
    EXPECT_TRUE(toggle_.IsOn());
}

TEST_F(ButtonTest, ArrowsMoveTheFocusBackAndForth)
{
    Open();
    const std::pair<uint32_t, WinButton*> cases[] = { { HostKey::kLeft, &toggle_ },
        { HostKey::kUp, &toggle_ }, { HostKey::kRight, &coded_ }, { HostKey::kDown, &coded_ } };
    for (auto [key, expected] : cases) {
        plain_.Focus();
        Key(key);
        EXPECT_TRUE(expected->HasFocus()) << key;
        EXPECT_TRUE(expected->FocusFlag()) << key;
        EXPECT_FALSE(plain_.FocusFlag()) << key;
    }
    EXPECT_TRUE(dialog_.reports.empty());
}

TEST_F(ButtonTest, ADisabledButtonNeitherClicksNorFlips)
{
    Open();
    toggle_.Enable(false);
    Click(toggle_);
    toggle_.Click();
    Host::DrainMessages();
    EXPECT_FALSE(toggle_.IsOn());
    EXPECT_TRUE(dialog_.reports.empty());
}

// How much of the window shows the accent colour.
int AccentPixels(HostHandle window)
{
    HostRect client = Host::ClientRect(window);
    int count = 0;
    for (int32_t y = 0; y < client.Height(); ++y)
        for (int32_t x = 0; x < client.Width(); ++x)
            count += Host::PixelAt(window, { x, y }) == WinButton::kAccent ? 1 : 0;
    return count;
}

// A toggle that is on, and the focused button, are marked by the accent colour.
TEST_F(ButtonTest, ToggleStateAndFocusChangeTheLook)
{
    Open();
    int off = AccentPixels(toggle_.Window());
    Click(toggle_);
    int on = AccentPixels(toggle_.Window());
    EXPECT_GT(on, off);
    Click(toggle_); // off again, and still focused by the click
    EXPECT_LT(AccentPixels(toggle_.Window()), on);

    plain_.Focus();
    Host::DrainMessages();
    EXPECT_GT(AccentPixels(plain_.Window()), AccentPixels(coded_.Window()));
}

class RecordingExecution : public WinDropButton::Execution {
public:
    void Execute(WinDropButton& button, const RawLayer::RawStringList& paths) override
    {
        from = &button;
        received.push_back(Texts(paths));
    }
    WinDropButton* from = nullptr;
    std::vector<std::vector<std::string>> received;
};

TEST_F(ControlTest, DroppedFilesReachTheExecutionOfTheDropButton)
{
    RecordingDialog dialog;
    WinDropButton drop;
    RecordingExecution execution;
    drop.Setup(Utf8("Drop"), WinButton::kOutlineAlone, 0);
    drop.SetExecution(&execution);
    dialog.Add(drop, { 10, 10, 110, 60 });
    ASSERT_TRUE(dialog.Open());
    EXPECT_NE(Host::ExStyle(drop.Window()) & HostExStyle::kAcceptFiles, 0u);

    const std::vector<std::string> paths { "/tmp/one file.txt", "/tmp/\xE3\x81\x82.txt", "/tmp/bad\xFF" };
    Host::InjectDrop(drop.Window(), { 20, 20 }, paths);
    Host::DrainMessages();
    ASSERT_EQ(execution.received.size(), 1u);
    EXPECT_EQ(execution.received[0], paths);
    EXPECT_EQ(execution.from, &drop);

    drop.Enable(false);
    Host::InjectDrop(drop.Window(), { 20, 20 }, paths);
    Host::DrainMessages();
    EXPECT_EQ(execution.received.size(), 1u);
}

TEST_F(ControlTest, OptionSelectorsReportTheChosenIndexWithTheirCode)
{
    RecordingDialog dialog;
    WinRadioButton radio;
    WinSelectorButton selector;
    radio.Setup({ Utf8("One"), Utf8("Two"), Utf8("Three") }, kCode, 0);
    selector.Setup({ Utf8("A"), Utf8("B"), Utf8("C") }, kCode + 1, 0);
    dialog.Add(radio, { 10, 10, 160, 100 });
    dialog.Add(selector, { 10, 120, 250, 150 });
    ASSERT_TRUE(dialog.Open());

    // A click on the third option of each.
    HostRect third = radio.OptionRect(2, Host::ClientRect(radio.Window()));
    Click(radio, { third.left + 5, third.top + 5 });
    EXPECT_EQ(radio.Chosen(), 2);
    Click(selector, { 220, 15 });
    EXPECT_EQ(selector.Chosen(), 2);
    EXPECT_EQ(dialog.reports,
        (std::vector<Report> {
            { radio.Id(), kCode }, { radio.Id(), 0 }, { selector.Id(), kCode + 1 }, { selector.Id(), 0 } }));

    // Along the options the arrows choose (stopping at the ends); across them they move the focus.
    struct Case {
        WinRadioButtonBody* view;
        uint32_t key;
        int32_t chosen;
        bool keeps_focus;
    };
    const Case cases[] = {
        { &radio, HostKey::kUp, 1, true },
        { &radio, HostKey::kDown, 2, true },
        { &radio, HostKey::kDown, 2, true },
        { &radio, HostKey::kRight, 2, false },
        { &selector, HostKey::kLeft, 1, true },
        { &selector, HostKey::kRight, 2, true },
        { &selector, HostKey::kDown, 2, false },
    };
    for (const Case& c : cases) {
        c.view->Focus();
        Key(c.key);
        EXPECT_EQ(c.view->Chosen(), c.chosen) << c.key;
        EXPECT_EQ(c.view->HasFocus(), c.keeps_focus) << c.key;
    }
}

} // namespace
} // namespace QuelvaneTest
