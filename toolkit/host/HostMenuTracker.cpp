// Sections: the level windows (made once per depth and kept), opening and closing levels, the
// loop, keys, mouse.

#include <toolkit/host/HostEvent.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostMenuLook.h>
#include <toolkit/host/detail/HostMenuTracker.h>

#include <algorithm>
#include <memory>

#include <glib.h>

namespace WinLayer {

namespace {

// The tracker whose levels the windows show; null when no menu is open.
HostMenuTracker* active_tracker = nullptr;

class LevelProc : public HostWindowProc {
public:
    explicit LevelProc(size_t depth)
        : depth_(depth)
    {
    }
    HostResult WindowProc(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        if (message == HostMsg::kPaint) {
            const HostEvent event = Host::Decode(window, message, wparam, lparam);
            if (active_tracker != nullptr && event.painter != nullptr)
                active_tracker->Paint(depth_, *event.painter);
            return 0;
        }
        return Host::DefaultProc(window, message, wparam, lparam);
    }

private:
    size_t depth_;
};

struct LevelWindowEntry {
    std::unique_ptr<LevelProc> proc;
    HostHandle window = 0;
};

// Destroying an SDL window while the event loop may still address it is unsafe on X11, so
// the windows live as long as the host does.
std::vector<LevelWindowEntry>& LevelWindows()
{
    static std::vector<LevelWindowEntry> slots;
    return slots;
}

bool IsMouseMessage(uint32_t message)
{
    switch (message) {
    case HostMsg::kMouseMove:
    case HostMsg::kLButtonDown:
    case HostMsg::kLButtonUp:
    case HostMsg::kLButtonDblClk:
    case HostMsg::kRButtonDown:
    case HostMsg::kRButtonUp:
    case HostMsg::kRButtonDblClk:
    case HostMsg::kMButtonDown:
    case HostMsg::kMButtonUp:
    case HostMsg::kMouseWheel:
    case HostMsg::kNcLButtonDown:
        return true;
    default:
        return false;
    }
}

bool IsButtonUp(uint32_t message)
{
    return message == HostMsg::kLButtonUp || message == HostMsg::kRButtonUp || message == HostMsg::kMButtonUp;
}

} // namespace

HostHandle HostMenuTracker::LevelWindow(size_t depth)
{
    std::vector<LevelWindowEntry>& slots = LevelWindows();
    while (slots.size() <= depth)
        slots.push_back({ std::make_unique<LevelProc>(slots.size()), 0 });
    LevelWindowEntry& slot = slots[depth];
    if (slot.window != 0 && Host::IsWindow(slot.window))
        return slot.window;
    HostCreateInfo info;
    info.class_name = "QuelvaneMenu";
    info.style = HostStyle::kPopup;
    info.ex_style = HostExStyle::kToolWindow | HostExStyle::kTopmost | HostExStyle::kNoActivate;
    info.rect = { 0, 0, 1, 1 };
    info.proc = slot.proc.get();
    slot.window = Host::CreateWindow(info);
    return slot.window;
}

bool HostMenuTracker::Open(const HostMenu& menu, HostPoint at, const HostRect* parent_item, Pick pick)
{
    if (menu.Empty())
        return false;
    Level level;
    level.menu = &menu;
    const HostSize size = HostMenuLook::Measure(menu, level.items);
    const HostRect work = Host::WorkArea();
    HostPoint position = at;
    if (parent_item != nullptr) {
        // Beside the parent item, its first item level with it; on the left when the right
        // has no room.
        position = { parent_item->right - 2, parent_item->top - level.items.front().top };
        if (position.x + size.cx > work.right)
            position.x = levels_.back().screen.left - size.cx + 2;
    }
    position.x = std::max(std::min(position.x, work.right - size.cx), work.left);
    position.y = std::max(std::min(position.y, work.bottom - size.cy), work.top);
    level.screen = { position.x, position.y, position.x + size.cx, position.y + size.cy };
    level.window = LevelWindow(levels_.size());
    if (level.window == 0)
        return false;
    if (pick == Pick::First)
        level.highlight = Step(level, -1, 1);
    levels_.push_back(std::move(level));
    const Level& shown = levels_.back();
    Host::MoveWindow(shown.window, shown.screen, true);
    Host::ShowWindow(shown.window, HostShow::kShowNa);
    Host::InvalidateRect(shown.window);
    Host::UpdateWindow(shown.window);
    return true;
}

void HostMenuTracker::CloseAfter(size_t depth)
{
    while (levels_.size() > depth + 1) {
        Host::ShowWindow(levels_.back().window, HostShow::kHide);
        levels_.pop_back();
    }
}

void HostMenuTracker::SetHighlight(size_t depth, int32_t item)
{
    Level& level = levels_[depth];
    if (level.highlight == item)
        return;
    level.highlight = item;
    Host::InvalidateRect(level.window);
}

bool HostMenuTracker::Choosable(const Level& level, int32_t item) const
{
    const std::vector<HostMenu::Item>& items = level.menu->Items();
    if (item < 0 || item >= static_cast<int32_t>(items.size()))
        return false;
    const HostMenu::Item& entry = items[static_cast<size_t>(item)];
    return !entry.separator && (entry.flags & HostMenu::kGrayed) == 0;
}

int32_t HostMenuTracker::Step(const Level& level, int32_t from, int32_t direction) const
{
    const int32_t count = static_cast<int32_t>(level.menu->Items().size());
    for (int32_t k = 1; k <= count; ++k) {
        const int32_t item = ((from + direction * k) % count + count) % count;
        if (Choosable(level, item))
            return item;
    }
    return level.highlight;
}

void HostMenuTracker::Activate(size_t depth, int32_t item, Pick pick)
{
    if (!Choosable(levels_[depth], item))
        return;
    SetHighlight(depth, item);
    const HostMenu::Item& entry = levels_[depth].menu->Items()[static_cast<size_t>(item)];
    if (!entry.sub_menu) {
        Finish(entry.command);
        return;
    }
    if (levels_.size() > depth + 1 && levels_[depth + 1].menu == entry.sub_menu.get()) {
        if (pick == Pick::First && levels_[depth + 1].highlight < 0)
            SetHighlight(depth + 1, Step(levels_[depth + 1], -1, 1));
        return;
    }
    CloseAfter(depth);
    const Level& parent = levels_[depth];
    const HostRect& rect = parent.items[static_cast<size_t>(item)];
    const HostRect screen_item { parent.screen.left + rect.left, parent.screen.top + rect.top,
        parent.screen.left + rect.right, parent.screen.top + rect.bottom };
    Open(*entry.sub_menu, { screen_item.right, screen_item.top }, &screen_item, pick);
}

void HostMenuTracker::Finish(uint32_t command)
{
    done_ = true;
    result_ = command;
}

uint32_t HostMenuTracker::Run(const HostMenu& menu, HostPoint screen)
{
    start_point_ = screen;
    HostMenuTracker* outer = active_tracker;
    active_tracker = this;
    if (!Open(menu, screen, nullptr, Pick::None)) {
        active_tracker = outer;
        return 0;
    }
    while (!done_) {
        HostMessage message;
        if (!Host::GetMessage(message)) {
            // The program is ending: leave the menu and let the caller's loop see the quit.
            Host::PostQuitMessage(static_cast<int>(message.wparam));
            Finish(0);
            break;
        }
        switch (message.message) {
        case HostMsg::kKeyDown:
        case HostMsg::kSysKeyDown:
            OnKey(message);
            break;
        case HostMsg::kKeyUp:
        case HostMsg::kSysKeyUp:
            break;
        case HostMsg::kChar:
            // ASCII letters were handled with their key; the input method's others come here.
            if (message.wparam >= 0x80)
                OnChar(g_unichar_tolower(static_cast<gunichar>(message.wparam)));
            break;
        default:
            if (IsMouseMessage(message.message)) {
                OnMouse(message);
                break;
            }
            Host::TranslateMessage(message);
            Host::DispatchMessage(message);
            break;
        }
    }
    CloseAfter(0);
    Host::ShowWindow(levels_.front().window, HostShow::kHide);
    levels_.clear();
    // The character the closing key typed is not for the window under the menu.
    HostMessage next;
    if (ended_by_key_ && Host::PeekMessage(next, false) && next.message == HostMsg::kChar)
        Host::PeekMessage(next, true);
    active_tracker = outer;
    return result_;
}

void HostMenuTracker::Paint(size_t depth, HostPainter& painter) const
{
    if (depth >= levels_.size())
        return;
    const Level& level = levels_[depth];
    HostMenuLook::Paint(
        painter, *level.menu, level.items, { level.screen.Width(), level.screen.Height() }, level.highlight);
}

void HostMenuTracker::OnKey(const HostMessage& message)
{
    const size_t depth = levels_.size() - 1;
    const Level& level = levels_.back();
    const uint32_t key = static_cast<uint32_t>(message.wparam);
    const int32_t count = static_cast<int32_t>(level.menu->Items().size());
    switch (key) {
    case HostKey::kDown:
        SetHighlight(depth, Step(level, level.highlight, 1));
        return;
    case HostKey::kUp:
        SetHighlight(depth, Step(level, level.highlight < 0 ? count : level.highlight, -1));
        return;
    case HostKey::kHome:
        SetHighlight(depth, Step(level, -1, 1));
        return;
    case HostKey::kEnd:
        SetHighlight(depth, Step(level, count, -1));
        return;
    case HostKey::kRight:
        if (level.highlight >= 0 && level.menu->Items()[static_cast<size_t>(level.highlight)].sub_menu)
            Activate(depth, level.highlight, Pick::First);
        return;
    case HostKey::kLeft:
        if (depth > 0)
            CloseAfter(depth - 1);
        return;
    case HostKey::kEscape:
        if (depth > 0) {
            CloseAfter(depth - 1);
            return;
        }
        ended_by_key_ = true;
        Finish(0);
        return;
    case HostKey::kReturn:
    case HostKey::kSpace:
        ended_by_key_ = true;
        if (level.highlight >= 0)
            Activate(depth, level.highlight, Pick::First);
        return;
    default:
        break;
    }
    const bool letter = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    if (letter && !Host::KeyDown(HostKey::kControl)) {
        ended_by_key_ = true;
        OnChar(g_unichar_tolower(key));
    }
}

void HostMenuTracker::OnChar(uint32_t code)
{
    const size_t depth = levels_.size() - 1;
    const Level& level = levels_.back();
    const std::vector<HostMenu::Item>& items = level.menu->Items();
    std::vector<int32_t> matches;
    for (size_t i = 0; i < items.size(); ++i)
        if (Choosable(level, static_cast<int32_t>(i)) && HostMenuLook::Mnemonic(items[i].text) == code)
            matches.push_back(static_cast<int32_t>(i));
    if (matches.empty()) {
        Host::Beep();
        return;
    }
    if (matches.size() == 1) {
        Activate(depth, matches.front(), Pick::First);
        return;
    }
    // Several items share the letter: each press moves to the next of them.
    const auto next = std::upper_bound(matches.begin(), matches.end(), level.highlight);
    SetHighlight(depth, next == matches.end() ? matches.front() : *next);
}

int32_t HostMenuTracker::Hit(HostPoint screen, int32_t& item) const
{
    item = -1;
    for (size_t d = levels_.size(); d-- > 0;) {
        const Level& level = levels_[d];
        if (!level.screen.Contains(screen))
            continue;
        const HostPoint client { screen.x - level.screen.left, screen.y - level.screen.top };
        for (size_t i = 0; i < level.items.size(); ++i)
            if (level.items[i].Contains(client))
                item = static_cast<int32_t>(i);
        return static_cast<int32_t>(d);
    }
    return -1;
}

void HostMenuTracker::OnMouse(const HostMessage& message)
{
    int32_t item = -1;
    const int32_t depth = Hit(message.point, item);
    const uint32_t kind = message.message;
    if (kind == HostMsg::kMouseWheel)
        return;
    if (kind == HostMsg::kMouseMove) {
        if (depth < 0)
            return;
        if (message.point != start_point_)
            button_seen_ = true; // the pointer moved over the menu: a release now chooses
    } else if (!IsButtonUp(kind)) {
        button_seen_ = true;
        if (depth < 0) {
            Finish(0); // a press outside every level leaves the menu
            return;
        }
    } else {
        // The release of the press that opened the menu chooses nothing.
        if (depth < 0 || !button_seen_)
            return;
        if (item >= 0
            && !levels_[static_cast<size_t>(depth)].menu->Items()[static_cast<size_t>(item)].sub_menu)
            Activate(static_cast<size_t>(depth), item, Pick::None);
        return;
    }
    // Pointing: highlight the item, open its sub-menu, close the levels of other items.
    const size_t level = static_cast<size_t>(depth);
    if (item < 0 || levels_[level].menu->Items()[static_cast<size_t>(item)].separator)
        return;
    const HostMenu::Item& entry = levels_[level].menu->Items()[static_cast<size_t>(item)];
    const bool open_here = levels_.size() > level + 1 && levels_[level + 1].menu == entry.sub_menu.get();
    if (!open_here)
        CloseAfter(level);
    SetHighlight(level, item);
    if (entry.sub_menu && !open_here)
        Activate(level, item, Pick::None);
}

} // namespace WinLayer
