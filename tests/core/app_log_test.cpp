#include "core/settings/app_log.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::TempDir;

std::tm MakeTm(int day, int month, int year, int hour, int minute, int second) {
    std::tm t{};
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

// The lines of a log, split at CR LF; the text after the last CR LF must be empty.
std::vector<std::string> LogLines(const std::string& log) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t end; (end = log.find("\r\n", pos)) != std::string::npos; pos = end + 2) {
        lines.push_back(log.substr(pos, end - pos));
    }
    EXPECT_EQ(pos, log.size()) << "the log does not end in CR LF";
    return lines;
}

// Whether `line` starts with a time stamp "dd-mm-yyyy hh:mm:ss" and a space;
// the message follows.
bool IsStamped(std::string_view line) {
    constexpr std::string_view kShape = "00-00-0000 00:00:00 ";
    if (line.size() < kShape.size()) return false;
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (kShape[i] == '0' ? !digit : line[i] != kShape[i]) return false;
    }
    return true;
}

TEST(AppLogFormat, StampsDayMonthYearAndTime) {
    EXPECT_EQ(AppLog::FormatLine(MakeTm(5, 12, 2026, 17, 4, 9), "Scan finished"),
              "05-12-2026 17:04:09 Scan finished\r\n");
    EXPECT_EQ(AppLog::FormatLine(MakeTm(31, 1, 1999, 0, 0, 0), ""), "31-01-1999 00:00:00 \r\n");
    EXPECT_EQ(AppLog::FormatLine(MakeTm(1, 10, 2030, 23, 59, 59), "a\r\nb\nc"),
              "01-10-2030 23:59:59 a\r\nb\nc\r\n");
}

TEST(AppLogPath, DefaultIsBesideTheSettingsWithoutLookingForASeparator) {
    SettingsStore inFolder("/opt/tessaly");
    EXPECT_EQ(AppLog(inFolder).defaultPath(), "/opt/tessaly/applog.log");
    SettingsStore atRoot("/");
    EXPECT_EQ(atRoot.settingsFilePath(), "/Tessaly.ini");
    EXPECT_EQ(AppLog(atRoot).defaultPath(), "//applog.log");
}

class AppLogFile : public ::testing::Test {
  protected:
    TempDir dir_;
    SettingsStore settings_{dir_.path()};
    AppLog log_{settings_};
};

