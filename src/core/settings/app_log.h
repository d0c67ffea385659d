#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "core/settings/settings_store.h"
#include "platform/files.h"

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
    // The log's path for this call: the cached one while the settings file
    // keeps its stamp. Called with the log's lock held.
    const std::string& currentPath();

    const SettingsStore& settings_;
    bool haveStamp_ = false;
    FileStamp stamp_;  // of the settings file
    std::string path_;
};

}  // namespace tessaly
