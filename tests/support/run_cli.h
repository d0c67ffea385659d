#pragma once

#include <string>
#include <vector>

namespace tessaly::test {

struct CliRun {
    int exitCode = -1;  // -1 when it could not be started or did not exit normally
    std::string out;    // standard output, byte for byte
    std::string err;
};

// Runs tessaly-cli (TESSALY_CLI_PATH) with `args` and waits for it,
// capturing both output streams.
CliRun RunCli(const std::vector<std::string>& args);

}  // namespace tessaly::test
