#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/ini_file.h"

namespace tessaly {

// Where the save dialog opens next: the folder of the file saved last.
inline constexpr std::string_view kSaveFolderSection = "Paths";
inline constexpr std::string_view kSaveFolderKey = "SaveFolder";

// The settings file's name for a program title: every space becomes '_',
// then ".ini" ("Tessaly" -> "Tessaly.ini", "My Tool" -> "My_Tool.ini").
std::string SettingsFileName(std::string_view title);

// The program's settings: the INI file named after the title in the
// application folder. Nothing is cached: every read and every write goes to
// the file at once, so a value edited by hand counts from the next call on.
class SettingsStore {
  public:
    explicit SettingsStore(std::string appFolder);

    const std::string& appFolder() const;
    // The application folder, a separator unless it already ends in one, and
    // SettingsFileName(kTitle): ".../Tessaly.ini", "/Tessaly.ini" for "/".
    std::string settingsFilePath() const;

    // The stored value (blanks and enclosing quotes dropped, at most 154
    // bytes), or `def` when the file, section or key is missing.
    std::string read(std::string_view section, std::string_view key, std::string_view def) const;
    // False when the value could not be stored; the file then stays as it was.
    bool write(std::string_view section, std::string_view key, std::string_view value);

    // Every key of a section in file order, values uncut (ini::ReadSection).
    std::vector<ini::KeyValue> readSection(std::string_view section) const;
    // Makes `keys` the section's keys, keeping the rest of the file
    // (ini::WriteSection). When they could not be stored the result says why;
    // the file then stays as it was.
    SaveResult writeSection(std::string_view section, std::span<const ini::KeyValue> keys);

    // The Wendel viewer prefix in Paths/Wendel. When that is empty (or
    // missing), `defaultPrefix` is stored first and the stored value read
    // back, so the result is what the file now holds.
    std::string viewerPrefix(std::string_view defaultPrefix);

  private:
    std::string appFolder_;
};

}  // namespace tessaly
