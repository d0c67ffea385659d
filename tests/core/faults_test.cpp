// Settings, log and saving when the disk says no: a read-only application
// folder, a full disk, a folder the program may not write. Nothing that was
// there before may be lost, and a failure says why.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>

#include "core/actions/result_writer.h"
#include "core/app/install_layout.h"
#include "core/extract/scanner.h"
#include "core/search/index_search.h"
#include "core/settings/app_log.h"
#include "core/settings/settings_store.h"
#include "platform/files.h"
#include "support/child_process.h"
#include "support/small_disk.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const std::string kOldSettings = "; hand-written\r\n[Options]\r\nSearchIn=/srv/old\r\n";
const std::string kOldResults = "old results\r\n";

// The files a failed write may have left beside `name` in `folder`.
int LeftoversBeside(const std::string& folder, const std::string& name) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string n = entry.path().filename().string();
        count += n != name && n.starts_with(name) ? 1 : 0;
    }
    return count;
}

// A full disk: the settings store, the log and a save all fail without
// touching what is on it.
class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(folder_);
        disk_ = std::make_unique<test::SmallDisk>(folder_, 64);
        if (!disk_->mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here";
        dir_.write("disk/Tessaly.ini", kOldSettings);
        dir_.write("disk/results.txt", kOldResults);
        dir_.write("disk/applog.log", "old line\r\n");
    }

    TempDir dir_;
    std::string folder_ = dir_.file("disk");
    std::unique_ptr<test::SmallDisk> disk_;
};

TEST_F(FullDisk, SettingsWriteFailsAndKeepsTheOldFile) {
    ASSERT_TRUE(disk_->fill());
    SettingsStore settings(folder_);
    EXPECT_FALSE(settings.write("Options", "SearchIn", "/srv/new"));
    EXPECT_FALSE(settings.write("Window", "Left", "100"));
    EXPECT_EQ(dir_.read("disk/Tessaly.ini"), kOldSettings);
    EXPECT_EQ(settings.read("Options", "SearchIn", "default"), "/srv/old");
    EXPECT_EQ(LeftoversBeside(folder_, "Tessaly.ini"), 0);
}

TEST_F(FullDisk, LogLinesAreLostQuietlyAndTheOldLogStays) {
    ASSERT_TRUE(disk_->fill());
    SettingsStore settings(folder_);
    AppLog log(settings);
    for (int i = 0; i < 100; ++i) EXPECT_NO_THROW(log.write(std::string(200, 'x')));
    const std::string text = dir_.read("disk/applog.log");
    EXPECT_TRUE(text.starts_with("old line\r\n"));
}

TEST_F(FullDisk, SaveThatRunsOutOfSpaceMidwayKeepsTheOldFileAndSaysWhy) {
    // Room for the first bytes of the new file but not for all of it.
    const SaveResult result = SaveAtomically(dir_.file("disk/results.txt"), [](std::ostream& out) {
        for (int i = 0; i < 4096; ++i) out << std::string(100, 'n') << "\r\n";
    });
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.reason, "No space left on device");
    EXPECT_EQ(dir_.read("disk/results.txt"), kOldResults);
    EXPECT_EQ(LeftoversBeside(folder_, "results.txt"), 0);
}

TEST(Faults, UnwritableFoldersAsAnUnprivilegedUser) {
    TempDir dir;
    fs::create_directories(dir.file("bin"));
    fs::create_directories(dir.file("config"));
    dir.write("bin/results.txt", kOldResults);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("bin").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.file("bin/results.txt").c_str(), 0666), 0);
    ASSERT_EQ(::chmod(dir.file("config").c_str(), 0777), 0);
    const test::ChildEnd end = test::RunInChild(
        [&] {
            // The application folder moves to the user's configuration folder.
            ::setenv("XDG_CONFIG_HOME", dir.file("config").c_str(), 1);
            if (ResolveAppFolder(dir.file("bin")) != dir.file("config/Tessaly")) return 1;
            // A save into the read-only folder fails, says why and keeps the old file,
            // even though the file itself may be written.
            const SaveResult saved = SaveAtomically(
                dir.file("bin/results.txt"), [](std::ostream& out) { out << "new results"; });
            if (saved.ok || saved.reason != "Permission denied") return 2;
            // The settings store there refuses without a trace.
            SettingsStore settings(dir.file("bin"));
            if (settings.write("Options", "SearchIn", "/x")) return 3;
            return 0;
        },
        /*asNobody=*/true);
    if (end.exitCode == 125) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_EQ(end.exitCode, 0);
    EXPECT_EQ(dir.read("bin/results.txt"), kOldResults);
    EXPECT_FALSE(fs::exists(dir.file("bin/Tessaly.ini")));
}

// The window's worker: the walk and the scan run on a thread of their own and
// another thread raises the stop flag while they are busy. (Run under
// ThreadSanitizer by make test.)
class PausingSink final : public WalkSink, public RowSink {
  public:
    explicit PausingSink(const std::atomic<bool>& stop) : stop_(stop) {}
    void fileFound(const FoundFile&) override { Pause(); }
    void row(std::uint64_t, std::string_view) override { Pause(); }
    std::atomic<bool> started{false};
    int calls = 0;

  private:
    // The first call tells the other thread and waits for its stop.
    void Pause() {
        if (++calls > 1) return;
        started = true;
        while (!stop_.load()) std::this_thread::yield();
    }
    const std::atomic<bool>& stop_;
};

TEST(Faults, StopFromAnotherThreadEndsAWalkAndAScan) {
    TempDir dir;
    for (int i = 0; i < 200; ++i) dir.write("tree/d" + std::to_string(i) + "/index.dat", "");
    std::string urls;
    while (urls.size() < (1u << 20)) urls += "xx http://host.example/page\0";
    dir.write("index.dat", urls);

    for (const bool walk : {true, false}) {
        std::atomic<bool> stop{false};
        PausingSink sink(stop);
        ScanOutcome outcome;
        std::thread worker([&] {
            if (walk) {
                SearchFolderTree(dir.file("tree"), sink, stop);
            } else {
                outcome = ScanFile(dir.file("index.dat"), sink, &stop, 4096);
            }
        });
        while (!sink.started.load()) std::this_thread::yield();
        stop = true;
        worker.join();
        if (walk) {
            EXPECT_EQ(sink.calls, 1);  // the stop is tested before every entry
        } else {
            EXPECT_TRUE(outcome.stopped);
            EXPECT_LE(sink.calls, 4096 / 10);  // within the block in hand
        }
    }
}

}  // namespace
}  // namespace tessaly
