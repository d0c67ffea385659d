#include "gui/background_work.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <new>
#include <stop_token>

#include "core/records/records_reader.h"
#include "core/search/index_search.h"
#include "core/settings/app_log.h"
#include "platform/dos_path.h"
#include "platform/memory.h"

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
// worker thread's stop token, or by the job itself.
class StopFlag {
  public:
    explicit StopFlag(std::stop_token token) : callback_(std::move(token), Raise{&raised_}) {}
    const std::atomic<bool>& raised() const { return raised_; }
    void raise() { raised_.store(true); }

  private:
    struct Raise {
        std::atomic<bool>* flag;
        void operator()() const noexcept { flag->store(true); }
    };
    std::atomic<bool> raised_{false};
    std::stop_callback<Raise> callback_;
};

// Counts the rows a list takes against its budget; past the budget it raises
// the stop flag so that the walk or the scan ends there.
class RowBudget {
  public:
    RowBudget(std::size_t rows, StopFlag& stop) : left_(rows), stop_(stop) {}
    // False, and the work is asked to stop, when the list is full.
    bool take() {
        if (left_ == 0) {
            full_ = true;
            stop_.raise();
            return false;
        }
        --left_;
        return true;
    }
    bool full() const { return full_; }

  private:
    std::size_t left_;
    StopFlag& stop_;
    bool full_ = false;
};

// Runs the walk or the scan, then the last hand-over of its rows; true when
// either ran out of memory. Whatever was handed over before stays.
template <typename Work, typename Flush>
bool RanOutOfMemory(Work&& work, Flush&& flush) {
    bool outOfMemory = false;
    try {
        work();
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    }
    try {
        flush();
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    }
    return outOfMemory;
}

}  // namespace

// Hands rows of a running scan to the contents list in batches.
class ContentsBatcher final : public RowSink {
  public:
    ContentsBatcher(BackgroundWork* work, RowBudget& budget) : work_(work), budget_(budget) {}
    void row(std::uint64_t position, std::string_view bytes) override {
        if (!budget_.take()) return;
        work_->readDone_.store(position, std::memory_order_relaxed);
        batch_.append(bytes, position);
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
    RowBudget& budget_;
    ContentsRows batch_;
    Clock::time_point last_ = Clock::now();
};

// Hands the files a running walk finds to the files list in batches, logs each
// one with its short path, and keeps the status line on the folder walked.
class FilesBatcher final : public WalkSink {
  public:
    FilesBatcher(BackgroundWork* work, RowBudget& budget)
        : work_(work), log_(work->log_), budget_(budget) {}

