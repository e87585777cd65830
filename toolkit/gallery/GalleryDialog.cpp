#include <core/RawPath.h>
#include <toolkit/WinPathBoxItemList.h>
#include <toolkit/WinPathDialog.h>
#include <toolkit/gallery/GalleryDialog.h>
#include <toolkit/gallery/GalleryInfoDialog.h>
#include <toolkit/host/HostMessageLoop.h>
#include <toolkit/host/HostSystem.h>
#include <toolkit/host/HostWindow.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace Gallery {

using RawLayer::RawEncoding;
using RawLayer::RawString;

namespace {

constexpr uint32_t kMsgScreenshot = HostMsg::kApp + 0x100;
constexpr uintptr_t kSnapshotTimer = 1;
constexpr uint32_t kSnapshotInterval = 50;

// Notification codes of the gallery's controls.
constexpr uint16_t kCodeToggle = 0x2001;
constexpr uint16_t kCodeOption = 0x2002;
constexpr uint16_t kCodeDivider = 0x2003;

constexpr int32_t kClientWidth = 960;
constexpr int32_t kClientHeight = 692;
constexpr int32_t kStatusTop = 660; // below the list

volatile std::sig_atomic_t snapshot_requested = 0;

void OnSnapshotSignal(int)
{
    snapshot_requested = 1;
}

RawString Utf8(const std::string& text)
{
    return RawString(text, RawEncoding::Utf8);
}

// A small picture for the image boxes: blocks of four colours with a half-transparent quarter,
// so each scaling function shows its character when it enlarges it four times.
HostBitmap SamplePicture()
{
    constexpr uint32_t kColours[] = { 0xFFD83A2E, 0xFF2F6FD0, 0xFF3BA55C, 0xFFF0B400 };
    constexpr int32_t kSize = 16;
    constexpr int32_t kBlock = 4;
    HostBitmap bitmap;
    bitmap.width = kSize;
    bitmap.height = kSize;
    for (int32_t y = 0; y < kSize; ++y) {
        for (int32_t x = 0; x < kSize; ++x) {
            uint32_t pixel = kColours[((x / kBlock) + (y / kBlock)) % 4];
            if (x < kSize / 2 && y < kSize / 2)
                pixel = WinBitmapAlpha::Premultiplied(pixel & 0xFFFFFF, 0x80);
            bitmap.pixels.push_back(pixel);
        }
    }
    return bitmap;
}

} // namespace

GalleryDialog::GalleryDialog(Options options)
    : options_(std::move(options))
{
    SetClassName(RawString("Class_Gallery"));
    SetStyleWords(
        HostStyle::kCaption | HostStyle::kSysMenu | HostStyle::kMinimizeBox | HostStyle::kClipChildren, 0);
    SetText(Utf8(kTitle));
    WinBitmapPool::Instance().AddSource("gallery.sample", SamplePicture());
    Build();

    HostRect outer = Host::AdjustWindowRect({ 0, 0, kClientWidth, kClientHeight }, Style(), ExStyle());
    HostRect work = Host::WorkArea();
    SetRect(PlaceOver({ 0, 0, outer.Width(), outer.Height() }, work, work));
    if (!options_.snapshot_prefix.empty())
        std::signal(SIGUSR1, OnSnapshotSignal);
}

GalleryDialog::~GalleryDialog()
{
    if (!options_.snapshot_prefix.empty())
        std::signal(SIGUSR1, SIG_DFL);
}

std::string GalleryDialog::InfoScreenshotPath(const std::string& path)
{
    size_t slash = path.rfind('/');
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1)
        return path + "-info";
    return path.substr(0, dot) + "-info" + path.substr(dot);
}

void GalleryDialog::Place(WinView& view, const HostRect& rect)
{
    view.SetRect(rect);
    order_.push_back(&view);
}

