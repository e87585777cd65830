// Speed of the toolkit's host at what list views do most: laying out rows of text, drawing them
// into a window's back buffer, and showing a full window.
//
//   bench_paint
//
// Runs on SDL's dummy video driver when no driver is set. Prints rows laid out per second
// (ASCII and Japanese), rows drawn per second from cached layouts, and full repaints per second
// of an 800 x 600 window whose 40 rows are drawn from cached layouts.

#include <toolkit/host/HostEvent.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostTextLayout.h>
#include <toolkit/host/HostWindow.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace WinLayer;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::vector<std::string> Rows(const std::string& stem, int count)
{
    std::vector<std::string> rows;
    for (int i = 0; i < count; ++i)
        rows.push_back("src/module" + std::to_string(i % 97) + "/file.cpp(" + std::to_string(i) + "):\t"
            + stem + std::to_string(i * 7919));
    return rows;
}

double LayoutsPerSecond(const HostFont& font, const std::vector<std::string>& rows)
{
    const auto start = Clock::now();
    size_t width = 0;
    for (const std::string& row : rows)
        width += HostTextLayout(font, row, HostText::kSingleLine | HostText::kNoPrefix, 0).Size().cx;
    const double seconds = Seconds(start);
    return width > 0 ? rows.size() / seconds : 0;
}

// Draws the rows from cached layouts, 40 to a screen, onto a bitmap the size of a window.
double DrawsPerSecond(const HostFont& font, const std::vector<std::string>& rows)
{
    std::vector<std::unique_ptr<HostTextLayout>> layouts;
    for (const std::string& row : rows)
        layouts.push_back(
            std::make_unique<HostTextLayout>(font, row, HostText::kSingleLine | HostText::kNoPrefix, 0));
    HostBitmap target { 800, 600, std::vector<uint32_t>(800 * 600, 0xFFFFFFFF) };
    HostPainter painter(target);
    const auto start = Clock::now();
    for (size_t i = 0; i < layouts.size(); ++i)
        painter.DrawLayout(
            *layouts[i], { 4, static_cast<int32_t>(i % 40) * 15 }, RawColour::FromRgb(0, 0, 0));
    return layouts.size() / Seconds(start);
}

class RowsProc : public HostWindowProc {
public:
    explicit RowsProc(const HostFont& font)
    {
        for (const std::string& row : Rows("needle in a haystack ", 40))
            layouts_.push_back(
                std::make_unique<HostTextLayout>(font, row, HostText::kSingleLine | HostText::kNoPrefix, 0));
    }
    HostResult WindowProc(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        const HostEvent event = Host::Decode(window, message, wparam, lparam);
        if (event.kind != HostEventKind::Paint)
            return kHostNotHandled;
        HostPainter& painter = *event.painter;
        painter.FillRect(Host::ClientRect(window), RawColour::FromRgb(0xFF, 0xFF, 0xFF));
        for (size_t i = 0; i < layouts_.size(); ++i)
            painter.DrawLayout(
                *layouts_[i], { 4, static_cast<int32_t>(i) * 15 }, RawColour::FromRgb(0, 0, 0));
        return 0;
    }

private:
    std::vector<std::unique_ptr<HostTextLayout>> layouts_;
};

double RepaintsPerSecond(const HostFont& font)
{
    RowsProc proc(font);
    HostCreateInfo info;
    info.class_name = "Bench";
    info.style = HostStyle::kOverlappedWindow | HostStyle::kVisible;
    info.rect = { 0, 0, 800, 600 };
    info.proc = &proc;
    const HostHandle window = Host::CreateWindow(info);
    if (window == 0)
        return 0;
    constexpr int kFrames = 300;
    const auto start = Clock::now();
    for (int i = 0; i < kFrames; ++i) {
        Host::InvalidateRect(window);
        Host::UpdateWindow(window);
    }
    const double rate = kFrames / Seconds(start);
    Host::DestroyWindow(window);
    return rate;
}

} // namespace

int main()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (!Host::Start()) {
        std::fprintf(stderr, "bench_paint: %s\n", Host::LastError().c_str());
        return 1;
    }
    HostFont font(HostFont::MessageFontSpec());
    const auto ascii = Rows("needle in a haystack ", 20000);
    const auto japanese = Rows("検索と置換の結果 ", 20000);
    std::printf("layout, ASCII rows:     %10.0f rows/s\n", LayoutsPerSecond(font, ascii));
    std::printf("layout, Japanese rows:  %10.0f rows/s\n", LayoutsPerSecond(font, japanese));
    std::printf("draw cached layouts:    %10.0f rows/s\n", DrawsPerSecond(font, ascii));
    std::printf("repaint 800x600, 40 rows: %8.0f frames/s\n", RepaintsPerSecond(font));
    Host::Stop();
    return 0;
}
