#include <toolkit/host/detail/HostWindowTree.h>

#include <algorithm>

#include <SDL.h>

namespace WinLayer {

namespace {
// Handles start above the special values of SetWindowPos and are never given twice, even
// across a stop and a new start of the host.
HostHandle next_handle = 0x100;

constexpr int32_t kScrollBarSize = 16;
} // namespace

HostNonClient NonClientOf(uint32_t style, uint32_t ex_style)
{
    HostNonClient parts;
    // A captioned top-level gets its frame from the window manager; kCaption includes kBorder.
    const bool framed_by_manager
        = (style & HostStyle::kChild) == 0 && (style & HostStyle::kCaption) == HostStyle::kCaption;
    if ((style & HostStyle::kBorder) != 0 && !framed_by_manager)
        parts.border += 1;
    if ((ex_style & HostExStyle::kClientEdge) != 0)
        parts.border += 2;
    if ((style & HostStyle::kVScroll) != 0)
        parts.vbar = kScrollBarSize;
    if ((style & HostStyle::kHScroll) != 0)
        parts.hbar = kScrollBarSize;
    return parts;
}

HostRect Intersect(const HostRect& a, const HostRect& b)
{
    HostRect r { std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
        std::min(a.bottom, b.bottom) };
    if (r.Empty())
        return {};
    return r;
}

HostRect Union(const HostRect& a, const HostRect& b)
{
    if (a.Empty())
        return b.Empty() ? HostRect {} : b;
    if (b.Empty())
        return a;
    return { std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
        std::max(a.bottom, b.bottom) };
}

HostRect Offset(const HostRect& r, int32_t dx, int32_t dy)
{
    return { r.left + dx, r.top + dy, r.right + dx, r.bottom + dy };
}

HostWindowTree::HostWindowTree() = default;
HostWindowTree::~HostWindowTree() = default;

HostWindowRecord& HostWindowTree::Add()
{
    auto record = std::make_unique<HostWindowRecord>();
    record->handle = next_handle++;
    HostWindowRecord& added = *record;
    records_[added.handle] = std::move(record);
    return added;
}

void HostWindowTree::Remove(HostHandle handle)
{
    std::erase(top_levels_, handle);
    records_.erase(handle);
}

HostWindowRecord* HostWindowTree::Find(HostHandle handle)
{
    auto found = records_.find(handle);
    return found == records_.end() ? nullptr : found->second.get();
}

const HostWindowRecord* HostWindowTree::Find(HostHandle handle) const
{
    auto found = records_.find(handle);
    return found == records_.end() ? nullptr : found->second.get();
}

HostWindowRecord* HostWindowTree::FindBySdlId(uint32_t sdl_window_id)
{
    for (HostHandle handle : top_levels_) {
        HostWindowRecord* record = Find(handle);
        if (record != nullptr && record->sdl_window != nullptr
            && SDL_GetWindowID(record->sdl_window) == sdl_window_id)
            return record;
    }
    return nullptr;
}

void HostWindowTree::RaiseTopLevel(HostHandle handle)
{
    std::erase(top_levels_, handle);
    top_levels_.insert(top_levels_.begin(), handle);
}

HostHandle HostWindowTree::TopLevelOf(HostHandle handle) const
{
    const HostWindowRecord* record = Find(handle);
    while (record != nullptr && record->parent != 0)
        record = Find(record->parent);
    return record == nullptr ? 0 : record->handle;
}

bool HostWindowTree::IsDescendant(HostHandle ancestor, HostHandle handle) const
{
    for (const HostWindowRecord* record = Find(handle); record != nullptr; record = Find(record->parent)) {
        if (record->handle == ancestor)
            return true;
    }
    return false;
}

bool HostWindowTree::IsVisible(HostHandle handle) const
{
    const HostWindowRecord* record = Find(handle);
    if (record == nullptr)
        return false;
    for (; record != nullptr; record = Find(record->parent)) {
        if (!record->Visible())
            return false;
    }
    return true;
}

HostRect HostWindowTree::ClientRect(const HostWindowRecord& record) const
{
    const HostNonClient parts = NonClientOf(record.style, record.ex_style);
    const int32_t width = record.rect.Width() - 2 * parts.border - parts.vbar;
    const int32_t height = record.rect.Height() - 2 * parts.border - parts.hbar;
    return { 0, 0, std::max(width, 0), std::max(height, 0) };
}

HostRect HostWindowTree::OuterInTop(HostHandle handle) const
{
    const HostWindowRecord* record = Find(handle);
    if (record == nullptr)
        return {};
    if (record->parent == 0)
        return { 0, 0, record->rect.Width(), record->rect.Height() };
    const HostRect parent_client = ClientInTop(record->parent);
    return Offset(record->rect, parent_client.left, parent_client.top);
}

HostRect HostWindowTree::ClientInTop(HostHandle handle) const
{
    const HostWindowRecord* record = Find(handle);
    if (record == nullptr)
        return {};
    const HostRect outer = OuterInTop(handle);
    const int32_t border = NonClientOf(record->style, record->ex_style).border;
    const HostRect client = ClientRect(*record);
    return Offset(client, outer.left + border, outer.top + border);
}

HostRect HostWindowTree::VisibleClientInTop(HostHandle handle) const
{
    const HostWindowRecord* record = Find(handle);
    if (record == nullptr)
        return {};
    if (record->parent == 0)
        return ClientInTop(handle);
    return Intersect(ClientInTop(handle), VisibleClientInTop(record->parent));
}

HostRect HostWindowTree::VisibleOuterInTop(HostHandle handle) const
{
    const HostWindowRecord* record = Find(handle);
    if (record == nullptr)
        return {};
    if (record->parent == 0)
        return OuterInTop(handle);
    return Intersect(OuterInTop(handle), VisibleClientInTop(record->parent));
}

HostPoint HostWindowTree::ClientOrigin(HostHandle handle) const
{
    const HostHandle top = TopLevelOf(handle);
    const HostWindowRecord* top_record = Find(top);
    if (top_record == nullptr)
        return {};
    const HostRect client = ClientInTop(handle);
    return { top_record->rect.left + client.left, top_record->rect.top + client.top };
}

HostHandle HostWindowTree::HitTest(HostHandle top, HostPoint in_top, bool* in_client) const
{
    const HostWindowRecord* record = Find(top);
    if (record == nullptr || !record->Visible() || !OuterInTop(top).Contains(in_top))
        return 0;
    for (;;) {
        const bool inside_client = ClientInTop(record->handle).Contains(in_top);
        if (in_client != nullptr)
            *in_client = inside_client;
        if (!inside_client || !record->Enabled())
            return record->handle;
        const HostWindowRecord* hit = nullptr;
        for (auto child = record->children.rbegin(); child != record->children.rend(); ++child) {
            const HostWindowRecord* candidate = Find(*child);
            if (candidate != nullptr && candidate->Visible() && OuterInTop(*child).Contains(in_top)) {
                hit = candidate;
                break;
            }
        }
        if (hit == nullptr)
            return record->handle;
        record = hit;
    }
}

} // namespace WinLayer
