// JobApplyFile: sections
//   1. Helpers (encodings, paths)
//   2. Preparing: open and check, copy and write; sync and back up
//   3. The run's thread: backup failures, replacing, publishing
//   4. Reports

#include <core/RawFileIdentity.h>
#include <core/RawPath.h>
#include <core/RawSystemText.h>
#include <engine/JobApplyFile.h>
#include <engine/JobBackupList.h>
#include <engine/JobLinesFile.h>

#include <bit>
#include <cerrno>
#include <mutex>
#include <optional>
#include <system_error>

#include <fcntl.h>
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

// Whether a path can be one line of the backup record.
bool StaysOnLine(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == text.npos;
}

std::string SystemReason(int error)
{
    return std::error_code(error, std::generic_category()).message();
}

} // namespace

JobApplyFile::JobApplyFile(const RawString& path)
    : path_(path)
{
}

void JobApplyFile::SetBackupName(const RawString& source, const RawString& name)
{
    source_ = source;
    backup_name_ = name;
}

// --- 2. Preparing --------------------------------------------------------------------------------

void JobApplyFile::Prepare(const Context& context, RawLineFile& reader, RawLineFile& writer)
{
    // The backup comes last: a file that cannot be read or rewritten leaves no copy behind.
    bool ok = CheckFile(*context.replaced);
    if (done_before_)
        return;
    ok = ok && OpenReader(context, reader) && OpenWriter(context, writer) && CanBackUp(context);
    for (auto block = blocks_.begin(); ok && block != blocks_.end(); ++block)
        ok = CopyLinesBefore(**block, reader, writer) && CheckBlockLines(**block, reader)
            && WriteReplacement(**block, writer);
    ok = ok && CopyRest(reader, writer);
    bool written = writer.Close();
    ok = ok && (written || ReportWriter(writer));
    (void)(ok && CheckStillRead(reader));
    // The backup is made by Sync, from the descriptor the file was read through.
    if (wants_item_ && context.backups) {
        original_.Reset(fcntl(reader.Descriptor(), F_DUPFD_CLOEXEC, 0));
        if (!original_.IsOpen())
            FailBackup(SystemReason(errno));
    }
    reader.Close();
    if (error_id_ != 0)
        safe_.reset(); // removes the temporary file
}

void JobApplyFile::Sync(const Context& context)
{
    bool replacing = error_id_ == 0 && safe_ && Seal();
    if (original_.IsOpen())
        BackUp(context, replacing);
    original_.Reset();
    if (error_id_ != 0)
        safe_.reset();
}

// A file that is gone is missing; one that cannot be looked at (a path too long to name, a
// folder without permission) says why. The file this path names now may be one this run
// replaced through another name: it is done already.
bool JobApplyFile::CheckFile(const Identities& replaced)
{
    struct stat info { };
    RawSystemText name(path_);
    if (!name.IsValid())
        return Report("Open error", SystemReason(EINVAL));
    if (stat(name.CStr(), &info) != 0) {
        int error = errno;
        if (error != ENOENT && error != ENOTDIR)
            return Report("Open error", SystemReason(error));
    }
    if (!S_ISREG(info.st_mode))
        return Report("Missing file");
    if (replaced.contains({ info.st_dev, info.st_ino })) {
        done_before_ = true;
        entries_.push_back(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation, "Already applied", path_));
        return true;
    }
    if (RawPath::TicksFromTimespec(info.st_mtim) != blocks_.front()->file_time)
        return Report("Modified file");
    return true;
}

// Read the way the search read it. A file that no longer has the encoding or mark the search
// found is not the file the preview was made for. What was opened is the file from here on:
// its identity is what the replace checks, and the backup is copied from this descriptor.
bool JobApplyFile::OpenReader(const Context& context, RawLineFile& reader)
{
    const JobBlockUnit& block = *blocks_.front();
    reader.SetOpenMode(RawLineFile::OpenMode::Regular);
    if (!reader.OpenRead(path_, context.line_limit))
        return Report("Open error", reader.Reason());
    if (fstat(reader.Descriptor(), &read_info_) != 0)
        return Report("Open error", SystemReason(errno));
    if (RawPath::TicksFromTimespec(read_info_.st_mtim) != block.file_time || !SameEncoding(reader, block))
        return Report("Modified file");
    return true;
}

bool JobApplyFile::OpenWriter(const Context& context, RawLineFile& writer)
{
    const JobBlockUnit& block = *blocks_.front();
    safe_ = std::make_unique<RawSafeWrite>(path_);
    safe_->SetExpected(RawFileIdentity::Of(read_info_));
    safe_->SetStaleCleanup(context.stale_cleanup);
    bool opened = safe_->Open();
    KeepRemovedTemps();
    if (!opened)
        return Report("Open error for write", safe_->Reason());
    if (!writer.AttachWrite(safe_->Fd(), block.file_encoding, block.byte_order_mark != 0))
        return ReportWriter(writer);
    return true;
}

