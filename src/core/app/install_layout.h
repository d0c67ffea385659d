#pragma once

#include <string>
#include <string_view>
#include <vector>

// Where Tessaly's read-only data lies relative to the program itself, so the
// build tree, a portable copy, an installed program and an install moved to
// another prefix all find it.
namespace tessaly {

// The path from the installed program's folder to its data folder, as the
// build was configured ("../share/tessaly" for the usual GNU layout).
std::string_view DataFolderFromProgram();

// The data folder an installed program in `exeFolder` uses: `exeFolder`
// followed by DataFolderFromProgram(), made lexically normal ("/usr/bin"
// gives "/usr/share/tessaly"; a trailing separator on `exeFolder` changes
// nothing). The folder need not exist.
std::string InstalledDataFolder(std::string_view exeFolder);

// The places the help page "help.html" may be, in the order they are tried:
// beside the program (the build tree, a portable copy), then the installed
// data folder.
std::vector<std::string> HelpPageCandidates(std::string_view exeFolder);

}  // namespace tessaly
