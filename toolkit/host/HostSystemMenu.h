#pragma once

// The window menu of a top-level. Linux window managers keep their own window menu to
// themselves, so the program shows one of its own: the application's items of the window
// first, then Minimize, Maximize or Restore, and Close. Alt+Space opens it at the window's
// top-left corner (when the window manager leaves that key to the program), and a window's own
// menu button opens it with Track. The chosen item reaches the window as kSysCommand with its
// command: the application's own, or one of the k.. commands below, which the host's default
// handling carries out.

#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostTypes.h>

namespace WinLayer {

class HostSystemMenu {
public:
    static constexpr uint32_t kMinimize = 0xF020;
    static constexpr uint32_t kMaximize = 0xF030;
    static constexpr uint32_t kClose = 0xF060;
    static constexpr uint32_t kKeyMenu = 0xF100; // open the menu from the keyboard
    static constexpr uint32_t kRestore = 0xF120;

    // The application's items of a top-level's window menu, for the caller to fill; they live
    // as long as the window. Null for a child or a handle that is not alive.
    static HostMenu* Items(HostHandle top_level);
    // Sends the window kInitMenuPopup, shows the menu at a screen point, sends the chosen
    // command to the window as kSysCommand and returns it (0 when none was chosen).
    static uint32_t Track(HostHandle top_level, HostPoint screen);
    // The default handling of kSysCommand: opens the menu (kKeyMenu), minimizes, maximizes,
    // restores or asks the window to close (kClose). True when the command was one of these.
    static bool Carry(HostHandle top_level, uint32_t command);

private:
    static HostMenu Build(HostHandle top_level);
};

} // namespace WinLayer
