#pragma once

// The operation of a bar's drop button: files dropped on the button are added to the bar's list
// (each path after a ";"), and what was added is selected, so the user sees it and can take it
// back with one undo.

#include <toolkit/WinDropButton.h>

namespace AppLayer {

class GuiDropBar;

class GuiDropAppend : public WinLayer::WinDropButton::Execution {
public:
    explicit GuiDropAppend(GuiDropBar& bar)
        : bar_(bar)
    {
    }

    void Execute(WinLayer::WinDropButton& button, const RawLayer::RawStringList& paths) override;

private:
    GuiDropBar& bar_;
};

} // namespace AppLayer
