#pragma once

// The one rule for handing a string to the system: POSIX calls take bytes. A string of code 0
// (the locale's codeset) or 2 (UTF-8) goes as its bytes, so a file name the system gave us goes
// back unchanged even when it is not valid UTF-8; a string of any other code is converted to the
// locale's codeset first.

#include <core/RawString.h>

#include <string>

namespace RawLayer {

class RawSystemText {
public:
    explicit RawSystemText(const RawString& text);

    // False when the text cannot be put in the locale's codeset, or holds a zero byte that
    // would silently cut it short.
    bool IsValid() const { return valid_; }
    const char* CStr() const { return valid_ ? bytes_.c_str() : ""; }
    std::string_view View() const { return bytes_; }

private:
    std::string bytes_;
    bool valid_ = false;
};

} // namespace RawLayer
