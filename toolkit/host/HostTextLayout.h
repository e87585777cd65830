#pragma once

// One laid-out text: its size, and caret positions by character index and back. Made once and
// kept by callers that measure the same text often (edit boxes, list rows).

#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostTypes.h>

#include <string>
#include <vector>

struct _PangoLayout;

namespace WinLayer {

class HostTextLayout {
public:
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
    // The caret rectangle's left edge and line for the caret before character `index`
    // (code points from the start of the text; the end of the text is allowed).
    HostRect CaretRect(int32_t index) const;
    // The character index whose caret lies nearest to a point, inside the layout's lines.
    // Indexes count the code points of the text as given: a prefix mark and its letter (or
    // "&&") share one caret position, and the index returned is the mark's.
    int32_t IndexFromPoint(HostPoint point) const;
    int32_t LineHeight() const { return line_height_; }

private:
    friend class HostPainter; // draws the pango layout at offset_x_

    int32_t LaidIndex(int32_t byte) const;

    _PangoLayout* layout_ = nullptr;
    std::string text_; // as laid out (prefix marks removed)
    // Code points of the text as laid out and as given, both ways; the last entries are the ends.
    std::vector<int32_t> laid_bytes_; // byte offset in text_ of each laid-out code point
    std::vector<int32_t> laid_of_source_;
    std::vector<int32_t> source_of_laid_;
    int32_t line_height_ = 0;
    // Alignment without wrapping: pango aligns lines within the widest, this moves the block.
    int32_t offset_x_ = 0;
};

} // namespace WinLayer
