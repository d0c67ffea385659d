#include "support/run_cli.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "support/temp_dir.h"

extern char** environ;

namespace tessaly::test {

CliRun RunCli(const std::vector<std::string>& args) {
    TempDir dir;
    const std::string outPath = dir.file("out"), errPath = dir.file("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0644);
    std::vector<char*> argv{const_cast<char*>(TESSALY_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    CliRun run;
    const int rc = posix_spawn(&pid, TESSALY_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return run;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = dir.read("out");
    run.err = dir.read("err");
    return run;
}

}  // namespace tessaly::test
