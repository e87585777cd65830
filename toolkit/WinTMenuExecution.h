#pragma once

// A hook that puts an application's own items at the top of a top-level's window menu: it
// builds them when the window is made, brings them up to date each time the menu is about to
// open, and carries out the commands that are its own. It answers every message as not handled,
// so the window's other handling goes on as before.

#include <toolkit/WinViewHook.h>

#include <cstdint>

namespace WinLayer {

class HostMenu;
class WinView;

class WinTMenuExecution : public WinViewHook {
public:
    WinTMenuExecution() = default;
    ~WinTMenuExecution() override;
    WinTMenuExecution(const WinTMenuExecution&) = delete;
    WinTMenuExecution& operator=(const WinTMenuExecution&) = delete;

    // Attaches the hook to a top-level view; when its window exists already the items are built
    // at once, otherwise when it is made.
    void Attach(WinView& view);
    void Detach();

    HostResult HookMessage(WinView& view, uint32_t message, HostWParam wparam, HostLParam lparam) override;

    WinView* View() const { return view_; }
    // The window menu's application items (null without a window or a window menu).
    HostMenu* Menu() const;

protected:
    // Fills the empty application items.
    virtual void BuildItems(HostMenu& items) = 0;
    // Called before the menu opens; the default builds the items again.
    virtual void RefreshItems(HostMenu& items);
    // Carries out a chosen command; false when it is not one of the hook's.
    virtual bool Execute(uint32_t command) = 0;

private:
    void Build();

    WinView* view_ = nullptr;
};

} // namespace WinLayer
