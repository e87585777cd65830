#pragma once

// The in-place item editor of the application's lists: an edit activator whose popup editor
// holds an edit bar (with the bars' paste encoder and "Paste one item"), placed over the edited
// row. In wide mode the editor also covers the list's vertical scroll bar and is at least five
// rows high, for items that are long.

#include <app/GuiDropBar.h>
#include <toolkit/WinEditBoxDialogEx.h>
#include <toolkit/WinListBoxEditActivator.h>

#include <cstdint>

namespace AppLayer {

class GuiEditBoxActivator : public WinLayer::WinListBoxEditActivator {
public:
    static constexpr int32_t kWideRows = 5;

    GuiEditBoxActivator(WinLayer::WinListBox& list, Server& server);

    void SetWide(bool wide) { wide_ = wide; }
    bool Wide() const { return wide_; }
    WinLayer::WinEditBoxDialogEx& Editor() { return editor_; }
    GuiDropBar& Bar() { return bar_; }

    // The editor's place for an item index in the list's client coordinates: the client
    // rectangle, with the item's top and bottom for a valid index; wide mode as above, its
    // bottom first limited to the client area.
    WinLayer::HostRect ClientEditorRect(int32_t index) const;
    WinLayer::HostRect EditorRect(int32_t index) override;

private:
    GuiDropBar bar_;
    WinLayer::WinEditBoxDialogEx editor_ { bar_ };
    bool wide_ = false;
};

} // namespace AppLayer