WinStaticBox& GalleryDialog::Caption(const char* text, const HostRect& rect, uint32_t box_style)
{
    auto caption = std::make_unique<WinStaticBox>();
    caption->SetText(Utf8(text));
    caption->SetBoxStyle(box_style);
    caption->SetColours(kDialogFace, RawColour::None(), RawColour::FromRgb(0x50, 0x50, 0x50));
    WinStaticBox& box = *caption;
    captions_.push_back(std::move(caption));
    Place(box, rect);
    return box;
}

// The controls in focus order, with their places.
void GalleryDialog::Build()
{
    Caption("Buttons", { 16, 10, 300, 30 });
    plain_.Setup(RawString("Plain button"), WinButton::kOutlineAlone, 0);
    Place(plain_, { 16, 34, 136, 64 });
    pair_left_.Setup(RawString("Left"), WinButton::kToggleMask | WinButton::kOutlineLeftOfPair, kCodeToggle);
    pair_left_.SetToggleState(true);
    Place(pair_left_, { 148, 34, 228, 64 });
    pair_right_.Setup(
        RawString("Right"), WinButton::kToggleMask | WinButton::kOutlineRightOfPair, kCodeToggle);
    Place(pair_right_, { 228, 34, 308, 64 });
    toggle_.Setup(RawString("Toggle"), WinButton::kToggleMask | WinButton::kOutlineAlone, kCodeToggle);
    Place(toggle_, { 320, 34, 420, 64 });
    disabled_.Setup(RawString("Disabled"), WinButton::kOutlineAlone, 0);
    disabled_.Enable(false);
    Place(disabled_, { 432, 34, 532, 64 });

    two_lines_.Setup(RawString("Check\\nAll"), WinButton::kOutlineAlone, 0);
    Place(two_lines_, { 16, 74, 136, 118 });
    drop_.Setup(RawString("Drop files here"), WinButton::kOutlineAlone, 0);
    drop_.SetExecution(this);
    Place(drop_, { 148, 74, 308, 118 });
    info_.Setup(RawString("Info dialog..."), WinButton::kOutlineAlone, 0);
    Place(info_, { 320, 74, 424, 118 });
    path_.Setup(RawString("Path dialog..."), WinButton::kOutlineAlone, 0);
    Place(path_, { 432, 74, 532, 118 });

    Caption("Options", { 16, 128, 300, 148 });
    radio_.Setup(
        { RawString("Plain text"), RawString("Regular expression"), RawString("Whole words") }, kCodeOption);
    Place(radio_, { 16, 152, 200, 224 });
    selector_.Setup({ RawString("Files"), RawString("Folders"), RawString("Both") }, kCodeOption, 2);
    Place(selector_, { 220, 156, 532, 186 });

    Caption("Static boxes", { 16, 230, 300, 250 });
    left_text_.SetText(RawString("Left aligned"));
    left_text_.SetBoxStyle(WinStaticBox::kAlignLeft);
    left_text_.SetColours(
        RawColour::FromRgb(0xFF, 0xFF, 0xFF), RawColour::None(), WinStaticBox::kDefaultText);
    left_text_.SetMargins({ 8, 4, 8, 4 });
    Place(left_text_, { 16, 254, 180, 300 });
    two_colours_.SetText(RawString("Two colours"));
    two_colours_.SetColours(RawColour::FromRgb(0xDC, 0xE8, 0xF8), RawColour::FromRgb(0xB8, 0xCF, 0xEE),
        RawColour::FromRgb(0x1A, 0x3A, 0x6A));
    Place(two_colours_, { 196, 254, 360, 300 });
    wrapped_.SetText(RawString("A longer text wraps onto more lines inside its margins."));
    wrapped_.SetBoxStyle(WinStaticBox::kAlignRight | WinStaticBox::kMultiLine);
    wrapped_.SetColours(RawColour::FromRgb(0xFF, 0xFF, 0xFF), RawColour::None(), WinStaticBox::kDefaultText);
    wrapped_.SetMargins({ 8, 4, 8, 4 });
    Place(wrapped_, { 376, 254, 644, 300 });

    Caption("Images", { 16, 310, 300, 330 });
    same_size_.SetImage("gallery.sample", WinBitmapAlpha::FunctionSameSize);
    bilinear_.SetImage("gallery.sample", WinBitmapAlpha::FunctionBilinear);
    area_average_.SetImage("gallery.sample", WinBitmapAlpha::FunctionAreaAverage);
    Place(same_size_, { 16, 334, 80, 398 });
    Place(bilinear_, { 96, 334, 160, 398 });
    Place(area_average_, { 176, 334, 240, 398 });
    Caption("same size", { 10, 400, 86, 418 }, 0);
    Caption("bilinear", { 90, 400, 166, 418 }, 0);
    Caption("area average", { 166, 400, 250, 418 }, 0);
    const WinBitmapPool::Icon icons[]
        = { WinBitmapPool::Icon::Question, WinBitmapPool::Icon::Warning, WinBitmapPool::Icon::Information };
    for (int i = 0; i < 3; ++i) {
        icons_[i].SetIcon(icons[i], 32);
        Place(icons_[i], { 262 + i * 44, 350, 298 + i * 44, 386 });
    }

    Caption("Divider", { 420, 310, 644, 330 });
    panel_left_.SetText(RawString("Drag the bar"));
    panel_left_.SetColours(
        RawColour::FromRgb(0xFF, 0xFF, 0xFF), RawColour::None(), WinStaticBox::kDefaultText);
    Place(panel_left_, { 420, 334, 526, 418 });
    divider_.Attach(panel_left_, panel_right_);
    divider_.SetMinimumSize(40);
    divider_.SetCode(kCodeDivider);
    Place(divider_, { 526, 334, 532, 418 });
    panel_right_.SetText(RawString("Other side"));
    panel_right_.SetColours(
        RawColour::FromRgb(0xFF, 0xFF, 0xFF), RawColour::None(), WinStaticBox::kDefaultText);
    Place(panel_right_, { 532, 334, 644, 418 });

    Caption("Edit boxes", { 664, 10, 944, 30 });
    single_line_.SetText(Utf8("Type here: single line"));
    Place(single_line_, { 664, 34, 944, 58 });
    japanese_.SetText(Utf8("日本語の検索文字列と置換"));
    Place(japanese_, { 664, 66, 944, 90 });
    read_only_.SetEditFlags(WinEditBoxInfo::kReadOnly);
    read_only_.SetText(Utf8("Read-only: select and copy only"));
    read_only_.SetColours(RawColour::FromRgb(0xF4, 0xF4, 0xF4), WinPlaneBox::kDefaultText);
    Place(read_only_, { 664, 98, 944, 122 });
    disabled_box_.SetText(Utf8("Disabled: shown in grey"));
    disabled_box_.Enable(false);
    Place(disabled_box_, { 664, 130, 944, 154 });
    multi_line_.SetEditFlags(WinEditBoxInfo::kMultiLine);
    multi_line_.SetStyleWords(multi_line_.Style() | HostStyle::kVScroll, multi_line_.ExStyle());
    std::string lines;
    for (int line = 1; line <= 20; ++line)
        lines += "Line " + std::to_string(line) + (line == 2 ? "\t置換後の行" : "") + "\r\n";
    multi_line_.SetText(Utf8(lines + "Last line"));
    multi_line_.SetSelection(0, 0);
    Place(multi_line_, { 664, 162, 944, 300 });

    Caption("List box: 100,000 rows of 1 to 4 lines, multiple selection, sideways scrolling",
        { 16, 430, 944, 450 });
    for (const auto& [width, title] : { std::pair { 120, "Row" }, { 260, "File" }, { 820, "Text" } })
        columns_.Columns().emplace_back(width, RawString(title, RawEncoding::Utf8));
    header_.Hooks().Add(columns_);
    // The header stands over the list's client area: inside its sunken edge, clear of its
    // vertical scroll bar.
    const int32_t edge = Host::Metric(HostMetric::EdgeWidth);
    const int32_t header_right = 944 - edge - Host::Metric(HostMetric::VScrollWidth);
    Place(header_, { 16 + edge, 454, header_right, 454 + GalleryListBox::kHeaderHeight });
    list_.Fill();
    Place(list_, { 16, 454 + GalleryListBox::kHeaderHeight, 944, 650 });

    status_.SetText(RawString("Click a control, or drop files on the drop button."));
    status_.SetBoxStyle(WinStaticBox::kAlignLeft);
    status_.SetColours(
        RawColour::FromRgb(0xE6, 0xE6, 0xE6), RawColour::None(), RawColour::FromRgb(0x30, 0x30, 0x30));
    status_.SetMargins({ 16, 0, 16, 0 });
    Place(status_, { 0, kStatusTop, kClientWidth, kClientHeight });
}

