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

// False when IsBlank(path); otherwise RegularFileMatches(path): `path`, whose
// last component may hold the wildcards '*' and '?', names at least one
// regular file that is not hidden.
bool FileExists(const std::string& path);

// Where the settings file and the log live: `exeFolder` when the program may
// write there (portable use) and it is not an installed program, one with
// InstalledDataFolder(exeFolder) beside it; otherwise the per-user
// configuration folder (UserConfigFolder()) followed by "Tessaly". So root
// running an installed program writes nothing into the system's program
// folder. FindAppFolder only names it (for readers such as the command line,
// which must leave the disk as it was); ResolveAppFolder also creates the
// per-user folder when missing.
std::string FindAppFolder(const std::string& exeFolder);
std::string ResolveAppFolder(const std::string& exeFolder);

// The help page Help > Contents opens for a program in `exeFolder`: the first
// of HelpPageCandidates(exeFolder) for which FileExists holds; "" when none.
std::string FindHelpPage(const std::string& exeFolder);

}  // namespace tessaly
