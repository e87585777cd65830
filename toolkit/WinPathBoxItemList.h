#pragma once

// The entries the path dialog lists: "[LinkBackword]" first, then the folder's folders and then
// its files, each group in natural order (numbers by value, ASCII case folded); or the mounted
// file systems; with the quick-navigation entries "[Desktop]", "[MyDocument]" and "[Drives]"
// where the dialog adds them. A folder that cannot be listed leaves the list as it was.

#include <toolkit/WinPathBoxItem.h>

#include <memory>
#include <string>
#include <vector>

namespace WinLayer {

class WinPathBoxItemList {
public:
    // The bracketed texts of the pseudo-entries.
    static const char* PseudoText(WinPathBoxItem::Pseudo pseudo);

    // Lists `folder`; hidden entries only with `show_hidden`. False (the list unchanged, `error`
    // set to the system's reason) when the folder cannot be read.
    [[nodiscard]] bool ListFolder(const RawLayer::RawString& folder, bool show_hidden, std::string& error);
    // Lists the mounted file systems a user works in, shown by their mount paths.
    void ListDrives();
    // Adds "[Desktop]", "[MyDocument]" and "[Drives]" after "[LinkBackword]" (or first).
    void AddQuickEntries();

    // A name as it is shown: its UTF-8, with U+FFFD for each byte that is not part of valid UTF-8.
    static RawLayer::RawString DisplayName(const RawLayer::RawString& name);

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    WinPathBoxItem& At(int32_t index) { return *items_[static_cast<size_t>(index)]; }
    const WinPathBoxItem& At(int32_t index) const { return *items_[static_cast<size_t>(index)]; }
    // The folder last listed (empty for the drives).
    const RawLayer::RawString& Folder() const { return folder_; }
    void Clear();

private:
    using Items = std::vector<std::unique_ptr<WinPathBoxItem>>;
    static std::unique_ptr<WinPathBoxItem> MakePseudo(
        WinPathBoxItem::Pseudo pseudo, const RawLayer::RawString& path);
    static void SortNatural(Items& items);

    Items items_;
    RawLayer::RawString folder_;
};

} // namespace WinLayer