void GalleryDialog::RegisterChildren()
{
    for (WinView* view : order_)
        AddChild(*view);
}

void GalleryDialog::OnCreated()
{
    plain_.Focus();
    if (options_.print_layout) {
        HostRect toggle = toggle_.Rect();
        std::printf("toggle %d %d %d %d\n", toggle.left, toggle.top, toggle.right, toggle.bottom);
        const HostRect edit = single_line_.Rect();
        std::printf("edit %d %d %d %d\n", edit.left, edit.top, edit.right, edit.bottom);
        const HostRect list = list_.Rect();
        std::printf("list %d %d %d %d\n", list.left, list.top, list.right, list.bottom);
        const HostRect path = path_.Rect();
        std::printf("path %d %d %d %d\n", path.left, path.top, path.right, path.bottom);
        std::fflush(stdout);
    }
    if (!options_.screenshot.empty())
        Host::PostMessage(Window(), kMsgScreenshot, 0, 0);
    if (!options_.snapshot_prefix.empty())
        Host::SetTimer(Window(), kSnapshotTimer, kSnapshotInterval);
}

HostResult GalleryDialog::OnNotify(WinView* child, uint32_t code)
{
    if (code == kNotifyCancel)
        return WinDialog::OnNotify(child, code);
    // The list's codes share values with the edit box's (accept and Enter are both 0x1002).
    if (child == &list_) {
        OnListNotify(code);
        return 0;
    }
    if (child == &info_ && code == 0) {
        int answer = ShowInfo();
        SetStatus("The info dialog answered " + std::to_string(answer) + ".");
    } else if (child == &path_ && code == 0) {
        ChoosePath();
    } else if (code == kCodeToggle && child != nullptr) {
        auto* button = static_cast<WinButton*>(child);
        SetStatus(button->GetText().Str() + " is " + (button->IsOn() ? "on." : "off."));
    } else if (code == kCodeOption && child != nullptr) {
        auto* options = static_cast<WinRadioButtonBody*>(child);
        SetStatus("Chosen: " + options->Label(options->Chosen()).Str() + ".");
    } else if (code == WinEditBox::kNotifyEnter && child != nullptr) {
        SetStatus("Entered: " + child->GetText().Str());
    } else if (code == kCodeDivider) {
        SetStatus("The divider moved to " + std::to_string(divider_.Position()) + ".");
    } else if (code == 0 && (child == &plain_ || child == &two_lines_ || child == &drop_)) {
        auto* button = static_cast<WinButton*>(child);
        std::string text = button->GetText().Str();
        for (char& c : text)
            c = c == '\r' || c == '\n' ? ' ' : c;
        SetStatus("Clicked: " + text + ".");
    }
    return 0;
}

