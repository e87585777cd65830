#pragma once

// The base of every window of the toolkit: a dialog or a control inside one. A view is built
// without a window; adding it to a dialog creates its host window. The view's message handler
// decodes each host message once and calls a typed handler (Paint, OnMouseDown, OnKeyDown, ...);
// controls override those. The raw message operation stays for hooks and for messages without
// a typed handler.

#include <core/RawString.h>
#include <toolkit/WinFont.h>
#include <toolkit/WinViewHookList.h>
#include <toolkit/host/HostEvent.h>
#include <toolkit/host/HostTypes.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace WinLayer {

class WinDialog;

// Style record: the window text with its revision, the style and extended style words.
class WinViewStyle {
public:
    virtual ~WinViewStyle() = default;
    // The window text in the application's text encoding (UTF-8); window creation and the
    // host's text come from it.
    virtual RawLayer::RawString GetText() const;
    // Makes the text an empty one of the same encoding; bumps the revision.
    virtual void ClearText();
    // Takes `text` as it is (no copy when it is the same object); bumps the revision.
    virtual void SetText(const RawLayer::RawString& text);
    // Takes `text` converted to UTF-8; bumps the revision.
    virtual void SetTextConverted(const RawLayer::RawString& text);

    const RawLayer::RawString& Text() const { return text_; }
    uint32_t Revision() const { return revision_; }
    uint32_t Style() const { return style_; }
    uint32_t ExStyle() const { return ex_style_; }
    void SetStyleWords(uint32_t style, uint32_t ex_style)
    {
        style_ = style;
        ex_style_ = ex_style;
    }

protected:
    RawLayer::RawString text_;
    uint32_t revision_ = 0;
    uint32_t style_ = 0;
    uint32_t ex_style_ = 0;
};

// Action record: the host window, the view flags, the control id, the class name, the hooks.
class WinViewAction {
public:
    // Flag bits.
    static constexpr uint32_t kWantsPreTranslate = 0x1;
    static constexpr uint32_t kSkipFocus = 0x2;

    HostHandle Window() const { return window_; }
    uint32_t Flags() const { return flags_; }
    void SetFlags(uint32_t flags) { flags_ = flags; }
    uint16_t Id() const { return id_; }
    const RawLayer::RawString& ClassName() const { return class_name_; }
    void SetClassName(const RawLayer::RawString& name) { class_name_ = name; }
    WinViewHookList& Hooks() { return hooks_; }

protected:
    // Atomic: a job thread that posts to a dialog looks it up by its window in the root list
    // while the user-interface thread creates and destroys windows.
    std::atomic<HostHandle> window_ = 0;
    uint32_t flags_ = 0;
    uint16_t id_ = 0;
    RawLayer::RawString class_name_;
    WinViewHookList hooks_;
};

// Resize record: the rectangle, the parent's client rectangle as last seen, the link to the
// parent's current client rectangle, and the anchor flags.
class WinViewResize {
public:
    // Anchor flags: which edge moves by which change of the parent rectangle.
    static constexpr uint32_t kLeftByLeft = 0x0001;
    static constexpr uint32_t kLeftByRight = 0x0002;
    static constexpr uint32_t kLeftByCentre = 0x0004;
    static constexpr uint32_t kRightByRight = 0x0010;
    static constexpr uint32_t kRightByLeft = 0x0020;
    static constexpr uint32_t kRightByCentre = 0x0040;
    static constexpr uint32_t kTopByTop = 0x0100;
    static constexpr uint32_t kTopByBottom = 0x0200;
    static constexpr uint32_t kTopByCentre = 0x0400;
    static constexpr uint32_t kBottomByBottom = 0x1000;
    static constexpr uint32_t kBottomByTop = 0x2000;
    static constexpr uint32_t kBottomByCentre = 0x4000;

    // The rectangle moved by the change from `old_parent` to `new_parent` under `anchors`.
    static HostRect Shift(
        const HostRect& rect, const HostRect& old_parent, const HostRect& new_parent, uint32_t anchors);

    const HostRect& Rect() const { return rect_; }
    void SetRect(const HostRect& rect) { rect_ = rect; }
    uint32_t Anchors() const { return anchors_; }
    // Anchors the view to a parent rectangle (normally the dialog's client rectangle record).
    void SetAnchors(uint32_t anchors, const HostRect* parent_link);
    const HostRect* ParentLink() const { return parent_link_; }
    // Applies the change of the linked parent rectangle since it was last seen; false (nothing
    // moved) without a link. A link made while the parent rectangle was still empty (its window
    // not yet made) takes the first rectangle it sees as the starting point instead of moving.
    bool FollowParent();

protected:
    HostRect rect_ {};
    HostRect parent_seen_ {};
    const HostRect* parent_link_ = nullptr;
    uint32_t anchors_ = 0;
    bool parent_seen_valid_ = false;
};

