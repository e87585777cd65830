#include <toolkit/WinPathBox.h>
#include <toolkit/host/HostFont.h>
#include <toolkit/host/HostPainter.h>

namespace WinLayer {

using RawLayer::RawString;
using Kind = WinPathBoxItem::Kind;

namespace {

constexpr int32_t kTextIndent = 4;

} // namespace

WinPathBox::WinPathBox()
{
    SetMultipleSelection(false);
}

bool WinPathBox::ListFolder(
    const RawString& folder, bool show_hidden, const RawString& cursor_path, std::string& error)
{
    if (!list_.ListFolder(folder, show_hidden, error))
        return false;
    Rebuild(cursor_path);
    return true;
}

void WinPathBox::ListDrives()
{
    list_.ListDrives();
    Rebuild(RawString());
}

void WinPathBox::Rebuild(const RawString& cursor_path)
{
    list_.AddQuickEntries();
    Items().clear();
    int32_t cursor = 0;
    for (int32_t i = 0; i < list_.Count(); ++i) {
        WinPathBoxItem& item = list_.At(i);
        if (item.kind != Kind::Pseudo && !cursor_path.IsEmpty() && item.path.Equals(cursor_path))
            cursor = i;
        Items().push_back(&item);
    }
    // A new listing starts at the top, with only the cursor row selected.
    Refresh();
    ScrollTo(0, 0);
    SetCursor(Items().empty() ? kNoCursor : cursor);
}

std::string WinPathBox::RowText(const WinPathBoxItem& item)
{
    std::string text = item.display.Str();
    if (item.kind == Kind::Folder)
        text += '/';
    return text;
}

void WinPathBox::DrawRow(HostPainter& painter, const HostRect& rect, int32_t row)
{
    painter.FillRect(rect, RowBackground(row));
    const WinPathBoxItem* item = ItemOf(row);
    if (item == nullptr)
        return;
    HostRect text_rect { rect.left + kTextIndent - ScrollX(), rect.top, rect.right, rect.bottom };
    const RawColour colour = item->kind == Kind::Pseudo ? kPseudoText : kText;
    painter.DrawText(DrawingFont(), RowText(*item), text_rect,
        HostText::kSingleLine | HostText::kVCenter | HostText::kNoPrefix | HostText::kEndEllipsis, colour);
}

} // namespace WinLayer
