#pragma once

// The list editor's commands and in-place editing: moving the selected items up or down,
// inserting, appending, deleting, copying to and inserting from the clipboard, opening an
// item's path and dropped files. Items are kept in the bar notation; what the user types or
// pastes is escaped into it, so joining the items with ";" gives a bar line again.

#include <app/GuiEditBoxActivator.h>
#include <app/GuiPasteEncoder.h>
#include <core/RawString.h>
#include <toolkit/WinListBoxEditActivator.h>
#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace WinLayer {
class HostMenu;
}

namespace AppLayer {

class GuiSplitBox;

class GuiSplitBoxCommand : public WinLayer::WinListBoxEditActivator::Server {
public:
    // The list commands, also the context menu's command numbers.
    static constexpr uint32_t kMoveUp = 1;
    static constexpr uint32_t kMoveDown = 2;
    static constexpr uint32_t kModify = 3;
    static constexpr uint32_t kAppendAfter = 4;
    static constexpr uint32_t kInsertBefore = 5;
    static constexpr uint32_t kDeleteSelected = 6;
    static constexpr uint32_t kCopy = 7;
    static constexpr uint32_t kInsertFromClipboard = 8;
    static constexpr uint32_t kInsertMultiFromClipboard = 9;
    static constexpr uint32_t kOpenPath = 10;
    // The list's modes: a list of texts, or of paths (which takes dropped files).
    static constexpr int kModeTexts = 0;
    static constexpr int kModePaths = 1;
    // The most clipboard text taken in one paste, in characters.
    static constexpr size_t kClipboardLimit = 16777216;

    // Opens a path that exists; `folder` tells which kind it is.
    using Opener = std::function<void(const RawLayer::RawString& path, bool folder)>;

    GuiSplitBoxCommand(GuiSplitBox& box, int mode);

    int Mode() const { return mode_; }
    GuiEditBoxActivator& Activator() { return activator_; }
    // Replaces the default opener (folders through the shell, files with the default tool).
    void SetOpener(Opener opener) { opener_ = std::move(opener); }

    // Makes the items the list's rows, in order.
    void Load(const std::vector<RawLayer::RawString>& items);
    // The items in list order.
    std::vector<RawLayer::RawString> ItemTexts() const;

    bool Enabled(uint32_t command) const;
    // The ten commands with their texts, the disabled ones greyed, separators after 2, 6 and 9.
    void BuildMenu(WinLayer::HostMenu& menu) const;
    // Runs a command; nothing happens when it is disabled or unknown.
    void Run(uint32_t command);
    // In-place editing of a row; the editor's result code.
    int Edit(int32_t row);
    // Inserts dropped paths before the row under `point` (client coordinates), or at the end.
    void Drop(const std::vector<std::string>& paths, WinLayer::HostPoint point);

    std::u16string ItemText(int32_t row) override;
    void SetItemText(int32_t row, const std::u16string& text) override;

private:
    RawLayer::RawString* NewItem(const RawLayer::RawString& text);
    std::vector<bool> Selection() const;
    void Move(bool up);
    // Inserts texts before `row` (at the end for the row count); the cursor goes to `cursor`
    // and the selection stays with its items.
    void InsertItems(int32_t row, const std::vector<RawLayer::RawString>& texts, int32_t cursor);
    void InsertAndEdit(int32_t row);
    void DeleteSelected();
    void CopySelected() const;
    void InsertFromClipboard(bool several);
    void OpenPath();

    GuiSplitBox& box_;
    int mode_;
    // The items' storage: addresses stay put while the list's order changes.
    std::deque<RawLayer::RawString> store_;
    GuiEditBoxActivator activator_;
    // The multi-line editor pastes the clipboard as it is.
    class PlainEncoder : public WinLayer::WinEditBoxInfo::Encoder {
    public:
        std::u16string Encode(const std::u16string& clipboard) override { return clipboard; }
    };
    PlainEncoder plain_encoder_;
    Opener opener_;
};

} // namespace AppLayer
