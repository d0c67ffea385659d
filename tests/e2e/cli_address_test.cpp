#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/actions/addresses.h"
#include "core/ui/texts.h"
#include "support/child_process.h"
#include "support/run_cli.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

TEST(CliAddress, PrintsTheAddressTheCommandWouldOpen) {
    const auto safeWeb = RunCli({"address", "safeweb", "http://www.example.com:8080/a?b"});
    EXPECT_EQ(safeWeb.exitCode, 0);
    EXPECT_EQ(safeWeb.out, ServiceAddressOf(UrlCommand::SafeWeb).prefix + "example.com\n");
    EXPECT_EQ(safeWeb.err, "");

    const auto launch = RunCli({"address", "launch", "Visited: user@http://example.com/a b&c"});
    EXPECT_EQ(launch.exitCode, 0);
    EXPECT_EQ(launch.out, "http://example.com/a%20b&c\n");

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
        {"safeweb", "\\\\fileserver\\finance", ""},
        {"web-sniffer", "Visited: user@\\\\fileserver\\finance", ""},
        {"launch", "\\\\fileserver\\finance", std::string(texts::kLaunchNotAnAddress) + "\n"},
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

// A copy of tessaly-cli in a folder of its own, so that the settings file
// beside it, and the folder it may choose instead, are the test's.
class CliCopy : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir_.file("bin"));
        fs::create_directories(dir_.file("config"));
        fs::copy_file(TESSALY_CLI_PATH, program());
        for (const char* name : {"out", "err"}) dir_.write(name, "");
        ASSERT_EQ(::chmod(dir_.path().c_str(), 0755), 0);
        ASSERT_EQ(::chmod(dir_.file("config").c_str(), 0777), 0);
        ASSERT_EQ(::chmod(dir_.file("out").c_str(), 0666), 0);
        ASSERT_EQ(::chmod(dir_.file("err").c_str(), 0666), 0);
    }

    std::string program() const { return dir_.file("bin/tessaly-cli"); }

    // Runs the copy with `args` and $XDG_CONFIG_HOME in the test's folder,
    // ended as hung after a few seconds; its output lands in "out" and "err".
    test::ChildEnd run(const std::vector<std::string>& args, bool asNobody = false) {
        return test::RunInChild(
            [&] {
                const int out = ::open(dir_.file("out").c_str(), O_WRONLY | O_TRUNC);
                const int err = ::open(dir_.file("err").c_str(), O_WRONLY | O_TRUNC);
                if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) return 127;
                ::setenv("XDG_CONFIG_HOME", dir_.file("config").c_str(), 1);
                const std::string path = program();
                std::vector<char*> argv{const_cast<char*>(path.c_str())};
                for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
                argv.push_back(nullptr);
                ::execv(path.c_str(), argv.data());
                return 127;
            },
            asNobody, /*guardSeconds=*/20);
    }

    test::TempDir dir_;
};

