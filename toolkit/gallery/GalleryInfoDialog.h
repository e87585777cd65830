#pragma once

// The info dialog as the gallery opens it; with a screenshot path it saves its first paint there
// and ends itself with OK.

#include <toolkit/WinInfoDialog.h>

#include <string>

namespace Gallery {

using namespace WinLayer;

class GalleryInfoDialog : public WinInfoDialog {
public:
    GalleryInfoDialog(ButtonSet set, Icon icon, std::string screenshot);

    void OnCreated() override;
    HostResult HandleMessage(uint32_t message, HostWParam wparam, HostLParam lparam) override;

private:
    std::string screenshot_;
};

} // namespace Gallery
