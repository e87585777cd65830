#pragma once

// The edit state of an edit box: its text in UTF-16 units, caret and anchor, the preferred
// column, the scroll offsets, the one-step undo record, the revision, the flags word, the
// colours, the paste hook, the composition being typed and the drag flag. Every index counts
// UTF-16 units.

#include <core/RawColour.h>
#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <string>

namespace WinLayer {

class HostPainter;

class WinEditBoxInfo {
public:
    // The paste hook: takes the clipboard text (UTF-16) and returns the text to insert.
    class Encoder {
    public:
        virtual ~Encoder() = default;
        virtual std::u16string Encode(const std::u16string& clipboard) = 0;
    };

    // Lays out and paints an edit state; geometry is in the box's client coordinates.
    class Drawer {
    public:
        virtual ~Drawer() = default;
        // Paints the text, the selection and the composition inside `client`.
        virtual void PaintText(HostPainter& painter, const HostRect& client, bool focused, bool enabled) = 0;
        // The caret's rectangle for the caret before `index`.
        virtual HostRect CaretRect(int32_t index) = 0;
        // The index whose caret lies nearest to a client point.
        virtual int32_t IndexFromPoint(HostPoint point) = 0;
    };

    // Flags word bits.
    static constexpr uint32_t kMultiLine = 0x1;
    static constexpr uint32_t kReadOnly = 0x2;
    static constexpr uint32_t kNoIme = 0x4;
    static constexpr uint32_t kNoTabInsert = 0x8;
    static constexpr uint32_t kInPlaceEditor = 0x10;
    static constexpr uint32_t kNoBlink = 0x40;
    static constexpr uint32_t kImeAttached = 0x100;
    static constexpr uint32_t kDownAsksList = 0x400;

    // Colours as the box draws them (a light blue selection behind the text while focused).
    static constexpr RawColour kSelectionColour = RawColour::FromBgrWord(0xFFD0C0);
    static constexpr RawColour kDisabledColour = RawColour::FromBgrWord(0xA0A0A0);

    virtual ~WinEditBoxInfo() = default;

    const std::u16string& Text16() const { return text_; }
    int32_t Caret() const { return caret_; }
    int32_t Anchor() const { return anchor_; }
    int32_t SelectionStart() const { return caret_ < anchor_ ? caret_ : anchor_; }
    int32_t SelectionEnd() const { return caret_ < anchor_ ? anchor_ : caret_; }
    bool HasSelection() const { return caret_ != anchor_; }
    uint32_t EditFlags() const { return flags_; }
    bool MultiLine() const { return (flags_ & kMultiLine) != 0; }
    bool ReadOnly() const { return (flags_ & kReadOnly) != 0; }
    uint32_t EditRevision() const { return edit_revision_; }
    const std::u16string& UndoText() const { return undo_text_; }
    int32_t UndoStart() const { return undo_start_; }
    int32_t UndoEnd() const { return undo_end_; }
    bool CanUndo() const { return !ReadOnly() && (!undo_text_.empty() || undo_start_ != undo_end_); }
    int32_t ScrollX() const { return scroll_x_; }
    int32_t TopLine() const { return top_line_; }
    // The composition string being typed (empty when none) and its cursor in units.
    const std::u16string& Composition() const { return composition_; }
    int32_t CompositionCursor() const { return composition_cursor_; }

protected:
    // The editing operations change the state; drawing reads it.
    friend class WinEditBoxBasic;
    friend class WinEditBox;

    std::u16string text_;
    int32_t caret_ = 0;
    int32_t anchor_ = 0;
    // The x position vertical moves keep; -1 when none.
    int32_t preferred_x_ = -1;
    int32_t scroll_x_ = 0; // pixels
    int32_t top_line_ = 0; // the first line shown in a multi-line box
    std::u16string undo_text_;
    int32_t undo_start_ = 0;
    int32_t undo_end_ = 0;
    uint32_t edit_revision_ = 0;
    uint32_t flags_ = 0;
    RawColour selection_colour_ = kSelectionColour;
    Encoder* encoder_ = nullptr;
    std::u16string composition_;
    int32_t composition_cursor_ = 0;
    bool drag_ = false;
};

} // namespace WinLayer