// A change that has no backup could not be undone, so a file whose backup fails is left as it
// is. The record names the file by its absolute path: a relative one would be looked up wherever
// a later restore runs. Here the file reaches the point of its backup; the backup itself is made
// once the new content is written (BackUp), and a failure of it counts as made here.
bool JobApplyFile::CanBackUp(const Context& context)
{
    RawSystemText source_text(source_);
    if (context.backups
        && (!source_text.IsValid() || !StaysOnLine(source_text.View()) || !RawPath::IsAbsolute(source_)))
        return Report("Backup error", "the name cannot be recorded");
    wants_item_ = true;
    entries_at_backup_ = entries_.size();
    return true;
}

// A file that is going to be replaced keeps its old content in its old inode, which the rename
// leaves untouched: a second name of it in the set folder is its backup. A file that failed
// stays in use, so it gets a copy of its own, as does one the set folder cannot link. The
// folder is synced by the run, once for all files prepared with this one, before the record is
// written.
void JobApplyFile::BackUp(const Context& context, bool replacing)
{
    copy_path_ = RawPath::Join(context.set_folder, backup_name_);
    std::string reason;
    bool made = replacing ? JobBackupList::LinkToBackup(original_.Get(), read_info_, copy_path_, reason)
                          : JobBackupList::CopyToBackup(original_.Get(), read_info_, copy_path_, reason,
                              JobBackupList::FolderSync::ByCaller);
    if (made)
        has_copy_ = true;
    else
        FailBackup(reason);
}

bool JobApplyFile::CopyLinesBefore(const JobBlockUnit& block, RawLineFile& reader, RawLineFile& writer)
{
    int64_t first = int64_t { block.line_number } - 1;
    if (reader.LineIndex() + 1 > first)
        return Report("Logic error on file");
    for (;;) {
        if (!reader.ReadLine(line_))
            return reader.Status() == RawLineFile::kStatusEndOfData ? Report("Logic error on file")
                                                                    : ReportReader(reader);
        if (reader.LineIndex() == first)
            return true;
        if (!writer.WriteRaw(reader.RawLine()) || !writer.WriteRaw(reader.RawLineEndBytes()))
            return ReportWriter(writer);
    }
}

// Reads the rest of the block's lines. Together with the first they must read as the block's
// text and end as it ended: a file changed with its time kept is caught here, before a
// replacement made for other text is written. And the block's text written back in the file's
// encoding must give the very bytes read: where it does not (a code page with two forms of one
// character), writing the replacement would change bytes nobody asked to change.
bool JobApplyFile::CheckBlockLines(const JobBlockUnit& block, RawLineFile& reader)
{
    RawString text(RawEncoding::Utf8);
    text.AppendUnits(line_.View());
    raw_.assign(reader.RawLine());
    RawLineEnd end = reader.LineEnd();
    for (int32_t i = 1; i < block.line_count; ++i) {
        text.AppendUnits(JobLinesFile::LineEndText(end).View());
        raw_.append(reader.RawLineEndBytes());
        if (!reader.ReadLine(line_))
            return reader.Status() == RawLineFile::kStatusEndOfData ? Report("Logic error on file")
                                                                    : ReportReader(reader);
        text.AppendUnits(line_.View());
        raw_.append(reader.RawLine());
        end = reader.LineEnd();
    }
    RawString original;
    if (!original.Acquire(block.original, RawEncoding::Utf8) || !text.Equals(original)
        || JobLinesFile::LineEndText(end).View() != block.line_end.View())
        return Report("Logic error on file");
    std::optional<std::string> encoded = Encode(original, block.file_encoding);
    if (!encoded || *encoded != raw_)
        return Report(
            JobStatusCentre::MakeLineErrorEntry(RawLineFile::kCodeConversionError, block.line_number, path_));
    return true;
}

bool JobApplyFile::WriteReplacement(const JobBlockUnit& block, RawLineFile& writer)
{
    if (!writer.WriteText(block.replaced) || (!block.line_end.IsEmpty() && !writer.WriteText(block.line_end)))
        return ReportWriter(writer, &block);
    return true;
}

bool JobApplyFile::CopyRest(RawLineFile& reader, RawLineFile& writer)
{
    while (reader.ReadLine(line_))
        if (!writer.WriteRaw(reader.RawLine()) || !writer.WriteRaw(reader.RawLineEndBytes()))
            return ReportWriter(writer);
    return reader.Status() == RawLineFile::kStatusEndOfData || ReportReader(reader);
}

// The open file must not have changed while it was read and written (another program writing
// into it): its size and time are those seen at the opening. The path is checked by the
// replace itself, as late as can be.
bool JobApplyFile::CheckStillRead(const RawLineFile& reader)
{
    struct stat now { };
    if (fstat(reader.Descriptor(), &now) != 0
        || !(RawFileIdentity::Of(now) == RawFileIdentity::Of(read_info_)))
        return Report("Modified file");
    return true;
}

bool JobApplyFile::Seal()
{
    return safe_->Seal() || Report("Write error", safe_->Reason());
}

