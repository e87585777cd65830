#pragma once

// A parameter file: named sections of key=value lines, in any encoding RawLineFile reads.
//
//   [Section]        a header; the name runs to the last "]" (or to the end of the line)
//   key=value        an entry; nothing is trimmed, the value may hold "=" but the key may not
//   // comment       ignored, as are empty lines and lines before the first header
//
// Section names are compared ignoring the case of ASCII letters, and only the first section of a
// name is read or replaced. A rewrite goes through RawSafeWrite and keeps the file's encoding,
// byte order mark and every line it does not replace, byte for byte; the lines it writes end
// with CR LF.

#include <core/RawEncoding.h>
#include <core/RawParameterList.h>
#include <core/RawString.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace RawLayer {

class RawLineFile;

class RawProfile {
public:
    static constexpr int32_t kLineLimit = 8192;

    // The profile at `path`, which is also the path it reads and writes.
    explicit RawProfile(const RawString& path);

    const RawString& Path() const { return path_; }
    const RawString& FilePath() const { return file_path_; }
    void SetFilePath(const RawString& file_path) { file_path_ = file_path; }
    int32_t LineLimit() const { return line_limit_; }
    void SetLineLimit(int32_t line_limit) { line_limit_ = line_limit; }
    // The encoding and byte order mark found by the last read; NoSet and false until then.
    RawEncoding Encoding() const { return encoding_; }
    bool Mark() const { return mark_ != 0; }
    // The RawLineFile status code of the last operation's failure (0 after a success); a
    // missing file is no failure of a read.
    int Status() const { return status_; }
    // What the system said about that failure ("not a regular file", ...), or empty.
    const std::string& Reason() const { return reason_; }

    // Empties `list`, then fills it with the entries of the first section named `name`. True
    // when the list holds an entry afterwards. A missing file or section, and a binary file,
    // read as an empty section; a line longer than the line limit ends the read, keeping the
    // entries read before it.
    bool ReadSection(const RawString& name, RawParameterList& list);

    // The value of the first `key` in the section, or `default_value`.
    RawString GetText(const RawString& section, const RawString& key, const RawString& default_value);

    // Sets the first `key` of the section to `value` (appending the key if it is missing) and
    // writes the section back. The result of the write.
    [[nodiscard]] bool SetText(const RawString& section, const RawString& key, const RawString& value);

    // Rewrites the file with the first section named `name` replaced by `list` (or, if there is
    // none, with that section appended); a missing file is created in UTF-8 without a mark.
    // The file stays untouched when anything fails: when the old file cannot be read completely
    // (unreadable, binary, a line too long, a read or conversion error), when an entry or the
    // name would not read back as written (a line break or zero character anywhere, "=" in a
    // key, a key that would read as a header or comment), when a text has no form in the
    // file's encoding, or when the new content would be found to have another encoding than
    // the one it was written in.
    [[nodiscard]] bool WriteSection(const RawString& name, const RawParameterList& list);

    // The line rules above, for readers that walk a whole file in one pass rather than asking
    // for one section at a time: the section name of a header line (nothing for any other
    // line), and whether a line that is no header is skipped (empty, or a comment).
    static std::optional<RawString> SectionHeader(const RawString& line);
    static bool IsSkippedLine(const RawString& line);

private:
    struct OldLine;
    bool Fail(int status);
    bool Fail(const RawLineFile& file);
    bool ReadOldLines(std::vector<OldLine>& lines);
    static bool WriteLines(RawLineFile& out, const std::vector<OldLine>& lines, const RawString& wanted,
        const RawString& header, const std::vector<RawString>& entries);

    RawString path_;
    RawString file_path_;
    int32_t line_limit_ = kLineLimit;
    RawEncoding encoding_ = RawEncoding::NoSet;
    uint32_t mark_ = 0;
    int status_ = 0;
    std::string reason_;
};

} // namespace RawLayer
