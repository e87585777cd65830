#pragma once

// The layout and painting of an edit state. A multi-line text is cut into lines at its line
// breaks (CRLF, LF, CR) once per revision; each line gets its own layout, made when the line is
// first drawn or measured and kept while its text stays the same, so typing in a long text lays
// out one line and a caret blink lays out nothing. A single-line box is one line, its line
// breaks shown as blanks. The composition being typed is drawn inside the caret's line,
// underlined.

#include <toolkit/WinEditBoxInfo.h>

#include <memory>
#include <unordered_map>
#include <vector>

namespace WinLayer {

class HostFont;
class HostTextLayout;

class WinEditBoxDraw : public WinEditBoxInfo::Drawer, public WinEditBoxInfo {
public:
    // Space between the client edge and the text.
    static constexpr int32_t kMarginX = 3;
    static constexpr int32_t kMarginY = 2;

    WinEditBoxDraw();
    ~WinEditBoxDraw() override;

    // The font to lay out in (not owned; must outlive the layouts). Drops the layouts.
    void SetFont(const HostFont* font);
    const HostFont* Font() const { return font_; }
    // The client size the geometry refers to.
    void SetClientSize(HostSize size) { client_ = size; }
    HostSize ClientSize() const { return client_; }

    void PaintText(HostPainter& painter, const HostRect& client, bool focused, bool enabled) override;
    HostRect CaretRect(int32_t index) override;
    int32_t IndexFromPoint(HostPoint point) override;
    void SetTextColour(RawColour colour) { text_colour_ = colour; }

    // Lines: numbered from 0; a line's end is before its line break.
    int32_t LineCount();
    int32_t LineOfIndex(int32_t index);
    int32_t LineStart(int32_t line);
    int32_t LineEnd(int32_t line);
    // Lines that fit in the client area (at least 1).
    int32_t VisibleLines();
    int32_t LineHeight() const;
    // The x of the caret before `index` within its line, unscrolled.
    int32_t XInLine(int32_t index);
    // The index of line `line` nearest to the unscrolled x.
    int32_t IndexAtX(int32_t line, int32_t x);
    // Caret stops around `index`: whole characters, surrogate pairs, CRLF and combining marks.
    int32_t PreviousStop(int32_t index);
    int32_t NextStop(int32_t index);
    // The word at `index` (start, end).
    std::pair<int32_t, int32_t> WordAt(int32_t index);
    // Scrolls so that the caret is inside the client area both ways; true when it moved.
    bool ScrollToCaret();
    // Sets the top line (clamped); true when it changed.
    bool SetTopLine(int32_t line);
    // Sets the horizontal offset (not below 0); true when it changed.
    bool SetScrollX(int32_t x);
    // The width of the text of the caret's line (unscrolled), for auto-scrolling.
    int32_t LineWidth(int32_t line);

    // Layouts made so far (cache misses): what a benchmark or a test of the caching counts.
    uint64_t LayoutsMade() const { return layouts_made_; }

private:
    struct CachedLine {
        std::u16string shown;
        std::unique_ptr<HostTextLayout> layout;
    };

    void UpdateLines();
    const HostFont& LayoutFont() const;
    // The layout of a line as shown (with the composition in the caret's line).
    HostTextLayout& LineLayout(int32_t line);
    // The index in a line's shown text of a text index on that line.
    int32_t ShownIndex(int32_t line, int32_t index);
    bool Composing(int32_t line);
    HostPoint LineOrigin(int32_t line) const;
    void DropFarLayouts();

    const HostFont* font_ = nullptr;
    HostSize client_ {};
    RawColour text_colour_ = RawColour::FromRgb(0, 0, 0);
    // Where each line starts; rebuilt when the revision or the text's length changed.
    std::vector<int32_t> line_starts_;
    uint32_t lines_revision_ = 0xFFFFFFFFu;
    size_t lines_length_ = 0;
    bool lines_multi_ = false;
    std::unordered_map<int32_t, CachedLine> layouts_;
    uint64_t layouts_made_ = 0;
};

} // namespace WinLayer
