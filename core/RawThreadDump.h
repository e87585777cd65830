#pragma once

// The crash handler of the program: writes a crash dump file "<name>_YYYYMMDD_HHMMSS.dmp" (local
// time) into the dump folder, holding the signal, the faulting address, the thread and a
// backtrace, as plain text a developer can read without tools.
//
// Writing happens inside a signal handler, so everything that can be is prepared beforehand:
// the folder and name are kept in fixed buffers, the offset of local time is taken at Install
// (a change of daylight saving time after that shifts the name by an hour), and the backtrace
// machinery is loaded once. At the crash only open, write, mkdir and lstat are used.
//
// The dump folder usually lies in the shared temporary folder: it is created with mode 0700
// and used only while it is a real folder (not a link) owned by the user; the dump file is
// created exclusively with mode 0600 and never through a link.

#include <core/RawFd.h>
#include <core/RawString.h>
#include <core/RawThreadHook.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace RawLayer {

class RawThreadDump : public RawThreadHook::Handler {
public:
    // Dumps named "Quelvane" in the folder "Dump" of the temporary folder.
    RawThreadDump();
    RawThreadDump(const RawString& folder, const RawString& name);
    ~RawThreadDump() override;
    RawThreadDump(const RawThreadDump&) = delete;
    RawThreadDump& operator=(const RawThreadDump&) = delete;

    // Makes this the process's handler and installs the crash guard. The object must live as
    // long as the guard may fire. False when the guard could not be installed or the dump folder
    // is not usable now (the guard is installed all the same).
    [[nodiscard]] bool Install();

    void HandleException(const RawThreadHook::ExceptionRecord& record) override;

    // Writes "YYYYMMDD_HHMMSS" for `seconds` since 1970-01-01 (already shifted to local time)
    // into `out`, which must hold kStampLength bytes. Signal safe.
    static constexpr std::size_t kStampLength = 15;
    static void FormatStamp(char* out, int64_t seconds);

private:
    // Creates the folder if missing and checks it may hold dumps. Signal safe.
    bool FolderUsable() const;
    // Creates a new dump file for the time `local_seconds`; -1 if none can be made.
    RawFd CreateDumpFile(int64_t local_seconds) const;

    char folder_[PATH_MAX] = {};
    char name_[NAME_MAX + 1] = {};
    bool configured_ = false; // folder and name fit the buffers
    long utc_offset_ = 0;     // seconds east of UTC when installed
};

} // namespace RawLayer
