#pragma once

// The gallery's window: one of each control of the toolkit (the list box with a hundred thousand
// rows under a column header), a status line that tells what the
// last control reported, and a button that opens the info dialog. It can save pictures of itself
// (first paint, or whenever the process gets SIGUSR1) for screenshots and end-to-end tests.

#include <toolkit/WinButton.h>
#include <toolkit/WinDialog.h>
#include <toolkit/WinDivider.h>
#include <toolkit/WinDropButton.h>
#include <toolkit/WinEditBox.h>
#include <toolkit/WinImageBox.h>
#include <toolkit/WinRadioButton.h>
#include <toolkit/WinSelectorButton.h>
#include <toolkit/WinStaticBox.h>
#include <toolkit/gallery/GalleryListBox.h>

#include <memory>
#include <string>
#include <vector>

namespace Gallery {

using namespace WinLayer;

class GalleryDialog : public WinDialog,
                      private WinDropButton::Execution,
                      private WinListBoxColumnControl::Handler {
public:
    static constexpr const char* kTitle = "Quelvane gallery";

    struct Options {
        // Save the first paint of each window here (the info dialog's with "-info" before the
        // extension) and end.
        std::string screenshot;
        // On each SIGUSR1, save a picture as PREFIX-N.png (N from 1) and print its path.
        std::string snapshot_prefix;
        // Print the rectangles of the controls a test clicks, in client coordinates.
        bool print_layout = false;
    };

    explicit GalleryDialog(Options options);
    ~GalleryDialog() override;

    // Where the info dialog's screenshot goes for a main screenshot path.
    static std::string InfoScreenshotPath(const std::string& path);

    void RegisterChildren() override;
    void OnCreated() override;
    HostResult OnNotify(WinView* child, uint32_t code) override;
    bool OnTimer(uintptr_t id) override;
    // The private screenshot message.
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override;

private:
    void Build();
    void Place(WinView& view, const HostRect& rect);
    WinStaticBox& Caption(
        const char* text, const HostRect& rect, uint32_t box_style = WinStaticBox::kAlignLeft);
    void Execute(WinDropButton& button, const RawLayer::RawStringList& paths) override;
    void ColumnWidthsChanged(const std::vector<WinListBoxColumn>& columns) override;
    void OnListNotify(uint32_t code);
    void SetStatus(const std::string& text);
    int ShowInfo();
    void ChoosePath();
    void TakeScreenshots();
    void TakeSnapshot();

    Options options_;
    std::vector<WinView*> order_;
    std::vector<std::unique_ptr<WinStaticBox>> captions_;

    WinButton plain_;
    WinButton pair_left_;
    WinButton pair_right_;
    WinButton toggle_;
    WinButton disabled_;
    WinButton two_lines_;
    WinDropButton drop_;
    WinButton info_;
    WinButton path_;
    WinRadioButton radio_;
    WinSelectorButton selector_;
    WinStaticBox left_text_;
    WinStaticBox two_colours_;
    WinStaticBox wrapped_;
    WinImageBox same_size_;
    WinImageBox bilinear_;
    WinImageBox area_average_;
    WinImageBox icons_[3];
    WinStaticBox panel_left_;
    WinDivider divider_;
    WinStaticBox panel_right_;
    WinEditBox single_line_;
    WinEditBox japanese_;
    WinEditBox read_only_;
    WinEditBox disabled_box_;
    WinEditBox multi_line_;
    WinListBoxColumnControl columns_ { *this, GalleryListBox::kHeaderHeight };
    GalleryHeaderView header_ { columns_ };
    GalleryListBox list_ { columns_ };
    WinStaticBox status_;
    int snapshots_ = 0;
};

} // namespace Gallery
