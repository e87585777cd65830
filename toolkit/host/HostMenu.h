#pragma once

// Popup menus: built item by item, then tracked until the user chooses a command or leaves.
// Items: a command with its text ("&" marks the mnemonic, the text after a tab is right-aligned,
// as accelerator text), greyed or checked; separators; sub-menus. Tracking runs its own loop:
// arrows, Return, Escape, mnemonics and the mouse (either button chooses) work; a click
// outside closes the menu. Menu windows are created once and reused.

#include <toolkit/host/HostTypes.h>

#include <memory>
#include <string>
#include <vector>

namespace WinLayer {

class HostMenu {
public:
    static constexpr uint32_t kGrayed = 0x0001;
    static constexpr uint32_t kChecked = 0x0008;

    struct Item {
        uint32_t command = 0; // 0 for separators and sub-menus
        std::string text;     // UTF-8
        uint32_t flags = 0;
        bool separator = false;
        std::unique_ptr<HostMenu> sub_menu;
    };

    void AppendItem(uint32_t command, const std::string& utf8, uint32_t flags = 0);
    void AppendSeparator();
    // The new sub-menu, to be filled by the caller; owned by this menu.
    HostMenu& AppendSubMenu(const std::string& utf8, uint32_t flags = 0);
    void SetFlags(uint32_t command, uint32_t flags); // searches sub-menus too
    void Clear() { items_.clear(); }
    const std::vector<Item>& Items() const { return items_; }
    bool Empty() const { return items_.empty(); }

    // Shows the menu with its top-left corner at `screen` (moved to stay on the display) for
    // `owner` and returns the chosen command, 0 when none. Keys and mouse input go to the menu;
    // other messages (posted ones, timers, painting) are dispatched meanwhile, and a quit message
    // ends the tracking and stays for the caller's loop. One menu at a time: Track while another
    // is tracked returns 0.
    uint32_t Track(HostHandle owner, HostPoint screen) const;
    // True while some menu is being tracked.
    static bool Tracking();

private:
    std::vector<Item> items_;
};

} // namespace WinLayer
