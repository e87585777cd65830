// JobApply: sections
//   1. Helpers (encodings, line ends, stepping through the list)
//   2. FileRun: one file at a time (open and check, back up, copy and replace, finish)
//   3. The run

#include <core/RawFileIdentity.h>
#include <core/RawLineFile.h>
#include <core/RawPath.h>
#include <core/RawSafeWrite.h>
#include <core/RawSystemText.h>
#include <engine/JobApply.h>
#include <engine/JobLinesFile.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace JobLayer {

using RawLayer::RawFileIdentity;
using RawLayer::RawLineEnd;
using RawLayer::RawLineFile;
using RawLayer::RawLineFileInfo;
using RawLayer::RawPath;
using RawLayer::RawSafeWrite;
using RawLayer::RawSystemText;

// --- 1. Helpers --------------------------------------------------------------------------------

namespace {

// "UTF16" names the native byte order; the reader names the order the file has.
RawEncoding FileForm(RawEncoding encoding)
{
    if (encoding != RawEncoding::Utf16)
        return encoding;
    return std::endian::native == std::endian::little ? RawEncoding::Utf16Le : RawEncoding::Utf16Be;
}

// Encodings in which a plain ASCII file reads the same.
bool IsAsciiCompatible(RawEncoding encoding)
{
    return encoding == RawEncoding::NoSet || encoding == RawEncoding::Sjis || encoding == RawEncoding::Utf8
        || encoding == RawEncoding::Mac;
}

// Whether the reader finds the encoding and mark the search found. The unchanged lines are copied
// as they are and the replacement is written in the block's encoding, so the two must agree. A
// plain ASCII file reads the same in every ASCII-compatible encoding.
bool SameEncoding(const RawLineFile& reader, const JobBlockUnit& block)
{
    bool mark = block.byte_order_mark != 0;
    if (reader.EncodingOrigin() == RawLineFileInfo::Origin::Undecided)
        return !mark && IsAsciiCompatible(block.file_encoding);
    return reader.FileEncoding() == FileForm(block.file_encoding) && reader.HasMark() == mark;
}

// `text` (UTF-8) in the file form of `encoding`, as the writer puts it; nothing when a
// character has no form there. Plain ASCII and Binary text go out as they are.
std::optional<std::string> Encode(const RawString& text, RawEncoding encoding)
{
    RawEncoding to = FileForm(encoding);
    if (to == RawEncoding::Binary || (IsAsciiCompatible(to) && RawLayer::RawIsPlainAscii(text.View())))
        return text.Str();
    return RawLayer::RawConvertBytes(text.View(), RawEncoding::Utf8, to);
}

// A path the system gave as bytes, tagged like the path it was made from.
RawString PathText(const std::string& bytes, const RawString& like)
{
    return RawString(bytes, like.Encoding() == RawEncoding::NoSet ? RawEncoding::NoSet : RawEncoding::Utf8);
}

// The status of the regular file at `path` (links followed); false when there is none.
bool RegularFileInfo(const RawString& path, struct stat& info)
{
    RawSystemText name(path);
    return name.IsValid() && stat(name.CStr(), &info) == 0 && S_ISREG(info.st_mode);
}

// Whether a path can be one line of the backup record.
bool StaysOnLine(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == text.npos;
}

RawString JoinNonEmpty(const RawStringList& list)
{
    RawString joined;
    for (const RawString& text : list) {
        RawString piece;
        // A text that cannot be held in UTF-8 is left out, like an empty one.
        if (text.IsEmpty() || !piece.Acquire(text, RawEncoding::Utf8))
            continue;
        if (!joined.IsEmpty())
            joined.AppendUnits(";");
        joined.AppendUnits(piece.View());
    }
    return joined;
}

// Steps through the block list, holding the locks for one step only, so that the window thread
// can read the list while files are written.
class BlockCursor {
public:
    explicit BlockCursor(JobResultSet& results)
        : results_(results)
    {
    }
    // The next block, or nullptr after the last (not to be called again then).
    JobBlockUnit* Next()
    {
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        at_ = started_ ? std::next(at_) : results_.blocks.begin();
        started_ = true;
        return at_ == results_.blocks.end() ? nullptr : &*at_;
    }

private:
    JobResultSet& results_;
    JobBlockList::Iterator at_;
    bool started_ = false;
};

} // namespace

