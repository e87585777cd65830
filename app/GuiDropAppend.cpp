#include <app/GuiDropAppend.h>
#include <app/GuiDropBar.h>
#include <toolkit/host/HostSystem.h>

namespace AppLayer {

using RawLayer::RawEncoding;
using RawLayer::RawString;

void GuiDropAppend::Execute(WinLayer::WinDropButton&, const RawLayer::RawStringList& paths)
{
    if (!bar_.Enabled() || (bar_.EditFlags() & WinLayer::WinEditBoxInfo::kReadOnly) != 0)
        return;
    const std::u16string text = bar_.Text16();
    std::u16string added;
    for (const RawString& path : paths) {
        RawString units;
        // A name that is not UTF-8 cannot sit in the bar without changing its bytes.
        if (!units.Acquire(path, RawEncoding::Utf16)) {
            WinLayer::Host::Beep();
            return;
        }
        if (!text.empty() || !added.empty())
            added += u';';
        added += units.View16();
    }
    const auto start = static_cast<int32_t>(text.size());
    bar_.SetSelection(start, start);
    bar_.ReplaceSelection(added);
    bar_.SetSelection(start, start + static_cast<int32_t>(added.size()));
}

} // namespace AppLayer
