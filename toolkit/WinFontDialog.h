#pragma once

// The toolkit's font chooser: the families pango knows, four styles and a list of sizes, with a
// sample line in English and Japanese drawn in the font as it is chosen. "OK" (or Enter in a
// list) hands the font back; "Cancel", Escape or closing the window change nothing.

#include <toolkit/WinButton.h>
#include <toolkit/WinDialog.h>
#include <toolkit/WinFont.h>
#include <toolkit/WinListBoxR.h>
#include <toolkit/WinStaticBox.h>

#include <optional>
#include <string>
#include <vector>

namespace WinLayer {

class WinFontDialog : public WinDialog {
public:
    // The sizes offered, in pixels of character height.
    static const std::vector<int32_t>& Sizes();
    static constexpr const char* kSample = "AaBbYyZz 0123  日本語の検索と置換";

    explicit WinFontDialog(const WinLogFont& current);
    ~WinFontDialog() override;

    // Runs the chooser over `caller`'s window; the chosen font, or nothing when cancelled.
    static std::optional<WinLogFont> Choose(WinView* caller, const WinLogFont& current);
    std::optional<WinLogFont> Run(WinView* caller);

    // The font as the lists stand.
    WinLogFont Current() const;

    void RegisterChildren() override;
    void OnCreated() override;
    HostResult OnNotify(WinView* child, uint32_t code) override;

    // The lists, for tests and keyboard users alike.
    class TextList : public WinListBoxR<std::string> {
    public:
        void DrawRow(HostPainter& painter, const HostRect& rect, int32_t row) override;
        int32_t Find(const std::string& text) const;
    };
    TextList& Families() { return families_; }
    TextList& Styles() { return styles_; }
    TextList& SizeList() { return sizes_; }

private:
    void Fill();
    void ShowSample();
    void End(bool chosen);

    WinLogFont start_;
    std::vector<std::string> family_names_;
    std::vector<std::string> style_names_;
    std::vector<std::string> size_names_;
    TextList families_;
    TextList styles_;
    TextList sizes_;
    WinStaticBox sample_;
    WinButton ok_;
    WinButton cancel_;
    WinFontPtr sample_font_;
    std::optional<WinLogFont> chosen_;
};

} // namespace WinLayer
