#include <toolkit/host/HostMenu.h>
#include <toolkit/host/detail/HostMenuTracker.h>

namespace WinLayer {

namespace {

bool tracking = false;

} // namespace

void HostMenu::AppendItem(uint32_t command, const std::string& utf8, uint32_t flags)
{
    Item item;
    item.command = command;
    item.text = utf8;
    item.flags = flags;
    items_.push_back(std::move(item));
}

void HostMenu::AppendSeparator()
{
    Item item;
    item.separator = true;
    items_.push_back(std::move(item));
}

HostMenu& HostMenu::AppendSubMenu(const std::string& utf8, uint32_t flags)
{
    Item item;
    item.text = utf8;
    item.flags = flags;
    item.sub_menu = std::make_unique<HostMenu>();
    items_.push_back(std::move(item));
    return *items_.back().sub_menu;
}

void HostMenu::SetFlags(uint32_t command, uint32_t flags)
{
    for (Item& item : items_) {
        if (item.sub_menu)
            item.sub_menu->SetFlags(command, flags);
        else if (!item.separator && item.command == command)
            item.flags = flags;
    }
}

uint32_t HostMenu::Track(HostHandle owner, HostPoint screen) const
{
    // The owner keeps its focus and activation: menu windows never take either, and keys reach
    // the menu whichever window they are addressed to.
    static_cast<void>(owner);
    if (tracking || items_.empty())
        return 0; // one menu at a time, as the loop below cannot nest another's
    tracking = true;
    HostMenuTracker tracker;
    const uint32_t command = tracker.Run(*this, screen);
    tracking = false;
    return command;
}

bool HostMenu::Tracking()
{
    return tracking;
}

} // namespace WinLayer
