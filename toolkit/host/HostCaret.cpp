#include <toolkit/host/HostCaret.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>
#include <toolkit/host/detail/HostBackBuffer.h>
#include <toolkit/host/detail/HostCaretService.h>
#include <toolkit/host/detail/HostState.h>

#include <cairo.h>

namespace WinLayer {

namespace {

HostWindowRecord* TopOf(HostHandle window)
{
    HostWindowTree& tree = State().tree;
    return tree.Find(window) != nullptr ? tree.Find(tree.TopLevelOf(window)) : nullptr;
}

// The caret record of a window's top-level when `window` owns it.
HostCaretService::Caret* Owned(HostHandle window)
{
    HostWindowRecord* top = TopOf(window);
    return top != nullptr && top->caret.window == window && window != 0 ? &top->caret : nullptr;
}

HostRect InTop(const HostCaretService::Caret& caret)
{
    HostWindowTree& tree = State().tree;
    const HostRect client = tree.ClientInTop(caret.window);
    return Intersect(Offset(caret.rect, client.left, client.top), tree.VisibleClientInTop(caret.window));
}

void Repaint(HostHandle window)
{
    if (HostCaretService::Caret* caret = Owned(window); caret != nullptr && State().tree.IsVisible(window))
        HostBackBuffer::InvalidateInTop(State().tree.TopLevelOf(window), InTop(*caret));
}

// Whether the caret is drawn at the moment when its blink is on: shown, focused and visible.
bool Showing(const HostCaretService::Caret& caret)
{
    return caret.window != 0 && caret.hide_count == 0 && State().focus == caret.window
        && State().tree.IsVisible(caret.window);
}

// Restarts the blink with the caret visible, so it shows at once after a move or a key. The blink
// timer runs only while the caret can be seen: a hidden or unfocused caret costs no repaints.
void RestartBlink(HostHandle window)
{
    HostCaretService::Caret* caret = Owned(window);
    if (caret == nullptr)
        return;
    caret->blink_on = true;
    const int32_t period = Host::Metric(HostMetric::CaretBlinkTime);
    const HostHandle top = State().tree.TopLevelOf(window);
    if (period > 0 && caret->blinks && Showing(*caret))
        State().timers.Set(top, kHostCaretBlinkTimer, static_cast<uint32_t>(period), Now());
    else
        State().timers.Kill(top, kHostCaretBlinkTimer);
}

} // namespace

void HostCaretService::Blink(HostHandle top)
{
    HostWindowRecord* record = State().tree.Find(top);
    if (record == nullptr || !Showing(record->caret) || !record->caret.blinks) {
        State().timers.Kill(top, kHostCaretBlinkTimer);
        return;
    }
    Repaint(record->caret.window);
    record->caret.blink_on = !record->caret.blink_on;
}

void HostCaretService::FocusChanged(HostHandle from, HostHandle to)
{
    Repaint(from);
    RestartBlink(from);
    Repaint(to);
    RestartBlink(to);
}

HostRect HostCaretService::DrawnInTop(const HostWindowRecord& top)
{
    return top.caret.blink_on && Showing(top.caret) ? InTop(top.caret) : HostRect {};
}

void HostCaretService::Draw(cairo_t* cr, const HostWindowRecord& top, const HostRect& part)
{
    const HostRect drawn = Intersect(DrawnInTop(top), part);
    if (drawn.Empty())
        return;
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_DIFFERENCE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, drawn.left, drawn.top, drawn.Width(), drawn.Height());
    cairo_fill(cr);
    cairo_restore(cr);
}

namespace Host {

bool CreateCaret(HostHandle window, int32_t width, int32_t height)
{
    HostWindowRecord* top = TopOf(window);
    if (top == nullptr || width <= 0 || height <= 0)
        return false;
    if (top->caret.window != 0)
        DestroyCaret(top->caret.window);
    top->caret = { window, { 0, 0, width, height }, 1, true };
    return true;
}

bool CreateCaret(HostHandle window, const HostFont& font)
{
    return CreateCaret(window, Metric(HostMetric::CaretWidth), font.LineHeight());
}

void DestroyCaret(HostHandle window)
{
    if (Owned(window) == nullptr)
        return;
    Repaint(window);
    State().timers.Kill(State().tree.TopLevelOf(window), kHostCaretBlinkTimer);
    TopOf(window)->caret = {};
}

void SetCaretPos(HostHandle window, HostPoint client)
{
    HostCaretService::Caret* caret = Owned(window);
    if (caret == nullptr)
        return;
    Repaint(window);
    caret->rect = Offset({ 0, 0, caret->rect.Width(), caret->rect.Height() }, client.x, client.y);
    RestartBlink(window);
    Repaint(window);
}

void ShowCaret(HostHandle window)
{
    if (HostCaretService::Caret* caret = Owned(window); caret != nullptr && caret->hide_count > 0) {
        --caret->hide_count;
        RestartBlink(window);
        Repaint(window);
    }
}

void HideCaret(HostHandle window)
{
    if (HostCaretService::Caret* caret = Owned(window)) {
        Repaint(window);
        ++caret->hide_count;
        RestartBlink(window);
    }
}

void SetCaretBlinks(HostHandle window, bool blinks)
{
    if (HostCaretService::Caret* caret = Owned(window)) {
        caret->blinks = blinks;
        RestartBlink(window);
        Repaint(window);
    }
}

HostRect CaretRect(HostHandle window)
{
    const HostCaretService::Caret* caret = Owned(window);
    return caret != nullptr ? caret->rect : HostRect {};
}

} // namespace Host

} // namespace WinLayer
