#pragma once

#include <iosfwd>
#include <span>
#include <streambuf>
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

// True when `out` was marked as writing to a terminal.
bool IsTerminal(std::ostream& out);

// What is written through it goes to `out` as Shown would write it, except
// that line breaks and tabs stay as they are: for output made of whole lines
// of fields (the records' formats) shown on a terminal. Every piece written
// must end between two characters, as a writer's whole records do.
class TerminalLines final : public std::streambuf {
  public:
    explicit TerminalLines(std::ostream& out) : out_(out) {}

  protected:
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int_type overflow(int_type ch) override;
    int sync() override;

  private:
    std::ostream& out_;
    std::string scratch_;
};

// True when `out` writes into a regular file (a shell's ">" or ">>").
bool WritesToRegularFile(std::ostream& out);

// The refusal when `out` writes into one of the files `readFrom` (a shell's
// ">>" onto the evidence); empty otherwise.
std::string OutputConflict(std::ostream& out, std::span<const std::string> readFrom);

}  // namespace tessaly::cli
