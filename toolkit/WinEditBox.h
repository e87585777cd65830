#pragma once

// The toolkit's own text entry control, single-line or multi-line: caret and selection by keys
// and mouse (with auto-scroll while dragging), a one-step undo that toggles, the clipboard,
// dropped files, the input method's composition drawn at the caret, and a context menu. Every
// change of the text goes through one replace step (ReplaceSelection's) and is reported to the
// owning dialog with kNotifyChange, posted so that it arrives after the change.

#include <toolkit/WinEditBoxBasic.h>
#include <toolkit/WinPlaneBox.h>

namespace WinLayer {

class HostMenu;

class WinEditBox : public WinPlaneBox, public WinEditBoxBasic {
public:
    static constexpr uint16_t kNotifyEnter = 0x1002;
    static constexpr uint16_t kNotifyList = 0x1003;
    static constexpr uint16_t kNotifyCancel = 0x1004;
    static constexpr uint16_t kNotifyChange = 0x1006;
    // Context-menu commands.
    static constexpr uint32_t kCommandCancel = 1;
    static constexpr uint32_t kCommandUndo = 2;
    static constexpr uint32_t kCommandCopy = 3;
    static constexpr uint32_t kCommandPaste = 4;
    static constexpr uint32_t kCommandDelete = 5;
    static constexpr uint32_t kCommandSelectAll = 6;
    static constexpr uint32_t kCommandInsertTab = 7;
    static constexpr uint32_t kCommandIme = 8;
    static constexpr uint32_t kCommandRegister = 9;
    // Pixels from an edge where a drag scrolls, and pixels scrolled per move.
    static constexpr int32_t kScrollZone = 8;
    static constexpr int32_t kScrollStep = 2;

    WinEditBox();
    ~WinEditBox() override;

    // The flags word (WinEditBoxInfo bits); multi-line follows the style's kMultiLine too.
    void SetEditFlags(uint32_t flags);
    uint32_t EditFlags() const { return edit_.EditFlags(); }
    // The paste hook of a single-line box (not owned; may be null).
    void SetEncoder(WinEditBoxInfo::Encoder* encoder);
    const WinEditBoxInfo& Info() const { return edit_; }
    // The layout of the box's text (geometry in client coordinates).
    WinEditBoxDraw& EditDraw() { return edit_; }

    std::u16string Text16() const { return edit_.Text16(); }
    // Sets anchor and caret (clamped, never inside a surrogate pair) and scrolls the caret into
    // view.
    void SetSelection(int32_t start, int32_t end);
    int32_t Caret() const { return edit_.Caret(); }
    int32_t Anchor() const { return edit_.Anchor(); }

    // The one replace step: replaces the selection by `text` (undo record, caret and anchor at
    // the end, revision, window text, posted kNotifyChange, redraw). Nothing when read-only.
    void ReplaceSelection(const std::u16string& text);
    void Copy();
    void Paste();
    void Undo();
    void SelectAll();
    void DeleteSelection();
    // Runs a context-menu command (kCommandCancel..kCommandRegister).
    virtual void RunCommand(uint32_t command);

    // A new text replaces everything: caret and anchor at its end, no undo.
    void ClearText() override;
    void SetText(const RawLayer::RawString& text) override;
    void SetTextConverted(const RawLayer::RawString& text) override;

    // Handlers of the view.
    void PaintContent(HostPainter& painter, const HostRect& client) override;
    void OnClientSize(const HostSize& size) override;
    bool OnMouseDown(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    bool OnMouseUp(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    bool OnDoubleClick(HostPoint point, HostMouseButton button, uint32_t modifiers) override;
    bool OnMouseMove(HostPoint point, uint32_t modifiers) override;
    bool OnMouseWheel(HostPoint point, int32_t delta, uint32_t modifiers) override;
    bool OnKeyDown(uint32_t key, uint32_t modifiers) override;
    bool OnChar(char32_t code_point) override;
    bool OnComposition(const HostComposition& composition) override;
    void OnFocusGained() override;
    void OnFocusLost() override;
    void OnCaptureLost() override;
    bool OnDropFiles(const std::vector<std::string>& paths, HostPoint point) override;
    bool OnContextMenu(HostPoint point) override;
    HostResult OnContextCommand(uint32_t command, HostLParam parameter) override;
    bool OnScroll(int bar, uint16_t code, int32_t position) override;
    void OnCreated() override;
    void OnDestroyed() override;

protected:
    // Fills the context menu: the "EditBar" texts and their conditions.
    virtual void BuildContextMenu(HostMenu& menu);
    // Called after every change of the text (the replace step, undo, SetText).
    virtual void OnTextChanged();
    void OnReplaced() override;

private:
    // Keys by group; true when the key was used.
    bool EditKey(uint32_t key, uint32_t modifiers);
    bool MoveKey(uint32_t key, bool shift, bool ctrl);
    bool ControlKey(uint32_t key, bool shift);
    // The single-line box's Up and Down.
    bool FocusKey(uint32_t key);
    // Moves the caret and shows it (the anchor follows unless `extend`).
    void PutCaret(int32_t index, bool extend);
    // One line up (-1) or down (+1) at the preferred column.
    void MoveLine(int32_t direction, bool extend);
    // The text unit range before or after the caret that Backspace or Delete removes.
    void DeleteBeside(bool before);
    void InsertLineBreak();
    // Takes the composition string in as typed text (a click or the focus leaving while
    // composing).
    void CompleteComposition();
    // Shows the caret at its place, places the candidate window, updates the scroll bar.
    void ShowChanges(bool scroll);
    void UpdateScrollBar();
    void PlaceCaret();
    void SetTextUnits(std::u16string text);
    bool UseVScroll() const;
    // Lays out in the view's font (the message font when it has none).
    void SyncFont();

    // Set while a whole new text is taken, which is no edit to report.
    bool resetting_ = false;
};

} // namespace WinLayer
