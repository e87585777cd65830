// Reads every input as a text file, with detection and as Binary, and checks what must always
// hold: the raw pieces of the lines give the file back, delivered lines are valid UTF-8 and
// within the line limit, detection on the file agrees with the scan of the bytes in memory,
// writing the raw pieces back reproduces them, and the fast byte checks agree with the plain
// ones.

#include <core/RawLineFile.h>

#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

using namespace RawLayer;

namespace {

constexpr int32_t kLineLimit = 4096;

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// Memory files, rewritten for every input, so nothing touches the disk.
int MemoryFile(const char* name)
{
    int fd = memfd_create(name, MFD_CLOEXEC);
    Check(fd >= 0);
    return fd;
}

void Replace(int fd, std::string_view bytes)
{
    Check(ftruncate(fd, 0) == 0 && lseek(fd, 0, SEEK_SET) == 0);
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        Check(n > 0);
        done += static_cast<size_t>(n);
    }
}

std::string Contents(int fd)
{
    std::string bytes(static_cast<size_t>(lseek(fd, 0, SEEK_END)), '\0');
    Check(pread(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
    return bytes;
}

struct Pass {
    std::string raw; // mark + raw lines + raw line ends
    int status = -1;
    RawEncoding encoding = RawEncoding::NoSet;
    bool mark = false;
};

// Reads the file and writes its raw pieces, and each delivered line, through writers.
Pass ReadAll(const RawString& path, RawEncoding given, int raw_out, int text_out)
{
    Pass pass;
    RawLineFile file;
    RawLineFile raw_writer;
    RawLineFile text_writer;
    if (file.OpenRead(path, kLineLimit, given)) {
        pass.encoding = file.FileEncoding();
        pass.mark = file.HasMark();
        // A binary file is never written as such; its lines are bytes, which go out unchanged
        // in any byte encoding.
        RawEncoding write_encoding = pass.encoding == RawEncoding::Binary ? RawEncoding::Utf8 : pass.encoding;
        Check(!raw_writer.AttachWrite(raw_out, RawEncoding::Binary, false));
        Check(raw_writer.AttachWrite(raw_out, write_encoding, pass.mark));
        Check(text_writer.AttachWrite(text_out, write_encoding, false));
        if (pass.mark)
            pass.raw = RawLineFileInfo::MarkBytes(pass.encoding);
        bool wide = pass.encoding == RawEncoding::Utf16Le || pass.encoding == RawEncoding::Utf16Be;
        RawString line;
        while (file.ReadLine(line)) {
            std::string_view raw = file.RawLine();
            Check(static_cast<int64_t>(raw.size()) <= int64_t { kLineLimit } * (wide ? 2 : 1));
            Check(wide || raw.find_first_of("\r\n") == std::string_view::npos);
            Check(pass.encoding == RawEncoding::Binary || RawIsValidUtf8(line.View()));
            pass.raw += raw;
            pass.raw += file.RawLineEndBytes();
            Check(raw_writer.WriteRaw(raw) && raw_writer.WriteRaw(file.RawLineEndBytes()));
            if (!text_writer.WriteText(line))
                Check(text_writer.Status() == RawLineFile::kCodeConversionError);
        }
    }
    pass.status = file.Status();
    Check(raw_writer.Close() || pass.status == RawLineFile::kReadOpenError);
    text_writer.Close();
    return pass;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int input_fd = MemoryFile("fuzz_line_file_input");
    static const int raw_fd = MemoryFile("fuzz_line_file_raw");
    static const int text_fd = MemoryFile("fuzz_line_file_text");
    static const RawString path("/proc/self/fd/" + std::to_string(input_fd), RawEncoding::Utf8);

    std::string_view input(reinterpret_cast<const char*>(data), size);
    RawLineFileInfo::SjisOrUtf8(input, false);
    RawLineFileInfo::SjisOrUtf8(input, true);
    RawLineFileInfo::Verdict verdict = RawLineFileInfo::ScanContent(input);
    Check(!verdict.failed);
    // The fast checks agree with the plain ones they stand in for.
    Check(RawIsValidUtf8(input) == RawIsValidUtf8Portable(input));
    size_t plain = 0;
    while (plain < size && data[plain] >= 0x01 && data[plain] <= 0x7E)
        ++plain;
    Check(RawPlainAsciiPrefix(input) == plain);

    Replace(input_fd, input);
    for (RawEncoding given : { RawEncoding::NoSet, RawEncoding::Binary }) {
        Replace(raw_fd, "");
        Replace(text_fd, "");
        Pass pass = ReadAll(path, given, raw_fd, text_fd);
        // A UTF-8 mark before a zero byte makes the file binary; without a mark the scan decides.
        bool zero_after_utf8_mark = input.starts_with("\xEF\xBB\xBF")
            && input.substr(0, RawLineFileInfo::kZeroWindow).find('\0') != std::string_view::npos;
        if (given == RawEncoding::NoSet && zero_after_utf8_mark)
            Check(pass.encoding == RawEncoding::Binary);
        else if (given == RawEncoding::NoSet && !pass.mark)
            Check(pass.encoding == (verdict.decided ? verdict.encoding : RawEncoding::NoSet));
        Check(pass.status == RawLineFile::kStatusEndOfData || pass.status == RawLineFile::kCodeConversionError
            || pass.status == RawLineFile::kLineOverflow);
        // A read that ends early has still read the file's start, exactly.
        Check(pass.status == RawLineFile::kStatusEndOfData ? pass.raw == input : input.starts_with(pass.raw));
        Check(Contents(raw_fd) == pass.raw);
        // Binary lines are never converted, so only a line too long stops them.
        Check(given != RawEncoding::Binary || pass.status != RawLineFile::kCodeConversionError);
    }
    return 0;
}