// --- 3. The run's thread -----------------------------------------------------------------------

void JobApplyFile::FailBackup(std::string_view reason)
{
    // The backup comes before every block in the order of the steps: the entries made after it
    // were never made.
    entries_.resize(entries_at_backup_);
    error_id_ = 0;
    wants_item_ = false;
    has_copy_ = false;
    item_ = nullptr;
    safe_.reset();
    (void)Report("Backup error", reason);
}

// A folder that could not be synced after the rename still holds the new file: the change is
// made, and failing the file would mark blocks that were written as not written. So the run
// syncs the folders after the renames and passes over a failure.
void JobApplyFile::Replace(Identities& replaced)
{
    if (error_id_ != 0 || done_before_ || !safe_)
        return;
    bool placed = safe_->Place();
    KeepRemovedTemps();
    if (!placed) {
        switch (safe_->FailedStep()) {
        case RawSafeWrite::Step::Changed:
            (void)Report("Modified file");
            break;
        case RawSafeWrite::Step::Rename:
            (void)Report("Replace error", safe_->Reason());
            break;
        default:
            (void)Report("Write error", safe_->Reason());
            break;
        }
        safe_.reset();
        // The file stays in use: a backup that is a second name of it must not follow its
        // later changes. A backup that cannot be separated is still the file's content of now.
        if (has_copy_)
            (void)JobBackupList::SeparateBackup(copy_path_);
        return;
    }
    // The item made when this file was backed up is the first one of its path in the set: a
    // later group of blocks of the same file (two overlapping targets) finds it replaced
    // already and adds none.
    replaced_path_ = safe_->TargetPath();
    const struct stat info = safe_->SealedInfo();
    safe_.reset();
    replaced.insert({ info.st_dev, info.st_ino });
    if (item_ != nullptr) {
        item_->SetTime(RawPath::TicksFromTimespec(info.st_mtim));
        item_->SetIdentity(info.st_dev, info.st_ino);
    }
}

bool JobApplyFile::Publish(JobStatusCentre& status, JobResultSet& results)
{
    const uint32_t error_entry = error_id_;
    for (JobStatusUnit& entry : entries_) {
        uint32_t id = JobStatusUnit::NewId();
        if (entry.id == error_entry)
            error_id_ = id;
        entry.id = id;
        (void)status.AddEntry(entry);
    }
    entries_.clear();
    if (error_id_ == 0)
        return true;
    MarkFailed(results);
    return false;
}

// Every block of the file applied in this run gets AFL and the file's entry. Blocks applied by
// an earlier run keep their state: their change is in the file.
void JobApplyFile::MarkFailed(JobResultSet& results)
{
    std::lock_guard guard(results.lock);
    std::lock_guard list_guard(results.blocks.lock);
    for (JobBlockUnit* block : blocks_) {
        if (block->HasFlag(JobBlockUnit::kAfl))
            continue;
        block->status_id = error_id_;
        (void)block->ChangeFlags(JobBlockUnit::kAfl | JobBlockUnit::kUpd, 0);
    }
}

// --- 4. Reports --------------------------------------------------------------------------------

void JobApplyFile::KeepRemovedTemps()
{
    for (; temps_kept_ < safe_->RemovedStale().size(); ++temps_kept_)
        entries_.push_back(JobStatusCentre::MakeEntry(JobStatusUnit::kInformation,
            "Stale temporary file removed", PathText(safe_->RemovedStale()[temps_kept_], path_)));
}

bool JobApplyFile::Report(const JobStatusUnit& entry)
{
    error_id_ = entry.id;
    entries_.push_back(entry);
    return false;
}

bool JobApplyFile::Report(const RawString& text, std::string_view reason)
{
    return Report(JobStatusCentre::MakeEntry(
        JobStatusUnit::kError, text, JobStatusCentre::PathWithReason(path_, reason)));
}

// The reader's state, with the number of the line it stopped at where that helps.
bool JobApplyFile::ReportReader(const RawLineFile& reader)
{
    int state = reader.Status();
    if (state == RawLineFile::kLineOverflow)
        return Report(JobStatusCentre::MakeLineErrorEntry(state, reader.LineIndex() + 2, path_));
    if (state == RawLineFile::kCodeConversionError)
        return Report(JobStatusCentre::MakeLineErrorEntry(state, reader.LineIndex() + 1, path_));
    return Report(
        JobStatusCentre::MakeErrorEntry(state, JobStatusCentre::PathWithReason(path_, reader.Reason())));
}

// A replacement the file's encoding cannot hold names the block's line: nothing is ever written
// in place of a character that has no form in the file. Other failures name the user's file
// and what the system said ("No space left on device").
bool JobApplyFile::ReportWriter(const RawLineFile& writer, const JobBlockUnit* block)
{
    if (block != nullptr && writer.Status() == RawLineFile::kCodeConversionError)
        return Report(JobStatusCentre::MakeLineErrorEntry(writer.Status(), block->line_number, path_));
    return Report("Write error", writer.Reason());
}

} // namespace JobLayer
