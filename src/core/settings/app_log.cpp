#include "core/settings/app_log.h"

#include <cstdio>
#include <mutex>

#include "core/app/identity.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace tessaly {
namespace {

// One lock for every AppLog of the process: the window and the worker thread
// may each hold their own.
std::mutex& LogMutex() {
    static std::mutex mutex;
    return mutex;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    return LocalTimeOf(now).value_or(std::tm{});
}

}  // namespace

AppLog::AppLog(const SettingsStore& settings) : settings_(settings) {}

std::string AppLog::defaultPath() const {
    return settings_.appFolder() + kSeparator + "applog.log";
}

void AppLog::write(std::string_view message) {
    try {
        const std::lock_guard<std::mutex> lock(LogMutex());
        // A line that cannot be written is lost: the log has nowhere to tell.
        const Result<void> appended = AppendToFile(currentPath(), FormatLine(LocalNow(), message));
        static_cast<void>(appended);
    } catch (...) {
        // Out of memory or a lock failure: the line is lost, the caller carries on.
    }
}

const std::string& AppLog::currentPath() {
    // The stamp is taken before the read, so a change made while the key is
    // read shows as a new stamp on the next call.
    const FileStamp now = StampOfFile(settings_.settingsFilePath());
    if (!haveStamp_ || !(now == stamp_)) {
        path_ = settings_.read("Settings", "AppLog", defaultPath());
        stamp_ = now;
        haveStamp_ = true;
    }
    return path_;
}

std::string AppLog::FormatLine(const std::tm& local, std::string_view message) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d %02d:%02d:%02d ", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec);
    std::string line(stamp);
    line.append(message);
    line.append("\r\n");
    return line;
}

}  // namespace tessaly