// Fitting record: natural text size, outer size and margins.
class WinViewFitting {
public:
    virtual ~WinViewFitting() = default;
    // The natural size of the view's text; Fit measures with it.
    virtual HostSize NaturalTextSize() = 0;
    // The outer window rectangle of a client rectangle for the view's style; Fit grows the
    // natural size with it.
    virtual HostRect OuterRect(const HostRect& client) = 0;

    HostSize Natural() const { return natural_; }
    HostSize Outer() const { return outer_; }
    HostRect Margins() const { return margins_; }
    void SetMargins(const HostRect& margins) { margins_ = margins; }

protected:
    HostSize natural_ {};
    HostSize outer_ {};
    HostRect margins_ {};
};

class WinView : public WinViewStyle, public WinViewAction, public WinViewResize, public WinViewFitting {
public:
    WinView();
    ~WinView() override;
    WinView(const WinView&) = delete;
    WinView& operator=(const WinView&) = delete;

    // A host message, raw: hooks see the same. The default decodes it (Host::Decode) and calls
    // the typed handler below; an override handles the messages it wants raw and passes the
    // others on. Answers kHostNotHandled for the default handling.
    virtual HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam);

    // --- Typed handlers, called by HandleMessage -----------------------------------------
    // Those answering bool return true when they handled the event and false for the default
    // handling: an unhandled double click comes back as a press, an unhandled wheel scrolls a
    // window with scroll bars or goes to the parent, an unhandled right button release asks for
    // a context menu, which goes to the parent when unhandled; Tab and Escape move the focus
    // and cancel the dialog. Points are in the view's client coordinates; modifiers are HostMod
    // bits.
    // Paints the part `dirty` of the client area; the painter is clipped to it.
    virtual void Paint(HostPainter& painter, const HostRect& dirty);
    virtual bool OnMouseDown(HostPoint point, HostMouseButton button, uint32_t modifiers);
    virtual bool OnMouseUp(HostPoint point, HostMouseButton button, uint32_t modifiers);
    virtual bool OnDoubleClick(HostPoint point, HostMouseButton button, uint32_t modifiers);
    virtual bool OnMouseMove(HostPoint point, uint32_t modifiers);
    // `delta` is 120 a notch, positive away from the user.
    virtual bool OnMouseWheel(HostPoint point, int32_t delta, uint32_t modifiers);
    // Keys as HostKey values. Keys pressed with Alt are the window's system keys (menus, the
    // window menu) and reach only HandleMessage.
    virtual bool OnKeyDown(uint32_t key, uint32_t modifiers);
    virtual bool OnKeyUp(uint32_t key, uint32_t modifiers);
    // A typed character (a whole code point; Return, Tab, Backspace and Escape come as 13, 9,
    // 8 and 27, Ctrl with a letter as its control code).
    virtual bool OnChar(char32_t code_point);
    // The input method's composition changed; see HostComposition for its forms.
    virtual bool OnComposition(const HostComposition& composition);
    virtual void OnFocusGained();
    virtual void OnFocusLost();
    // The mouse capture the view held went to another window.
    virtual void OnCaptureLost();
    virtual bool OnTimer(uintptr_t id);
    // Files dropped on a view whose extended style accepts them.
    virtual bool OnDropFiles(const std::vector<std::string>& paths, HostPoint point);
    // A context menu is asked for at `point` (the pointer, or a point of the view's choosing
    // when it was asked for from the keyboard).
    virtual bool OnContextMenu(HostPoint point);
    // The view's scroll bar `bar` (kSbVert, kSbHorz) was used: a kSb code, and for the thumb
    // codes the position (32 bits).
    virtual bool OnScroll(int bar, uint16_t code, int32_t position);
    // Owner-drawn items of a child control, sent to its dialog: fill in the item's size, or
    // draw it; true when done.
    virtual bool MeasureItem(HostMeasureItem& item);
    virtual bool DrawItem(const HostDrawItem& item);

    // --- Notices and requests of the toolkit --------------------------------------------
    // A command from a child (control id in the low word, notification code in the high
    // word), from kCommand; forwards to the owning dialog's OnNotify, -1 without a dialog.
    virtual HostResult OnCommand(uint32_t command_word);
    // A command chosen in the view's context menu (ShowContextMenu), delivered through the
    // private message 0x8003 once the menu has closed.
    virtual HostResult OnContextCommand(uint32_t command, HostLParam parameter);
    // A queued message before translation, offered by the dialog's message loop when the view
    // asks for it (flag kWantsPreTranslate); true swallows it (with `result`).
    virtual bool PreTranslate(const HostMessage& message, HostResult& result);
    // The host window was created (AddChild, Create, ShowModal): initialise, set the focus.
    virtual void OnCreated();
    // The host window was destroyed; the view stays, without a window.
    virtual void OnDestroyed();
    // A notification from a child view (its command's code), through OnCommand.
    virtual HostResult OnNotify(WinView* child, uint32_t code);
    // Asked by a dialog when the host asks for its size limits: grow `min_track` to what the
    // children need; true when changed.
    virtual bool AdjustMinTrackSize(HostSize& min_track);
    // Lays the children out after the dialog's client area changed size.
    virtual void LayoutChildren();
    // The dialog's size state changed (0 restored, 1 minimized, 2 maximized; 5 not yet sized).
    virtual void OnSizeState(int previous, int current);
    // A notice with two integers that no caller of the toolkit uses yet.
    virtual void OnSpare(int first, int second);

    // The text setters also set the text of the window, when there is one.
    void ClearText() override;
    void SetText(const RawLayer::RawString& text) override;
    void SetTextConverted(const RawLayer::RawString& text) override;
    // The text of GetText as UTF-8 bytes, as the host takes it.
    std::string TextUtf8() const;

    // The fitting operations' defaults: the text measured with the view's font (no prefix,
    // tab length 4, word break for multi-line styles); the frame and scroll bars of the style.
    HostSize NaturalTextSize() override;
    HostRect OuterRect(const HostRect& client) override;
    // Stores the natural size, adds the margins, applies OuterRect and stores the outer size.
    HostSize Fit();

    WinDialog* OwnerDialog() const { return owner_; }
    // The root dialog reached by following owner links (this view when it is a root dialog).
    WinView* RootView();
    const WinFontPtr& Font() const { return font_; }
    // Shares `font` and sends it to the window (redrawn) when there is one.
    void SetFont(const WinFontPtr& font);

    // Window helpers that do nothing without a window.
    void Invalidate();
    void Focus();
    bool HasFocus() const;
    void Enable(bool enable);
    bool Enabled() const;
    void Show(bool show);
    // Moves the view (and its window) to a rectangle in the parent's client coordinates.
    void MoveTo(const HostRect& rect, bool repaint = true);
    // Shows a popup menu at a client point; a chosen command comes back to OnContextCommand.
    void ShowContextMenu(const class HostMenu& menu, HostPoint client);

    // The active modal child's window (0 when none), guarded for job threads.
    HostHandle ModalChild() const;
    void SetModalChild(HostHandle window);

    // A view that asks not to be subclassed gets a window without the toolkit's procedure (its
    // messages take the host's default handling) and flag bit 1; call before it is added.
    void SetSubclassed(bool subclassed) { subclassed_ = subclassed; }
    bool Subclassed() const { return subclassed_; }

    // Toolkit internals: window creation and message dispatch for this view.
    // The handling of a child view's message: HandleMessage and the hooks, then the toolkit's
    // defaults (commands, context commands, Tab and Escape), then the host's default.
    HostResult Dispatch(uint32_t message, HostWParam wparam, HostLParam lparam);
    // Sets the window, owner and identifier (window 0 before the window is made).
    void AttachWindow(HostHandle window, WinDialog* owner, uint16_t id);
    // Forgets the window (it is gone).
    void DetachWindow();

protected:
    // Posts a command word (id, code) to the owning dialog.
    void PostCommand(uint16_t code);
    // HandleMessage, then the hooks: the first hook answer other than kHostNotHandled wins,
    // otherwise HandleMessage's answer stands.
    HostResult AskHandlers(uint32_t message, HostWParam wparam, HostLParam lparam);
    // The toolkit's handling of what HandleMessage and the hooks left: Tab moves the focus in the
    // owning dialog, Escape posts a cancel command to it. kHostNotHandled for anything else.
    HostResult HandleNavigationKey(uint32_t message, HostWParam wparam);
    // The dialog a command or focus move of this view goes to: the owner, or the view itself
    // when it is a root dialog.
    WinDialog* CommandTarget();

private:
    // Calls the typed handler of a decoded message.
    HostResult HandleEvent(const HostEvent& event);

    WinDialog* owner_ = nullptr;
    bool subclassed_ = true;
    WinFontPtr font_;
    mutable std::mutex modal_lock_;
    HostHandle modal_child_ = 0;
};

} // namespace WinLayer
