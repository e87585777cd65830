#pragma once

// The tracking of one popup menu: the open levels (the menu and the sub-menus opened from it),
// their windows, the highlighted items, and the loop that reads the user's keys and mouse until
// a command is chosen or the menu is left. Used by HostMenu::Track only.

#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <vector>

namespace WinLayer {

class HostPainter;

class HostMenuTracker {
public:
    HostMenuTracker() = default;
    HostMenuTracker(const HostMenuTracker&) = delete;
    HostMenuTracker& operator=(const HostMenuTracker&) = delete;

    // Runs until the user chooses (the command) or leaves (0); 0 at once when the menu's
    // window cannot be made.
    uint32_t Run(const HostMenu& menu, HostPoint screen);
    // Paints the open level `depth` (called by the level's window procedure).
    void Paint(size_t depth, HostPainter& painter) const;

    // The window that shows level `depth` (made on first use, then kept), 0 when none could be.
    static HostHandle LevelWindow(size_t depth);

private:
    struct Level {
        const HostMenu* menu = nullptr;
        HostHandle window = 0;
        HostRect screen {};          // the window's rectangle
        std::vector<HostRect> items; // client rectangles, one per item
        int32_t highlight = -1;
    };
    enum class Pick { First, Last, None };

    bool Open(const HostMenu& menu, HostPoint at, const HostRect* parent_item, Pick pick);
    void CloseAfter(size_t depth);
    void SetHighlight(size_t depth, int32_t item);
    bool Choosable(const Level& level, int32_t item) const;
    int32_t Step(const Level& level, int32_t from, int32_t direction) const;
    // Opens the highlighted item's sub-menu or chooses its command.
    void Activate(size_t depth, int32_t item, Pick pick);
    void Finish(uint32_t command);

    void OnKey(const HostMessage& message);
    void OnChar(uint32_t code);
    void OnMouse(const HostMessage& message);
    // The deepest level whose window holds the point, or -1; `item` gets the item under it.
    int32_t Hit(HostPoint screen, int32_t& item) const;

    std::vector<Level> levels_;
    bool done_ = false;
    uint32_t result_ = 0;
    bool button_seen_ = false; // a press or a move over the menu: releases may choose
    HostPoint start_point_ {};
    bool ended_by_key_ = false;
};

} // namespace WinLayer
