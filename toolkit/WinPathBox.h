#pragma once

// The path dialog's list: the entries of one folder (or the mounted file systems) from a
// WinPathBoxItemList, with the quick-navigation entries after "[LinkBackword]". Folders show a
// trailing "/", the bracketed entries are drawn in their own colour, files plainly.

#include <toolkit/WinListBoxR.h>
#include <toolkit/WinPathBoxItem.h>
#include <toolkit/WinPathBoxItemList.h>

#include <string>

namespace WinLayer {

class WinPathBox : public WinListBoxR<WinPathBoxItem> {
public:
    static constexpr RawColour kPseudoText = RawColour::FromRgb(0x20, 0x50, 0x90);

    WinPathBox();

    // Lists `folder` (hidden entries with `show_hidden`); the cursor goes to the entry whose path
    // is `cursor_path`, else to the first row. False, with the rows as they were and `error` set,
    // when the folder cannot be read.
    [[nodiscard]] bool ListFolder(const RawLayer::RawString& folder, bool show_hidden,
        const RawLayer::RawString& cursor_path, std::string& error);
    // Lists the mounted file systems.
    void ListDrives();
    // The folder listed; empty while the drives are listed.
    const RawLayer::RawString& Folder() const { return list_.Folder(); }
    // The entry under the cursor (null for none).
    const WinPathBoxItem* CursorItem() const { return ItemOf(Cursor()); }
    // What a row shows: the display name, with "/" after a folder.
    static std::string RowText(const WinPathBoxItem& item);

    void DrawRow(HostPainter& painter, const HostRect& rect, int32_t row) override;

private:
    // Rows from the listing, quick entries added, the cursor placed.
    void Rebuild(const RawLayer::RawString& cursor_path);

    WinPathBoxItemList list_;
};

} // namespace WinLayer
