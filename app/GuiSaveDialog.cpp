#include <app/GuiSaveDialog.h>
#include <core/RawLanguageTable.h>

#include <algorithm>

namespace AppLayer {

using JobLayer::JobResultFile;
using RawLayer::RawEncoding;
using RawLayer::RawString;
using WinLayer::HostRect;
using WinLayer::HostResult;
using WinLayer::HostSize;
using WinLayer::WinView;
using Anchor = WinLayer::WinViewResize;

namespace {

constexpr int32_t kLabelGap = 6;
// Bottom-right, keeping its own size: both vertical edges follow the bottom edge.
constexpr uint32_t kBottomRight
    = Anchor::kLeftByRight | Anchor::kRightByRight | Anchor::kTopByBottom | Anchor::kBottomByBottom;
constexpr int32_t kDetailIndex = static_cast<int32_t>(JobResultFile::Type::Detail);

RawString SaveText(const char* key)
{
    static const RawString kSection("SaveDialog");
    const RawString text(std::string_view(key), RawEncoding::Utf8);
    return RawLayer::RawLanguageTable::Instance().Text(kSection, text, text);
}

} // namespace

GuiSaveDialog::GuiSaveDialog(const RawString& caption, const RawString& suggested_path)
    : WinPathDialog(kMode, RawString(), caption, suggested_path)
{
    label_.SetText(RawString(SaveText("Type").Str() + ":", RawEncoding::Utf8));
    label_.SetBoxStyle(WinLayer::WinStaticBox::kAlignLeft | WinLayer::WinStaticBox::kAlignTop);
    label_.SetFlags(label_.Flags() | kSkipFocus);
    selector_.Setup({ SaveText("Param"), SaveText("Detail"), SaveText("Simple") }, kNotifyKind, kDetailIndex);
}

std::optional<GuiSaveDialog::Choice> GuiSaveDialog::Choose(
    WinView* owner, const RawString& caption, const RawString& suggested_path)
{
    GuiSaveDialog dialog(caption, suggested_path);
    dialog.WinPathDialog::Run(owner);
    return dialog.Result();
}

bool GuiSaveDialog::Write(const Choice& choice, const JobLayer::JobParams& params,
    const JobLayer::JobResultSet& results, JobLayer::JobStatusCentre& status)
{
    return JobResultFile::Save(choice.path, choice.type, params, results, status);
}

std::optional<GuiSaveDialog::Choice> GuiSaveDialog::Result() const
{
    if (ResultCode() != 1)
        return std::nullopt;
    return Choice { ChosenPath(), kind_ };
}

void GuiSaveDialog::RegisterChildren()
{
    // Every build of the controls starts on "Detail".
    selector_.SetChosen(kDetailIndex);
    kind_ = Type::Detail;
    WinPathDialog::RegisterChildren();
    AddChild(label_);
    AddChild(selector_);
}

HostResult GuiSaveDialog::OnNotify(WinView* child, uint32_t code)
{
    if (child == &selector_ && code == kNotifyKind) {
        const int32_t chosen = selector_.Chosen();
        if (chosen >= 0 && chosen <= static_cast<int32_t>(Type::Simple))
            kind_ = static_cast<Type>(chosen);
        return 0;
    }
    return WinPathDialog::OnNotify(child, code);
}

int32_t GuiSaveDialog::LabelWidth()
{
    return label_.NaturalTextSize().cx + 4;
}

HostSize GuiSaveDialog::ExtraRoom()
{
    const HostSize options = selector_.NaturalTextSize();
    return { LabelWidth() + kLabelGap + options.cx, options.cy };
}

void GuiSaveDialog::PlaceExtra(const HostRect& room)
{
    const HostSize options = selector_.NaturalTextSize();
    const HostRect label { room.left, room.top, room.left + LabelWidth(), room.bottom };
    label_.SetRect({ label.left, label.top + 4, label.right, label.bottom });
    label_.SetAnchors(kBottomRight, &ClientRecord());
    selector_.SetRect({ room.right - options.cx, room.top, room.right, room.bottom });
    selector_.SetAnchors(kBottomRight, &ClientRecord());
}

} // namespace AppLayer