// --- 2. FileRun --------------------------------------------------------------------------------

// The state of the run for the file being rewritten: the reader on the file, the writer on its
// temporary file, and the id of the status entry that made the file fail (0 while it is fine).
// It also keeps, for the whole run, the files already replaced (by device and inode), so that a
// file reached again through another name is rewritten once.
class JobApply::FileRun {
public:
    FileRun(JobApply& owner, JobBackupUnit& set, bool holds_lock)
        : owner_(owner)
        , set_(set)
        , holds_lock_(holds_lock)
    {
    }

    bool HasFile() const { return has_file_; }
    const RawString& CurrentPath() const { return current_path_; }

    // Opens the block's file unless it is the open one, copies the lines before the block and
    // writes its replacement. A block of a file that failed fails at once with the file's entry;
    // a block of a file done already through another name is passed over.
    bool ApplyBlock(JobBlockUnit& block)
    {
        bool open = has_file_ && block.file_path.Equals(current_path_) ? error_id_ == 0 : OpenFile(block);
        if (done_before_)
            return true;
        applied_.push_back(&block);
        if (open && CopyLinesBefore(block) && CheckBlockLines(block) && WriteReplacement(block))
            return true;
        MarkFailed();
        return false;
    }

    // Copies the rest of the open file and puts the temporary file in its place, or abandons
    // the temporary file when anything failed. True when no file is open.
    bool FinishFile()
    {
        if (!has_file_)
            return true;
        has_file_ = false;
        if (done_before_)
            return true;
        if (error_id_ == 0)
            (void)CopyRest();
        bool written = writer_.Close();
        if (error_id_ == 0 && !written)
            (void)ReportWriter();
        if (error_id_ == 0)
            (void)(CheckStillRead() && Commit());
        reader_.Close();
        safe_.reset(); // removes the temporary file unless it was committed
        if (error_id_ == 0)
            return true;
        MarkFailed();
        return false;
    }

private:
    // --- Opening ---------------------------------------------------------------------------------

    bool OpenFile(const JobBlockUnit& block)
    {
        has_file_ = true;
        current_path_ = block.file_path;
        item_ = nullptr;
        error_id_ = 0;
        done_before_ = false;
        applied_.clear();
        if (IsDoneAlready())
            return true;
        // The backup comes last: a file that cannot be read or rewritten leaves no copy behind.
        return CheckFile(block) && OpenReader(block) && OpenWriter(block) && BackUp();
    }