TEST_F(AppLogFile, CreatesTheLogThenAppendsOneLinePerCall) {
    log_.write("Initializing Tessaly v.1.0.8");
    log_.write("Search path: /");
    const auto lines = LogLines(dir_.read("applog.log"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(IsStamped(lines[0])) << lines[0];
    EXPECT_TRUE(lines[0].ends_with(" Initializing Tessaly v.1.0.8"));
    EXPECT_TRUE(lines[1].ends_with(" Search path: /"));
}

TEST_F(AppLogFile, NeverEmptiesAnExistingLogHiddenOrNot) {
    for (const char* name : {"applog.log", ".hidden.log"}) {
        SCOPED_TRACE(name);
        dir_.write(name, "earlier line\r\n");
        settings_.write("Settings", "AppLog", dir_.file(name));
        log_.write("next");
        const std::string log = dir_.read(name);
        EXPECT_TRUE(log.starts_with("earlier line\r\n")) << log;
        EXPECT_TRUE(log.ends_with(" next\r\n")) << log;
    }
}

TEST_F(AppLogFile, KeepsMessageLineBreaksAsTheyAre) {
    log_.write("Error line 1\r\nline 2\r\n\r\nline 4");
    const std::string log = dir_.read("applog.log");
    EXPECT_TRUE(log.ends_with(" Error line 1\r\nline 2\r\n\r\nline 4\r\n")) << log;
    EXPECT_TRUE(IsStamped(LogLines(log).front()));
}

TEST_F(AppLogFile, FollowsAnAppLogKeyFromTheNextCallOn) {
    log_.write("to the default");
    dir_.write("Tessaly.ini", "[Settings]\r\nAppLog=" + dir_.file("elsewhere.log") + "\r\n");
    log_.write("to the new place");
    EXPECT_EQ(LogLines(dir_.read("applog.log")).size(), 1u);
    const auto moved = LogLines(dir_.read("elsewhere.log"));
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_TRUE(moved[0].ends_with(" to the new place"));
}

// The log looks at the settings file once per line and reads its AppLog key
// again whenever the file may hold other bytes: also when a change keeps its
// size and modification time, or when it goes or comes.
TEST_F(AppLogFile, SeesEveryChangeOfTheSettingsFile) {
    const std::string first = "[Settings]\r\nAppLog=" + dir_.file("one.log") + "\r\n";
    const std::string second = "[Settings]\r\nAppLog=" + dir_.file("two.log") + "\r\n";
    const auto keepTimes = [&](const std::string& from, const std::string& to) {
        struct stat st {};
        ASSERT_EQ(::stat(from.c_str(), &st), 0);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, to.c_str(), times, 0), 0);
    };
    struct Case {
        const char* name;
        std::function<void()> change;
        std::string expectedLog;
    };
    const Case cases[] = {
        {"replaced by a file of the same size and time",
         [&] {
             dir_.write("new.ini", second);
             keepTimes(dir_.file("Tessaly.ini"), dir_.file("new.ini"));
             std::filesystem::rename(dir_.file("new.ini"), dir_.file("Tessaly.ini"));
         },
         "two.log"},
        {"edited in place to the same size",
         [&] {
             struct stat st {};
             ASSERT_EQ(::stat(dir_.file("Tessaly.ini").c_str(), &st), 0);
             dir_.write("Tessaly.ini", second);
             // A later modification time, by one nanosecond only.
             timespec times[2] = {st.st_atim, st.st_mtim};
             if (++times[1].tv_nsec == 1000000000) times[1] = {st.st_mtim.tv_sec + 1, 0};
             ASSERT_EQ(::utimensat(AT_FDCWD, dir_.file("Tessaly.ini").c_str(), times, 0), 0);
         },
         "two.log"},
        {"removed", [&] { std::filesystem::remove(dir_.file("Tessaly.ini")); }, "applog.log"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* name : {"one.log", "two.log", "applog.log"}) {
            std::filesystem::remove(dir_.file(name));
        }
        dir_.write("Tessaly.ini", first);
        log_.write("before");
        ASSERT_TRUE(std::filesystem::exists(dir_.file("one.log")));
        c.change();
        log_.write("after");
        ASSERT_TRUE(std::filesystem::exists(dir_.file(c.expectedLog)));
        EXPECT_TRUE(dir_.read(c.expectedLog).ends_with(" after\r\n"));
        EXPECT_EQ(LogLines(dir_.read("one.log")).size(), 1u);
    }
    // A settings file that appears counts from the next line on.
    dir_.write("Tessaly.ini", first);
    log_.write("back");
    EXPECT_TRUE(dir_.read("one.log").ends_with(" back\r\n"));
}

TEST_F(AppLogFile, LosesLinesQuietlyWhenTheLogCannotBeWritten) {
    dir_.write("plain", "kept");
    const std::string unreachable[] = {
        dir_.file("no/such/folder/applog.log"),  // folder missing
        dir_.file("plain/applog.log"),           // "folder" is a regular file
        dir_.path(),                             // a folder
        "",                                      // key present but empty
    };
    for (const std::string& path : unreachable) {
        SCOPED_TRACE(path);
        settings_.write("Settings", "AppLog", path);
        EXPECT_NO_THROW(log_.write("lost"));
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.file("no")));
    EXPECT_EQ(dir_.read("plain"), "kept");
}

TEST_F(AppLogFile, LinesFromSeveralThreadsStayWhole) {
    constexpr int kThreads = 8;
    constexpr int kLinesEach = 200;
    AppLog second(settings_);  // a second writer of the same file
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            AppLog& log = t % 2 == 0 ? log_ : second;
            for (int i = 0; i < kLinesEach; ++i) {
                log.write("thread " + std::to_string(t) + " line " + std::to_string(i) + " " +
                          std::string(static_cast<std::size_t>(50 + i), 'x'));
            }
        });
    }
    for (auto& thread : threads) thread.join();

    const auto lines = LogLines(dir_.read("applog.log"));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLinesEach));
    std::set<std::string> seen;
    for (const auto& line : lines) {
        ASSERT_TRUE(IsStamped(line)) << line;
        // "thread T line I " followed by 50 + I times 'x'
        std::istringstream words(line.substr(20));
        std::string threadWord, lineWord, xs;
        int t = -1, i = -1;
        words >> threadWord >> t >> lineWord >> i >> xs;
        ASSERT_TRUE(threadWord == "thread" && lineWord == "line" && words.eof()) << line;
        EXPECT_EQ(xs, std::string(static_cast<std::size_t>(50 + i), 'x')) << line;
        seen.insert(std::to_string(t) + "/" + std::to_string(i));
    }
    EXPECT_EQ(seen.size(), lines.size());
}

}  // namespace
}  // namespace tessaly
