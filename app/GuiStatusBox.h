#pragma once

// The status list of the main window: one row per status entry of the status centre, in the
// order made. Error entries are pink; selected rows mix their colour with the selection colour;
// a light grey line closes each row. The box keeps copies of the entries it shows and fetches
// only those it has not shown yet.

#include <engine/JobStatusCentre.h>
#include <engine/JobStatusUnit.h>
#include <toolkit/WinListBoxR.h>

#include <cstdint>
#include <deque>
#include <unordered_map>

namespace AppLayer {

class GuiStatusBox : public WinLayer::WinListBoxR<JobLayer::JobStatusUnit> {
public:
    // Colours as the host stores them (blue in the high byte).
    static constexpr RawLayer::RawColour kErrorColour = RawLayer::RawColour::FromBgrWord(0xE0E0FF);
    static constexpr RawLayer::RawColour kRowLine = RawLayer::RawColour::FromBgrWord(0xE0E0E0);
    static constexpr int32_t kMixWeight = 128;
    static constexpr int32_t kDefaultTabLength = 8;

    // The centre is not owned and must outlive the box.
    explicit GuiStatusBox(JobLayer::JobStatusCentre& centre);

    // The colour of a row of colour `row` whose selection colour is `selection`, on a list of
    // background `background`: the row colour where the selection shows nothing, the selection
    // colour on an ordinary row, else the two mixed with the selection weakened by the weight.
    static RawLayer::RawColour Mix(RawLayer::RawColour row, RawLayer::RawColour selection,
        RawLayer::RawColour background, int32_t weight = kMixWeight);

    // Appends rows for the centre's entries made since the last fetch.
    void Fetch();
    // Empties the box; entries made before stay out of it (a new job starts an empty list).
    void Clear();
    // Makes the row of the entry with `id` the cursor row; false when no row shows it.
    bool SelectId(uint32_t id);
    // Selects the entry the result list asked for through the centre.
    bool SelectRequested() { return SelectId(centre_.SelectedId()); }

    void SetTabLength(int32_t length) { tab_length_ = length; }
    int32_t TabLength() const { return tab_length_; }
    // The height of "A" in the box's font plus one.
    int32_t MeasuredRowHeight() const;

    void Refresh() override;
    int32_t RowHeight(int32_t row) override;
    void DrawRow(WinLayer::HostPainter& painter, const WinLayer::HostRect& rect, int32_t row) override;
    // The box's own text height, half of it again, and two pixels.
    WinLayer::HostSize NaturalTextSize() override;
    WinLayer::HostResult HandleMessage(
        uint32_t message, WinLayer::HostWParam wparam, WinLayer::HostLParam lparam) override;

private:
    JobLayer::JobStatusCentre& centre_;
    // Stable addresses for the rows; `fetched_` is the centre position of the next entry.
    std::deque<JobLayer::JobStatusUnit> entries_;
    std::unordered_map<uint32_t, int32_t> row_of_id_;
    int32_t fetched_ = 0;
    int32_t tab_length_ = kDefaultTabLength;
};

} // namespace AppLayer
