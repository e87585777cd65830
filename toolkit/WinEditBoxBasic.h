#pragma once

// The editing of an edit box without its window: the one replace step every change goes
// through, the undo that toggles, caret moves by whole characters and by lines, and the cut of
// a paste to its limit. The box's window side hears of each change through OnReplaced.

#include <toolkit/WinEditBoxDraw.h>

#include <string>

namespace WinLayer {

class WinEditBoxBasic {
public:
    // The most UTF-16 units one paste inserts.
    static constexpr size_t kPasteLimit = 4096;
    // The most units of a composition string or result the box takes.
    static constexpr size_t kCompositionLimit = 1024;

    virtual ~WinEditBoxBasic() = default;

    // `text` cut to at most `limit` units without splitting a surrogate pair.
    static std::u16string CutToLimit(std::u16string text, size_t limit);

protected:
    // The replace step: the text of [start, end) becomes the undo text and the undo range the
    // range `text` will occupy; the range is replaced; caret and anchor go to the end of the
    // inserted text; the revision is bumped and OnReplaced runs. Ends inside a surrogate pair
    // are widened to the whole pair.
    void ReplaceRange(int32_t start, int32_t end, const std::u16string& text);
    // Puts back the undo text over the undo range (through the replace step, so a second undo
    // redoes) and selects it. False when there is nothing to undo or the box is read-only.
    bool UndoEdit();
    // Takes a whole new text (not undoable): caret and anchor at its end, the undo record empty.
    void ResetText(std::u16string text);
    // Moves the caret; the anchor follows unless `extend`. Any move but a vertical one forgets
    // the preferred column.
    void MoveCaret(int32_t index, bool extend);
    // Moves the caret one line up (-1) or down (+1), keeping the preferred column.
    void MoveVertically(int32_t direction, bool extend);
    // A valid index at or before `index` that is not inside a surrogate pair.
    int32_t Snap(int32_t index) const;

    // Runs after every replace step, undo and reset.
    virtual void OnReplaced() = 0;

    WinEditBoxDraw edit_;
};

} // namespace WinLayer
