#include "cli/output.h"

#include <sys/stat.h>

#include <ios>
#include <ostream>

#include "core/io/fd_stream.h"
#include "core/io/safe_save.h"
#include "core/io/terminal_text.h"

namespace tessaly::cli {

namespace {

// The slot of a stream's own storage that tells where it writes: 0 not to a
// terminal, else kAsciiTerminal or kUtf8Terminal.
int TerminalSlot() {
    static const int slot = std::ios_base::xalloc();
    return slot;
}

constexpr long kAsciiTerminal = 1;
constexpr long kUtf8Terminal = 2;

}  // namespace

void MarkTerminal(std::ostream& out, bool utf8) {
    out.iword(TerminalSlot()) = utf8 ? kUtf8Terminal : kAsciiTerminal;
}

std::string_view Shown(std::ostream& out, std::string_view text, std::string& scratch) {
    const long terminal = out.iword(TerminalSlot());
    if (terminal == 0) return text;
    scratch = EscapeForTerminal(text, terminal == kUtf8Terminal);
    return scratch;
}

std::string OutputConflict(std::ostream& out, std::span<const std::string> readFrom) {
    const auto* buf = dynamic_cast<const FdStreamBuf*>(out.rdbuf());
    struct stat info {};
    if (buf == nullptr || ::fstat(buf->fd(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
    return ReadFileConflict(info, readFrom);
}

}  // namespace tessaly::cli
