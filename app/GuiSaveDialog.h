#pragma once

// The save-data dialog: the path dialog in file mode with a kind selector ("Type:" with "Param",
// "Detail", "Simple") at the bottom right of its button row. The selector starts on "Detail"
// each time the dialog is built; a change of kind is reported to the dialog as kNotifyKind.
//
// The main window uses two calls:
//   if (auto choice = GuiSaveDialog::Choose(this, caption, suggested_path))
//       GuiSaveDialog::Write(*choice, params, results, JobStatusCentre::Instance());
// Write adds status entries for every failure (the status centre posts 0x111E to its sink).

#include <core/RawString.h>
#include <engine/JobResultFile.h>
#include <toolkit/WinPathDialog.h>
#include <toolkit/WinRadioButton.h>
#include <toolkit/WinStaticBox.h>

#include <cstdint>
#include <optional>

namespace AppLayer {

class GuiSaveDialog : public WinLayer::WinPathDialog {
public:
    using Type = JobLayer::JobResultFile::Type;

    static constexpr uint16_t kNotifyKind = 0x8005;
    static constexpr uint16_t kMode = kModeFile | kModeAskOverwrite | kModeOfferCreate;

    // What the user chose on "Finish".
    struct Choice {
        RawLayer::RawString path;
        Type type = Type::Detail;
    };

    GuiSaveDialog(const RawLayer::RawString& caption, const RawLayer::RawString& suggested_path);

    // Runs the dialog modally over `owner`; the path and kind on "Finish", nothing on "Cancel".
    static std::optional<Choice> Choose(WinLayer::WinView* owner, const RawLayer::RawString& caption,
        const RawLayer::RawString& suggested_path);
    // Writes the data file of the chosen kind. False (with a status entry) when it fails.
    [[nodiscard]] static bool Write(const Choice& choice, const JobLayer::JobParams& params,
        const JobLayer::JobResultSet& results, JobLayer::JobStatusCentre& status);

    // The chosen kind; after a run, the kind that was chosen when it ended.
    Type Kind() const { return kind_; }
    WinLayer::WinRadioButton& KindSelector() { return selector_; }
    WinLayer::WinStaticBox& KindLabel() { return label_; }
    // The result of a finished run as a choice; nothing unless it ended with "Finish".
    std::optional<Choice> Result() const;

    void RegisterChildren() override;
    WinLayer::HostResult OnNotify(WinLayer::WinView* child, uint32_t code) override;

protected:
    WinLayer::HostSize ExtraRoom() override;
    void PlaceExtra(const WinLayer::HostRect& room) override;

private:
    // The label's width, from its text.
    int32_t LabelWidth();

    WinLayer::WinStaticBox label_;
    WinLayer::WinRadioButton selector_;
    Type kind_ = Type::Detail;
};

} // namespace AppLayer
