// Speed of the list box with 1,000,000 rows of mixed heights: appending them as a search reports
// them (in batches, measuring each row once), painting a frame after a jump to a random row, and
// scrolling one wheel step (the rows shown move by copy; only the uncovered strip is painted).
//
//   bench_list_box
//
// Runs on SDL's dummy video driver when no driver is set. Each row draws one line of text laid
// out as it is painted, so a frame's cost includes the layouts of its visible rows.

#include <toolkit/WinDialog.h>
#include <toolkit/WinListBoxR.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BenchTiming.h"

using namespace WinLayer;

namespace {

using BenchTiming::Clock;
using BenchTiming::Median;
using BenchTiming::Milliseconds;

constexpr int32_t kRows = 1'000'000;
constexpr int32_t kBatch = 1000;
constexpr int kFrames = 200;

struct Block {
    int32_t lines = 1;
};

class BenchList : public WinListBoxR<Block> {
public:
    int32_t RowHeight(int32_t row) override { return StandardRowHeight() * ItemOf(row)->lines; }
    void DrawRow(HostPainter& painter, const HostRect& rect, int32_t row) override
    {
        painter.FillRect(rect, RowBackground(row));
        HostRect text = rect;
        const std::string line = "src/module/file.cpp(" + std::to_string(row) + "): needle in a haystack";
        painter.DrawText(DrawingFont(), line, text, HostText::kSingleLine | HostText::kNoPrefix, kText);
        ++rows_drawn;
    }
    int64_t rows_drawn = 0;
};

class BenchDialog : public WinDialog {
public:
    explicit BenchDialog(WinView& list)
        : list_(list)
    {
    }
    void RegisterChildren() override { AddChild(list_); }

private:
    WinView& list_;
};

// Handles what is queued (the list's notifications) as a running program would.
void DrainQueue()
{
    HostMessage message;
    while (Host::PeekMessage(message))
        Host::DispatchMessage(message);
}

} // namespace

int main()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (!Host::Start()) {
        std::fprintf(stderr, "host: %s\n", Host::LastError().c_str());
        return 1;
    }
    std::vector<Block> blocks(kRows);
    for (int32_t row = 0; row < kRows; ++row)
        blocks[row].lines = 1 + row % 4 + (row % 3 == 0 ? 1 : 0);

    BenchList list;
    list.SetRect({ 0, 0, 800, 600 });
    BenchDialog dialog(list);
    dialog.SetRect({ 0, 0, 800, 600 });
    if (!dialog.Create(nullptr))
        return 1;
    DrainQueue();
    const HostHandle top = dialog.Window();

    auto start = Clock::now();
    for (int32_t row = 0; row < kRows; row += kBatch) {
        for (int32_t i = row; i < std::min(row + kBatch, kRows); ++i)
            list.Items().push_back(&blocks[i]);
        list.RefreshAppended();
        DrainQueue();
    }
    std::printf("append %d rows in batches of %d: %.1f ms\n", kRows, kBatch, Milliseconds(start));

    std::mt19937 random(7);
    std::vector<double> jumps;
    int64_t drawn = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        list.rows_drawn = 0;
        start = Clock::now();
        list.SetCursor(std::uniform_int_distribution<int32_t>(0, kRows - 1)(random));
        Host::UpdateWindow(top);
        DrainQueue();
        jumps.push_back(Milliseconds(start));
        drawn += list.rows_drawn;
    }
    std::printf("jump and paint a frame: median %.3f ms (%.1f rows drawn a frame)\n", Median(jumps),
        double(drawn) / kFrames);

    std::vector<double> wheels;
    drawn = 0;
    for (int frame = 0; frame < kFrames; ++frame) {
        list.rows_drawn = 0;
        start = Clock::now();
        Host::SendMessage(list.Window(), HostMsg::kMouseWheel, HostMakeWParam(0, uint16_t(-120)), 0);
        Host::UpdateWindow(top);
        DrainQueue();
        wheels.push_back(Milliseconds(start));
        drawn += list.rows_drawn;
    }
    std::printf(
        "one wheel step: median %.3f ms (%.1f rows drawn a step)\n", Median(wheels), double(drawn) / kFrames);
    dialog.EndDialog(nullptr);
    DrainQueue();
    return 0;
}