    // The file this path names now was replaced by this run through another name.
    bool IsDoneAlready()
    {
        struct stat info { };
        if (!RegularFileInfo(current_path_, info) || !replaced_.contains({ info.st_dev, info.st_ino }))
            return false;
        done_before_ = true;
        (void)owner_.status_.AddEntry(
            JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Already applied", current_path_));
        return true;
    }

    // A file that is gone is missing; one that cannot be looked at (a path too long to name, a
    // folder without permission) says why.
    bool CheckFile(const JobBlockUnit& block)
    {
        struct stat info { };
        RawSystemText name(current_path_);
        if (!name.IsValid())
            return Report("Open error", current_path_, SystemReason(EINVAL));
        if (stat(name.CStr(), &info) != 0) {
            int error = errno;
            if (error != ENOENT && error != ENOTDIR)
                return Report("Open error", current_path_, SystemReason(error));
        }
        if (!S_ISREG(info.st_mode))
            return Report("Missing file", current_path_);
        if (RawPath::TicksFromTimespec(info.st_mtim) != block.file_time)
            return Report("Modified file", current_path_);
        return true;
    }

    // Read the way the search read it. A file that no longer has the encoding or mark the search
    // found is not the file the preview was made for. What was opened is the file from here on:
    // its identity is what the replace checks, and the backup is copied from this descriptor.
    bool OpenReader(const JobBlockUnit& block)
    {
        reader_.SetOpenMode(RawLineFile::OpenMode::Regular);
        if (!reader_.OpenRead(current_path_, owner_.line_limit_))
            return Report("Open error", current_path_, reader_.Reason());
        if (fstat(reader_.Descriptor(), &read_info_) != 0)
            return Report("Open error", current_path_, SystemReason(errno));
        if (RawPath::TicksFromTimespec(read_info_.st_mtim) != block.file_time
            || !SameEncoding(reader_, block))
            return Report("Modified file", current_path_);
        return true;
    }

    bool OpenWriter(const JobBlockUnit& block)
    {
        safe_ = std::make_unique<RawSafeWrite>(current_path_);
        safe_->SetExpected(RawFileIdentity::Of(read_info_));
        safe_->SetStaleCleanup(holds_lock_);
        temps_reported_ = 0;
        bool opened = safe_->Open();
        ReportRemovedTemps();
        if (!opened)
            return Report("Open error for write", current_path_, safe_->Reason());
        if (!writer_.AttachWrite(safe_->Fd(), block.file_encoding, block.byte_order_mark != 0))
            return ReportWriter();
        return true;
    }

    // A change that has no backup could not be undone, so a file whose copy or record fails is
    // left as it is, and a copy whose record failed is removed again. The record names the file
    // by its absolute path: a relative one would be looked up wherever a later restore runs.
    bool BackUp()
    {
        JobBackupItemList& items = set_.Items();
        RawString source = RawPath::MakeAbsolute(current_path_);
        RawString name = JobBackupList::BackupNameFor(source, items.Folder());
        RawSystemText source_text(source);
        if (set_.IsEnabled()
            && (!source_text.IsValid() || !StaysOnLine(source_text.View()) || !RawPath::IsAbsolute(source)))
            return Report("Backup error", current_path_, "the name cannot be recorded");
        RawString copy = RawPath::Join(items.Folder(), name);
        std::string reason;
        if (set_.IsEnabled() && !JobBackupList::CopyToBackup(reader_.Descriptor(), read_info_, copy, reason))
            return Report("Backup error", current_path_, reason);
        JobBackupItemUnit& item = items.AddItem();
        item.SetKind(JobBackupItemUnit::Kind::Save);
        item.SetSource(source);
        item.SetBackupName(name);
        if (set_.IsEnabled() && !items.Save()) {
            items.Remove(--items.end());
            RawSystemText copy_text(copy);
            unlink(copy_text.CStr());
            return Report("Backup error", current_path_, "the record cannot be written");
        }
        item_ = &item;
        return true;
    }

    // --- Copying ---------------------------------------------------------------------------------

    bool CopyLine()
    {
        return writer_.WriteRaw(reader_.RawLine()) && writer_.WriteRaw(reader_.RawLineEndBytes());
    }

    // Copies the lines before the block's first line and reads that line into `line_`.
    bool CopyLinesBefore(const JobBlockUnit& block)
    {
        int64_t first = int64_t { block.line_number } - 1;
        if (reader_.LineIndex() + 1 > first)
            return Report("Logic error on file", current_path_);
        for (;;) {
            if (!reader_.ReadLine(line_))
                return reader_.Status() == RawLineFile::kStatusEndOfData
                    ? Report("Logic error on file", current_path_)
                    : ReportReader();
            if (reader_.LineIndex() == first)
                return true;
            if (!CopyLine())
                return ReportWriter();
        }
    }

    // Reads the rest of the block's lines. Together with the first they must read as the block's
    // text and end as it ended: a file changed with its time kept is caught here, before a
    // replacement made for other text is written. And the block's text written back in the
    // file's encoding must give the very bytes read: where it does not (a code page with two
    // forms of one character), writing the replacement would change bytes nobody asked to change.
    bool CheckBlockLines(const JobBlockUnit& block)
    {
        RawString text(RawEncoding::Utf8);
        text.AppendUnits(line_.View());
        raw_.assign(reader_.RawLine());
        RawLineEnd end = reader_.LineEnd();
        for (int32_t i = 1; i < block.line_count; ++i) {
            text.AppendUnits(JobLinesFile::LineEndText(end).View());
            raw_.append(reader_.RawLineEndBytes());
            if (!reader_.ReadLine(line_))
                return reader_.Status() == RawLineFile::kStatusEndOfData
                    ? Report("Logic error on file", current_path_)
                    : ReportReader();
            text.AppendUnits(line_.View());
            raw_.append(reader_.RawLine());
            end = reader_.LineEnd();
        }
        RawString original;
        if (!original.Acquire(block.original, RawEncoding::Utf8) || !text.Equals(original)
            || JobLinesFile::LineEndText(end).View() != block.line_end.View())
            return Report("Logic error on file", current_path_);
        std::optional<std::string> encoded = Encode(original, block.file_encoding);
        if (!encoded || *encoded != raw_)
            return Report(JobStatusCentre::MakeLineErrorEntry(
                RawLineFile::kCodeConversionError, block.line_number, current_path_));
        return true;
    }

    bool WriteReplacement(const JobBlockUnit& block)
    {
        if (!writer_.WriteText(block.replaced)
            || (!block.line_end.IsEmpty() && !writer_.WriteText(block.line_end)))
            return ReportWriter(&block);
        return true;
    }

    bool CopyRest()
    {
        while (reader_.ReadLine(line_))
            if (!CopyLine())
                return ReportWriter();
        return reader_.Status() == RawLineFile::kStatusEndOfData || ReportReader();
    }

    // --- Replacing -------------------------------------------------------------------------------

    // The open file must not have changed while it was read and written (another program
    // writing into it): its size and time are those seen at the opening. The path is checked
    // by the replace itself, as late as can be.
    bool CheckStillRead()
    {
        struct stat now { };
        if (fstat(reader_.Descriptor(), &now) != 0
            || !(RawFileIdentity::Of(now) == RawFileIdentity::Of(read_info_)))
            return Report("Modified file", current_path_);
        return true;
    }

    // A folder that could not be synced after the rename still holds the new file: the change is
    // made, and failing the file would mark blocks that were written as not written.
    bool Commit()
    {
        bool committed = safe_->Commit();
        ReportRemovedTemps();
        if (!committed) {
            switch (safe_->FailedStep()) {
            case RawSafeWrite::Step::SyncFolder:
                break;
            case RawSafeWrite::Step::Changed:
                return Report("Modified file", current_path_);
            case RawSafeWrite::Step::Rename:
                return Report("Replace error", current_path_, safe_->Reason());
            default:
                return Report("Write error", current_path_, safe_->Reason());
            }
        }
        // The item made when this file was opened is the first one of its path in the set: a
        // later group of blocks of the same file (two overlapping targets) finds it modified and
        // adds none. Kept at hand, since looking it up per file would cost a walk of the set.
        struct stat info { };
        if (lstat(safe_->TargetPath().c_str(), &info) == 0) {
            replaced_.insert({ info.st_dev, info.st_ino });
            if (item_ != nullptr) {
                item_->SetTime(RawPath::TicksFromTimespec(info.st_mtim));
                item_->SetIdentity(info.st_dev, info.st_ino);
            }
        }
        return true;
    }

    // --- Reports ---------------------------------------------------------------------------------

    static std::string SystemReason(int error)
    {
        return std::error_code(error, std::generic_category()).message();
    }

    void ReportRemovedTemps()
    {
        for (; temps_reported_ < safe_->RemovedStale().size(); ++temps_reported_)
            (void)owner_.status_.AddEntry(
                JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Stale temporary file removed",
                    PathText(safe_->RemovedStale()[temps_reported_], current_path_)));
    }

