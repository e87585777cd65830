#pragma once

// The program's main window. It is a plain top-level dialog: everything it shows and does is the
// controller's (GuiViewItems), which the window tells about each event that is the program's own:
// building the controls, commands and notifications, timers, keys, the request to close.

#include <toolkit/WinDialog.h>

#include <cstdint>
#include <string_view>

namespace AppLayer {

class GuiViewDialog : public WinLayer::WinDialog {
public:
    class Controller {
    public:
        virtual ~Controller() = default;
        // Adds the controls to the window being made.
        virtual void RegisterControls() = 0;
        // The window and its controls exist.
        virtual void Created() = 0;
        // A command or notification, from a control (`child`) or posted to the window (null).
        virtual void Command(WinLayer::WinView* child, uint32_t code) = 0;
        virtual void Timer(uintptr_t id) = 0;
        // Whether the window may close now; a controller that still has work to end says no
        // and closes the window itself later.
        virtual bool MayClose() = 0;
        // The smallest client size the controls can live with.
        virtual WinLayer::HostSize MinimumClient() = 0;
        // The window is gone.
        virtual void Destroyed() = 0;
    };

    static constexpr std::string_view kClassName = "Quelvane";
    static constexpr int kLargeIcon = 130;
    static constexpr int kSmallIcon = 131;

    GuiViewDialog();

    // Not owned; set before the window is made and kept until it is gone.
    void SetController(Controller* controller) { controller_ = controller; }

    void RegisterChildren() override;
    void OnCreated() override;
    WinLayer::HostResult OnNotify(WinLayer::WinView* child, uint32_t code) override;
    bool OnTimer(uintptr_t id) override;
    bool CanClose() override;
    bool AdjustMinTrackSize(WinLayer::HostSize& min_track) override;
    void OnDestroyed() override;

private:
    Controller* controller_ = nullptr;
};

} // namespace AppLayer
