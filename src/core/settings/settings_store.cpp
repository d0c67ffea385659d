#include "core/settings/settings_store.h"

#include <algorithm>
#include <utility>

#include "core/app/identity.h"
#include "core/settings/ini_file.h"

namespace tessaly {

std::string SettingsFileName(std::string_view title) {
    std::string name(title);
    std::replace(name.begin(), name.end(), ' ', '_');
    return name + ".ini";
}

SettingsStore::SettingsStore(std::string appFolder) : appFolder_(std::move(appFolder)) {}

const std::string& SettingsStore::appFolder() const { return appFolder_; }

std::string SettingsStore::settingsFilePath() const {
    std::string path = appFolder_;
    if (path.empty() || path.back() != kSeparator) path += kSeparator;
    return path + SettingsFileName(kTitle);
}

std::string SettingsStore::read(std::string_view section, std::string_view key,
                                std::string_view def) const {
    return ini::ReadValue(settingsFilePath(), section, key, def);
}

bool SettingsStore::write(std::string_view section, std::string_view key, std::string_view value) {
    return ini::WriteValue(settingsFilePath(), section, key, value);
}

std::vector<ini::KeyValue> SettingsStore::readSection(std::string_view section) const {
    return ini::ReadSection(settingsFilePath(), section);
}

SaveResult SettingsStore::writeSection(std::string_view section,
                                       std::span<const ini::KeyValue> keys) {
    return ini::WriteSection(settingsFilePath(), section, keys);
}

std::string SettingsStore::viewerPrefix(std::string_view defaultPrefix) {
    std::string prefix = read("Paths", "Wendel", "");
    if (prefix.empty()) {
        write("Paths", "Wendel", defaultPrefix);
        prefix = read("Paths", "Wendel", "");
    }
    return prefix;
}

}  // namespace tessaly
