// Speed of the edit box in a long multi-line text: typing one character (the edit, the layout
// and one painted frame) and moving the caret down one line (the move and one frame).
//
//   bench_edit_box
//
// Runs on SDL's dummy video driver when no driver is set. The box holds 100,000 characters in
// 2,000 lines; it prints the median and the slowest time of each.

#include <toolkit/WinDialog.h>
#include <toolkit/WinEditBox.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace WinLayer;

namespace {

using Clock = std::chrono::steady_clock;

class BenchDialog : public WinDialog {
public:
    void RegisterChildren() override { AddChild(box); }
    WinEditBox box;
};

// 2,000 lines of 48 characters and a CRLF: 100,000 units.
std::u16string LongText()
{
    std::u16string text;
    for (int line = 0; line < 2000; ++line) {
        std::u16string row = u"line " + std::u16string(1, static_cast<char16_t>(u'0' + line % 10));
        row.resize(48, u'x');
        text += row + u"\r\n";
    }
    return text;
}

// Handles what is queued (focus, posted change notices, painting).
void Drain()
{
    HostMessage message;
    while (Host::PeekMessage(message)) {
        Host::TranslateMessage(message);
        Host::DispatchMessage(message);
    }
}

// Runs `step` and paints the frame it asks for, `count` times; prints median and maximum.
void Measure(const char* name, BenchDialog& dialog, int count, const std::function<void()>& step)
{
    std::vector<double> times;
    for (int k = 0; k < count; ++k) {
        const auto start = Clock::now();
        step();
        Host::UpdateWindow(dialog.Window());
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%-34s median %7.3f ms   max %7.3f ms   (%d runs)\n", name, times[times.size() / 2],
        times.back(), count);
}

} // namespace

int main()
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (!Host::Start()) {
        std::fprintf(stderr, "bench_edit_box: %s\n", Host::LastError().c_str());
        return 1;
    }
    {
        BenchDialog dialog;
        dialog.SetRect({ 0, 0, 820, 620 });
        dialog.box.SetEditFlags(WinEditBoxInfo::kMultiLine);
        dialog.box.SetStyleWords(dialog.box.Style() | HostStyle::kVScroll, 0);
        dialog.box.SetRect({ 10, 10, 810, 610 });
        if (!dialog.Create(nullptr))
            return 1;
        const std::u16string text = LongText();
        dialog.box.SetText(RawLayer::RawString(std::u16string_view(text)));
        dialog.box.Focus();
        Drain();
        dialog.box.SetSelection(50000, 50000);
        Host::UpdateWindow(dialog.Window());
        std::printf(
            "text: %zu units in %d lines\n", dialog.box.Text16().size(), dialog.box.EditDraw().LineCount());
        Measure("type one character", dialog, 500, [&] { dialog.box.OnChar(U'a'); });
        dialog.box.SetSelection(0, 0);
        Measure("caret down one line", dialog, 1500, [&] { dialog.box.OnKeyDown(HostKey::kDown, 0); });
        Measure("Enter (lines below move)", dialog, 200, [&] { dialog.box.OnKeyDown(HostKey::kReturn, 0); });
        // Posted change notices are dropped with the dialog.
        Drain();
    }
    Host::Stop();
    return 0;
}
