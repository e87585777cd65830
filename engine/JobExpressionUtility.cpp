#include <engine/JobExpressionUtility.h>

#include <algorithm>

namespace JobLayer {

namespace {

std::string CharacterText(const RawString& text, int32_t pos, int32_t length)
{
    return std::string(text.View().substr(static_cast<size_t>(pos), static_cast<size_t>(length)));
}

RawString Utf8(const std::string& bytes)
{
    return RawString(bytes, RawLayer::RawEncoding::Utf8);
}

// The escapes that Unescape and Expand decode alike; nothing for those that differ.
bool CommonEscape(uint32_t letter, std::string& output)
{
    switch (letter) {
    case 'N':
        output = "\r\n";
        return true;
    case 'n':
        output = "\n";
        return true;
    case 'r':
        output = "\r";
        return true;
    case 't':
        output = "\t";
        return true;
    case 's':
        output = " ";
        return true;
    case 'd':
        output = ";";
        return true;
    case 'e':
        output = "%";
        return true;
    default:
        return false;
    }
}

} // namespace

RawString JobExpressionUtility::Situation::LineBreak() const
{
    return RawString("\r\n");
}

RawString JobExpressionUtility::Situation::Capture(int index) const
{
    return Utf8(std::string(1, static_cast<char>('0' + std::clamp(index, 0, 9))));
}

int32_t JobExpressionUtility::CharacterLength(const RawString& text, int32_t pos, int32_t end)
{
    return std::min(1 + text.TrailLength(pos), end - pos);
}

RawStringList JobExpressionUtility::SplitList(const RawString& text, Field field)
{
    RawStringList pieces;
    int32_t length = text.Length();
    int32_t start = 0;
    for (int32_t pos = 0;; pos += CharacterLength(text, pos, length)) {
        if (pos < length && text.At(pos) != ';')
            continue;
        RawString piece = text.Substring(start, pos);
        bool keep = !piece.IsEmpty() || field == Field::Replace || (field == Field::Search && start != 0);
        if (keep)
            pieces.Add(piece);
        if (pos >= length)
            break;
        start = pos + 1;
    }
    return pieces;
}

int32_t JobExpressionUtility::BlockLineCount(const RawStringList& expressions)
{
    int32_t largest = 1;
    for (const RawString& expression : expressions) {
        int32_t count = 1;
        bool after_cr = false; // "%r%n" is one line break, not two
        int32_t length = expression.Length();
        for (int32_t pos = 0; pos < length;) {
            if (expression.At(pos) != '%' || pos + 1 >= length) {
                after_cr = false;
                pos += CharacterLength(expression, pos, length);
                continue;
            }
            uint32_t letter = expression.At(pos + 1);
            if (letter == 'N' || letter == 'r' || (letter == 'n' && !after_cr))
                ++count;
            after_cr = letter == 'r';
            pos += 1 + CharacterLength(expression, pos + 1, length);
        }
        largest = std::max(largest, count);
    }
    return largest;
}

JobExpressionUtility::Step JobExpressionUtility::EscapeStep(
    const RawString& text, int32_t pos, EscapeMode mode)
{
    uint32_t unit = text.At(pos);
    switch (unit) {
    case '\r':
        return { pos + 1 < text.Length() && text.At(pos + 1) == '\n' ? 2 : 1, "%N" };
    case '\n':
        return { 1, "%N" };
    case '\t':
        return { 1, "%t" };
    case '%':
        return { 1, mode == EscapeMode::All ? "%e" : "%" };
    case ';':
        return { 1, mode == EscapeMode::LineBreaks ? ";" : "%d" };
    default:
        break;
    }
    if (unit < 32)
        return { 1, {} };
    int32_t length = CharacterLength(text, pos, text.Length());
    return { length, CharacterText(text, pos, length) };
}

JobExpressionUtility::Step JobExpressionUtility::UnescapeStep(const RawString& text, int32_t pos, int32_t end)
{
    if (text.At(pos) != '%') {
        int32_t length = CharacterLength(text, pos, end);
        return { length, CharacterText(text, pos, length) };
    }
    if (pos + 1 >= end)
        return { 1, {} }; // a trailing lone "%" is dropped
    int32_t length = CharacterLength(text, pos + 1, end);
    Step step { 1 + length, {} };
    if (!CommonEscape(text.At(pos + 1), step.output))
        step.output = CharacterText(text, pos + 1, length); // "%q" is "q", "%7" is "7"
    return step;
}

JobExpressionUtility::Step JobExpressionUtility::ExpandStep(
    const RawString& text, int32_t pos, const Situation& situation)
{
    int32_t end = text.Length();
    if (text.At(pos) == '%' && pos + 1 < end) {
        uint32_t letter = text.At(pos + 1);
        if (letter == 'N')
            return { 2, situation.LineBreak().Str() };
        if (letter == 'q')
            return { 2, "\"" };
        if (letter >= '0' && letter <= '9')
            return { 2, situation.Capture(static_cast<int>(letter - '0')).Str() };
    }
    return UnescapeStep(text, pos, end);
}

namespace {

template <typename StepFunction> RawString Walk(int32_t start, int32_t end, StepFunction step)
{
    std::string output;
    output.reserve(static_cast<size_t>(std::max(end - start, 0)));
    for (int32_t pos = start; pos < end;) {
        JobExpressionUtility::Step taken = step(pos);
        output += taken.output;
        pos += std::max(taken.consumed, 1);
    }
    return Utf8(output);
}

} // namespace

RawString JobExpressionUtility::Escape(const RawString& text)
{
    return Walk(0, text.Length(), [&](int32_t pos) { return EscapeStep(text, pos, EscapeMode::All); });
}

RawString JobExpressionUtility::EscapeKeepPercent(const RawString& text)
{
    return Walk(
        0, text.Length(), [&](int32_t pos) { return EscapeStep(text, pos, EscapeMode::KeepPercent); });
}

RawString JobExpressionUtility::EscapeLineBreaks(const RawString& text)
{
    return Walk(0, text.Length(), [&](int32_t pos) { return EscapeStep(text, pos, EscapeMode::LineBreaks); });
}

RawString JobExpressionUtility::Unescape(const RawString& text, int32_t start, int32_t end)
{
    start = std::clamp(start, 0, text.Length());
    end = std::clamp(end, start, text.Length());
    return Walk(start, end, [&](int32_t pos) { return UnescapeStep(text, pos, end); });
}

RawString JobExpressionUtility::Expand(const RawString& text, const Situation& situation)
{
    int32_t pos = 0;
    if (text.Length() > 0 && text.At(0) == '!')
        pos = 1;
    if (pos < text.Length() && text.At(pos) == '$')
        return text.Substring(pos + 1, text.Length()); // literal: copied unchanged, escapes included
    if (pos < text.Length() && text.At(pos) == '@')
        ++pos;
    std::string prefix(text.View().substr(0, static_cast<size_t>(pos)));
    RawString rest = Walk(pos, text.Length(), [&](int32_t at) { return ExpandStep(text, at, situation); });
    return Utf8(prefix + rest.Str());
}

} // namespace JobLayer
