#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

// How tessaly-cli writes what it found to its standard output.
namespace tessaly::cli {

// Marks `out` as writing to a terminal (`utf8`: one whose locale is UTF-8).
void MarkTerminal(std::ostream& out, bool utf8);

// `text` taken from the evidence (a file name, an entry) as it is written to
// `out`: byte for byte into a file or a pipe; on a terminal with everything
// that could steer the terminal escaped (EscapeForTerminal). `scratch` holds
// the escaped text when one is made.
std::string_view Shown(std::ostream& out, std::string_view text, std::string& scratch);

// The refusal when `out` writes into one of the files `readFrom` (a shell's
// ">>" onto the evidence); empty otherwise.
std::string OutputConflict(std::ostream& out, std::span<const std::string> readFrom);

}  // namespace tessaly::cli
