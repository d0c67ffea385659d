#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// The program's name: window caption, title of every message box, part of
// several log lines and the base of the settings file name.
inline constexpr std::string_view kTitle = "Tessaly";

// The program's reverse-DNS id: the name of its desktop entry (without
// ".desktop") and of its AppStream metainfo file.
inline constexpr std::string_view kAppId = "org.example.tessaly.Tessaly";

struct Version {
    int major;
    int minor;
    int revision;
};

inline constexpr Version kVersion{TESSALY_VERSION_MAJOR, TESSALY_VERSION_MINOR,
                                  TESSALY_VERSION_PATCH};

// "1.0.8"
inline std::string VersionText() {
    return std::to_string(kVersion.major) + "." + std::to_string(kVersion.minor) + "." +
           std::to_string(kVersion.revision);
}

// The folder separator of this platform.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

}  // namespace tessaly
