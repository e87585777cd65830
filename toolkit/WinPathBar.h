#pragma once

// The path dialog's path bar: a single-line edit box holding the current path. A path the dialog
// puts in it (a listed folder, a chosen file) is kept as its bytes, so a name that is not UTF-8
// comes back unchanged even though the bar can only show it with replacement marks; what the user
// types after such a path is added to those bytes. Tab completes the last path segment as shells
// do: the longest common beginning of the entries it matches, and a "/" after a single folder.

#include <core/RawString.h>
#include <toolkit/WinEditBox.h>

#include <string>
#include <vector>

namespace WinLayer {

class WinPathBar : public WinEditBox {
public:
    enum class Completion { Nothing, Extended, Ambiguous };

    WinPathBar();

    // Shows `path` (its display form) and keeps its bytes; the caret goes to the end.
    void SetPath(const RawLayer::RawString& path);
    // The bar's path as bytes: the path last set, followed by whatever was typed after it, or the
    // typed text itself when the user changed the path set.
    RawLayer::RawString Path() const;
    // Path() made absolute: "~/" expanded, a relative path taken from the base folder.
    RawLayer::RawString ResolvedPath() const;
    // The folder relative paths start from (the folder the dialog lists).
    void SetBaseFolder(const RawLayer::RawString& folder) { base_ = folder; }
    const RawLayer::RawString& BaseFolder() const { return base_; }

    // Completes the last segment of the path in the bar (see above).
    Completion Complete();
    // The completion of `segment` among `names` (`folders` flags the folders among them):
    // `completed` becomes the longest common beginning of the names it begins, with a "/" after
    // a single folder. Extended when that adds to the segment, Ambiguous when several names
    // match and nothing can be added, Nothing otherwise.
    static Completion CompleteAmong(const std::string& segment, const std::vector<std::string>& names,
        const std::vector<bool>& folders, std::string& completed);

    // Tab completes; a Tab that can add nothing moves the focus on, except the first one after
    // several candidates, which beeps. Shift+Tab always moves the focus back.
    bool OnKeyDown(uint32_t key, uint32_t modifiers) override;

private:
    RawLayer::RawString path_;
    // The text shown for path_, to tell what the user typed after it.
    std::u16string shown_;
    RawLayer::RawString base_;
    // The text at the last beep, so that a second Tab moves on.
    std::u16string beeped_;
    bool has_beeped_ = false;
};

} // namespace WinLayer
