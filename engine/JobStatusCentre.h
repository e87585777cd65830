#pragma once

// Where every job of the process writes its messages for the user, and where the status box
// reads them. One centre serves the whole process (Instance); tests may build their own.
//
// Locks: the list lock guards the entries; the second lock guards the accepting flag, the sink
// and the old-id map. Each is taken alone, never while the other or any other lock is held
// by the centre. The sink is posted to under the second lock, so once SetAccepting(false) or
// SetSink(nullptr) has returned, the centre never touches the old sink again.

#include <engine/JobNotificationSink.h>
#include <engine/JobStatusList.h>
#include <engine/JobStatusUnit.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace JobLayer {

class JobStatusCentre {
public:
    JobStatusCentre() = default;
    JobStatusCentre(const JobStatusCentre&) = delete;
    JobStatusCentre& operator=(const JobStatusCentre&) = delete;

    // The centre of the process, built on first use.
    static JobStatusCentre& Instance();

    // --- Making entries (no lock; the ids come from the process-wide counter) -------------------
    static JobStatusUnit MakeEntry(JobStatusUnit::Kind kind, const RawString& text, const RawString& path);
    // An error entry for a reader state: "Read open error" ... "Line overflow", or
    // "Unknown error" for a state that is no failure.
    static JobStatusUnit MakeErrorEntry(int state, const RawString& path);
    // The detail of an entry that names what the system said: "PATH: REASON", or the path alone
    // when there is no reason.
    static RawString PathWithReason(const RawString& path, std::string_view reason);
    // The same with " [line=N]" after the text.
    static JobStatusUnit MakeLineErrorEntry(int state, int64_t line_number, const RawString& path);

    // --- Adding --------------------------------------------------------------------------------
    // Appends a copy of `entry` when the centre accepts entries and posts kStatusAdded to the
    // sink when one is set. False when the entry was dropped.
    bool AddEntry(const JobStatusUnit& entry);

    // Starts at false: the main window (or the console front end, or a test) opens the centre
    // once it can show entries and closes it when it goes.
    void SetAccepting(bool accepting);
    bool IsAccepting() const;
    // The status window; nullptr for none.
    void SetSink(JobNotificationSink* sink);

    // --- Reading -------------------------------------------------------------------------------
    std::optional<JobStatusUnit> Find(uint32_t id) const;
    int32_t Count() const;
    // Copies of the entries from the 0-based position `first` on, in the order added. Entries
    // are never removed, so a viewer can ask for only what it has not shown yet.
    std::vector<JobStatusUnit> Entries(int32_t first = 0) const;

    // The entry the status box should select (set by the result list); 0 for none.
    void SetSelectedId(uint32_t id) { selected_id_.store(id); }
    uint32_t SelectedId() const { return selected_id_.load(); }

    // --- Ids of a loaded result file -----------------------------------------------------------
    uint32_t NewIdFor(uint32_t old_id) const;
    void RecordOldId(uint32_t old_id, uint32_t new_id);
    void ClearOldIds();

private:
    JobStatusList list_; // with the list lock
    mutable std::mutex second_lock_;
    JobOldStatusList old_ids_;
    JobNotificationSink* sink_ = nullptr;
    uint8_t accepting_ = 0;
    std::atomic<uint32_t> selected_id_ { 0 };
};

} // namespace JobLayer
