// Typed handlers: real input on the headless host reaches each handler of a view with the
// values decoded from the host's message (points, buttons, modifiers, code points, the
// composition and its cursor, dropped paths, owner-draw requests).

#include <toolkit/WinPlaneBox.h>
#include <toolkit/host/HostPainter.h>

#include <functional>
#include <sstream>
#include <string>

#include "tests/toolkit/ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

// Records each typed call as one line of text, so a case states what it expects in a word.
class EventBox : public WinPlaneBox {
public:
    bool OnMouseDown(HostPoint p, HostMouseButton b, uint32_t mods) override
    {
        return Mouse("down", p, b, mods);
    }
    // A right button release goes on to the default handling, which asks for a context menu.
    bool OnMouseUp(HostPoint p, HostMouseButton b, uint32_t mods) override
    {
        return Mouse("up", p, b, mods) && b != HostMouseButton::Right;
    }
    bool OnDoubleClick(HostPoint p, HostMouseButton b, uint32_t mods) override
    {
        return Mouse("double", p, b, mods);
    }
    bool OnMouseWheel(HostPoint p, int32_t delta, uint32_t mods) override
    {
        return Line("wheel ", p.x, ',', p.y, " delta ", delta, " mods ", mods);
    }
    bool OnKeyDown(uint32_t key, uint32_t mods) override
    {
        // The modifier keys themselves are left to the default handling.
        if (key == HostKey::kShift || key == HostKey::kControl)
            return false;
        Line("key ", key, " mods ", mods);
        // The Apps key goes on to the default handling, which asks for a context menu.
        return key != HostKey::kApps;
    }
    bool OnChar(char32_t code_point) override { return Line("char ", static_cast<uint32_t>(code_point)); }
    bool OnComposition(const HostComposition& c) override
    {
        return Line("compose ", c.text, " cursor ", c.cursor, c.result ? " result" : "");
    }
    bool OnDropFiles(const std::vector<std::string>& paths, HostPoint p) override
    {
        return Line("drop ", paths.size(), ' ', paths.back(), " at ", p.x, ',', p.y);
    }
    bool OnContextMenu(HostPoint p) override { return Line("context ", p.x, ',', p.y); }
    void OnFocusGained() override { Line("focus"); }
    void OnFocusLost() override { Line("blur"); }

    std::vector<std::string> log;

private:
    template <typename... Parts> bool Line(const Parts&... parts)
    {
        std::ostringstream line;
        (line << ... << parts);
        log.push_back(line.str());
        return true;
    }
    bool Mouse(const char* what, HostPoint p, HostMouseButton button, uint32_t mods)
    {
        return Line(what, ' ', static_cast<int>(button), ' ', p.x, ',', p.y, " mods ", mods);
    }
};

class OwnerDrawDialog : public RecordingDialog {
public:
    bool MeasureItem(HostMeasureItem& item) override
    {
        measured = item.control_id * 1000 + item.item;
        item.height = 17;
        return true;
    }
    bool DrawItem(const HostDrawItem& item) override
    {
        drawn = item.item;
        drawn_state = item.state;
        item.painter.FillRect(item.rect, RawColour::FromRgb(0, 0, 255));
        return true;
    }
    int32_t measured = -1;
    int32_t drawn = -1;
    uint32_t drawn_state = 0;
};

using WinViewEvents = ControlTest;

