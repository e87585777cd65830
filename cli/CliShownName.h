#pragma once

// File names as the console shows them. A name is bytes, and any byte but "/" and zero may stand
// in it: a line feed would split a result line in two, a carriage return would rewind it, and an
// escape sequence would reach the terminal and act there. The shown form escapes every control
// character (C0, DEL and the C1 range), each byte that is not part of valid UTF-8, and the
// backslash itself, so that it reads back unambiguously and can never act on a terminal.

#include <string>
#include <string_view>

namespace QuelvaneCli {

class CliShownName {
public:
    // Appends `bytes` to `to` with "\n", "\r", "\t", "\\" for those four, "\xHH" (two lower-case
    // hex digits) for any other control byte or a byte outside valid UTF-8, and "\u00HH" for a
    // C1 control written in UTF-8 (which some terminals take as the start of a sequence).
    static void AppendEscaped(std::string& to, std::string_view bytes);

private:
    static void AppendByte(std::string& to, unsigned char byte);
    // The length of the valid UTF-8 sequence that starts `bytes` (whose first byte is above
    // 7F), or 0 when it is not one.
    static size_t Utf8Length(std::string_view bytes);
};

} // namespace QuelvaneCli
