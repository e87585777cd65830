#pragma once

// The header row of the result list: the four column titles, never checked, on the list's own
// window background, drawn in the same column formats as the rows.

#include <engine/JobColumnTextHandler.h>

#include <array>

namespace JobLayer {

class JobColumnHeaderHandler : public JobColumnTextHandler {
public:
    JobColumnHeaderHandler();

    // The title of a column; empty outside the four columns.
    RawString ColumnText(int32_t column) const override;
    bool IsChecked() const override { return false; }
    RawColour BackgroundColour() const override { return kWindowBackground; }

private:
    std::array<RawString, kColumnCount> texts_;
};

} // namespace JobLayer
