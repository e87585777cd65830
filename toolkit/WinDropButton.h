#pragma once

// A button that takes files dropped on it: the dropped paths go, as a list, to the button's
// execution (the application's operation for dropped files). Clicks work as on any button.

#include <core/RawStringList.h>
#include <toolkit/WinButton.h>

namespace WinLayer {

class WinDropButton : public WinButton {
public:
    // The operation that receives dropped files. Not owned by the button; it must outlive the
    // button's window or be detached first.
    class Execution {
    public:
        virtual ~Execution() = default;
        // The paths as the system gave them (bytes, carried as UTF-8 texts), in drop order.
        virtual void Execute(WinDropButton& button, const RawLayer::RawStringList& paths) = 0;
    };

    WinDropButton();

    void SetExecution(Execution* execution) { execution_ = execution; }
    Execution* GetExecution() const { return execution_; }

    bool OnDropFiles(const std::vector<std::string>& paths, HostPoint point) override;

private:
    Execution* execution_ = nullptr;
};

} // namespace WinLayer
