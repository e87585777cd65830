#pragma once

// A path dialog for tests: its questions are answered from a queue and recorded, the desktop's
// file browser is never started, and it can run a step once its modal run has begun.

#include <toolkit/WinPathDialog.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "../TestSupport.h"
#include "ControlTestSupport.h"

namespace QuelvaneTest {

class TestPathDialog : public WinPathDialog {
public:
    static constexpr uint32_t kMsgDrive = HostMsg::kApp + 0x200;

    TestPathDialog(uint16_t mode, const std::string& path, const char* extension = "")
        : WinPathDialog(mode, Utf8(extension), Utf8("Choose"), Utf8(path))
    {
    }

    // Each question asked as "key path"; answered from `answers`, else as Escape would.
    int Ask(const char* key, const RawLayer::RawString& path) override
    {
        asked.push_back(std::string(key) + " " + path.Str());
        if (answers.empty())
            return WinInfoDialog::EscapeCode(MessageOf(key).buttons);
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool OpenFolder(const RawLayer::RawString& folder) override
    {
        opened.push_back(folder.Str());
        return true;
    }
    void OnCreated() override
    {
        WinPathDialog::OnCreated();
        if (drive)
            Host::PostMessage(Window(), kMsgDrive, 0, 0);
    }
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override
    {
        if (message != kMsgDrive)
            return WinPathDialog::HandleMessage(message, wparam, lparam);
        drive(*this);
        return 0;
    }

    // Opens the dialog without a modal run, for tests that look at it between steps. It has an
    // owner (opened here when it is not yet), so that its end does not end the message loop as a
    // main window's would.
    bool OpenModeless(RecordingDialog& owner)
    {
        if (!owner.IsOpen() && !owner.Open())
            return false;
        SetRect({ 40, 40, 680, 520 });
        if (!Create(&owner))
            return false;
        Host::DrainMessages();
        return true;
    }
    // The rows as shown.
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        for (WinPathBoxItem* item : Box().Items())
            rows.push_back(WinPathBox::RowText(*item));
        return rows;
    }

    std::deque<int> answers;
    std::vector<std::string> asked;
    std::vector<std::string> opened;
    std::function<void(TestPathDialog&)> drive;
};

// The quick-navigation rows every folder listing starts with.
inline std::vector<std::string> QuickRows()
{
    return { "[LinkBackword]", "[Desktop]", "[MyDocument]", "[Drives]" };
}

} // namespace QuelvaneTest
