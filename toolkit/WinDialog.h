#pragma once

// A top-level window with an ordered list of child views. It creates their windows when it is
// shown (RegisterChildren, whose order is the focus order), routes host messages to them,
// moves the focus between them, lays them out when it is resized, and runs its own message
// loop when shown modally.

#include <toolkit/WinView.h>
#include <toolkit/WinViewList.h>

namespace WinLayer {

// The dialog's own resize record: its client rectangle, which its children's anchors follow.
class WinDialogResize {
public:
    const HostRect& ClientRecord() const { return client_; }
    const HostRect& RestoreRect() const { return restore_; }

protected:
    HostRect client_ {};
    HostRect restore_ {};
};

class WinDialog : public WinView, public WinDialogResize {
public:
    // State word bits.
    static constexpr uint32_t kChildWantsPreTranslate = 0x1;
    static constexpr uint32_t kClosed = 0x2;

    // Notification codes carried in the high word of a command word.
    static constexpr uint16_t kNotifyFinish = 0x1002;
    static constexpr uint16_t kNotifyCancel = 0x1004;
    // Private messages.
    static constexpr uint32_t kMsgActivateModal = 0x8000;
    static constexpr uint32_t kMsgBringToFront = 0x8001;
    static constexpr uint32_t kMsgMoveFocus = 0x8002;
    static constexpr uint32_t kMsgContextCommand = 0x8003;

    WinDialog();
    ~WinDialog() override;

    // Adds the child views (AddChild), in focus order; called while the dialog's window is
    // being created.
    virtual void RegisterChildren();
    // Asked when the dialog is to close (the close button, Close, a cancel): may it close now?
    // Default true.
    virtual bool CanClose();

    // The colour the client area is filled with before anything paints on it.
    static constexpr RawColour kDialogFace = RawColour::FromRgb(0xF0, 0xF0, 0xF0);

    // A dialog's command: the child is found by its identifier (null when none matches) and
    // its notification goes to the dialog's own OnNotify.
    HostResult OnCommand(uint32_t command_word) override;
    // The default: 0x1004 (cancel) posts a close request to the dialog itself.
    HostResult OnNotify(WinView* child, uint32_t code) override;
    // The default: the client area must hold every child that does not move with the dialog's
    // edges (no anchor on that axis).
    bool AdjustMinTrackSize(HostSize& min_track) override;
    // The default: each anchored child follows the client rectangle.
    void LayoutChildren() override;

    // Adds a child: the next id of the view list, owner link, host window, font, OnCreated.
    bool AddChild(WinView& view);
    WinViewList& Views() { return views_; }

    // Creates the window (hidden or shown by the show command) without a modal loop; for the
    // main window and for modeless dialogs. `owner` may be null: such a dialog is the
    // program's main window, and its destruction ends the message loop.
    bool Create(WinView* owner);
    // True while the dialog's window exists.
    bool IsOpen() const;
    // True while ShowModal runs its loop.
    bool RunningModal() const { return modal_running_; }
    // Runs the dialog modally over the root dialog of `caller` and returns the result pointer.
    void* ShowModal(WinView* caller);
    // Ends the dialog: sets the closed bit and the result, and destroys the window. A second
    // ending is ignored. Returns false when it was closed already.
    bool EndDialog(void* result);
    // Asks the dialog to close as the close button does (CanClose may refuse).
    void Close();
    // Offers a queued message to PreTranslate of the view owning its window when that view wants
    // pre-translation (flag bit 0); true when the view swallowed it.
    static bool PreTranslateMessage(const HostMessage& message);
    // The message loop of the main window: pre-translation, translation and dispatch until the
    // quit message; returns the quit code.
    static int RunMessageLoop();
    // Centres `rect` on `owner` and moves it into the work area.
    static HostRect PlaceOver(const HostRect& rect, const HostRect& owner, const HostRect& work_area);

    uint32_t State() const { return state_; }
    int ShowCommand() const { return show_command_; }
    void SetShowCommand(int command) { show_command_ = command; }
    void* Result() const { return result_; }
    void SetResult(void* result) { result_ = result; }
    int SizeState() const { return size_state_; }
    void SetIcons(int large, int small)
    {
        large_icon_ = large;
        small_icon_ = small;
    }

    // The process-wide list of root dialogs (ids from 2000).
    static WinViewList& Roots();

    // Routing of one host message to the dialog's handlers (the blocked handler while a
    // modal child is open).
    HostResult Route(uint32_t message, HostWParam wparam, HostLParam lparam);

    // The view that gets the focus when it moves from the view with `from_id`: the walk goes
    // forward (backward) from it with wrap-around and skips views without a window, disabled
    // ones and ones flagged kSkipFocus; null when no other view qualifies. An unknown
    // identifier starts the walk before the first view (after the last one going backward).
    WinView* NextFocusView(uint16_t from_id, bool backward);

private:
    HostResult HandleDialogMessage(uint32_t message, HostWParam wparam, HostLParam lparam);
    HostResult HandleBlocked(uint32_t message, HostWParam wparam, HostLParam lparam);
    HostResult HandleSize(uint32_t message, HostWParam wparam, HostLParam lparam);
    HostResult HandleDestroy(uint32_t message, HostWParam wparam, HostLParam lparam);
    HostResult HandleParentNotify(uint32_t message, HostWParam wparam, HostLParam lparam);
    void OnSize(HostWParam state);
    void MoveFocus(uint16_t from_id, bool backward);
    void BringToFront(HostWParam wparam, HostLParam lparam);
    // Makes the top-level window for `owner_window` (0 for none); false when the host refused.
    bool CreateHostWindow(HostHandle owner_window);
    // Tells the modal child its owner was clicked or raised: a beep and a flashing caption.
    static void AlertModalChild(HostHandle child);

    WinViewList views_;
    uint32_t state_ = 0;
    int show_command_ = 1;
    void* result_ = nullptr;
    int large_icon_ = 0;
    int small_icon_ = 0;
    int size_state_ = 5;
    bool modal_running_ = false;
    // Set for a dialog whose destruction ends a message loop (a modal run or the main window).
    bool ends_loop_ = false;
};

} // namespace WinLayer
