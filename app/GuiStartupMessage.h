#pragma once

// The messages start-up gives before any window exists (the usage for "-h", a profile that is not
// ours): always printed on standard error, and also shown in a message dialog when the program
// has a display to show it on. Without one (a console, or a headless video driver) the printed
// line is all.

#include <string>

namespace AppLayer {

class GuiStartupMessage {
public:
    enum class Kind { Information, Warning };

    // Prints "Quelvane: <message>" on standard error, then shows the message dialog when a
    // display is available. Returns whether the dialog was shown.
    static bool Show(const std::string& message, Kind kind);
};

} // namespace AppLayer
