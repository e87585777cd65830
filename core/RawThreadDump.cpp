#include <core/RawPath.h>
#include <core/RawSystemText.h>
#include <core/RawThreadDump.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>

#include <execinfo.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RawLayer {

namespace {

constexpr int kMaxFrames = 64;
// Dump files tried for one second's name: "name_stamp.dmp", then "name_stamp_1.dmp" and so on.
constexpr int kMaxAttempts = 10;

// Copies `text` into a buffer of `capacity` bytes; false (and nothing copied) if it does not fit.
bool CopyText(char* out, std::size_t capacity, std::string_view text)
{
    if (text.empty() || text.size() >= capacity || text.find('\0') != std::string_view::npos)
        return false;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

const char* SignalName(int signal)
{
    switch (signal) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

// Collects text in a fixed buffer and writes it to a descriptor: the only output a signal
// handler may use.
class DumpWriter {
public:
    explicit DumpWriter(int fd)
        : fd_(fd)
    {
    }
    ~DumpWriter() { Flush(); }
    DumpWriter(const DumpWriter&) = delete;
    DumpWriter& operator=(const DumpWriter&) = delete;

    DumpWriter& Text(std::string_view text)
    {
        for (char c : text) {
            if (used_ == sizeof buffer_)
                Flush();
            buffer_[used_++] = c;
        }
        return *this;
    }
    DumpWriter& Decimal(int64_t value)
    {
        char digits[24];
        std::size_t count = 0;
        uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        do {
            digits[sizeof digits - ++count] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0)
            digits[sizeof digits - ++count] = '-';
        return Text(std::string_view(digits + sizeof digits - count, count));
    }
    DumpWriter& Hex(uintptr_t value)
    {
        char digits[2 + 2 * sizeof value] = { '0', 'x' };
        for (std::size_t i = 0; i < 2 * sizeof value; ++i)
            digits[sizeof digits - 1 - i] = "0123456789abcdef"[(value >> (4 * i)) & 0xF];
        return Text(std::string_view(digits, sizeof digits));
    }
    void Flush()
    {
        std::size_t done = 0;
        while (done < used_) {
            ssize_t written = write(fd_, buffer_ + done, used_ - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                break;
            done += static_cast<std::size_t>(written);
        }
        used_ = 0;
    }

private:
    int fd_;
    char buffer_[512];
    std::size_t used_ = 0;
};

void PutDigits(char* out, int64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i, value /= 10)
        out[i] = static_cast<char>('0' + value % 10);
}

} // namespace

RawThreadDump::RawThreadDump()
    : RawThreadDump(RawPath::Join(RawPath::TempFolder(), "Dump"), "Quelvane")
{
}

RawThreadDump::RawThreadDump(const RawString& folder, const RawString& name)
{
    RawSystemText folder_text(folder);
    RawSystemText name_text(name);
    configured_ = folder_text.IsValid() && name_text.IsValid()
        && name_text.View().find('/') == std::string::npos
        && CopyText(folder_, sizeof folder_, folder_text.View())
        && CopyText(name_, sizeof name_, name_text.View());
}

RawThreadDump::~RawThreadDump()
{
    if (RawThreadHook::Current() == this)
        RawThreadHook::SetCurrent(nullptr);
}

bool RawThreadDump::Install()
{
    time_t now = time(nullptr);
    tm local {};
    if (localtime_r(&now, &local) != nullptr)
        utc_offset_ = local.tm_gmtoff;
    // The first backtrace loads the unwinder, which allocates: do it now, not in the handler.
    void* frame = nullptr;
    backtrace(&frame, 1);
    RawThreadHook::SetCurrent(this);
    bool installed = RawThreadHook::InstallProcessGuard();
    return installed && FolderUsable();
}

void RawThreadDump::FormatStamp(char* out, int64_t seconds)
{
    // Days to a civil date, by the proleptic Gregorian calendar, valid for every 64-bit day.
    int64_t days = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
    int64_t time_of_day = seconds - days * 86400;
    int64_t shifted = days + 719468; // days since 0000-03-01
    int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
    int64_t day_of_era = shifted - era * 146097;
    int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    int64_t month_index = (5 * day_of_year + 2) / 153; // 0 = March
    int64_t day = day_of_year - (153 * month_index + 2) / 5 + 1;
    int64_t month = month_index < 10 ? month_index + 3 : month_index - 9;
    int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
    PutDigits(out, year, 4);
    PutDigits(out + 4, month, 2);
    PutDigits(out + 6, day, 2);
    out[8] = '_';
    PutDigits(out + 9, time_of_day / 3600, 2);
    PutDigits(out + 11, time_of_day / 60 % 60, 2);
    PutDigits(out + 13, time_of_day % 60, 2);
}

bool RawThreadDump::FolderUsable() const
{
    if (!configured_)
        return false;
    if (mkdir(folder_, 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info { };
    return lstat(folder_, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid();
}

RawFd RawThreadDump::CreateDumpFile(int64_t local_seconds) const
{
    if (!FolderUsable())
        return RawFd();
    char stamp[kStampLength];
    FormatStamp(stamp, local_seconds);
    for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
        char path[PATH_MAX];
        std::size_t used = 0;
        auto put = [&](std::string_view part) {
            if (used + part.size() < sizeof path) {
                std::memcpy(path + used, part.data(), part.size());
                used += part.size();
            } else {
                used = sizeof path; // marks the path as too long
            }
        };
        char suffix[3] = { '_', static_cast<char>('0' + attempt), '\0' };
        put(folder_);
        put("/");
        put(name_);
        put("_");
        put(std::string_view(stamp, kStampLength));
        put(std::string_view(suffix, attempt == 0 ? 0 : 2));
        put(".dmp");
        if (used >= sizeof path)
            return RawFd();
        path[used] = '\0';
        RawFd fd = RawFd::Open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd.IsOpen() || errno != EEXIST)
            return fd;
    }
    return RawFd();
}

void RawThreadDump::HandleException(const RawThreadHook::ExceptionRecord& record)
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    int64_t local_seconds = static_cast<int64_t>(now.tv_sec) + utc_offset_;
    RawFd fd = CreateDumpFile(local_seconds);
    if (!fd.IsOpen())
        return;
    char stamp[kStampLength];
    FormatStamp(stamp, local_seconds);
    {
        DumpWriter out(fd.Get());
        out.Text(name_).Text(" crash dump\n");
        out.Text("Time: ").Text(std::string_view(stamp, kStampLength)).Text(" (local)\n");
        out.Text("Signal: ").Decimal(record.signal).Text(" ").Text(SignalName(record.signal)).Text("\n");
        out.Text("Reason: ").Text(record.reason != nullptr ? record.reason : "").Text("\n");
        out.Text("Address: ").Hex(reinterpret_cast<uintptr_t>(record.address)).Text("\n");
        out.Text("Process: ").Decimal(getpid()).Text("\n");
        out.Text("Thread: ").Decimal(record.thread_id).Text("\n");
        out.Text("Backtrace:\n");
    }
    void* frames[kMaxFrames];
    int count = backtrace(frames, kMaxFrames);
    backtrace_symbols_fd(frames, count, fd.Get());
    fsync(fd.Get());
}

} // namespace RawLayer