    // Adds an error entry and keeps its id for the file's blocks; always false.
    bool Report(const JobStatusUnit& entry)
    {
        error_id_ = entry.id;
        (void)owner_.status_.AddEntry(entry);
        return false;
    }
    bool Report(const RawString& text, const RawString& path, std::string_view reason = {})
    {
        return Report(JobStatusCentre::MakeEntry(
            JobStatusUnit::kError, text, JobStatusCentre::PathWithReason(path, reason)));
    }

    // The reader's state, with the number of the line it stopped at where that helps.
    bool ReportReader()
    {
        int state = reader_.Status();
        if (state == RawLineFile::kLineOverflow)
            return Report(JobStatusCentre::MakeLineErrorEntry(state, reader_.LineIndex() + 2, current_path_));
        if (state == RawLineFile::kCodeConversionError)
            return Report(JobStatusCentre::MakeLineErrorEntry(state, reader_.LineIndex() + 1, current_path_));
        return Report(JobStatusCentre::MakeErrorEntry(
            state, JobStatusCentre::PathWithReason(current_path_, reader_.Reason())));
    }

    // A replacement the file's encoding cannot hold names the block's line: nothing is ever
    // written in place of a character that has no form in the file. Other failures name the
    // user's file and what the system said ("No space left on device").
    bool ReportWriter(const JobBlockUnit* block = nullptr)
    {
        if (block != nullptr && writer_.Status() == RawLineFile::kCodeConversionError)
            return Report(
                JobStatusCentre::MakeLineErrorEntry(writer_.Status(), block->line_number, current_path_));
        return Report("Write error", current_path_, writer_.Reason());
    }

