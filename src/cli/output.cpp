#include "cli/output.h"

#include <sys/stat.h>

#include <algorithm>
#include <ios>
#include <optional>
#include <ostream>

#include "core/io/terminal_text.h"
#include "platform/fd_stream.h"
#include "platform/safe_save.h"

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

bool IsTerminal(std::ostream& out) { return out.iword(TerminalSlot()) != 0; }

std::streamsize TerminalLines::xsputn(const char* s, std::streamsize n) {
    std::string_view text(s, static_cast<std::size_t>(n));
    while (!text.empty()) {
        const std::size_t cut = std::min(text.find_first_of("\n\t"), text.size());
        out_ << Shown(out_, text.substr(0, cut), scratch_);
        if (cut == text.size()) break;
        out_.put(text[cut]);
        text.remove_prefix(cut + 1);
    }
    return out_ ? n : 0;
}

TerminalLines::int_type TerminalLines::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    const char c = traits_type::to_char_type(ch);
    return xsputn(&c, 1) == 1 ? ch : traits_type::eof();
}

int TerminalLines::sync() { return out_.flush() ? 0 : -1; }

namespace {

// The status of the file `out` writes into, when it writes into one.
bool OutputStatus(std::ostream& out, struct stat& info) {
    const auto* buf = dynamic_cast<const FdStreamBuf*>(out.rdbuf());
    return buf != nullptr && ::fstat(buf->fd(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

bool WritesToRegularFile(std::ostream& out) {
    struct stat info {};
    return OutputStatus(out, info);
}

std::string OutputConflict(std::ostream& out, std::span<const std::string> readFrom) {
    struct stat info {};
    if (!OutputStatus(out, info)) return {};
    const auto* buf = dynamic_cast<const FdStreamBuf*>(out.rdbuf());
    const std::optional<FileIdentity> output = IdentityOfDescriptor(buf->fd());
    return output ? ReadFileConflict(*output, readFrom) : std::string();
}

}  // namespace tessaly::cli