void GalleryDialog::Execute(WinDropButton&, const RawLayer::RawStringList& paths)
{
    std::string first = paths.Count() > 0 ? paths.begin()->Str() : std::string();
    SetStatus("Dropped " + std::to_string(paths.Count()) + " file(s): " + first);
}

void GalleryDialog::ColumnWidthsChanged(const std::vector<WinListBoxColumn>&)
{
    header_.Invalidate();
    list_.Invalidate();
}

void GalleryDialog::OnListNotify(uint32_t code)
{
    if (code == WinListBox::kScrolled) {
        columns_.SetOffset(list_.ScrollX());
        header_.Invalidate();
    } else if (code == WinListBox::kCursorChanged) {
        SetStatus("Rows selected: " + std::to_string(list_.SelectedCount()) + ", cursor on row "
            + std::to_string(list_.Cursor() + 1) + ".");
    } else if (code == WinListBox::kAccept) {
        SetStatus("Opened row " + std::to_string(list_.Cursor() + 1) + ".");
    }
}

void GalleryDialog::SetStatus(const std::string& text)
{
    status_.SetText(Utf8(text));
}

int GalleryDialog::ShowInfo()
{
    std::string shot = options_.screenshot.empty() ? std::string() : InfoScreenshotPath(options_.screenshot);
    GalleryInfoDialog dialog(WinInfoDialog::ButtonSet::YesNoCancel, WinInfoDialog::Icon::Question, shot);
    return dialog.Run(Host::WindowRect(Window()), &info_);
}

