#pragma once

// RawShell starts another program for the user: an external tool on a file, or a document or
// folder handed to the desktop's opener. Programs are started with posix_spawn and an argument
// vector, never through a shell, so no text that comes from a file name can run a command.
//
// How the parameter text becomes arguments:
//   1. It is cut into words at blanks (space, tab, CR, LF) outside double quotes. A double quote
//      anywhere in a word switches quoting on or off and is itself dropped, so `"a b"c` is the
//      one word `a bc`, and `""` standing alone is an empty word that is kept. There is no
//      escape: a template cannot hold a literal double quote (a file path that holds one
//      arrives through "%s" untouched).
//   2. Environment variables are expanded inside each word: $NAME and ${NAME}, where NAME is
//      ASCII letters, digits and "_" not led by a digit. A variable that is not set stays as
//      written, so a mistyped tool fails to start instead of starting something else. %NAME%
//      is not expanded: it would collide with the placeholders.
//   3. The first "%s" of the expanded words becomes the file path and the first "%n" the line
//      number, when SetPlaceholders gave them. Both are found before either is filled in, so
//      nothing inside a substituted value is ever expanded or replaced.
// The command and the directory are expanded the same way as one word each; they are not split,
// and a pair of double quotes around the whole text is dropped. A command without "/" is looked
// up on PATH. With an empty command the words, joined by single blanks, name a document or a
// folder, which `xdg-open` opens.
//
// The started program is never waited for by the caller. A small detached thread per child waits
// for that one pid, so no zombie stays, and no SIGCHLD handler is installed that could take
// another child's exit status. The process "handle" is the pid, held until ClosedProcess.

#include <core/RawParameterList.h>
#include <core/RawString.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <sys/types.h>

namespace RawLayer {

class RawShell {
public:
    // Show states of "ShowStatus". On Linux they are kept as a hint only.
    static constexpr int32_t kShowHide = 0;
    static constexpr int32_t kShowNormal = 1;
    static constexpr int32_t kShowMaximize = 3;
    static constexpr int32_t kShowMinimize = 6;

    // How the command text is taken: as configured (variables expanded, outer quotes dropped)
    // or as the literal path of a program the caller found itself.
    enum class CommandText : uint8_t { Configured, Literal };

    RawShell() = default;
    virtual ~RawShell();
    RawShell(const RawShell&) = delete;
    RawShell& operator=(const RawShell&) = delete;

    // Starts the command with `parameter` (or opens the document the parameter names when the
    // command is empty). `verb` empty or "open" is the default action; any other verb has no
    // meaning here and fails. True when a program was started; its pid is then held.
    [[nodiscard]] virtual bool Execute(const RawString& parameter, const RawString& verb);

    // Lets go of the held process; the reaper thread still collects its exit.
    void ClosedProcess() { process_ = 0; }

    pid_t Process() const { return process_; }
    int32_t ProcessId() const { return process_id_; }
    const RawString& Command() const { return command_; }
    const RawString& Parameter() const { return parameter_; }
    const RawString& Directory() const { return directory_; }
    int32_t ShowState() const { return show_state_; }
    void SetCommand(const RawString& command, CommandText form = CommandText::Configured)
    {
        command_ = command;
        command_form_ = form;
    }
    void SetParameter(const RawString& parameter) { parameter_ = parameter; }
    void SetDirectory(const RawString& directory) { directory_ = directory; }
    void SetShowState(int32_t show_state) { show_state_ = show_state; }

    // The values that later executes put in place of "%s" and "%n".
    void SetPlaceholders(const RawString& file_path, int64_t line_number);

    // Takes "Command", "Parameter" and "Directory" from a tool section when present; the show
    // state always comes from "ShowStatus".
    void LoadTool(const RawParameterList& section);

    // "Normal" 1, "Maximize" 3, "Minimize" 6, "Hide" 0, compared exactly; anything else 1.
    static int32_t ShowStateFromText(const RawString& text);

    // Opens a file or folder with the desktop's default action (`xdg-open PATH`). The path is
    // handed on exactly as given. True when the opener was started.
    [[nodiscard]] static bool OpenWithShell(const RawString& path);

    // Starts the program arguments[0] (a path, or a name looked up on PATH) with exactly these
    // arguments: no words are split, nothing is expanded. The child is reaped like every other.
    // Its pid, or 0 when it could not be started (also for an empty vector).
    [[nodiscard]] static pid_t StartArguments(std::vector<std::string> arguments);

    // Steps 1 and 2 of the argument rule, for tests and for callers that show a command line.
    static std::vector<std::string> SplitWords(std::string_view text);
    static std::string ExpandVariables(std::string_view text);

private:
    [[nodiscard]] bool BuildArguments(const RawString& parameter, std::vector<std::string>& arguments) const;
    void Substitute(std::vector<std::string>& words) const;

    pid_t process_ = 0;
    int32_t process_id_ = 0;
    RawString command_;
    CommandText command_form_ = CommandText::Configured;
    RawString parameter_;
    RawString directory_;
    int32_t show_state_ = kShowNormal;
    RawString file_path_;
    std::string line_text_;
    bool has_placeholders_ = false;
};

} // namespace RawLayer
