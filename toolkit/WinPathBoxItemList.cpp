#include <core/RawEncoding.h>
#include <core/RawFolderList.h>
#include <core/RawPath.h>
#include <core/RawStringList.h>
#include <core/RawUserFolders.h>
#include <toolkit/WinPathBoxItemList.h>

#include <algorithm>
#include <system_error>

namespace WinLayer {

using RawLayer::RawEncoding;
using RawLayer::RawString;
using Kind = WinPathBoxItem::Kind;
using Pseudo = WinPathBoxItem::Pseudo;

namespace {

// The length of the UTF-8 sequence a lead byte starts (1 for a byte that starts none).
size_t SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

uint32_t Attributes(const RawLayer::RawFolderListUnit& unit)
{
    uint32_t attributes = 0;
    attributes |= unit.is_hidden ? WinPathBoxItem::kHidden : 0;
    attributes |= unit.is_read_only ? WinPathBoxItem::kReadOnly : 0;
    attributes |= unit.is_link ? WinPathBoxItem::kLink : 0;
    attributes |= unit.attributes_known ? 0 : WinPathBoxItem::kUnknown;
    return attributes;
}

} // namespace

const char* WinPathBoxItemList::PseudoText(Pseudo pseudo)
{
    switch (pseudo) {
    case Pseudo::Desktop:
        return "[Desktop]";
    case Pseudo::MyDocument:
        return "[MyDocument]";
    case Pseudo::Drives:
        return "[Drives]";
    case Pseudo::LinkBackword:
        return "[LinkBackword]";
    default:
        return "";
    }
}

RawString WinPathBoxItemList::DisplayName(const RawString& name)
{
    const std::string_view bytes = name.View();
    if (RawLayer::RawIsValidUtf8(bytes))
        return RawString(bytes, RawEncoding::Utf8);
    std::string shown;
    for (size_t i = 0; i < bytes.size();) {
        const size_t length
            = std::min(SequenceLength(static_cast<unsigned char>(bytes[i])), bytes.size() - i);
        if (RawLayer::RawIsValidUtf8(bytes.substr(i, length)) && bytes[i] != '\0') {
            shown.append(bytes.substr(i, length));
            i += length;
        } else {
            shown += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return RawString(shown, RawEncoding::Utf8);
}

std::unique_ptr<WinPathBoxItem> WinPathBoxItemList::MakePseudo(Pseudo pseudo, const RawString& path)
{
    auto item = std::make_unique<WinPathBoxItem>();
    item->display = RawString(std::string_view(PseudoText(pseudo)), RawEncoding::Utf8);
    item->path = path;
    item->kind = Kind::Pseudo;
    item->pseudo = pseudo;
    return item;
}

void WinPathBoxItemList::SortNatural(Items& items)
{
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return RawLayer::RawStringListNaturalSort::CompareNatural(a->display, b->display) < 0;
    });
}

bool WinPathBoxItemList::ListFolder(const RawString& folder, bool show_hidden, std::string& error)
{
    RawLayer::RawFolderList listing;
    const uint32_t skip
        = RawLayer::RawFolderList::kSkipDots | (show_hidden ? 0 : RawLayer::RawFolderList::kSkipHidden);
    if (!listing.Read(folder, skip)) {
        error = std::generic_category().message(listing.Error());
        return false;
    }
    Items folders;
    Items files;
    for (const RawLayer::RawFolderListUnit& unit : listing) {
        auto item = std::make_unique<WinPathBoxItem>();
        item->display = DisplayName(unit.name);
        item->path = unit.path;
        item->attributes = Attributes(unit);
        const bool folder_like = unit.is_folder
            || (unit.is_link && unit.link_target == RawLayer::RawFolderListUnit::Target::Folder);
        item->kind = folder_like ? Kind::Folder : Kind::File;
        (folder_like ? folders : files).push_back(std::move(item));
    }
    SortNatural(folders);
    SortNatural(files);
    items_.clear();
    items_.push_back(MakePseudo(Pseudo::LinkBackword, RawLayer::RawPath::FolderPart(folder)));
    for (Items* group : { &folders, &files })
        for (auto& item : *group)
            items_.push_back(std::move(item));
    folder_ = folder;
    return true;
}

void WinPathBoxItemList::ListDrives()
{
    items_.clear();
    for (const RawString& point : RawLayer::RawUserFolders::Drives()) {
        auto item = std::make_unique<WinPathBoxItem>();
        item->display = DisplayName(point);
        item->path = point;
        item->kind = Kind::Drive;
        items_.push_back(std::move(item));
    }
    folder_ = RawString();
}

void WinPathBoxItemList::AddQuickEntries()
{
    auto at = items_.begin();
    if (at != items_.end() && (*at)->pseudo == Pseudo::LinkBackword)
        ++at;
    Items quick;
    quick.push_back(MakePseudo(Pseudo::Desktop, RawLayer::RawUserFolders::Desktop()));
    quick.push_back(MakePseudo(Pseudo::MyDocument, RawLayer::RawUserFolders::Documents()));
    quick.push_back(MakePseudo(Pseudo::Drives, RawString()));
    items_.insert(at, std::make_move_iterator(quick.begin()), std::make_move_iterator(quick.end()));
}

void WinPathBoxItemList::Clear()
{
    items_.clear();
    folder_ = RawString();
}

} // namespace WinLayer