// A FIFO named as the settings file is not a settings file: the command line
// neither waits on it nor takes anything from it.
TEST_F(CliCopy, SettingsFileThatIsAFifoIsNotWaitedOn) {
    ASSERT_EQ(::mkfifo(dir_.file("bin/Tessaly.ini").c_str(), 0644), 0);
    const test::ChildEnd end = run({"address", "wendel", "http://example.com/"});
    EXPECT_FALSE(end.hung);
    EXPECT_EQ(end.exitCode, 0);
    EXPECT_EQ(dir_.read("out"), DefaultWendelPrefix() + "http%3A%2F%2Fexample.com%2F\n");
    struct stat st {};
    ASSERT_EQ(::lstat(dir_.file("bin/Tessaly.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Where the program's folder is not writable the settings live in the
// per-user folder; the command line only reads, so it must not create it.
TEST_F(CliCopy, AddressCreatesNoSettingsFolder) {
    ASSERT_EQ(::chmod(dir_.file("bin").c_str(), 0555), 0);
    const test::ChildEnd end = run({"address", "wendel", "http://example.com/"}, true);
    if (end.exitCode == 125) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(end.exitCode, 0) << dir_.read("err");
    EXPECT_EQ(dir_.read("out"), DefaultWendelPrefix() + "http%3A%2F%2Fexample.com%2F\n");
    EXPECT_FALSE(fs::exists(dir_.file("config/Tessaly")));
}

TEST_F(CliCopy, ListsEveryCommandWithItsCaption) {
    const test::ChildEnd end = run({"address", "--list"});
    EXPECT_EQ(end.exitCode, 0);
    EXPECT_EQ(dir_.read("out"),
              "browser-defender\tBrowser Defender\n"
              "blackthorn\tBlackthorn Online\n"
              "malware-domain-list\tMalware Domain List\n"
              "safeweb\tNorton SafeWeb\n"
              "siteadvisor\tSiteAdvisor\n"
              "trusted-source\tTrusted Source\n"
              "web-of-trust\tWeb of Trust\n"
              "web-sniffer\tWeb Sniffer\n"
              "link-scanner\tXPL Link Scanner\n"
              "wendel\tView using Wendel Online\n"
              "launch\tLaunch selected URL\n");
    EXPECT_EQ(dir_.read("err"), "");
    EXPECT_EQ(run({"address", "--list", "safeweb"}).exitCode, 2);
}

// The services and the switches of the window's settings file, which the
// command line reads and never writes.
TEST_F(CliCopy, HonoursTheServicesAndTheOfflineSwitchOfTheSettings) {
    const std::string services =
        "; mine\r\n[Services]\r\nNorton SafeWeb=\r\n"
        "VirusTotal Domain=https://www.virustotal.com/gui/domain/{host}\r\n"
        "Web of Trust=https://www.mywot.com/scorecard/{host}\r\n"
        "Bad=ftp://bad.example/{host}\r\n";
    const std::string warning =
        "Warning: Look-up service \"Bad\" in [Services] ignored: the address must begin with "
        "http:// or https://\n";
    dir_.write("bin/Tessaly.ini", services);
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out;
        std::string errStart;
    };
    const std::vector<Case> online{
        {{"address", "virustotal-domain", "Visited: bob@http://www.example.com/a"},
         0,
         "https://www.virustotal.com/gui/domain/example.com\n",
         warning},
        {{"address", "web-of-trust", "http://www.example.com/"},
         0,
         "https://www.mywot.com/scorecard/example.com\n",
         warning},
        {{"address", "virustotal-domain", "@file:///C:/secret.doc"},
         1,
         "",
         warning + "Invalid URL\n"},
        {{"address", "safeweb", "http://example.com/"},
         1,
         "",
         warning + "Error: the look-up service 'safeweb' is hidden by the settings ("},
    };
    for (const Case& c : online) {
        SCOPED_TRACE(c.args[1]);
        EXPECT_EQ(run(c.args).exitCode, c.exitCode);
        EXPECT_EQ(dir_.read("out"), c.out);
        EXPECT_TRUE(dir_.read("err").starts_with(c.errStart)) << dir_.read("err");
    }
    ASSERT_EQ(run({"address", "--list"}).exitCode, 0);
    const std::string listed = dir_.read("out");
    EXPECT_EQ(listed.find("safeweb"), std::string::npos) << listed;
    EXPECT_NE(listed.find("link-scanner\tXPL Link Scanner\nvirustotal-domain\tVirusTotal Domain\n"
                          "wendel\t"),
              std::string::npos)
        << listed;

    // Offline: every look-up, the viewer and Launch are refused; the list
    // still shows.
    const std::string offline = services + "[Lookups]\r\nOffline=1\r\n";
    dir_.write("bin/Tessaly.ini", offline);
    const std::string refusal = std::string(texts::kLookupsOff) + "\n";
    for (const char* command : {"virustotal-domain", "web-of-trust", "wendel", "launch"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(run({"address", command, "http://www.example.com/"}).exitCode, 1);
        EXPECT_EQ(dir_.read("out"), "");
        EXPECT_EQ(dir_.read("err"), warning + refusal);
    }
    EXPECT_EQ(run({"address", "--list"}).exitCode, 0);
    EXPECT_EQ(dir_.read("out"), listed);
    EXPECT_EQ(dir_.read("bin/Tessaly.ini"), offline);
}

}  // namespace
}  // namespace tessaly
