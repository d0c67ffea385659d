#include "core/app/install_layout.h"

#include <filesystem>
#include <utility>

#include "core/app/identity.h"
#include "core/app/startup.h"
#include "platform/files.h"

#ifndef TESSALY_DATA_FROM_BIN
#error "TESSALY_DATA_FROM_BIN must name the path from the program folder to the data folder"
#endif

namespace tessaly {

namespace {

constexpr std::string_view kHelpPageName = "help.html";

}  // namespace

std::string_view DataFolderFromProgram() { return TESSALY_DATA_FROM_BIN; }

std::string InstalledDataFolder(std::string_view exeFolder) {
    const std::filesystem::path folder =
        std::filesystem::path(exeFolder) / std::filesystem::path(DataFolderFromProgram());
    std::string normal = folder.lexically_normal().string();
    // "/usr/bin/../share/tessaly/" would keep its trailing separator.
    while (normal.size() > 1 && normal.back() == kSeparator) normal.pop_back();
    return normal;
}

std::vector<std::string> HelpPageCandidates(std::string_view exeFolder) {
    std::string beside(exeFolder);
    if (beside.empty() || beside.back() != kSeparator) beside += kSeparator;
    beside += kHelpPageName;
    std::string installed = InstalledDataFolder(exeFolder);
    installed += kSeparator;
    installed += kHelpPageName;
    return {std::move(beside), std::move(installed)};
}

bool FileExists(const std::string& path) { return !IsBlank(path) && RegularFileMatches(path); }

std::string FindAppFolder(const std::string& exeFolder) {
    if (IsWritableFolder(exeFolder) && !FolderExists(InstalledDataFolder(exeFolder))) {
        return exeFolder;
    }
    std::string base = UserConfigFolder();
    if (base.empty()) return exeFolder;
    while (base.size() > 1 && base.back() == kSeparator) base.pop_back();
    if (base.back() != kSeparator) base += kSeparator;
    return base + std::string(kTitle);
}

std::string ResolveAppFolder(const std::string& exeFolder) {
    const std::string folder = FindAppFolder(exeFolder);
    // A folder that cannot be made shows when the settings are saved there.
    if (folder != exeFolder) CreateFolders(folder);
    return folder;
}

std::string FindHelpPage(const std::string& exeFolder) {
    for (std::string& candidate : HelpPageCandidates(exeFolder)) {
        if (FileExists(candidate)) return std::move(candidate);
    }
    return {};
}

}  // namespace tessaly