    // Every block of the file applied in this run gets AFL and the file's entry. Blocks applied
    // by an earlier run keep their state: their change is in the file.
    void MarkFailed()
    {
        std::lock_guard guard(owner_.results_.lock);
        std::lock_guard list_guard(owner_.results_.blocks.lock);
        for (JobBlockUnit* block : applied_) {
            if (block->HasFlag(JobBlockUnit::kAfl))
                continue;
            block->status_id = error_id_;
            (void)block->ChangeFlags(JobBlockUnit::kAfl | JobBlockUnit::kUpd, 0);
        }
    }

    JobApply& owner_;
    JobBackupUnit& set_;
    bool holds_lock_;
    bool has_file_ = false;
    bool done_before_ = false; // the current file was replaced already under another name
    RawString current_path_;
    RawLineFile reader_;
    RawLineFile writer_;
    struct stat read_info_ { };
    std::unique_ptr<RawSafeWrite> safe_;
    std::size_t temps_reported_ = 0;
    JobBackupItemUnit* item_ = nullptr; // the backup item of the current file
    uint32_t error_id_ = 0;
    std::vector<JobBlockUnit*> applied_;         // the blocks of the current file applied in this run
    std::set<std::pair<dev_t, ino_t>> replaced_; // the files this run has replaced
    RawString line_;
    std::string raw_; // the bytes of the block's lines
};

// --- 3. The run --------------------------------------------------------------------------------

JobApply::JobApply(const JobParams& params, JobResultSet& results, JobBackupList& store,
    JobStatusCentre& status, JobNotificationSink& sink, int32_t line_limit)
    : params_(params)
    , results_(results)
    , store_(store)
    , status_(status)
    , sink_(sink)
    , line_limit_(line_limit)
{
}

bool JobApply::Run()
{
    sink_.Post(JobNotificationSink::kApplyStarted);
    (void)status_.AddEntry(
        JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Apply started...", RawString()));
    bool ok = ApplyBlocks();
    (void)status_.AddEntry(JobStatusCentre::MakeEntry(
        JobStatusUnit::kInformation, "Apply finished.", ok ? RawString() : "Failed"));
    sink_.Post(JobNotificationSink::kApplyFinished);
    return ok;
}

bool JobApply::IsApplicable(uint16_t flags)
{
    return (flags & (JobBlockUnit::kChk | JobBlockUnit::kRep | JobBlockUnit::kOvw | JobBlockUnit::kApl))
        == (JobBlockUnit::kChk | JobBlockUnit::kRep);
}

RawParameterList JobApply::MakeComment(const JobParams& params, const std::tm& local_time)
{
    char time[128];
    std::snprintf(time, sizeof time, "%04d/%02d/%02d %02d:%02d:%02d", local_time.tm_year + 1900,
        local_time.tm_mon + 1, local_time.tm_mday, local_time.tm_hour, local_time.tm_min, local_time.tm_sec);
    RawParameterList comment;
    comment.Add("Search", JoinNonEmpty(params.expressions));
    comment.Add("Replace", JoinNonEmpty(params.replacements));
    comment.Add("Time", RawString(time, RawEncoding::Utf8));
    return comment;
}

bool JobApply::OpenBackupFolder(JobBackupLock& lock, uint32_t& error_id)
{
    RawString folder = store_.BackupFolder();
    auto report = [&](std::string_view reason) {
        JobStatusUnit entry = JobStatusCentre::MakeEntry(
            JobStatusUnit::kError, "Backup folder error", JobStatusCentre::PathWithReason(folder, reason));
        error_id = entry.id;
        (void)status_.AddEntry(entry);
        return false;
    };
    std::string reason;
    // A folder that cannot be made is reported by the check, which says what stands there.
    (void)RawPath::CreateFolders(folder, 0700);
    if (!JobBackupList::IsTrustedFolder(folder, true, reason))
        return report(reason);
    JobBackupLock::Result result = lock.Acquire(
        folder, [this] { return IsStopRequested(); },
        [&] {
            (void)status_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation,
                "Waiting for another apply to finish", RawPath::Join(folder, JobBackupLock::kFileName)));
        });
    if (result == JobBackupLock::Result::Stopped) {
        stopped_ = true;
        return false;
    }
    return result == JobBackupLock::Result::Held || report("lock: " + lock.Reason());
}

