#include <fstream>
#include <sstream>
#include <string_view>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <tests/TestSupport.h>
#include <tests/cli/CliFixture.h>

extern char** environ;

namespace QuelvaneCliTest {

void CliFixture::SetUp()
{
    std::string pattern = TempBase() / "quelvane-cli-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
}

void CliFixture::TearDown()
{
    QuelvaneTest::RemoveTreeAt(AT_FDCWD, root_.c_str());
}

std::string CliFixture::Write(const std::string& name, const std::string& content)
{
    std::filesystem::path path = root_ / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string CliFixture::ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

pid_t CliFixture::Spawn(
    const std::vector<std::string>& arguments, const std::string& out, const std::string& err)
{
    std::vector<std::string> words = { QUELVANE_CLI };
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    std::vector<std::string> variables = { "HOME=" + root_.string(), "XDG_CONFIG_HOME=" + Path(".config"),
        "XDG_STATE_HOME=" + Path(".state") };
    for (char** variable = environ; *variable != nullptr; ++variable) {
        std::string_view text = *variable;
        if (!text.starts_with("HOME=") && !text.starts_with("XDG_CONFIG_HOME=")
            && !text.starts_with("XDG_STATE_HOME="))
            variables.emplace_back(text);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

CliOutcome CliFixture::Run(const std::vector<std::string>& arguments)
{
    std::string out_path = Path(".out");
    std::string err_path = Path(".err");
    pid_t pid = Spawn(arguments, out_path, err_path);
    CliOutcome outcome;
    int wait_status = 0;
    if (pid < 0 || waitpid(pid, &wait_status, 0) != pid || !WIFEXITED(wait_status))
        return outcome;
    outcome.status = WEXITSTATUS(wait_status);
    outcome.out = ReadAll(out_path);
    outcome.err = ReadAll(err_path);
    std::filesystem::remove(out_path);
    std::filesystem::remove(err_path);
    return outcome;
}

} // namespace QuelvaneCliTest
