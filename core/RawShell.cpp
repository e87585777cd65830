#include <core/RawShell.h>
#include <core/RawSystemText.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace RawLayer {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameChar(char c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

bool IsName(std::string_view name)
{
    return !name.empty() && IsNameStart(name[0]) && std::all_of(name.begin(), name.end(), IsNameChar);
}

// The value of the variable `name`, or nullptr when it is not set.
const char* VariableValue(std::string_view name)
{
    return std::getenv(std::string(name).c_str());
}

// A text that stands for one thing (a program, a folder) may be quoted as a whole.
std::string Unquoted(std::string text)
{
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.substr(1, text.size() - 2);
    return text;
}

// The bytes of `text` with variables expanded and outer quotes dropped; false when the text
// has no form the system takes.
bool SingleWord(const RawString& text, std::string& word)
{
    RawSystemText bytes(text);
    if (!bytes.IsValid())
        return false;
    word = Unquoted(RawShell::ExpandVariables(bytes.View()));
    return true;
}

void* ReapChild(void* argument)
{
    pid_t pid = static_cast<pid_t>(reinterpret_cast<intptr_t>(argument));
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    return nullptr;
}

// Waits for the child on a detached thread of its own. Should no thread be had (the process is
// out of resources), the child stays a zombie until the program ends; nothing else is harmed.
void StartReaper(pid_t pid)
{
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return;
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    pthread_create(&thread, &attributes, ReapChild, reinterpret_cast<void*>(static_cast<intptr_t>(pid)));
    pthread_attr_destroy(&attributes);
}

// Starts arguments[0] with the arguments, in `directory` when it is not empty. The child gets
// default signal dispositions and an empty signal mask (whatever this process blocks or ignores
// is not the tool's business) and none of this process's descriptors beyond 0, 1 and 2.
// glibc reports a failed chdir or exec through the result, so a missing program is a failure.
bool Spawn(std::vector<std::string>& arguments, const std::string& directory, pid_t& pid)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int result = 0;
    if (!directory.empty())
        result = posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    if (result == 0)
        result = posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    if (result == 0) {
        const char* program = arguments[0].c_str();
        bool on_path = arguments[0].find('/') == std::string::npos;
        result = on_path ? posix_spawnp(&pid, program, &actions, &attributes, argv.data(), environ)
                         : posix_spawn(&pid, program, &actions, &attributes, argv.data(), environ);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0;
}

} // namespace

RawShell::~RawShell() = default;

std::vector<std::string> RawShell::SplitWords(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (true) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        if (pos == text.size())
            return words;
        std::string word;
        bool quoted = false;
        for (; pos < text.size() && (quoted || !IsBlank(text[pos])); ++pos) {
            if (text[pos] == '"')
                quoted = !quoted;
            else
                word += text[pos];
        }
        words.push_back(std::move(word));
    }
}

std::string RawShell::ExpandVariables(std::string_view text)
{
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] != '$') {
            out += text[pos++];
            continue;
        }
        bool braced = pos + 1 < text.size() && text[pos + 1] == '{';
        std::size_t start = pos + (braced ? 2 : 1);
        std::size_t end = start;
        if (braced) {
            end = std::min(text.find('}', start), text.size());
        } else {
            while (end < text.size() && IsNameChar(text[end]))
                ++end;
        }
        std::string_view name = text.substr(start, end - start);
        const char* value = IsName(name) && (!braced || end < text.size()) ? VariableValue(name) : nullptr;
        if (value == nullptr) {
            out += text[pos++];
            continue;
        }
        out += value;
        pos = end + (braced ? 1 : 0);
    }
    return out;
}

void RawShell::SetPlaceholders(const RawString& file_path, int64_t line_number)
{
    file_path_ = file_path;
    line_text_ = std::to_string(line_number);
    has_placeholders_ = true;
}

void RawShell::Substitute(std::vector<std::string>& words) const
{
    struct Edit {
        std::size_t word;
        std::size_t offset;
        std::string_view value;
    };
    RawSystemText file(file_path_);
    std::vector<Edit> edits;
    for (auto [mark, value] : { std::pair<std::string_view, std::string_view>("%s", file.View()),
             std::pair<std::string_view, std::string_view>("%n", line_text_) }) {
        for (std::size_t index = 0; index < words.size(); ++index) {
            std::size_t offset = words[index].find(mark);
            if (offset != std::string::npos) {
                edits.push_back(Edit { index, offset, value });
                break;
            }
        }
    }
    // Both places were found in the template; filling the later one first keeps the earlier
    // offset valid when both stand in one word.
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
        return a.word != b.word ? a.word > b.word : a.offset > b.offset;
    });
    for (const Edit& edit : edits)
        words[edit.word].replace(edit.offset, 2, edit.value);
}

bool RawShell::BuildArguments(const RawString& parameter, std::vector<std::string>& arguments) const
{
    std::string command;
    RawSystemText literal(command_);
    RawSystemText text(parameter);
    if (command_form_ == CommandText::Literal)
        command = literal.View();
    else if (!SingleWord(command_, command))
        return false;
    if (!literal.IsValid() || !text.IsValid() || (has_placeholders_ && !RawSystemText(file_path_).IsValid()))
        return false;
    std::vector<std::string> words = SplitWords(text.View());
    for (std::string& word : words)
        word = ExpandVariables(word);
    if (has_placeholders_)
        Substitute(words);

    arguments.clear();
    if (!command.empty()) {
        arguments.push_back(command);
        arguments.insert(arguments.end(), words.begin(), words.end());
        return true;
    }
    if (words.empty())
        return false;
    std::string document = words[0];
    for (std::size_t index = 1; index < words.size(); ++index)
        document += " " + words[index];
    arguments = { "xdg-open", document };
    return true;
}

pid_t RawShell::StartArguments(std::vector<std::string> arguments)
{
    pid_t pid = 0;
    if (arguments.empty() || !Spawn(arguments, std::string(), pid))
        return 0;
    StartReaper(pid);
    return pid;
}

bool RawShell::Execute(const RawString& parameter, const RawString& verb)
{
    ClosedProcess();
    if (!verb.IsEmpty() && !verb.EqualsIgnoreCase("open"))
        return false;
    std::vector<std::string> arguments;
    std::string directory;
    if (!BuildArguments(parameter, arguments) || !SingleWord(directory_, directory))
        return false;
    pid_t pid = 0;
    if (!Spawn(arguments, directory, pid))
        return false;
    process_ = pid;
    process_id_ = static_cast<int32_t>(pid);
    StartReaper(pid);
    return true;
}

void RawShell::LoadTool(const RawParameterList& section)
{
    if (const RawParameterUnit* unit = section.Find("Command"))
        SetCommand(unit->value);
    if (const RawParameterUnit* unit = section.Find("Parameter"))
        parameter_ = unit->value;
    if (const RawParameterUnit* unit = section.Find("Directory"))
        directory_ = unit->value;
    show_state_ = ShowStateFromText(section.GetText("ShowStatus", ""));
}

int32_t RawShell::ShowStateFromText(const RawString& text)
{
    struct Entry {
        RawString name;
        int32_t state;
    };
    static const Entry kStates[] = { { "Normal", kShowNormal }, { "Maximize", kShowMaximize },
        { "Minimize", kShowMinimize }, { "Hide", kShowHide } };
    for (const Entry& entry : kStates) {
        if (text.Equals(entry.name))
            return entry.state;
    }
    return kShowNormal;
}

bool RawShell::OpenWithShell(const RawString& path)
{
    RawShell shell;
    shell.SetPlaceholders(path, 0);
    return shell.Execute("%s", "");
}

} // namespace RawLayer
