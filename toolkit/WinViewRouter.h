#pragma once

// The one window procedure of the toolkit: every view's host window has it. It finds the view
// that owns a window and hands it the message: a root dialog through WinDialog::Route (which
// blocks it while a modal child is open), any other view through WinView::Dispatch. Windows it
// does not know take the host's default handling.
//
// The map from window to view is a fast index only; the view lists keep the order and the
// identifiers. User-interface thread only.

#include <toolkit/host/HostTypes.h>

#include <unordered_map>

namespace WinLayer {

class WinView;

class WinViewRouter : public HostWindowProc {
public:
    // The process-wide router; lives until the process ends, since windows may outlive any
    // object that would own it.
    static WinViewRouter& Instance();

    HostResult WindowProc(HostHandle window, uint32_t message, HostWParam wparam, HostLParam lparam) override;

    // The view owning `window`, or nullptr.
    WinView* Find(HostHandle window) const;
    // Forgets `view`'s window (the view is going away; its window's messages take the host's
    // default handling from now on).
    void Forget(const WinView& view);

    // Creates a window for `view`: the first message of the new window binds it to the view, so
    // the view handles its own creation messages. The window is also bound when creation
    // succeeds without a message. Returns 0 (and the view is left without a window) on failure.
    HostHandle CreateFor(WinView& view, const HostCreateInfo& info);

private:
    WinViewRouter() = default;
    void Bind(HostHandle window, WinView& view);

    std::unordered_map<HostHandle, WinView*> views_;
    // The view whose window is being made; creation nests (a dialog makes its children while
    // it handles its own creation).
    WinView* pending_ = nullptr;
};

} // namespace WinLayer
