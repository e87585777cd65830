#pragma once

// One entry of the path dialog's list: a folder, a file, a mounted file system, or one of the
// bracketed quick-navigation entries. The path is the entry's bytes as the system gave them; the
// display name is for the eye only (a name that is not UTF-8 shows replacement marks there).

#include <core/RawString.h>

#include <cstdint>

namespace WinLayer {

struct WinPathBoxItem {
    enum class Kind : uint8_t { Folder, File, Drive, Pseudo };
    // What a pseudo-entry goes to.
    enum class Pseudo : uint8_t { None, Desktop, MyDocument, Drives, LinkBackword };

    // Attribute bits, as the folder listing found them.
    static constexpr uint32_t kHidden = 0x01;
    static constexpr uint32_t kReadOnly = 0x02;
    static constexpr uint32_t kLink = 0x04;
    static constexpr uint32_t kUnknown = 0x08; // the entry's attributes could not be read

    RawLayer::RawString display;
    RawLayer::RawString path;
    Kind kind = Kind::File;
    Pseudo pseudo = Pseudo::None;
    uint32_t attributes = 0;

    bool Listable() const { return kind != Kind::File; }
};

} // namespace WinLayer
