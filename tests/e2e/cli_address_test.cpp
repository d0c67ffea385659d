#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/actions/addresses.h"
#include "support/run_cli.h"

namespace tessaly {
namespace {

using test::RunCli;

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
