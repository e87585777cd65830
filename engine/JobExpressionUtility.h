#pragma once

// The text handling shared by every field of a search: splitting a field into its items, the
// number of lines a block needs for the expressions, the single-line escaped form in which
// multi-line text sits in edit bars and saved files, and the expansion of a replacement text.
// Every whole-text operation is built from a character-level step that takes (text, position)
// and returns the units it consumed with the output for them.

#include <core/RawString.h>
#include <core/RawStringList.h>

#include <cstdint>
#include <string>

namespace JobLayer {

using RawLayer::RawString;
using RawLayer::RawStringList;

class JobExpressionUtility {
public:
    // What "%N" and "%0".."%9" stand for while a replacement text is expanded.
    class Situation {
    public:
        virtual ~Situation() = default;
        // The base gives CR LF.
        virtual RawString LineBreak() const;
        // The base gives the digit itself.
        virtual RawString Capture(int index) const;
    };

    // The field a text comes from decides which empty items survive the split.
    enum class Field {
        Search,  // a leading empty item is dropped, the others stay
        Folder,  // every empty item is dropped
        Filter,  // every empty item is dropped
        Replace, // every item stays
    };

    // What an escaping step does with "%" and ";".
    enum class EscapeMode {
        All,         // "%" -> "%e", ";" -> "%d"
        KeepPercent, // ";" -> "%d", "%" stays
        LineBreaks,  // both stay
    };

    // One character-level step: the units consumed and the text they become.
    struct Step {
        int32_t consumed;
        std::string output;
    };

    static RawStringList SplitList(const RawString& text, Field field);
    static int32_t BlockLineCount(const RawStringList& expressions);

    static RawString Escape(const RawString& text);
    static RawString EscapeKeepPercent(const RawString& text);
    // The ordinary paste into a bar: line breaks become "%N" (CR LF is one), tabs "%t", other
    // control characters are dropped, and "%" and ";" stay as they are.
    static RawString EscapeLineBreaks(const RawString& text);
    static RawString Unescape(const RawString& text, int32_t start, int32_t end);
    static RawString Unescape(const RawString& text) { return Unescape(text, 0, text.Length()); }
    static RawString Expand(const RawString& text, const Situation& situation);

    static Step EscapeStep(const RawString& text, int32_t pos, EscapeMode mode);
    static Step UnescapeStep(const RawString& text, int32_t pos, int32_t end);
    static Step ExpandStep(const RawString& text, int32_t pos, const Situation& situation);

    // Units of the character starting at `pos`, never reaching past `end`.
    static int32_t CharacterLength(const RawString& text, int32_t pos, int32_t end);
};

} // namespace JobLayer
