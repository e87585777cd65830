#include <app/GuiDropBar.h>
#include <core/RawLanguageTable.h>
#include <toolkit/WinDialog.h>
#include <toolkit/host/HostMenu.h>
#include <toolkit/host/HostSystem.h>

namespace AppLayer {

using RawLayer::RawEncoding;
using RawLayer::RawString;
using WinLayer::HostMenu;
using WinLayer::WinEditBox;

namespace {

// A dropped path as the bar's units; false for a name that is not UTF-8, which the bar could
// not hold without changing its bytes.
bool PathUnits(const std::string& path, std::u16string& units)
{
    RawString text;
    if (!text.Acquire(RawString(path, RawEncoding::Utf8), RawEncoding::Utf16))
        return false;
    units = std::u16string(text.View16());
    return true;
}

} // namespace

GuiDropBar::GuiDropBar()
    : normal_background_(Background())
{
    SetStyleWords(Style(), ExStyle() | WinLayer::HostExStyle::kAcceptFiles);
    SetEncoder(&encoder_);
}

void GuiDropBar::SetChangeMarking(bool marking)
{
    change_marking_ = marking;
    Recolour();
}

void GuiDropBar::Commit()
{
    committed_ = RawString(std::u16string_view(Text16()));
    Recolour();
}

bool GuiDropBar::Changed() const
{
    return !RawString(std::u16string_view(Text16())).Equals(committed_);
}

void GuiDropBar::Recolour()
{
    RawLayer::RawColour background = normal_background_;
    if (Window() != 0 && !Enabled())
        background = WinLayer::WinDialog::kDialogFace;
    else if (change_marking_ && Changed())
        background = kChangedBackground;
    if (background != Background())
        SetColours(background, TextColour());
    Invalidate();
}

void GuiDropBar::OnTextChanged()
{
    WinEditBox::OnTextChanged();
    Recolour();
}

bool GuiDropBar::OnDropFiles(const std::vector<std::string>& paths, WinLayer::HostPoint)
{
    if (!Enabled() || (EditFlags() & WinLayer::WinEditBoxInfo::kReadOnly) != 0)
        return true;
    std::u16string joined;
    for (const std::string& path : paths) {
        std::u16string units;
        if (!PathUnits(path, units)) {
            WinLayer::Host::Beep();
            return true;
        }
        if (!joined.empty())
            joined += u';';
        joined += units;
    }
    SelectAll();
    ReplaceSelection(joined);
    SelectAll();
    Focus();
    Recolour();
    return true;
}

void GuiDropBar::RunCommand(uint32_t command)
{
    if (command != kCommandPaste && command != kCommandPasteOneItem) {
        WinEditBox::RunCommand(command);
        return;
    }
    encoder_.SetMode(
        command == kCommandPasteOneItem ? GuiPasteEncoder::kModeOneItem : GuiPasteEncoder::kModeOrdinary);
    Paste();
    encoder_.SetMode(GuiPasteEncoder::kModeOrdinary);
}

void GuiDropBar::BuildContextMenu(HostMenu& menu)
{
    HostMenu plain;
    WinEditBox::BuildContextMenu(plain);
    const RawString text = RawLayer::RawLanguageTable::Instance().Text(
        RawString("EditBarExtended"), RawString("PasteOneItem"), RawString("Paste one item from clipboard."));
    bool has_paste = false;
    for (const HostMenu::Item& item : plain.Items())
        has_paste = has_paste || item.command == kCommandPaste;
    if (!has_paste)
        menu.AppendItem(kCommandPasteOneItem, text.Str());
    for (const HostMenu::Item& item : plain.Items()) {
        if (item.separator)
            menu.AppendSeparator();
        else
            menu.AppendItem(item.command, item.text, item.flags);
        if (item.command == kCommandPaste)
            menu.AppendItem(kCommandPasteOneItem, text.Str());
    }
}

} // namespace AppLayer
