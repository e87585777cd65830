#pragma once

// One laid-out text: its size, caret positions by index and back, its lines and words, and
// coloured runs for selections, hits and compositions. Made once and kept by callers that
// measure the same text often (edit boxes, list rows).
//
// Every index counts UTF-16 code units of the text as given, the unit of the toolkit's text
// offsets: a character outside the Basic Multilingual Plane is two units, a combining mark is
// a character of its own. An index inside a surrogate pair means the caret before that pair.
// This layout is the one place where those units and the UTF-8 bytes the text is laid out in
// are converted.

#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostTypes.h>

#include <string>
#include <vector>

struct _PangoLayout;
struct _PangoAttrList;

namespace WinLayer {

// A part of a layout drawn in its own colours: text colour, a background behind it, and an
// underline (RawColour::None() keeps the colour DrawLayout is given, or no background).
struct HostTextRun {
    int32_t start = 0; // UTF-16 units, end excluded
    int32_t end = 0;
    RawColour foreground = RawColour::None();
    RawColour background = RawColour::None();
    bool underline = false;
};

class HostTextLayout {
public:
    struct Word {
        int32_t start = 0;
        int32_t end = 0;
        friend bool operator==(const Word&, const Word&) = default;
    };

    // `flags` are HostText flags (word break, single line, tabs with their length, no prefix,
    // alignment, end ellipsis); `width` is the wrapping, alignment and ellipsis width (ignored
    // without them). Without kNoPrefix, "&x" underlines x and "&&" is "&". With kTabStop, bits
    // 8-15 are the tab length, so kNoClip, kCalcRect and kNoPrefix cannot be given with it: text
    // with its own tab length is data text and is shown without prefix processing. Under
    // kSingleLine, line breaks show as blanks. Every line is the font's line height, whatever
    // faces its characters need.
    HostTextLayout(const HostFont& font, const std::string& utf8, uint32_t flags, int32_t width);
    ~HostTextLayout();
    HostTextLayout(const HostTextLayout&) = delete;
    HostTextLayout& operator=(const HostTextLayout&) = delete;

    // The size of the text; an empty text measures as one blank, so an empty line keeps its height.
    HostSize Size() const;
    int32_t LineCount() const;
    // The caret rectangle's left edge and line for the caret before `index` (the end of the
    // text is allowed).
    HostRect CaretRect(int32_t index) const;
    // The index whose caret lies nearest to a point, inside the layout's lines. A prefix mark
    // and its letter (or "&&") share one caret position, and the index returned is the mark's.
    int32_t IndexFromPoint(HostPoint point) const;
    int32_t LineHeight() const { return line_height_; }

    // Lines, wrapped or ended by a line break ("\n", "\r\n" or "\r"), numbered from 0. A caret
    // at a wrap belongs to the line it starts. A line's end is before its line break.
    int32_t LineOfIndex(int32_t index) const;
    int32_t LineStart(int32_t line) const;
    int32_t LineEnd(int32_t line) const;
    // The caret position of line `line` nearest to `x` (within the line's start and end).
    int32_t IndexFromX(int32_t line, int32_t x) const;
    int32_t XOfIndex(int32_t index) const;
    // The word at a caret position, by pango's word boundaries: the word after the caret, else
    // the one ending at it; an empty range at `index` between words.
    Word WordAt(int32_t index) const;
    // The caret positions before and after `index` by pango's cursor positions: a character
    // with its combining marks, a surrogate pair or a CRLF is passed over whole. At the text's
    // start or end the index itself.
    int32_t PreviousCaretStop(int32_t index) const;
    int32_t NextCaretStop(int32_t index) const;

    // Replaces the coloured runs (selection, hits, composition) drawn by DrawLayout.
    void SetRuns(const std::vector<HostTextRun>& runs);

private:
    friend class HostPainter; // draws the pango layout at offset_x_

    int32_t LaidIndex(int32_t byte) const;
    int32_t LaidOf(int32_t index) const;
    int32_t ByteOf(int32_t index) const;
    int32_t IndexOfByte(int32_t byte) const;

    _PangoLayout* layout_ = nullptr;
    _PangoAttrList* base_attributes_ = nullptr; // the font's and the mnemonics', without runs
    std::string text_;                          // as laid out (prefix marks removed)
    // Code points of the text as laid out and UTF-16 units of the text as given, both ways;
    // the last entries are the ends.
    std::vector<int32_t> laid_bytes_;     // byte offset in text_ of each laid-out code point
    std::vector<int32_t> laid_of_source_; // laid code point of each given unit
    std::vector<int32_t> source_of_laid_; // given unit where each laid code point starts
    int32_t line_height_ = 0;
    // Alignment without wrapping: pango aligns lines within the widest, this moves the block.
    int32_t offset_x_ = 0;
};

} // namespace WinLayer
