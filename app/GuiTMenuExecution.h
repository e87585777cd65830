#pragma once

// The program's own items at the top of the main window's window menu: the version line, help,
// moving the window to the primary screen, the language, the GUI profile and the window font.
// A chosen language or font is stored in the GUI profile and the main window is told (commands
// 0x1100 and 0x1101) so that it changes its texts or its font at once.

#include <core/RawHelpDocuments.h>
#include <core/RawStringList.h>
#include <toolkit/WinFont.h>
#include <toolkit/WinTMenuExecution.h>
#include <toolkit/host/HostTypes.h>

#include <optional>

namespace RawLayer {
class RawProfile;
}

namespace AppLayer {

class GuiTMenuExecution : public WinLayer::WinTMenuExecution {
public:
    static constexpr uint32_t kVersion = 0x100C;
    static constexpr uint32_t kViewHelp = 0x100D;
    static constexpr uint32_t kMoveToPrimary = 0x100E;
    static constexpr uint32_t kOpenGuiProfile = 0x100F;
    static constexpr uint32_t kSelectFont = 0x1010;
    static constexpr uint32_t kHelpFirst = 0x1011;     // .. 0x102E
    static constexpr uint32_t kLanguageFirst = 0x1030; // .. 0x104D
    // Notification codes sent to the main window.
    static constexpr uint16_t kNotifyLanguage = 0x1100;
    static constexpr uint16_t kNotifyFont = 0x1101;

    static constexpr const char* kVersionText = "Version 1.45.2025.0405";

    // `gui_profile` holds the window font and the chosen language; `config` names the help
    // documents. Both must outlive the hook.
    GuiTMenuExecution(RawLayer::RawProfile& gui_profile, RawLayer::RawProfile& config);

    // Looks for help documents in `folder` instead of beside the executable.
    void SetHelpFolder(const RawLayer::RawString& folder) { help_folder_ = folder; }

    // The window rectangle centred in a work area, keeping its size; an edge of a window larger
    // than the area is put on the area's edge.
    static WinLayer::HostRect CentreIn(const WinLayer::HostRect& window, const WinLayer::HostRect& work_area);

protected:
    void BuildItems(WinLayer::HostMenu& items) override;
    void RefreshItems(WinLayer::HostMenu& items) override;
    bool Execute(uint32_t command) override;

    // What the commands reach outside the program; tests replace them.
    virtual bool OpenDocument(const RawLayer::RawString& document);
    virtual bool OpenWithShell(const RawLayer::RawString& path);
    // The font the user chose starting from `current`; nothing when the chooser was cancelled.
    virtual std::optional<WinLayer::WinLogFont> ChooseFont(const WinLayer::WinLogFont& current);
    // The work area of the primary screen.
    virtual WinLayer::HostRect PrimaryWorkArea();

private:
    void FindOffers();
    void MoveToPrimaryScreen();
    void SelectFont();
    void SelectLanguage(int32_t index);
    void Notify(uint16_t code);

    RawLayer::RawProfile& gui_profile_;
    RawLayer::RawProfile& config_;
    RawLayer::RawHelpDocuments help_;
    RawLayer::RawString help_folder_;
    RawLayer::RawStringList languages_;
};

} // namespace AppLayer
