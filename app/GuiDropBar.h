#pragma once

// An edit bar of the main window: a one-line edit box holding a ";"-separated list in the bar
// notation. Files dropped on it replace its text with their paths; it marks in light yellow a
// text that differs from the one last committed (when its owner turns marking on); its menu has
// "Paste one item" after "Paste", which pastes the clipboard escaped as a single item.

#include <app/GuiPasteEncoder.h>
#include <toolkit/WinEditBox.h>

#include <string>
#include <vector>

namespace AppLayer {

class GuiDropBar : public WinLayer::WinEditBox {
public:
    // The menu command of "Paste one item", and the background of a changed text (light yellow).
    static constexpr uint32_t kCommandPasteOneItem = GuiPasteEncoder::kModeOneItem;
    static constexpr RawLayer::RawColour kChangedBackground = RawLayer::RawColour::FromRgb(0xFF, 0xFF, 0xD0);

    GuiDropBar();

    // Marking is off until the owner turns it on.
    void SetChangeMarking(bool marking);
    bool ChangeMarking() const { return change_marking_; }
    // Keeps the current text as the committed one and recolours.
    void Commit();
    const RawLayer::RawString& CommittedText() const { return committed_; }
    // Dialog face while disabled; light yellow while marking shows a change; else the normal
    // background. Invalidates.
    void Recolour();
    RawLayer::RawColour NormalBackground() const { return normal_background_; }

    // The bar's own paste hook, for an owner that swaps hooks for a while.
    GuiPasteEncoder& PasteEncoder() { return encoder_; }

    bool OnDropFiles(const std::vector<std::string>& paths, WinLayer::HostPoint point) override;
    void RunCommand(uint32_t command) override;

protected:
    void BuildContextMenu(WinLayer::HostMenu& menu) override;
    void OnTextChanged() override;

private:
    bool Changed() const;

    RawLayer::RawColour normal_background_;
    bool change_marking_ = false;
    RawLayer::RawString committed_ { RawLayer::RawEncoding::Utf16 };
    GuiPasteEncoder encoder_;
};

} // namespace AppLayer
