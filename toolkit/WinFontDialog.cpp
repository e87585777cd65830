#include <core/RawLanguageTable.h>
#include <toolkit/WinFontDialog.h>
#include <toolkit/host/HostPainter.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <algorithm>

namespace WinLayer {

using RawLayer::RawString;

namespace {

constexpr HostSize kClient { 470, 330 };

struct FontStyle {
    const char* name;
    int32_t weight;
    bool italic;
};
constexpr FontStyle kStyles[] = { { "Regular", 400, false }, { "Italic", 400, true }, { "Bold", 700, false },
    { "Bold Italic", 700, true } };

RawString DialogText(const char* key, const char* default_text)
{
    return RawLayer::RawLanguageTable::Instance().Text(RawString("FontDialog"),
        RawString(std::string_view(key), RawLayer::RawEncoding::Utf8),
        RawString(std::string_view(default_text), RawLayer::RawEncoding::Utf8));
}

std::string Utf8Of(const std::u16string& units)
{
    RawString text;
    return text.Acquire(RawString(std::u16string_view(units)), RawLayer::RawEncoding::Utf8) ? text.Str()
                                                                                            : std::string();
}

std::u16string Utf16Of(const std::string& utf8)
{
    RawString units;
    return units.Acquire(RawString(utf8, RawLayer::RawEncoding::Utf8), RawLayer::RawEncoding::Utf16)
        ? std::u16string(units.View16())
        : std::u16string();
}

} // namespace

const std::vector<int32_t>& WinFontDialog::Sizes()
{
    static const std::vector<int32_t> sizes { 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 28, 32, 36 };
    return sizes;
}

void WinFontDialog::TextList::DrawRow(HostPainter& painter, const HostRect& rect, int32_t row)
{
    WinListBoxR<std::string>::DrawRow(painter, rect, row);
    if (const std::string* text = ItemOf(row)) {
        HostRect inner { rect.left + 4, rect.top, rect.right - 2, rect.bottom };
        painter.DrawText(DrawingFont(), *text, inner,
            HostText::kSingleLine | HostText::kVCenter | HostText::kNoPrefix, kText);
    }
}

int32_t WinFontDialog::TextList::Find(const std::string& text) const
{
    const auto& items = Items();
    for (size_t i = 0; i < items.size(); ++i)
        if (*items[i] == text)
            return static_cast<int32_t>(i);
    return -1;
}

WinFontDialog::WinFontDialog(const WinLogFont& current)
    : start_(current)
{
    SetClassName(RawString("Class_FontDialog"));
    SetStyleWords(HostStyle::kCaption | HostStyle::kSysMenu | HostStyle::kClipChildren, 0);
    SetText(DialogText("Caption", "Select window font"));
    family_names_ = HostFont::Families();
    for (const FontStyle& style : kStyles)
        style_names_.emplace_back(style.name);
    for (int32_t size : Sizes())
        size_names_.push_back(std::to_string(size));
    for (TextList* list : { &families_, &styles_, &sizes_ })
        list->SetStyleWords(list->Style() | HostStyle::kVScroll | HostStyle::kBorder, list->ExStyle());
    for (std::string& name : family_names_)
        families_.Items().push_back(&name);
    for (std::string& name : style_names_)
        styles_.Items().push_back(&name);
    for (std::string& name : size_names_)
        sizes_.Items().push_back(&name);
    sample_.SetBoxStyle(WinStaticBox::kAlignLeft);
    sample_.SetColours(RawColour::FromRgb(0xFF, 0xFF, 0xFF), RawColour::None(), WinStaticBox::kDefaultText);
    ok_.Setup(DialogText("OK", "OK"), WinButton::kOutlineAlone, 0);
    cancel_.Setup(DialogText("Cancel", "Cancel"), WinButton::kOutlineAlone, 0);
}

WinFontDialog::~WinFontDialog() = default;

void WinFontDialog::RegisterChildren()
{
    const int32_t w = kClient.cx;
    families_.SetRect({ 10, 10, 250, 230 });
    styles_.SetRect({ 260, 10, 370, 230 });
    sizes_.SetRect({ 380, 10, w - 10, 230 });
    sample_.SetRect({ 10, 240, w - 10, 284 });
    ok_.SetRect({ w - 200, 294, w - 110, 322 });
    cancel_.SetRect({ w - 100, 294, w - 10, 322 });
    for (WinView* view :
        std::initializer_list<WinView*> { &families_, &styles_, &sizes_, &sample_, &ok_, &cancel_ })
        AddChild(*view);
}

void WinFontDialog::OnCreated()
{
    Fill();
    ShowSample();
    families_.Focus();
}

void WinFontDialog::Fill()
{
    for (TextList* list : { &families_, &styles_, &sizes_ })
        list->Refresh();
    const HostFontSpec start_font = WinFont::SpecFromLogFont(start_);
    int32_t family = families_.Find(Utf8Of(start_.face_name));
    if (family < 0)
        family = families_.Find(HostFont::MessageFontSpec().face);
    families_.SetCursor(std::max(family, 0));
    int32_t style = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(kStyles)); ++i)
        if (kStyles[i].italic == start_font.italic
            && kStyles[i].weight == (start_font.weight >= 600 ? 700 : 400))
            style = i;
    styles_.SetCursor(style);
    const int32_t wanted = std::abs(start_font.height != 0 ? start_font.height : 12);
    const auto& sizes = Sizes();
    const auto nearest = std::min_element(sizes.begin(), sizes.end(),
        [wanted](int32_t a, int32_t b) { return std::abs(a - wanted) < std::abs(b - wanted); });
    sizes_.SetCursor(static_cast<int32_t>(nearest - sizes.begin()));
}

