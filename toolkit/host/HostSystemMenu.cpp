#include <core/RawLanguageTable.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystemMenu.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostState.h>

namespace WinLayer {

namespace {

std::string ItemText(std::string_view key, std::string_view english)
{
    using RawLayer::RawEncoding;
    using RawLayer::RawString;
    return RawLayer::RawLanguageTable::Instance()
        .Text(
            RawString("SystemMenu"), RawString(key, RawEncoding::Utf8), RawString(english, RawEncoding::Utf8))
        .Str();
}

// Copies the application's items (the menu is move-only: sub-menus are owned).
void CopyItems(const HostMenu& from, HostMenu& to)
{
    for (const HostMenu::Item& item : from.Items()) {
        if (item.separator)
            to.AppendSeparator();
        else if (item.sub_menu)
            CopyItems(*item.sub_menu, to.AppendSubMenu(item.text, item.flags));
        else
            to.AppendItem(item.command, item.text, item.flags);
    }
}

} // namespace

HostMenu* HostSystemMenu::Items(HostHandle top_level)
{
    HostWindowRecord* record = State().tree.Find(top_level);
    if (record == nullptr || !record->IsTopLevel())
        return nullptr;
    if (!record->system_items)
        record->system_items = std::make_unique<HostMenu>();
    return record->system_items.get();
}

HostMenu HostSystemMenu::Build(HostHandle top_level)
{
    HostMenu menu;
    if (const HostMenu* items = Items(top_level); items != nullptr && !items->Empty()) {
        CopyItems(*items, menu);
        menu.AppendSeparator();
    }
    const uint32_t style = Host::Style(top_level);
    const int state = Host::SizeState(top_level);
    const uint32_t can_minimize
        = (style & HostStyle::kMinimizeBox) != 0 && state != 1 ? 0 : HostMenu::kGrayed;
    const uint32_t can_size = (style & HostStyle::kMaximizeBox) != 0 ? 0 : HostMenu::kGrayed;
    menu.AppendItem(kMinimize, ItemText("Minimize", "Mi&nimize"), can_minimize);
    if (state == 0)
        menu.AppendItem(kMaximize, ItemText("Maximize", "Ma&ximize"), can_size);
    else
        menu.AppendItem(kRestore, ItemText("Restore", "&Restore"), 0);
    menu.AppendSeparator();
    menu.AppendItem(kClose, ItemText("Close", "&Close\tAlt+F4"), 0);
    return menu;
}

uint32_t HostSystemMenu::Track(HostHandle top_level, HostPoint screen)
{
    if (Items(top_level) == nullptr)
        return 0;
    // The window may bring its own items up to date first.
    Host::SendMessage(top_level, HostMsg::kInitMenuPopup, 0, 0);
    if (!Host::IsWindow(top_level))
        return 0;
    const uint32_t command = Build(top_level).Track(top_level, screen);
    if (command != 0 && Host::IsWindow(top_level))
        Host::SendMessage(top_level, HostMsg::kSysCommand, command, 0);
    return command;
}

bool HostSystemMenu::Carry(HostHandle top_level, uint32_t command)
{
    switch (command & 0xFFF0) {
    case kKeyMenu:
        Track(top_level, Host::ClientToScreen(top_level, { 0, 0 }));
        return true;
    case kMinimize:
        Host::ShowWindow(top_level, HostShow::kMinimize);
        return true;
    case kMaximize:
        Host::ShowWindow(top_level, HostShow::kMaximized);
        return true;
    case kRestore:
        Host::ShowWindow(top_level, HostShow::kRestore);
        return true;
    case kClose:
        Host::PostMessage(top_level, HostMsg::kClose, 0, 0);
        return true;
    default:
        return false;
    }
}

} // namespace WinLayer
