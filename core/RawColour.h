#pragma once

// A colour of the program's windows and rows: red, green and blue of 8 bits each, or no colour
// at all. This file is the only one that knows how a colour sits in a 32-bit word: in memory
// as 0x00RRGGBB, and, where profiles and the window system's tradition keep colours as numbers,
// as 0x00BBGGRR ("blue in the high byte").

#include <cstdint>

namespace RawLayer {

class RawColour {
public:
    constexpr RawColour() = default; // black

    static constexpr RawColour FromRgb(uint8_t red, uint8_t green, uint8_t blue)
    {
        return RawColour((uint32_t { red } << 16) | (uint32_t { green } << 8) | blue);
    }
    // A colour stored as a number, 0x00BBGGRR; a value with the top byte set is no colour.
    static constexpr RawColour FromBgrWord(uint32_t word)
    {
        if ((word & 0xFF000000u) != 0)
            return None();
        return FromRgb(
            static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word >> 16));
    }
    // "No colour": what is drawn in it is not drawn, what has it takes its surroundings' colour.
    static constexpr RawColour None() { return RawColour(kNone); }

    constexpr bool IsNone() const { return value_ == kNone; }
    constexpr uint8_t Red() const { return static_cast<uint8_t>(value_ >> 16); }
    constexpr uint8_t Green() const { return static_cast<uint8_t>(value_ >> 8); }
    constexpr uint8_t Blue() const { return static_cast<uint8_t>(value_); }
    // The number form of FromBgrWord (0xFFFFFFFF for no colour).
    constexpr uint32_t BgrWord() const
    {
        return IsNone() ? kNone : (uint32_t { Blue() } << 16) | (uint32_t { Green() } << 8) | Red();
    }

    friend constexpr bool operator==(RawColour, RawColour) = default;

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;

    explicit constexpr RawColour(uint32_t value)
        : value_(value)
    {
    }

    uint32_t value_ = 0; // 0x00RRGGBB, or kNone
};

} // namespace RawLayer
