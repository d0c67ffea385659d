#include "support/run_cli.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "support/temp_dir.h"

extern char** environ;

namespace tessaly::test {

CliRun RunCli(const std::vector<std::string>& args) { return RunCli(args, CliSetup{}); }

CliRun RunCli(const std::vector<std::string>& args, const CliSetup& setup) {
    TempDir dir;
    const std::string outPath = dir.file("out"), errPath = dir.file("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (setup.stdoutFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, setup.stdoutFd, 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0644);
    }
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0644);
    if (!setup.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, setup.folder.c_str());
    std::vector<char*> argv{const_cast<char*>(TESSALY_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // The additions first: the first of two equal names is the one taken.
    std::vector<char*> env;
    for (const auto& e : setup.environment) env.push_back(const_cast<char*>(e.c_str()));
    for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
    env.push_back(nullptr);
    pid_t pid = 0;
    CliRun run;
    const int rc = posix_spawn(&pid, TESSALY_CLI_PATH, &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return run;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return run;
    }
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    if (setup.stdoutFd < 0) run.out = dir.read("out");
    run.err = dir.read("err");
    return run;
}

}  // namespace tessaly::test
