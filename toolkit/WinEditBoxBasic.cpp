#include <toolkit/WinEditBoxBasic.h>

#include <algorithm>

namespace WinLayer {

namespace {

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

} // namespace

std::u16string WinEditBoxBasic::CutToLimit(std::u16string text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t cut = limit;
    if (cut > 0 && IsHighSurrogate(text[cut - 1]) && IsLowSurrogate(text[cut]))
        --cut;
    text.resize(cut);
    return text;
}

int32_t WinEditBoxBasic::Snap(int32_t index) const
{
    const std::u16string& text = edit_.Text16();
    index = std::clamp(index, 0, static_cast<int32_t>(text.size()));
    const auto at = static_cast<size_t>(index);
    if (at > 0 && at < text.size() && IsLowSurrogate(text[at]) && IsHighSurrogate(text[at - 1]))
        --index;
    return index;
}

void WinEditBoxBasic::ReplaceRange(int32_t start, int32_t end, const std::u16string& text)
{
    WinEditBoxDraw& state = edit_;
    const int32_t high = std::clamp(std::max(start, end), 0, static_cast<int32_t>(state.text_.size()));
    start = Snap(std::min(start, end));
    end = Snap(high) == high ? high : high + 1;
    const auto from = static_cast<size_t>(start);
    const auto count = static_cast<size_t>(end - start);
    state.undo_text_ = state.text_.substr(from, count);
    state.undo_start_ = start;
    state.undo_end_ = start + static_cast<int32_t>(text.size());
    state.text_.replace(from, count, text);
    state.caret_ = state.anchor_ = state.undo_end_;
    state.preferred_x_ = -1;
    ++state.edit_revision_;
    OnReplaced();
}

bool WinEditBoxBasic::UndoEdit()
{
    if (!edit_.CanUndo())
        return false;
    WinEditBoxDraw& state = edit_;
    const int32_t start = state.undo_start_;
    const std::u16string restored = state.undo_text_;
    ReplaceRange(start, state.undo_end_, restored);
    state.anchor_ = start;
    return true;
}

void WinEditBoxBasic::ResetText(std::u16string text)
{
    WinEditBoxDraw& state = edit_;
    state.text_ = std::move(text);
    state.caret_ = state.anchor_ = static_cast<int32_t>(state.text_.size());
    state.undo_text_.clear();
    state.undo_start_ = state.undo_end_ = 0;
    state.preferred_x_ = -1;
    ++state.edit_revision_;
    OnReplaced();
}

void WinEditBoxBasic::MoveCaret(int32_t index, bool extend)
{
    WinEditBoxDraw& state = edit_;
    state.caret_ = Snap(index);
    if (!extend)
        state.anchor_ = state.caret_;
    state.preferred_x_ = -1;
}

void WinEditBoxBasic::MoveVertically(int32_t direction, bool extend)
{
    WinEditBoxDraw& state = edit_;
    if (state.preferred_x_ < 0)
        state.preferred_x_ = edit_.XInLine(state.caret_);
    const int32_t line = edit_.LineOfIndex(state.caret_) + direction;
    int32_t target = 0;
    if (line >= edit_.LineCount())
        target = static_cast<int32_t>(state.text_.size());
    else if (line >= 0)
        target = edit_.IndexAtX(line, state.preferred_x_);
    state.caret_ = Snap(target);
    if (!extend)
        state.anchor_ = state.caret_;
}

} // namespace WinLayer
