#include "gui/background_work.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <stop_token>

#include "core/search/index_search.h"
#include "core/settings/app_log.h"
#include "platform/dos_path.h"

namespace tessaly {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kBatchInterval = std::chrono::milliseconds(50);
constexpr std::size_t kContentsBatchRows = 4096;
constexpr std::size_t kFilesBatchRows = 512;

// Elapsed seconds as the log shows them: single precision, two decimals, in
// the user's number format.
std::string Seconds(Clock::time_point start) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    const float seconds = static_cast<float>(ms.count()) / 1000.0f;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(seconds));
    return buf;
}

// The walk and the scan check an atomic flag; this one is raised by the
// worker thread's stop token.
class StopFlag {
  public:
    explicit StopFlag(std::stop_token token) : callback_(std::move(token), Raise{&raised_}) {}
    const std::atomic<bool>& raised() const { return raised_; }

  private:
    struct Raise {
        std::atomic<bool>* flag;
        void operator()() const noexcept { flag->store(true); }
    };
    std::atomic<bool> raised_{false};
    std::stop_callback<Raise> callback_;
};

}  // namespace

// Hands rows of a running scan to the contents list in batches.
class ContentsBatcher final : public RowSink {
  public:
    explicit ContentsBatcher(BackgroundWork* work) : work_(work) {}
    void row(std::uint64_t, std::string_view bytes) override {
        batch_.append(bytes);
        if (batch_.size() >= kContentsBatchRows || Clock::now() - last_ >= kBatchInterval) flush();
    }
    void flush() {
        last_ = Clock::now();
        if (batch_.empty()) return;
        const bool ask = work_->contentsMailbox_.put(
            std::exchange(batch_, ContentsRows{}),
            [](ContentsRows& waiting, ContentsRows&& more) { waiting.appendAll(std::move(more)); });
        if (ask) {
            QMetaObject::invokeMethod(
                work_, [w = work_] { w->deliverContents(); }, Qt::QueuedConnection);
        }
    }

  private:
    BackgroundWork* work_;
    ContentsRows batch_;
    Clock::time_point last_ = Clock::now();
};

// Hands the files a running walk finds to the files list in batches, logs each
// one with its short path, and keeps the status line on the folder walked.
class FilesBatcher final : public WalkSink {
  public:
    explicit FilesBatcher(BackgroundWork* work) : work_(work), log_(work->log_) {}

    void enteringFolder(const std::string& base) override {
        batch_.folder = base;
        if (Clock::now() - last_ >= kBatchInterval) flush();
    }
    void fileFound(const FoundFile& file) override {
        const std::string size = FormatSizeKB(file.size);
        batch_.rows.push_back({file.location, size});
        log_.write("File found: " + file.location + "(" + size + " KB)");
        log_.write("Converting [ " + file.location + " ] to DOS compatable path");
        log_.write("DOS Path: " + GetDosPath(file.location) + "(" + size + " KB)");
        if (batch_.rows.size() >= kFilesBatchRows || Clock::now() - last_ >= kBatchInterval)
            flush();
    }
    void flush() {
        last_ = Clock::now();
        if (batch_.rows.empty() && batch_.folder.empty()) return;
        const bool ask = work_->filesMailbox_.put(
            std::exchange(batch_, FilesDelivery{}),
            [](FilesDelivery& waiting, FilesDelivery&& more) {
                waiting.rows.insert(waiting.rows.end(), std::make_move_iterator(more.rows.begin()),
                                    std::make_move_iterator(more.rows.end()));
                if (!more.folder.empty()) waiting.folder = std::move(more.folder);
            });
        if (ask) {
            QMetaObject::invokeMethod(
                work_, [w = work_] { w->deliverFiles(); }, Qt::QueuedConnection);
        }
    }

  private:
    BackgroundWork* work_;
    AppLog& log_;
    FilesDelivery batch_;
    Clock::time_point last_ = Clock::now();
};

BackgroundWork::BackgroundWork(AppLog& log, QObject* parent) : QObject(parent), log_(log) {}

BackgroundWork::~BackgroundWork() { stopAndWait(); }

void BackgroundWork::startWalk(const std::string& root) {
    const auto start = Clock::now();
    join();
    worker_ = std::jthread([this, root, start](std::stop_token stop) {
        const StopFlag flag(std::move(stop));
        FilesBatcher batcher(this);
        SearchFolderTree(root, batcher, flag.raised());
        batcher.flush();
        const std::string seconds = Seconds(start);
        QMetaObject::invokeMethod(
            this, [this, seconds] { finishWalk(seconds); }, Qt::QueuedConnection);
    });
}

void BackgroundWork::startScan(const std::string& path) {
    const auto start = Clock::now();
    join();
    worker_ = std::jthread([this, path, start](std::stop_token stop) {
        const StopFlag flag(std::move(stop));
        ContentsBatcher batcher(this);
        const ScanOutcome outcome = ScanFile(path, batcher, &flag.raised());
        batcher.flush();
        const std::string seconds = Seconds(start);
        QMetaObject::invokeMethod(
            this, [this, outcome, seconds] { finishScan(outcome, seconds); }, Qt::QueuedConnection);
    });
}

void BackgroundWork::requestStop() { worker_.request_stop(); }

void BackgroundWork::stopAndWait() {
    worker_.request_stop();
    join();
}

void BackgroundWork::join() {
    if (worker_.joinable()) worker_.join();
}

void BackgroundWork::deliverContents() {
    ContentsRows rows = contentsMailbox_.take();
    emit contentsDelivered(rows);
}

void BackgroundWork::deliverFiles() {
    FilesDelivery delivery = filesMailbox_.take();
    emit filesDelivered(delivery);
}

void BackgroundWork::finishWalk(const std::string& seconds) {
    join();
    emit walkFinished(seconds);
}

void BackgroundWork::finishScan(const ScanOutcome& outcome, const std::string& seconds) {
    join();
    emit scanFinished(outcome, seconds);
}

}  // namespace tessaly
