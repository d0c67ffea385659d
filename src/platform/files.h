#pragma once

#include <string>

// File-system questions the start-up, the log and the help command ask.
namespace tessaly {

// False when IsBlank(path). Otherwise true exactly when `path`, taken as a
// pattern whose last component may hold the wildcards '*' (any run of
// characters) and '?' (any one character), names at least one regular file
// that is not hidden (its name does not begin with '.'). Folders do not
// count. A path ending in the separator counts when the folder it names
// holds at least one such file. Names match case-sensitively, as the file
// system does.
bool FileExists(const std::string& path);

// True when `path` names a folder (a link to one counts).
bool FolderExists(const std::string& path);

// The folder of the running executable, without a trailing separator unless
// it is the root; the current folder when the executable cannot be found.
std::string ExecutableFolder();

// Where the settings file and the log live: `exeFolder` when the program may
// write there (portable use) and it is not an installed program, one with
// InstalledDataFolder(exeFolder) beside it; otherwise the per-user
// configuration folder, $XDG_CONFIG_HOME/Tessaly or ~/.config/Tessaly. So
// root running an installed program writes nothing into the system's program
// folder. FindAppFolder only names it (for readers such as the command line,
// which must leave the disk as it was); ResolveAppFolder also creates the
// per-user folder when missing.
std::string FindAppFolder(const std::string& exeFolder);
std::string ResolveAppFolder(const std::string& exeFolder);

// The help page Help > Contents opens for a program in `exeFolder`: the first
// of HelpPageCandidates(exeFolder) for which FileExists holds; "" when none.
std::string FindHelpPage(const std::string& exeFolder);

}  // namespace tessaly
