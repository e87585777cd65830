#pragma once

// In-place editing of one list row: the row is scrolled into view, its text is asked of the
// server, the popup editor is shown over the row's place with that text and run modally, and a
// committed text goes back to the server. A cancelled edit changes nothing.

#include <toolkit/host/HostTypes.h>

#include <cstdint>
#include <string>

namespace WinLayer {

class WinEditBoxDialogEx;
class WinListBox;

class WinListBoxEditActivator {
public:
    // What the list's owner gives and takes: the text of a row and its edited text.
    class Server {
    public:
        virtual ~Server() = default;
        virtual std::u16string ItemText(int32_t row) = 0;
        virtual void SetItemText(int32_t row, const std::u16string& text) = 0;
    };

    // The list, the server and the editor are not owned; they must outlive the activator's use
    // (the editor may still be unbuilt when a derived class holds it: only Edit touches it).
    WinListBoxEditActivator(WinListBox& list, Server& server, WinEditBoxDialogEx& editor);
    virtual ~WinListBoxEditActivator() = default;
    WinListBoxEditActivator(const WinListBoxEditActivator&) = delete;
    WinListBoxEditActivator& operator=(const WinListBoxEditActivator&) = delete;

    // Edits a row of the shown list; WinEditBoxDialogEx::kCommitted when the server took a new
    // text, kCancelled otherwise (also for a row that does not exist).
    int Edit(int32_t row);

    // Where the editor goes for a row, in screen coordinates: by default the row's rectangle,
    // cut to the list's client width.
    virtual HostRect EditorRect(int32_t row);

    WinListBox& List() { return list_; }
    const WinListBox& List() const { return list_; }

protected:
    // A rectangle in the list's client coordinates in screen coordinates.
    HostRect ToScreen(const HostRect& client) const;

private:
    WinListBox& list_;
    Server& server_;
    WinEditBoxDialogEx& editor_;
};

} // namespace WinLayer
