#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "core/actions/addresses.h"
#include "support/temp_dir.h"

extern char** environ;

namespace tessaly {
namespace {

struct Run {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs tessaly-cli with `args`, capturing its output streams.
Run RunCli(const std::vector<std::string>& args) {
    test::TempDir dir;
    const std::string outPath = dir.file("out"), errPath = dir.file("err");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT, 0644);
    std::vector<char*> argv{const_cast<char*>(TESSALY_CLI_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    Run run;
    const int rc = posix_spawn(&pid, TESSALY_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return run;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    run.out = dir.read("out");
    run.err = dir.read("err");
    return run;
}

TEST(CliAddress, PrintsTheAddressTheCommandWouldOpen) {
    const auto safeWeb = RunCli({"address", "safeweb", "http://www.example.com:8080/a?b"});
    EXPECT_EQ(safeWeb.exitCode, 0);
    EXPECT_EQ(safeWeb.out, ServiceAddressOf(UrlCommand::SafeWeb).prefix + "example.com\n");
    EXPECT_EQ(safeWeb.err, "");

    const auto launch = RunCli({"address", "launch", "Visited: user@http://example.com/a b&c"});
    EXPECT_EQ(launch.exitCode, 0);
    EXPECT_EQ(launch.out, "http://example.com/a b&c\n");

    const auto sniffer = RunCli({"address", "web-sniffer", "@:Host: example.com"});
    EXPECT_EQ(sniffer.exitCode, 0);
    EXPECT_EQ(sniffer.out, ServiceAddressOf(UrlCommand::WebSniffer).prefix +
                               "http%3A%2F%2Fexample.com" +
                               std::string(ServiceAddressOf(UrlCommand::WebSniffer).suffix) + "\n");

    // The prefix may come from a settings file beside the program; the
    // encoded entry ends the address either way.
    const auto wendel = RunCli({"address", "wendel", "http://example.com/a b"});
    EXPECT_EQ(wendel.exitCode, 0);
    EXPECT_TRUE(wendel.out.starts_with("http")) << wendel.out;
    EXPECT_TRUE(wendel.out.ends_with("http%3A%2F%2Fexample.com%2Fa%20b\n")) << wendel.out;
}

TEST(CliAddress, RefusalsGoToStandardErrorWithExitCodeOne) {
    struct Case {
        std::string command, entry, err;
    };
    const Case cases[] = {
        {"siteadvisor", "@file:///C:/page.html", "Invalid URL\n"},
        {"blackthorn", "mailto:user@example.com", "Invalid URL\n"},
        {"wendel", "https://example.com", "Invalid URL\n"},
        {"safeweb", "@file:///C:/page.html", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command + " " + c.entry);
        const auto run = RunCli({"address", c.command, c.entry});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        if (c.err.empty()) {
            EXPECT_NE(run.err, "");
        } else {
            EXPECT_EQ(run.err, c.err);
        }
    }
}

TEST(CliAddress, WrongUsageExitsWithTwo) {
    const std::vector<std::vector<std::string>> cases{
        {"address"},
        {"address", "safeweb"},
        {"address", "safeweb", "http://a/", "extra"},
        {"address", "no-such-service", "http://a/"},
    };
    for (const auto& args : cases) {
        const auto run = RunCli(args);
        EXPECT_EQ(run.exitCode, 2) << args.size();
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
}

}  // namespace
}  // namespace tessaly