WinLogFont WinFontDialog::Current() const
{
    HostFontSpec chosen;
    const int32_t family = families_.Cursor();
    const int32_t style = std::clamp(styles_.Cursor(), 0, static_cast<int32_t>(std::size(kStyles)) - 1);
    const int32_t size = std::clamp(sizes_.Cursor(), 0, static_cast<int32_t>(Sizes().size()) - 1);
    if (family >= 0 && family < static_cast<int32_t>(family_names_.size()))
        chosen.face = family_names_[static_cast<size_t>(family)];
    chosen.weight = kStyles[style].weight;
    chosen.italic = kStyles[style].italic;
    chosen.height = -Sizes()[static_cast<size_t>(size)];
    WinLogFont log_font = WinFont::LogFontFromSpec(chosen);
    log_font.face_name = Utf16Of(chosen.face);
    return log_font;
}

void WinFontDialog::ShowSample()
{
    sample_font_ = std::make_shared<WinFont>(Current());
    sample_.SetFont(sample_font_);
    sample_.SetText(RawString(std::string_view(kSample), RawLayer::RawEncoding::Utf8));
}

HostResult WinFontDialog::OnNotify(WinView* child, uint32_t code)
{
    const bool list = child == &families_ || child == &styles_ || child == &sizes_;
    if (list && code == WinListBox::kCursorChanged)
        ShowSample();
    else if ((list && code == WinListBox::kAccept) || (child == &ok_ && code == 0))
        End(true);
    else if ((child == &cancel_ && code == 0) || code == kNotifyCancel)
        End(false);
    return 0;
}

void WinFontDialog::End(bool chosen)
{
    if ((State() & kClosed) != 0 || !IsOpen())
        return;
    chosen_ = chosen ? std::optional<WinLogFont>(Current()) : std::nullopt;
    EndDialog(nullptr);
}

std::optional<WinLogFont> WinFontDialog::Run(WinView* caller)
{
    const HostRect outer = Host::AdjustWindowRect({ 0, 0, kClient.cx, kClient.cy }, Style(), ExStyle());
    HostRect owner = Host::WorkArea();
    if (caller != nullptr && caller->RootView() != nullptr && caller->RootView()->Window() != 0)
        owner = Host::WindowRect(caller->RootView()->Window());
    SetRect(PlaceOver({ 0, 0, outer.Width(), outer.Height() }, owner, Host::WorkArea()));
    chosen_.reset();
    ShowModal(caller);
    return chosen_;
}

std::optional<WinLogFont> WinFontDialog::Choose(WinView* caller, const WinLogFont& current)
{
    WinFontDialog dialog(current);
    return dialog.Run(caller);
}

} // namespace WinLayer
