// The font chooser driven from the keyboard: it starts on the current font, the sample follows
// the lists, Enter hands the font back, Escape hands nothing back.

#include <toolkit/WinFontDialog.h>

#include <algorithm>
#include <cstdlib>

#include "ControlTestSupport.h"

namespace QuelvaneTest {
namespace {

class DrivenFontDialog : public DrivenDialog<WinFontDialog, DrivenFontDialog> {
public:
    using DrivenDialog::DrivenDialog;
    WinLogFont seen_at_start;

protected:
    void Seen() override { seen_at_start = Current(); }
};

WinLogFont StartFont()
{
    WinLogFont font;
    font.height = -14;
    font.weight = 700;
    const std::vector<std::string> families = HostFont::Families();
    const auto dejavu = std::find(families.begin(), families.end(), "DejaVu Sans");
    if (dejavu != families.end())
        font.face_name = u"DejaVu Sans";
    return font;
}

TEST_F(ControlTest, TheChooserStartsOnTheFontAndEnterHandsBackWhatTheListsSay)
{
    ASSERT_FALSE(HostFont::Families().empty());
    DrivenFontDialog dialog(StartFont());
    dialog.drive = [](DrivenFontDialog& self) {
        Host::InjectKey(HostKey::kTab);  // to the styles
        Host::InjectKey(HostKey::kDown); // Bold Italic
        Host::InjectKey(HostKey::kTab);  // to the sizes
        Host::InjectKey(HostKey::kDown); // 15
        Host::InjectKey(HostKey::kDown); // 16
        Host::DrainMessages();
        EXPECT_EQ(self.Current().height, -16);
        if (const char* shot = std::getenv("QUELVANE_FONT_SHOT"))
            Host::SaveWindowAsPng(self.Window(), shot);
        Host::InjectKey(HostKey::kReturn);
    };
    const std::optional<WinLogFont> chosen = dialog.Run(nullptr);
    EXPECT_EQ(dialog.seen_at_start.height, -14);
    EXPECT_GE(dialog.seen_at_start.weight, 700);
    EXPECT_EQ(dialog.seen_at_start.face_name,
        StartFont().face_name.empty() ? dialog.seen_at_start.face_name : StartFont().face_name);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->height, -16);
    EXPECT_GE(chosen->weight, 700);
    EXPECT_NE(chosen->italic, 0);
    EXPECT_EQ(chosen->face_name, dialog.seen_at_start.face_name);
}

TEST_F(ControlTest, EscapeOrCancelHandsNothingBack)
{
    DrivenFontDialog dialog(StartFont());
    dialog.drive = [](DrivenFontDialog&) {
        Host::InjectKey(HostKey::kDown);
        Host::InjectKey(HostKey::kEscape);
    };
    EXPECT_FALSE(dialog.Run(nullptr).has_value());

    DrivenFontDialog clicked(StartFont());
    clicked.drive = [](DrivenFontDialog& self) {
        // The sample is drawn in the font the lists name.
        Host::InjectKey(HostKey::kDown);
        Host::DrainMessages();
        EXPECT_EQ(self.Current().face_name.empty(), false);
        Host::InjectKey(HostKey::kTab);
        Host::InjectKey(HostKey::kTab);
        Host::InjectKey(HostKey::kTab); // past the sample to OK
        Host::InjectKey(HostKey::kTab); // Cancel
        Host::InjectKey(HostKey::kReturn);
    };
    EXPECT_FALSE(clicked.Run(nullptr).has_value());
}

} // namespace
} // namespace QuelvaneTest
