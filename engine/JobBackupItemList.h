#pragma once

// The files of one backup set, in the order they were added or read, with the set's comment
// ("Search", "Replace", "Time"), its folder and the path of its "Backup.ini".
//
// Writing "Backup.ini". The apply saves after every backup copy, so that a run cut off by a
// crash can still be undone, and once more at the end. Rewriting the whole file each time would
// cost time in the square of the number of files, so Save works in two ways:
//   - when items were added since the last save and the file on disk is the one this list
//     wrote, it appends the new items' sections (O_APPEND, then fdatasync): linear overall;
//   - otherwise (the first save, no new items, or an append that failed) it writes the whole
//     file through a temporary file and a rename. So the save at the end of a run, which adds
//     no item, brings in the times stored after each file was replaced.
// Each section holds "InfoType", "Source", "Destin", "TimeH", "TimeL", and, where the apply knew
// them, "Device" and "Inode" of the file it left.
// A crash during an append leaves at worst a last line without its line end; Load drops such a
// line, and a section without "Source" or "Destin", so the file always reads back cleanly.

#include <core/RawListR.h>
#include <core/RawParameterList.h>
#include <core/RawString.h>
#include <engine/JobBackupItemUnit.h>
#include <engine/JobUndoLink.h>

#include <cstdint>
#include <string>

namespace JobLayer {

using RawLayer::RawListAllocator;
using RawLayer::RawListR;

class JobBackupItemListAllocator : public RawListAllocator<JobBackupItemUnit> { };

class JobBackupItemList : public RawListR<JobBackupItemListAllocator, JobBackupItemUnit>, public JobUndoLink {
public:
    static constexpr int32_t kLineLimit = 65536;

    JobBackupItemList() = default;
    // Items belong to exactly one set.
    JobBackupItemList(const JobBackupItemList&) = delete;
    JobBackupItemList& operator=(const JobBackupItemList&) = delete;

    // Sets the folder and the "Backup.ini" path (the folder joined with "Backup.ini"); an empty
    // folder gives an empty path, and Save and Load then do nothing.
    void SetFolder(const RawString& folder);
    const RawString& Folder() const { return folder_; }
    const RawString& IniPath() const { return ini_path_; }
    RawParameterList& Comment() { return comment_; }
    const RawParameterList& Comment() const { return comment_; }

    // A new empty item with this set's folder, appended; the caller fills it.
    JobBackupItemUnit& AddItem();

    // Writes "Backup.ini" (see above). False when the file could not be written, or when an
    // item handled by this call cannot be written as lines (a line break or zero byte in its
    // source or backup name): that item is left out, and the items after it are written all
    // the same, numbered on, so one odd name never costs the records of the other files.
    [[nodiscard]] bool Save();
    // Replaces the comment and the items by those of "Backup.ini": section "Comment", then
    // "Action_0", "Action_1", ... up to the first that is missing. A missing or unreadable
    // file leaves the list without comment and items; false then.
    bool Load();
    // Why the last Load found a record it could not use ("not a regular file", ...); empty when
    // it read the record, or there was none.
    const std::string& LoadError() const { return load_error_; }

    bool IsFileLevel() const override { return true; }
    void WaitReady() override { }
    std::vector<JobUndoUnit*> Units() override;

private:
    bool Rewrite();
    bool AppendNew();
    static bool AppendSection(std::string& text, int32_t index, const JobBackupItemUnit& item);

    RawParameterList comment_;
    RawString folder_;
    RawString ini_path_;
    // Items the file this list wrote last stands for, and the sections it holds; -1 while the
    // file is not known to be exactly what this list wrote (nothing written yet, or a write
    // failed).
    int32_t saved_count_ = -1;
    int32_t section_count_ = 0;
    std::string load_error_;
};

} // namespace JobLayer
