// The display scale: where the desktop's density is read from, and what a scaled host does with
// it (bigger back buffers with bigger text, pointer positions still in logical pixels).

#include <toolkit/host/detail/HostDisplayScale.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "tests/toolkit/host/HostWindowFixture.h"

namespace HostTest {
namespace {

struct DpiCase {
    const char* quelvane_scale;
    const char* resources;
    const char* gdk_scale;
    double dpi;
};

TEST(HostScaleDpi, ReadsTheSettingsInTheirOrderAndSkipsBadValues)
{
    const DpiCase cases[] = {
        { nullptr, "", nullptr, 96 },
        { nullptr, "Xft.dpi:\t144\n", nullptr, 144 },
        { nullptr, "Xft.antialias:\t1\nXft.dpi: 120\nXft.hinting:\t1\n", nullptr, 120 },
        { nullptr, "Xft.dpi:\t192", "1", 192 }, // last line without a newline
        { nullptr, "  Xft.dpi :  110.5 \r\n", nullptr, 110.5 },
        { nullptr, "Xft.dpix:\t144\n", nullptr, 96 }, // another resource
        { nullptr, "Xcursor.dpi:\t144\n", nullptr, 96 },
        { nullptr, "Xft.dpi:\tlarge\n", "2", 192 },   // unreadable: the next setting
        { nullptr, "Xft.dpi:\t9600\n", nullptr, 96 }, // out of range
        { nullptr, "Xft.dpi:\t-96\n", nullptr, 96 },
        { nullptr, "", "2", 192 },
        { nullptr, "", "1.5", 96 }, // GDK_SCALE is a whole factor
        { nullptr, "", "0", 96 },
        { nullptr, "", "", 96 },
        { "1.5", "Xft.dpi:\t192\n", "3", 144 }, // the program's own setting wins
        { "2x", "Xft.dpi:\t120\n", nullptr, 120 },
        { "0", "", "2", 192 },
        { "nan", "", nullptr, 96 },
    };
    for (const DpiCase& c : cases)
        EXPECT_DOUBLE_EQ(HostDisplayScale::DpiFrom(c.quelvane_scale, c.resources, c.gdk_scale), c.dpi)
            << (c.quelvane_scale ? c.quelvane_scale : "-") << " | " << c.resources << " | "
            << (c.gdk_scale ? c.gdk_scale : "-");
}

// Sets QUELVANE_SCALE for the host started next, and puts the old value back.
class ScaleSetting {
public:
    explicit ScaleSetting(const char* value)
    {
        if (const char* old = std::getenv("QUELVANE_SCALE"))
            old_ = old;
        setenv("QUELVANE_SCALE", value, 1);
    }
    ~ScaleSetting()
    {
        if (old_)
            setenv("QUELVANE_SCALE", old_->c_str(), 1);
        else
            unsetenv("QUELVANE_SCALE");
    }
    ScaleSetting(const ScaleSetting&) = delete;
    ScaleSetting& operator=(const ScaleSetting&) = delete;

private:
    std::optional<std::string> old_;
};

struct Painted {
    HostSize buffer;
    int32_t ink_rows = 0; // device rows of the text window that hold a dark pixel
    HostLParam click = 0;
};

class Scale : public HostWindowTest {
protected:
    // A top-level with a child that writes one line of text, painted and clicked at the host's
    // scale (the host restarted to read it).
    Painted PaintAndClick()
    {
        Host::Stop();
        EXPECT_TRUE(Host::Start());
        HostFontSpec wanted;
        wanted.height = -16;
        const HostFont font(wanted);
        const HostHandle top = MakeTop({ 50, 50, 250, 150 }, HostStyle::kPopup | HostStyle::kVisible);
        const HostHandle text = MakeChild(top, { 10, 10, 190, 60 });
        proc.answer
            = [&](HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam) -> HostResult {
            if (window != text || message != HostMsg::kPaint)
                return kHostNotHandled;
            HostPainter& painter = *Host::Decode(window, message, wparam, lparam).painter;
            painter.FillRect(Host::ClientRect(window), RawColour::FromRgb(0xFF, 0xFF, 0xFF));
            HostRect area = Host::ClientRect(window);
            painter.DrawText(font, "Hg\xE6\xBC\xA2", area, 0, RawColour::FromRgb(0, 0, 0));
            return 0;
        };
        Host::DrainMessages();
        Painted painted;
        painted.buffer = Host::BufferSize(top);
        const int32_t factor = painted.buffer.cx / 200;
        for (int32_t y = 10 * factor; y < 60 * factor; ++y)
            for (int32_t x = 10 * factor; x < 190 * factor; ++x)
                if (Host::DevicePixelAt(top, { x, y }).Red() < 0x60) {
                    ++painted.ink_rows;
                    break;
                }
        proc.log.clear();
        Host::InjectClick(text, { 33, 21 });
        Host::DrainMessages();
        const auto downs = proc.Of(HostMsg::kLButtonDown);
        painted.click = downs.empty() ? 0 : downs.front().lparam;
        proc.answer = nullptr;
        return painted;
    }
};

// At twice the density the window system's window and its buffer are twice as large and the
// text twice as tall, while the program keeps its logical pixels: the click lands where it did.
TEST_F(Scale, ADoubledScaleDoublesBuffersAndText)
{
    const Painted plain = [&] {
        ScaleSetting setting("1");
        return PaintAndClick();
    }();
    const Painted doubled = [&] {
        ScaleSetting setting("2");
        return PaintAndClick();
    }();
    EXPECT_EQ(plain.buffer, (HostSize { 200, 100 }));
    EXPECT_EQ(doubled.buffer, (HostSize { 400, 200 }));
    ASSERT_GT(plain.ink_rows, 8);
    EXPECT_GE(doubled.ink_rows, 2 * plain.ink_rows - 2);
    EXPECT_LE(doubled.ink_rows, 2 * plain.ink_rows + 2);
    EXPECT_EQ(plain.click, HostMakeLParam(33, 21));
    EXPECT_EQ(doubled.click, HostMakeLParam(33, 21));
}

} // namespace
} // namespace HostTest