void GalleryDialog::TakeScreenshots()
{
    Host::UpdateWindow(Window());
    if (!Host::SaveWindowAsPng(Window(), options_.screenshot))
        std::fprintf(stderr, "quelvane-gallery: cannot write %s\n", options_.screenshot.c_str());
    ShowInfo();
    Close();
}

// Chooses a file from $QUELVANE_GALLERY_START (else the home folder) and prints the path as its
// bytes, for the end-to-end run.
void GalleryDialog::ChoosePath()
{
    const char* start = std::getenv("QUELVANE_GALLERY_START");
    WinPathDialog dialog(WinPathDialog::kModeFile | WinPathDialog::kModeMustExist, RawString(),
        RawString("Choose a file"),
        start != nullptr ? RawString(std::string_view(start), RawLayer::RawEncoding::Utf8)
                         : RawLayer::RawPath::HomeFolder());
    if (dialog.Run(this) != 1) {
        SetStatus("No file chosen.");
        return;
    }
    std::printf("chosen %s\n", dialog.ChosenPath().Bytes());
    std::fflush(stdout);
    SetStatus("Chosen: " + WinPathBoxItemList::DisplayName(dialog.ChosenPath()).Str());
}

void GalleryDialog::TakeSnapshot()
{
    std::string path = options_.snapshot_prefix + "-" + std::to_string(++snapshots_) + ".png";
    std::string partial = path + ".part";
    Host::UpdateWindow(Window());
    // A dialog open over the gallery is saved beside it, first.
    if (const HostHandle modal = ModalChild(); modal != 0 && Host::IsWindow(modal)) {
        Host::UpdateWindow(modal);
        Host::SaveWindowAsPng(
            modal, options_.snapshot_prefix + "-" + std::to_string(snapshots_) + "-dialog.png");
    }
    // Written aside and renamed, so a watcher never reads half a file.
    if (Host::SaveWindowAsPng(Window(), partial) && std::rename(partial.c_str(), path.c_str()) == 0)
        std::printf("snapshot %s\n", path.c_str());
    else
        std::printf("snapshot failed %s\n", path.c_str());
    std::fflush(stdout);
}

bool GalleryDialog::OnTimer(uintptr_t id)
{
    if (id != kSnapshotTimer)
        return false;
    if (snapshot_requested != 0) {
        snapshot_requested = 0;
        TakeSnapshot();
    }
    return true;
}

HostResult GalleryDialog::HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam)
{
    if (message != kMsgScreenshot)
        return WinDialog::HandleMessage(message, wparam, lparam);
    TakeScreenshots();
    return 0;
}

} // namespace Gallery
