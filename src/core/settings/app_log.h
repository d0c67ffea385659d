#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "core/settings/settings_store.h"

namespace tessaly {

// The application log: one time-stamped line per call, appended to the file
// named by Settings/AppLog (by default applog.log in the application folder).
// The file is opened and closed for every line, so it is complete on disk
// after each call. Logging never fails loudly: a line that cannot be written
// is lost and the caller carries on.
class AppLog {
  public:
    explicit AppLog(const SettingsStore& settings);

    // The application folder + separator + "applog.log", without looking for
    // a separator already at the end ("/" gives "//applog.log").
    std::string defaultPath() const;

    // Appends FormatLine(now, message). The path follows the settings from
    // one call to the next: every call looks at the settings file (one stat)
    // and reads the AppLog key again when the file's size, modification or
    // change time (to the nanosecond), inode or device differ from the last
    // read, or when it has appeared or gone. A missing log file is created,
    // an existing one (hidden or not) is only ever appended to. Safe to call
    // from several threads at once: each line reaches the file whole.
    void write(std::string_view message);

    // "dd-mm-yyyy hh:mm:ss" + " " + message + CR LF; the message is unchanged,
    // line breaks included.
    static std::string FormatLine(const std::tm& local, std::string_view message);

  private:
    // What a stat of the settings file tells about its content: two equal
    // stamps are taken for the same file with the same bytes.
    struct SettingsStamp {
        int statError = 0;  // errno of a failed stat; the fields below are then 0
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        std::int64_t changedSeconds = 0;
        std::int64_t changedNanoseconds = 0;
        bool operator==(const SettingsStamp&) const = default;
    };
    static SettingsStamp StampOf(const std::string& path);

    // The log's path for this call: the cached one while the settings file
    // keeps its stamp. Called with the log's lock held.
    const std::string& currentPath();

    const SettingsStore& settings_;
    bool haveStamp_ = false;
    SettingsStamp stamp_;
    std::string path_;
};

}  // namespace tessaly