void JobApply::FailAll(uint32_t error_id)
{
    BlockCursor cursor(results_);
    while (JobBlockUnit* block = cursor.Next()) {
        if (!IsApplicable(block->Flags()))
            continue;
        std::lock_guard guard(results_.lock);
        std::lock_guard list_guard(results_.blocks.lock);
        block->status_id = error_id;
        (void)block->ChangeFlags(
            JobBlockUnit::kApl | JobBlockUnit::kAfl | JobBlockUnit::kUpd, JobBlockUnit::kChk);
    }
}

void JobApply::FinishSet(JobBackupUnit& set)
{
    if (!set.IsEnabled())
        return;
    JobBackupItemList& items = set.Items();
    if (items.Count() == 0) {
        // Nothing to undo: no folder stays behind for it.
        RawSystemText ini(items.IniPath());
        RawSystemText folder(set.Folder());
        unlink(ini.CStr());
        rmdir(folder.CStr());
        return;
    }
    // The record gets the times of the replaced files. The files themselves are in place, so a
    // record that cannot be written is reported but fails no file.
    if (!items.Save())
        (void)status_.AddEntry(JobStatusCentre::MakeEntry(JobStatusUnit::kError, "Backup error",
            JobStatusCentre::PathWithReason(items.IniPath(), "the record cannot be written")));
}

bool JobApply::ApplyBlocks()
{
    stopped_ = false;
    files_begun_.store(0, std::memory_order_relaxed);
    std::time_t now = std::time(nullptr);
    std::tm local_time {};
    localtime_r(&now, &local_time);
    RawParameterList comment;
    {
        std::lock_guard guard(params_.lock);
        comment = MakeComment(params_, local_time);
    }
    JobBackupLock lock;
    uint32_t folder_error = 0;
    if (!store_.BackupFolder().IsEmpty() && !OpenBackupFolder(lock, folder_error)) {
        if (stopped_) {
            (void)status_.AddEntry(
                JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Apply stopped.", RawString()));
            return true;
        }
        FailAll(folder_error);
        return false;
    }
    JobBackupUnit& set = store_.CreateSet(comment, local_time);
    last_set_ = &set;

    bool ok = true;
    FileRun run(*this, set, lock.IsHeld());
    BlockCursor cursor(results_);
    while (JobBlockUnit* block = cursor.Next()) {
        if (!IsApplicable(block->Flags()))
            continue;
        if (run.HasFile() && !block->file_path.Equals(run.CurrentPath())) {
            ok = run.FinishFile() && ok;
            if (IsStopRequested()) {
                stopped_ = true;
                break;
            }
        } else if (!run.HasFile() && IsStopRequested()) {
            stopped_ = true;
            break;
        }
        if (!run.HasFile())
            files_begun_.fetch_add(1, std::memory_order_relaxed);
        (void)block->ChangeFlags(JobBlockUnit::kApl | JobBlockUnit::kUpd, JobBlockUnit::kChk);
        ok = run.ApplyBlock(*block) && ok;
    }
    ok = run.FinishFile() && ok;
    FinishSet(set);
    if (stopped_)
        (void)status_.AddEntry(
            JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Apply stopped.", RawString()));
    return ok;
}

} // namespace JobLayer
