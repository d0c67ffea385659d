#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/console.h"

namespace tessaly {

void PrepareStandardStreams() {
    ::_setmode(_fileno(stdout), _O_BINARY);
    ::_setmode(_fileno(stderr), _O_BINARY);
    ::SetConsoleOutputCP(CP_UTF8);
}

TerminalOutput StandardOutputTerminal() {
    if (!::_isatty(_fileno(stdout))) return {};
    return {true, ::GetConsoleOutputCP() == CP_UTF8};
}

void EndAsBrokenPipe() {}

}  // namespace tessaly
