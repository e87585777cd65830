#pragma once

// One backup set: the record of one apply run, with the files it backed up.

#include <core/RawString.h>
#include <engine/JobBackupItemList.h>
#include <engine/JobUndoUnit.h>

#include <cstdint>

namespace JobLayer {

class JobBackupUnit : public JobUndoUnit {
public:
    // Where the set came from; also its row state.
    static constexpr int32_t kOriginNoBackup = 0; // an apply with backups switched off
    static constexpr int32_t kOriginApply = 1;    // an apply of this process, with backups on
    static constexpr int32_t kOriginDisk = 2;     // read from disk by the loader

    JobBackupUnit(int32_t origin, const RawString& folder);
    JobBackupUnit(const JobBackupUnit&) = delete;
    JobBackupUnit& operator=(const JobBackupUnit&) = delete;

    int32_t Origin() const { return origin_; }
    // Whether copies and "Backup.ini" are written for this set (an apply with backups on).
    bool IsEnabled() const { return origin_ == kOriginApply; }
    // The set folder; empty for a set without backups.
    const RawString& Folder() const { return folder_; }
    JobBackupItemList& Items() { return items_; }
    const JobBackupItemList& Items() const { return items_; }

    RawParameterList GetInfo() override { return items_.Comment(); }
    int32_t GetState() const override { return origin_; }
    JobUndoLink* GetLink() override { return &items_; }
    // Restores every item in order, whatever happens to the others; true when all succeeded.
    [[nodiscard]] bool Restore() override;
    RawString GetFolder() const override { return folder_; }

private:
    int32_t origin_;
    RawString folder_;
    JobBackupItemList items_;
};

} // namespace JobLayer
