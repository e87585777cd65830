#include <core/RawEncoding.h>
#include <toolkit/WinFont.h>

#include <algorithm>
#include <limits>
#include <optional>

namespace WinLayer {

using RawLayer::RawEncoding;
using RawLayer::RawParameterList;
using RawLayer::RawParameterUnit;
using RawLayer::RawString;

namespace {

// The keys of a logical font in the order they are written.
enum Key {
    kHeight,
    kWidth,
    kEscapement,
    kOrientation,
    kWeight,
    kItalic,
    kUnderline,
    kStrikeOut,
    kCharset,
    kOutPrecision,
    kClipPrecision,
    kQuality,
    kPitchFamily,
    kFaceName,
    kCount
};

const RawString& KeyName(Key key)
{
    static const RawString kNames[kCount]
        = { "Height", "Width", "Escapement", "Orientation", "Weight", "Italic", "Underline", "StrikeOut",
              "Charset", "OutPrecision", "ClipPrecision", "Quality", "PitchFamily", "FaceName" };
    return kNames[key];
}

template <typename T> void LoadInteger(const RawParameterList& list, Key key, T& field)
{
    int64_t value = list.GetInteger(KeyName(key), field);
    value = std::clamp<int64_t>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
    field = static_cast<T>(value);
}

void StoreValue(RawParameterList& list, Key key, const RawString& value)
{
    if (RawParameterUnit* unit = list.Find(KeyName(key)))
        unit->value = value;
    else
        list.Add(KeyName(key), value);
}

std::string Utf8FromUtf16(const std::u16string& units)
{
    std::optional<std::string> utf8 = RawLayer::RawFromUtf16(units, RawEncoding::Utf8);
    return utf8 ? *utf8 : std::string();
}

std::u16string Utf16FromUtf8(const std::string& bytes)
{
    std::optional<std::u16string> units = RawLayer::RawToUtf16(bytes, RawEncoding::Utf8);
    return units ? *units : std::u16string();
}

} // namespace

WinFont::WinFont()
    : log_font_(FallbackLogFont())
{
}

WinFont::WinFont(const WinLogFont& log_font)
    : log_font_(log_font)
{
}

void WinFont::SetLogFont(const WinLogFont& log_font)
{
    log_font_ = log_font;
    handle_.reset();
}

const HostFontPtr& WinFont::Handle() const
{
    if (!handle_)
        handle_ = std::make_shared<HostFont>(FontSpec());
    return handle_;
}

void WinFont::Load(const RawParameterList& list)
{
    WinLogFont font = log_font_;
    LoadInteger(list, kHeight, font.height);
    LoadInteger(list, kWidth, font.width);
    LoadInteger(list, kEscapement, font.escapement);
    LoadInteger(list, kOrientation, font.orientation);
    LoadInteger(list, kWeight, font.weight);
    LoadInteger(list, kItalic, font.italic);
    LoadInteger(list, kUnderline, font.underline);
    LoadInteger(list, kStrikeOut, font.strike_out);
    LoadInteger(list, kCharset, font.charset);
    LoadInteger(list, kOutPrecision, font.out_precision);
    LoadInteger(list, kClipPrecision, font.clip_precision);
    LoadInteger(list, kQuality, font.quality);
    LoadInteger(list, kPitchFamily, font.pitch_family);
    if (const RawParameterUnit* unit = list.Find(KeyName(kFaceName))) {
        // A face name that is not valid text keeps the current one rather than becoming empty.
        std::optional<std::u16string> units = unit->value.Encoding() == RawEncoding::Utf16
            ? std::optional<std::u16string>(std::u16string(unit->value.View16()))
            : RawLayer::RawToUtf16(unit->value.View(), unit->value.Encoding());
        if (units)
            font.face_name = *units;
    }
    SetLogFont(font);
}

void WinFont::Save(RawParameterList& list) const
{
    const WinLogFont& f = log_font_;
    StoreValue(list, kHeight, RawString::Number(f.height));
    StoreValue(list, kWidth, RawString::Number(f.width));
    StoreValue(list, kEscapement, RawString::Number(f.escapement));
    StoreValue(list, kOrientation, RawString::Number(f.orientation));
    StoreValue(list, kWeight, RawString::Number(f.weight));
    StoreValue(list, kItalic, RawString::Number(f.italic));
    StoreValue(list, kUnderline, RawString::Number(f.underline));
    StoreValue(list, kStrikeOut, RawString::Number(f.strike_out));
    StoreValue(list, kCharset, RawString::Number(f.charset));
    StoreValue(list, kOutPrecision, RawString::Number(f.out_precision));
    StoreValue(list, kClipPrecision, RawString::Number(f.clip_precision));
    StoreValue(list, kQuality, RawString::Number(f.quality));
    StoreValue(list, kPitchFamily, RawString::Number(f.pitch_family));
    StoreValue(list, kFaceName, RawString(Utf8FromUtf16(f.face_name), RawEncoding::Utf8));
}

WinLogFont WinFont::LogFontFromSpec(const HostFontSpec& font_spec)
{
    WinLogFont font;
    font.height = font_spec.height;
    font.weight = font_spec.weight;
    font.italic = font_spec.italic ? 1 : 0;
    font.underline = font_spec.underline ? 1 : 0;
    font.strike_out = font_spec.strike_out ? 1 : 0;
    font.face_name = Utf16FromUtf8(font_spec.face);
    return font;
}

HostFontSpec WinFont::SpecFromLogFont(const WinLogFont& log_font)
{
    HostFontSpec font_spec;
    font_spec.height = log_font.height;
    font_spec.weight = log_font.weight;
    font_spec.italic = log_font.italic != 0;
    font_spec.underline = log_font.underline != 0;
    font_spec.strike_out = log_font.strike_out != 0;
    font_spec.face = Utf8FromUtf16(log_font.face_name);
    return font_spec;
}

WinLogFont WinFont::FallbackLogFont()
{
    WinLogFont font;
    font.height = 12;
    font.charset = 1; // the default character set
    return font;
}

WinLogFont WinFont::DesktopLogFont(const HostFontSpec& font_spec)
{
    if (font_spec.height == 0 && font_spec.face.empty())
        return FallbackLogFont();
    WinLogFont font = LogFontFromSpec(font_spec);
    font.charset = 1;
    return font;
}

// The defaults are made on first use and live until the process ends, as views everywhere
// share them.
const WinFontPtr& WinFont::MenuFont()
{
    static const WinFontPtr font = std::make_shared<WinFont>(DesktopLogFont(HostFont::MenuFontSpec()));
    return font;
}

const WinFontPtr& WinFont::StatusFont()
{
    static const WinFontPtr font = std::make_shared<WinFont>(DesktopLogFont(HostFont::StatusFontSpec()));
    return font;
}

const WinFontPtr& WinFont::MessageFont()
{
    static const WinFontPtr font = std::make_shared<WinFont>(DesktopLogFont(HostFont::MessageFontSpec()));
    return font;
}

} // namespace WinLayer
