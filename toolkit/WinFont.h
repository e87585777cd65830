#pragma once

// The font a view shares with others: a logical font record (the fields profiles store) and the
// host font made from it on first use. Three process-wide defaults come from the desktop: the
// menu, status and message fonts.

#include <core/RawParameterList.h>
#include <toolkit/host/HostFont.h>

#include <cstdint>
#include <memory>
#include <string>

namespace WinLayer {

// The logical font record. Height follows the host's rule: negative = character height in
// pixels, positive = cell height, 0 = default size.
struct WinLogFont {
    int32_t height = 0;
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0; // 100..900, 0 = normal
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strike_out = 0;
    uint8_t charset = 0;
    uint8_t out_precision = 0;
    uint8_t clip_precision = 0;
    uint8_t quality = 0;
    uint8_t pitch_family = 0;
    std::u16string face_name; // empty = the default family
    friend bool operator==(const WinLogFont&, const WinLogFont&) = default;
};

class WinFont;
using WinFontPtr = std::shared_ptr<WinFont>;

class WinFont {
public:
    // The fallback font: a zeroed record with height 12 and the default character set.
    WinFont();
    explicit WinFont(const WinLogFont& log_font);
    WinFont(const WinFont&) = delete;
    WinFont& operator=(const WinFont&) = delete;

    const WinLogFont& LogFont() const { return log_font_; }
    // Takes a new record; the host font is made again on its next use.
    void SetLogFont(const WinLogFont& log_font);

    // The host font of the record, made on first use (user-interface thread).
    const HostFontPtr& Handle() const;
    // What the host needs of the record.
    HostFontSpec FontSpec() const { return SpecFromLogFont(log_font_); }

    // Reads the record from a parameter list under the keys "Height" ... "FaceName"; a missing
    // key keeps the current value of its field. Integers are clamped to the range of their field.
    void Load(const RawLayer::RawParameterList& list);
    // Writes the fourteen keys in their order (the first thirteen as decimal integers, the face
    // name as text), replacing the value of a key the list holds already.
    void Save(RawLayer::RawParameterList& list) const;

    static WinLogFont LogFontFromSpec(const HostFontSpec& font_spec);
    static HostFontSpec SpecFromLogFont(const WinLogFont& log_font);
    // The zeroed record with height 12 used when the desktop's fonts cannot be read.
    static WinLogFont FallbackLogFont();

    // The process-wide defaults, read once from the desktop; never null.
    static const WinFontPtr& MenuFont();
    static const WinFontPtr& StatusFont();
    static const WinFontPtr& MessageFont();
    // The record of a desktop font font_spec, or the fallback when the font_spec tells nothing (no face
    // and no size: the desktop's setting could not be read).
    static WinLogFont DesktopLogFont(const HostFontSpec& font_spec);

private:
    WinLogFont log_font_;
    mutable HostFontPtr handle_;
};

} // namespace WinLayer
