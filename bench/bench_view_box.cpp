// Speed of the result list with 1,000,000 result blocks of one to five lines, hits highlighted:
// appending their rows as the search reports them (in batches, each row measured once from its
// line count), painting a frame after a jump to a random row, and one wheel step.
//
//   bench_view_box
//
// Runs on SDL's dummy video driver when no driver is set. Only the rows painted are laid out;
// a jump lands on rows whose layouts are not cached, a wheel step mostly on cached ones.

#include <app/GuiViewBox.h>
#include <toolkit/WinDialog.h>
#include <toolkit/host/HostMessageLoop.h>
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
using RawLayer::RawEncoding;
using RawLayer::RawString;

namespace {

using BenchTiming::Clock;
using BenchTiming::Median;
using BenchTiming::Milliseconds;

constexpr int32_t kBlocks = 1'000'000;
constexpr int32_t kBatch = 1000;
constexpr int kFrames = 200;

class BenchDialog : public WinDialog {
public:
    explicit BenchDialog(AppLayer::GuiViewBox& box)
        : box_(box)
    {
    }
    void RegisterChildren() override
    {
        AddChild(box_.Header());
        AddChild(box_);
    }

private:
    AppLayer::GuiViewBox& box_;
};

void DrainQueue()
{
    HostMessage message;
    while (Host::PeekMessage(message))
        Host::DispatchMessage(message);
}

// A block of 1 to 5 lines with one hit of each of two expressions on its first line.
void AddBlock(JobLayer::JobResultSet& results, int32_t index)
{
    std::string text = "value = needle(" + std::to_string(index) + ") + haystack;";
    for (int32_t line = 1; line < 1 + index % 5; ++line)
        text += "\n    continued line " + std::to_string(line) + " of the block";
    JobLayer::JobHitMulti hits;
    for (int32_t expression = 0; expression < 2; ++expression) {
        JobLayer::JobHitSingle& single = hits.Emplace();
        single.colour = JobLayer::JobHitMulti::Colour(expression);
        JobLayer::JobHitUnit& unit = single.Emplace();
        unit.start = expression == 0 ? 8 : 24;
        unit.end = unit.start + 6;
    }
    JobLayer::JobFoundBlock found;
    found.path = RawString("/data/src/file" + std::to_string(index / 100) + ".cpp", RawEncoding::Utf8);
    found.index = index;
    found.text = RawString(text, RawEncoding::Utf8);
    results.AddFoundBlock(found, RawString("\n"), hits, 1);
}

} // namespace

int main()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (!Host::Start()) {
        std::fprintf(stderr, "host: %s\n", Host::LastError().c_str());
        return 1;
    }
    JobLayer::JobResultSet results;
    JobLayer::JobStatusCentre centre;
    results.StartTarget(RawString("/data"));
    AppLayer::GuiViewBox box(results, centre);
    box.Header().SetRect({ 0, 0, 800, 20 });
    box.SetRect({ 0, 20, 800, 600 });
    BenchDialog dialog(box);
    dialog.SetRect({ 0, 0, 800, 600 });
    if (!dialog.Create(nullptr))
        return 1;
    DrainQueue();
    const HostHandle top = dialog.Window();

    double appending = 0;
    for (int32_t index = 0; index < kBlocks; index += kBatch) {
        for (int32_t block = index; block < std::min(index + kBatch, kBlocks); ++block)
            AddBlock(results, block);
        const auto start = Clock::now();
        box.AppendNewBlocks();
        DrainQueue();
        appending += Milliseconds(start);
    }
    std::printf("append rows for %d blocks in batches of %d: %.1f ms\n", kBlocks, kBatch, appending);

    std::mt19937 random(7);
    std::vector<double> jumps;
    for (int frame = 0; frame < kFrames; ++frame) {
        const auto start = Clock::now();
        box.SetCursor(std::uniform_int_distribution<int32_t>(0, kBlocks - 1)(random));
        Host::UpdateWindow(top);
        DrainQueue();
        jumps.push_back(Milliseconds(start));
    }
    std::printf("jump and paint a frame: median %.3f ms\n", Median(jumps));

    std::vector<double> wheels;
    for (int frame = 0; frame < kFrames; ++frame) {
        const auto start = Clock::now();
        Host::SendMessage(box.Window(), HostMsg::kMouseWheel, HostMakeWParam(0, uint16_t(-120)), 0);
        Host::UpdateWindow(top);
        DrainQueue();
        wheels.push_back(Milliseconds(start));
    }
    std::printf("one wheel step: median %.3f ms (%zu layouts cached)\n", Median(wheels), box.CachedLayouts());
    dialog.EndDialog(nullptr);
    DrainQueue();
    return 0;
}
