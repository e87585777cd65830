#include <core/RawEncoding.h>
#include <core/RawFolderList.h>
#include <core/RawPath.h>
#include <toolkit/WinPathBar.h>
#include <toolkit/WinPathBoxItemList.h>
#include <toolkit/host/HostSystem.h>

#include <algorithm>

namespace WinLayer {

using RawLayer::RawEncoding;
using RawLayer::RawPath;
using RawLayer::RawString;

namespace {

std::string Utf8Of(std::u16string_view units)
{
    return RawLayer::RawFromUtf16(units, RawEncoding::Utf8).value_or(std::string());
}

} // namespace

WinPathBar::WinPathBar()
{
    // Tab is the completion key here; it never inserts a tab character into a path.
    SetEditFlags(EditFlags() | WinEditBoxInfo::kNoTabInsert);
}

void WinPathBar::SetPath(const RawString& path)
{
    path_ = RawString(path.View(), RawEncoding::Utf8);
    const RawString shown = WinPathBoxItemList::DisplayName(path_);
    shown_ = RawLayer::RawToUtf16(shown.View(), RawEncoding::Utf8).value_or(u"");
    SetText(RawString(std::u16string_view(shown_)));
}

RawString WinPathBar::Path() const
{
    const std::u16string text = Text16();
    if (!shown_.empty() && text.compare(0, shown_.size(), shown_) == 0)
        return RawString(
            path_.Str() + Utf8Of(std::u16string_view(text).substr(shown_.size())), RawEncoding::Utf8);
    return RawString(Utf8Of(text), RawEncoding::Utf8);
}

RawString WinPathBar::ResolvedPath() const
{
    const RawString path = RawPath::ExpandHome(Path());
    if (path.IsEmpty() || RawPath::IsAbsolute(path))
        return path;
    return RawPath::Resolve(path, base_);
}

WinPathBar::Completion WinPathBar::CompleteAmong(const std::string& segment,
    const std::vector<std::string>& names, const std::vector<bool>& folders, std::string& completed)
{
    completed = segment;
    size_t matches = 0;
    bool folder = false;
    std::string common;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name.compare(0, segment.size(), segment) != 0)
            continue;
        if (matches++ == 0) {
            common = name;
            folder = folders[i];
            continue;
        }
        const auto differ = std::mismatch(common.begin(), common.end(), name.begin(), name.end());
        common.erase(differ.first, common.end());
    }
    if (matches == 0)
        return Completion::Nothing;
    if (matches == 1 && folder)
        common += '/';
    if (common.size() > segment.size()) {
        completed = common;
        return Completion::Extended;
    }
    return matches > 1 ? Completion::Ambiguous : Completion::Nothing;
}

WinPathBar::Completion WinPathBar::Complete()
{
    const std::string path = Path().Str();
    const size_t slash = path.rfind('/');
    const std::string head = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string segment = path.substr(head.size());
    // An empty segment would offer the whole folder: nothing to complete, the Tab moves on.
    if (segment.empty())
        return Completion::Nothing;
    RawString folder = RawString(head, RawEncoding::Utf8);
    folder = folder.IsEmpty() ? base_ : RawPath::ExpandHome(folder);
    if (!RawPath::IsAbsolute(folder))
        folder = RawPath::Resolve(folder, base_);

    RawLayer::RawFolderList listing;
    if (!listing.Read(folder, RawLayer::RawFolderList::kSkipDots))
        return Completion::Nothing;
    std::vector<std::string> names;
    std::vector<bool> folders;
    for (const RawLayer::RawFolderListUnit& unit : listing) {
        names.push_back(unit.name.Str());
        folders.push_back(unit.is_folder
            || (unit.is_link && unit.link_target == RawLayer::RawFolderListUnit::Target::Folder));
    }
    std::string completed;
    const Completion result = CompleteAmong(segment, names, folders, completed);
    if (result == Completion::Extended)
        SetPath(RawString(head + completed, RawEncoding::Utf8));
    return result;
}

bool WinPathBar::OnKeyDown(uint32_t key, uint32_t modifiers)
{
    if (key != HostKey::kTab || modifiers != 0)
        return WinEditBox::OnKeyDown(key, modifiers);
    const bool second = has_beeped_ && beeped_ == Text16();
    has_beeped_ = false;
    switch (Complete()) {
    case Completion::Extended:
        return true;
    case Completion::Ambiguous:
        if (second)
            return false;
        Host::Beep();
        has_beeped_ = true;
        beeped_ = Text16();
        return true;
    case Completion::Nothing:
        break;
    }
    return false;
}

} // namespace WinLayer
