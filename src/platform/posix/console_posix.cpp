#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstring>

#include "platform/console.h"

namespace tessaly {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return {argv + std::min(argc, 1), argv + argc};
}

void PrepareStandardStreams() { std::signal(SIGPIPE, SIG_IGN); }

TerminalOutput StandardOutputTerminal() {
    if (::isatty(STDOUT_FILENO) != 1) return {};
    std::setlocale(LC_CTYPE, "");
    return {true, std::strcmp(::nl_langinfo(CODESET), "UTF-8") == 0};
}

void EndAsBrokenPipe() {
    std::signal(SIGPIPE, SIG_DFL);
    std::raise(SIGPIPE);
}

}  // namespace tessaly
