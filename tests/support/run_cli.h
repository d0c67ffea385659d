#pragma once

#include <string>
#include <vector>

namespace tessaly::test {

struct CliRun {
    int exitCode = -1;  // -1 when it could not be started or did not exit normally
    int signal = 0;     // the signal that ended it, 0 when it exited
    std::string out;    // standard output, byte for byte (when captured)
    std::string err;
};

// Where tessaly-cli runs and where its standard output goes.
struct CliSetup {
    std::string folder;                    // the working folder; empty: the tests' own
    int stdoutFd = -1;                     // its standard output; -1: captured into CliRun::out
    std::vector<std::string> environment;  // NAME=VALUE pairs added to the tests' own
};

// Runs tessaly-cli (TESSALY_CLI_PATH) with `args` and waits for it,
// capturing both output streams.
CliRun RunCli(const std::vector<std::string>& args);
CliRun RunCli(const std::vector<std::string>& args, const CliSetup& setup);

}  // namespace tessaly::test
