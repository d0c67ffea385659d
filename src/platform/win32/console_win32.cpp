#include <fcntl.h>
#include <io.h>
#include <windows.h>
// Needs the types windows.h defines.
#include <shellapi.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/win32/win32_text.h"

namespace tessaly {

std::vector<std::string> Utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; wide != nullptr && i < count; ++i) arguments.push_back(win32::Narrow(wide[i]));
    ::LocalFree(wide);
    return arguments;
}

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
