#pragma once

// The background unit that reads the backup store at start-up: every set folder of the backup
// folder that is younger than the age limit becomes a set (its "Backup.ini" read); the older ones
// are deleted once the list is loaded. Entries whose names are not of the set form are the
// user's: they are neither listed nor deleted.

#include <core/RawString.h>
#include <core/RawStringList.h>
#include <core/RawThreadUnit.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace JobLayer {

using RawLayer::RawString;
using RawLayer::RawStringList;

class JobBackupList;

class JobBackupLoader : public RawLayer::RawThreadUnit {
public:
    // A date and time read from a set folder's name.
    struct SetName {
        int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    };

    explicit JobBackupLoader(JobBackupList& list);
    ~JobBackupLoader() override;

    // Copies the backup folder and the age limit in days, then starts the thread. False when it
    // is running already or no thread could be made (the store then counts as loaded).
    bool StartWith(const RawString& backup_folder, int32_t days);

    // Makes the loader take `now` as the current time (0: the system clock again), for tests.
    void SetNow(std::time_t now) { now_ = now; }

    // Reads a set folder name: 'YYYYMMDD_HHMMSS', optionally followed by "_" and a number that
    // tells apart runs of the same second. False for any other name.
    static bool ParseSetName(std::string_view name, SetName& parsed);

    // The expired sets that could not be deleted (read after the loader has ended).
    const RawStringList& DeleteList() const { return delete_list_; }

    void Run() override;
    void Finished() override;

private:
    bool IsExpired(const SetName& name) const;
    void LoadSets();
    void DeleteExpired();
    bool RemoveFolderAt(int parent, const std::string& name, int depth);

    JobBackupList& list_;
    RawString backup_folder_;
    int32_t days_ = 0;
    std::time_t now_ = 0;
    std::tm cutoff_ {};
    RawStringList delete_list_;
};

} // namespace JobLayer
