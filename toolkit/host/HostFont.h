#pragma once

// A font of the host, made from the fields of a logical font (the toolkit keeps the logical
// font record; the host needs only these). Fonts come from fontconfig through pango, with
// fallback for characters the face lacks; pango's language is "ja" so kanji take Japanese forms.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct _PangoFontDescription;

namespace WinLayer {

struct HostFontSpec {
    // Negative: character height in pixels; positive: cell height (ascent + descent) in pixels;
    // 0: the default size.
    int32_t height = 0;
    int32_t weight = 400; // 100..900, 0 = normal
    bool italic = false;
    bool underline = false;
    bool strike_out = false;
    std::string face; // UTF-8 family name; empty = the default family
    friend bool operator==(const HostFontSpec&, const HostFontSpec&) = default;
};

class HostFont {
public:
    explicit HostFont(const HostFontSpec& font_spec);
    ~HostFont();
    HostFont(const HostFont&) = delete;
    HostFont& operator=(const HostFont&) = delete;

    const HostFontSpec& FontSpec() const { return spec_; }
    // Line height, ascent and average character width in pixels.
    int32_t LineHeight() const;
    int32_t Ascent() const;
    int32_t AverageCharWidth() const;

    // The desktop's default fonts: the family and size the desktop uses for its menus, status
    // bars and message boxes (on this host all three come from fontconfig's default sans face).
    static HostFontSpec MenuFontSpec();
    static HostFontSpec StatusFontSpec();
    static HostFontSpec MessageFontSpec();
    // Family names pango knows, sorted (for a font chooser).
    static std::vector<std::string> Families();

private:
    friend class HostTextLayout; // lays text out in the font

    HostFontSpec spec_;
    _PangoFontDescription* description_ = nullptr;
    int32_t line_height_ = 0;
    int32_t ascent_ = 0;
    int32_t average_char_width_ = 0;
};

using HostFontPtr = std::shared_ptr<HostFont>;

} // namespace WinLayer