    void enteringFolder(const std::string& base) override {
        batch_.folder = base;
        if (Clock::now() - last_ >= kBatchInterval) flush();
    }
    void fileFound(const FoundFile& file) override {
        if (!budget_.take()) return;
        const std::string size = FormatSizeKB(file.size);
        batch_.rows.push_back({file.location, size, file.size});
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
    RowBudget& budget_;
    FilesDelivery batch_;
    Clock::time_point last_ = Clock::now();
};

BackgroundWork::BackgroundWork(AppLog& log, QObject* parent)
    : QObject(parent), log_(log), rowBudget_(ListRowBudget(UsableMemoryBytes())) {}

BackgroundWork::~BackgroundWork() { stopAndWait(); }

// Runs one job on a fresh worker thread: `work(batcher, stop)` with a batcher
// of type Batcher under the job's row budget, then the last hand-over of its
// rows; `finish(result, seconds, listFull)` is then queued to this object's
// thread. Memory that runs short, on the worker or at the budget, ends the job
// like any other failure, with the rows handed over so far kept.
template <typename Batcher, typename Work, typename Finish>
void BackgroundWork::startJob(Work work, Finish finish) {
    const auto start = Clock::now();
    join();
    listOutOfMemory_ = false;
    worker_ = std::jthread([this, work, finish, start, rows = rowBudget_](std::stop_token stop) {
        StopFlag flag(std::move(stop));
        RowBudget budget(rows, flag);
        Batcher batcher(this, budget);
        decltype(work(batcher, flag.raised())) result{};
        const bool outOfMemory = RanOutOfMemory([&] { result = work(batcher, flag.raised()); },
                                                [&] { batcher.flush(); });
        const bool full = outOfMemory || budget.full();
        const std::string seconds = Seconds(start);
        QMetaObject::invokeMethod(
            this, [finish, result, seconds, full] { finish(result, seconds, full); },
            Qt::QueuedConnection);
    });
}

void BackgroundWork::startWalk(const std::string& root) {
    startJob<FilesBatcher>(
        [root](FilesBatcher& batcher, const std::atomic<bool>& stop) {
            return SearchFolderTree(root, batcher, stop);
        },
        [this](const WalkOutcome& outcome, const std::string& seconds, bool full) {
            finishWalk(seconds, full, outcome.rootError);
        });
}

// Takes records into a table while the job goes on and the budget lasts.
class RecordsCollector final : public RecordSink {
  public:
    RecordsCollector(BackgroundWork& work, RecordTable& table, std::size_t budget,
                     const std::atomic<bool>& stop)
        : work_(work), table_(table), left_(budget), stop_(stop) {}
    bool record(const Record& record) override {
        if (stop_.load()) return false;
        work_.readDone_.store(record.offset, std::memory_order_relaxed);
        if (left_ == 0) {
            full_ = true;
            return false;
        }
        --left_;
        table_.append(record);
        return true;
    }
    bool full() const { return full_; }

  private:
    BackgroundWork& work_;
    RecordTable& table_;
    std::size_t left_;
    const std::atomic<bool>& stop_;
    bool full_ = false;
};

namespace {

struct ScanAndRecords {
    ScanOutcome scan;
    RecordsRead records;
};

}  // namespace

void BackgroundWork::startScan(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    readTotal_.store(ec ? 0 : static_cast<std::uint64_t>(size));
    readDone_.store(0);
    readingRecords_.store(false);
    startJob<ContentsBatcher>(
        [this, path, budget = rowBudget_](ContentsBatcher& batcher, const std::atomic<bool>& stop) {
            ScanAndRecords out;
            out.scan = ScanFile(path, batcher, &stop);
            readingRecords_.store(true);
            readDone_.store(0);
            auto table = std::make_shared<RecordTable>(path);
            RecordsCollector collector(*this, *table, budget, stop);
            try {
                out.records.outcome = ReadRecordsFile(path, collector);
            } catch (const std::bad_alloc&) {
                out.records.full = true;  // the records read so far stay
            }
            out.records.full = out.records.full || collector.full();
            try {
                out.records.timeline = MakeTimeline(*table);
            } catch (const std::bad_alloc&) {
                out.records.timeline = {};  // no bars; the records stay
            }
            out.records.table = std::move(table);
            return out;
        },
        [this](const ScanAndRecords& result, const std::string& seconds, bool full) {
            join();
            emit recordsRead(result.records);
            finishScan(result.scan, seconds, full);
        });
}

BackgroundWork::Progress BackgroundWork::progress() const {
    return {readingRecords_.load(), readDone_.load(std::memory_order_relaxed), readTotal_.load()};
}

void BackgroundWork::requestStop() { worker_.request_stop(); }

void BackgroundWork::stopAndWait() {
    worker_.request_stop();
    join();
}

void BackgroundWork::listOutOfMemory() {
    listOutOfMemory_ = true;
    worker_.request_stop();
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

void BackgroundWork::finishWalk(const std::string& seconds, bool listFull, int rootError) {
    join();
    emit walkFinished(seconds, listFull || listOutOfMemory_, rootError);
}

void BackgroundWork::finishScan(const ScanOutcome& outcome, const std::string& seconds,
                                bool listFull) {
    join();
    emit scanFinished(outcome, seconds, listFull || listOutOfMemory_);
}

}  // namespace tessaly
