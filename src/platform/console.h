#pragma once

#include <string>
#include <vector>

namespace tessaly {

// The program's arguments (without its name) in UTF-8: as given on POSIX,
// from the UTF-16 command line on Windows (where argv holds the ANSI code
// page's approximations).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Sets up the standard streams of a command-line program: bytes go out as
// written (no "\r\n" for "\n" on Windows, where the console is also told to
// show UTF-8), and a write to a pipe whose reader has gone fails with EPIPE
// instead of ending the program on the spot (POSIX), so that a save can
// clean up and say what happened.
void PrepareStandardStreams();

// Whether the standard output is a terminal, and then whether it shows UTF-8.
struct TerminalOutput {
    bool isTerminal = false;
    bool utf8 = false;
};
TerminalOutput StandardOutputTerminal();

// Ends the program as a program in a pipeline ends when its reader has gone
// (by SIGPIPE) where the system has that signal; returns elsewhere.
void EndAsBrokenPipe();

}  // namespace tessaly
