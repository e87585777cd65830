// The window's own data: relations, identity, styles, text, font and icon.

#include <toolkit/host/HostBitmap.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostGeometry.h>
#include <toolkit/host/detail/HostState.h>

#include <algorithm>

#include <SDL.h>

namespace WinLayer::Host {

namespace {
const std::string kNoText;
} // namespace

HostFont* WindowFont(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? nullptr : record->font;
}

HostHandle Parent(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? 0 : record->parent;
}

HostHandle Owner(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? 0 : record->owner;
}

HostHandle TopLevel(HostHandle window)
{
    return State().tree.TopLevelOf(window);
}

std::vector<HostHandle> Children(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? std::vector<HostHandle> {} : record->children;
}

HostHandle ChildById(HostHandle parent, uint16_t id)
{
    const HostWindowRecord* record = State().tree.Find(parent);
    if (record == nullptr)
        return 0;
    for (HostHandle child : record->children) {
        const HostWindowRecord* found = State().tree.Find(child);
        if (found != nullptr && found->id == id)
            return child;
    }
    return 0;
}

uint16_t Id(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? 0 : record->id;
}

const std::string& ClassName(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? kNoText : record->class_name;
}

uint32_t Style(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? 0 : record->style;
}

uint32_t ExStyle(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? 0 : record->ex_style;
}

namespace {
void ChangeStyles(HostHandle window, uint32_t style, uint32_t ex_style)
{
    HostWindowRecord* record = State().tree.Find(window);
    if (record == nullptr)
        return;
    constexpr uint32_t kState
        = HostStyle::kVisible | HostStyle::kDisabled | HostStyle::kMinimize | HostStyle::kMaximize;
    const HostRect old_client = State().tree.ClientRect(*record);
    if (record->parent != 0)
        HostBackBuffer::InvalidateOuter(window);
    record->style = (style & ~kState) | (record->style & kState);
    record->ex_style = ex_style;
    if (record->parent == 0)
        HostWindowPool::ApplyStyle(record->sdl_window, static_cast<HostWindowKind>(record->pool_kind),
            record->style, record->ex_style);
    HostBackBuffer::InvalidateOuter(window);
    if (State().tree.ClientRect(*record) != old_client)
        HostGeometry::SendSize(window);
}
} // namespace

void SetStyle(HostHandle window, uint32_t style)
{
    ChangeStyles(window, style, ExStyle(window));
}

void SetExStyle(HostHandle window, uint32_t ex_style)
{
    ChangeStyles(window, Style(window), ex_style);
}

const std::string& Text(HostHandle window)
{
    const HostWindowRecord* record = State().tree.Find(window);
    return record == nullptr ? kNoText : record->text;
}

void SetText(HostHandle window, const std::string& utf8)
{
    const std::string text = utf8; // the caller's string may be the window's own
    SendMessage(window, HostMsg::kSetText, 0, reinterpret_cast<HostLParam>(&text));
}

void SetIcon(HostHandle top_level, const HostBitmap& icon)
{
    const HostWindowRecord* record = State().tree.Find(top_level);
    if (record == nullptr || record->parent != 0 || icon.Empty()
        || icon.pixels.size() < static_cast<size_t>(icon.width) * icon.height)
        return;
    // SDL wants straight alpha; the bitmap's is premultiplied.
    std::vector<uint32_t> straight(icon.pixels.size());
    for (size_t i = 0; i < icon.pixels.size(); ++i) {
        const uint32_t p = icon.pixels[i];
        const uint32_t a = p >> 24;
        if (a == 0) {
            straight[i] = 0;
            continue;
        }
        auto channel = [&](int shift) { return std::min<uint32_t>(255, ((p >> shift) & 0xFF) * 255 / a); };
        straight[i] = (a << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
    }
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        straight.data(), icon.width, icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr)
        return;
    SDL_SetWindowIcon(record->sdl_window, surface);
    SDL_FreeSurface(surface);
}

} // namespace WinLayer::Host
