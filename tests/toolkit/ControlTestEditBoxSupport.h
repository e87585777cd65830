#pragma once

// A dialog with edit boxes for the edit box tests: a single-line box between two neighbours
// and a multi-line box with a vertical scroll bar, plus helpers for typing and reading text.

#include <core/RawEncoding.h>
#include <toolkit/WinEditBox.h>
#include <toolkit/host/HostMenu.h>

#include <algorithm>
#include <string>

#include "../TestSupport.h"
#include "ControlTestSupport.h"

namespace QuelvaneTest {

// A box that shows its menu to the tests.
class MenuEditBox : public WinEditBox {
public:
    void Build(HostMenu& menu) { BuildContextMenu(menu); }
    int changes = 0;

protected:
    void OnTextChanged() override { ++changes; }
};

inline std::u16string U16(const std::string& utf8)
{
    return RawLayer::RawToUtf16(utf8, RawLayer::RawEncoding::Utf8).value_or(u"");
}

inline std::string U8(const std::u16string& units)
{
    return RawLayer::RawFromUtf16(units, RawLayer::RawEncoding::Utf8).value_or("");
}

class EditBoxTest : public ControlTest {
protected:
    void Open(uint32_t single_flags = 0)
    {
        single_.SetEditFlags(single_flags);
        multi_.SetEditFlags(WinEditBoxInfo::kMultiLine);
        multi_.SetStyleWords(multi_.Style() | HostStyle::kVScroll, multi_.ExStyle());
        dialog_.Add(before_, { 10, 10, 200, 34 });
        dialog_.Add(single_, { 10, 40, 200, 64 });
        dialog_.Add(after_, { 10, 70, 200, 94 });
        dialog_.Add(multi_, { 10, 100, 300, 200 });
        ASSERT_TRUE(dialog_.Open());
    }
    // Gives a box the focus and a text, with the caret at the end.
    void Start(WinEditBox& box, const std::string& utf8)
    {
        box.Focus();
        Host::DrainMessages();
        box.SetText(Utf8(utf8));
        dialog_.reports.clear();
    }
    static void Type(const std::string& utf8)
    {
        Host::InjectText(utf8);
        Host::DrainMessages();
    }
    static std::string TextOf(const WinEditBox& box) { return U8(box.Text16()); }
    int Count(uint16_t id, uint32_t code) const
    {
        return static_cast<int>(
            std::count(dialog_.reports.begin(), dialog_.reports.end(), RecordingDialog::Report { id, code }));
    }

    RecordingDialog dialog_;
    MenuEditBox before_;
    MenuEditBox single_;
    MenuEditBox after_;
    MenuEditBox multi_;
};

} // namespace QuelvaneTest
