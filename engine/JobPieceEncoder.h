#pragma once

// The bytes that stand in a file for a run of text the matcher looks for. The matcher sees a
// file's lines converted to UTF-8; a run it finds there stood in the file as the run's characters
// in the file's encoding, one after another. That holds only for characters with exactly one
// form in the encoding: code page 932 gives some characters two (the NEC and IBM rows), so a
// run is cut at such a character into the runs around it, each of which the file must still hold.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace JobLayer {

class JobPieceEncoder {
public:
    // How a file's bytes relate to the text the matcher sees.
    enum class Form : uint8_t {
        Same,    // the text is the file's bytes (UTF-8, or plain ASCII delivered as it is)
        Sjis,    // code page 932
        Utf16Le, // 16-bit units, low byte first
        Utf16Be, // 16-bit units, high byte first
    };

    // The runs of bytes the file must hold wherever its text holds `units` (UTF-8). Nothing
    // when `units` is not valid UTF-8 and the form is not Same: such units can stand inside a
    // converted character, where no run of the file's bytes stands for them.
    static std::vector<std::string> Encode(std::string_view units, Form form);

    // The single form of a character in code page 932 (one or two bytes), or 0 when it has
    // none or several; for tests and for Encode.
    static uint16_t SjisForm(char16_t unit);
};

} // namespace JobLayer
