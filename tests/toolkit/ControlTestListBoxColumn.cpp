// Dragging column borders in a list header on the headless host.

#include <toolkit/WinListBoxColumnControl.h>
#include <toolkit/host/HostPainter.h>

#include "../TestSupport.h"
#include "ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

class WidthLog : public WinListBoxColumnControl::Handler {
public:
    void ColumnWidthsChanged(const std::vector<WinListBoxColumn>& columns) override
    {
        std::vector<int32_t> widths;
        for (const WinListBoxColumn& column : columns)
            widths.push_back(column.Width());
        reports.push_back(widths);
    }
    std::vector<std::vector<int32_t>> reports;
};

// A header band of 20 pixels at the top of a plain view.
class HeaderView : public WinView {
public:
    explicit HeaderView(WinListBoxColumnControl& control)
        : control_(control)
    {
        SetStyleWords(HostStyle::kChild | HostStyle::kVisible, 0);
    }
    void Paint(HostPainter& painter, const HostRect&) override
    {
        painter.FillRect(Host::ClientRect(Window()), RawColour::FromRgb(0xFF, 0xFF, 0xFF));
        control_.Draw(
            painter, { 0, 0, Host::ClientRect(Window()).right, 20 }, *WinFont::MessageFont()->Handle());
    }

private:
    WinListBoxColumnControl& control_;
};

class ColumnControlTest : public ControlTest {
protected:
    ColumnControlTest()
    {
        for (int32_t width : { 100, 50, 0, 80 })
            control.Columns().emplace_back(width, Utf8("Column"));
    }
    void Open()
    {
        view.Hooks().Add(control);
        dialog.Add(view, { 10, 10, 410, 110 });
        ASSERT_TRUE(dialog.Open());
    }
    void Drag(HostPoint from, HostPoint to)
    {
        Host::InjectMouseDown(view.Window(), from);
        Host::InjectMouseMove(view.Window(), { (from.x + to.x) / 2, to.y });
        Host::InjectMouseMove(view.Window(), to);
        Host::InjectMouseUp(view.Window(), to);
        Host::DrainMessages();
    }
    std::vector<int32_t> Widths() const
    {
        std::vector<int32_t> widths;
        for (const WinListBoxColumn& column : control.Columns())
            widths.push_back(column.Width());
        return widths;
    }

    WidthLog log;
    WinListBoxColumnControl control { log, 20 };
    HeaderView view { control };
    RecordingDialog dialog;
};

TEST_F(ColumnControlTest, BorderUnderThePointer)
{
    const std::pair<int32_t, int32_t> cases[] = {
        { 100, 0 },
        { 97, 0 },
        { 103, 0 },
        { 104, -1 },
        { 20, -1 },
        { 150, 2 },
        { 230, 3 },
        { 234, -1 },
    };
    for (auto [x, column] : cases)
        EXPECT_EQ(control.BorderAt(x), column) << "x " << x;
    control.SetOffset(30);
    EXPECT_EQ(control.BorderAt(70), 0) << "the header scrolls with its list";
    EXPECT_EQ(control.BorderAt(100), -1);
}

TEST_F(ColumnControlTest, DraggingABorderReportsTheWidths)
{
    Open();
    EXPECT_EQ(Host::PixelAt(view.Window(), { 99, 10 }), WinListBoxColumnControl::kLine);
    Drag({ 101, 5 }, { 161, 8 });
    EXPECT_EQ(Widths(), (std::vector<int32_t> { 160, 50, 0, 80 }));
    ASSERT_EQ(log.reports.size(), 2u) << "one report for each move that changed the width";
    EXPECT_EQ(log.reports.back(), Widths());
    EXPECT_FALSE(control.Dragging());
    EXPECT_EQ(Host::Capture(), 0u);

    Drag({ 210, 5 }, { 0, 5 });
    EXPECT_EQ(Widths(), (std::vector<int32_t> { 160, 50, WinListBoxColumnControl::kMinimumWidth, 80 }))
        << "the squeezed column is the one taken, and it keeps a minimum width";
}

TEST_F(ColumnControlTest, PressesAwayFromABorderOrBelowTheHeaderAreLeftAlone)
{
    Open();
    Drag({ 50, 5 }, { 90, 5 });
    Drag({ 100, 40 }, { 140, 40 });
    EXPECT_TRUE(log.reports.empty());
    EXPECT_EQ(Widths(), (std::vector<int32_t> { 100, 50, 0, 80 }));
}

} // namespace
} // namespace QuelvaneTest