TEST_F(WinViewEvents, EachHandlerGetsTheDecodedValues)
{
    RecordingDialog dialog;
    EventBox box;
    EventBox other;
    dialog.Add(box, { 10, 10, 210, 110 });
    dialog.Add(other, { 220, 10, 300, 110 });
    ASSERT_TRUE(dialog.Open());
    Host::SetFocus(box.Window());
    Host::DrainMessages();

    const HostHandle w = box.Window();
    const auto shift = std::to_string(HostMod::kShift);
    const auto ctrl = std::to_string(HostMod::kControl);
    struct Case {
        const char* name;
        std::function<void()> act;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "left click with Shift",
            [&] {
                Host::InjectClick(w, { 5, 7 }, 1, 1, HostMod::kShift);
            },
            { "down 0 5,7 mods " + std::to_string(HostMod::kShift | HostMod::kLeftButton),
                "up 0 5,7 mods " + shift } },
        { "right click asks for a context menu at the pointer",
            [&] {
                Host::InjectClick(w, { 30, 40 }, 3);
            },
            { "down 1 30,40 mods " + std::to_string(HostMod::kRightButton), "up 1 30,40 mods 0",
                "context 30,40" } },
        { "double click",
            [&] {
                Host::InjectClick(w, { 8, 9 }, 1, 2);
            },
            { "double 0 8,9 mods " + std::to_string(HostMod::kLeftButton), "up 0 8,9 mods 0" } },
        { "wheel away from the user",
            [&] {
                Host::InjectWheel(w, { 50, 60 }, 2);
            },
            { "wheel 50,60 delta 240 mods 0" } },
        { "key with Control", [&] { Host::InjectKey(HostKey::kLeft, HostMod::kControl); },
            { "key " + std::to_string(HostKey::kLeft) + " mods " + ctrl } },
        { "characters outside the BMP come whole", [] { Host::InjectText("a😀é"); },
            { "char 97", "char 128512", "char 233" } },
        { "composition with its cursor, then its result",
            [] {
                Host::InjectComposition("にほ", 1);
                Host::InjectText("日本");
            },
            { "compose にほ cursor 1", "compose 日本 cursor 2 result", "compose  cursor 0" } },
        { "Apps key asks for a menu in the middle", [] { Host::InjectKey(HostKey::kApps); },
            { "key " + std::to_string(HostKey::kApps) + " mods 0", "context 100,50" } },
        { "focus moves away and back",
            [&] {
                Host::SetFocus(other.Window());
                Host::SetFocus(w);
            },
            { "blur", "focus" } },
    };
    for (const Case& c : cases) {
        box.log.clear();
        c.act();
        Host::DrainMessages();
        EXPECT_EQ(box.log, c.expected) << c.name;
    }
}

TEST_F(WinViewEvents, DroppedFilesComeWithTheirPoint)
{
    RecordingDialog dialog;
    EventBox box;
    box.SetStyleWords(box.Style(), box.ExStyle() | HostExStyle::kAcceptFiles);
    dialog.Add(box, { 10, 10, 210, 110 });
    ASSERT_TRUE(dialog.Open());
    Host::InjectDrop(box.Window(), { 12, 34 }, { "/tmp/a b", "/tmp/\xff" });
    Host::DrainMessages();
    EXPECT_EQ(box.log, std::vector<std::string> { "drop 2 /tmp/\xff at 12,34" });
}

TEST_F(WinViewEvents, OwnerDrawRequestsReachTheDialogTyped)
{
    OwnerDrawDialog dialog;
    ASSERT_TRUE(dialog.Open());
    HostMeasureItem measure { 7, 3 };
    EXPECT_EQ(Host::SendMeasureItem(dialog.Window(), measure), 1);
    EXPECT_EQ(dialog.measured, 7003);
    EXPECT_EQ(measure.height, 17);

    HostBitmap bitmap { 20, 10, std::vector<uint32_t>(200, 0) };
    HostPainter painter(bitmap);
    const HostDrawItem draw { 7, 4, { 0, 0, 20, 10 }, HostItemState::kSelected, painter };
    EXPECT_EQ(Host::SendDrawItem(dialog.Window(), draw), 1);
    EXPECT_EQ(dialog.drawn, 4);
    EXPECT_EQ(dialog.drawn_state, HostItemState::kSelected);
    EXPECT_EQ(bitmap.ColourAt(5, 5), RawColour::FromRgb(0, 0, 255));
}

} // namespace
} // namespace QuelvaneTest
