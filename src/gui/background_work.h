#pragma once

#include <QObject>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/extract/contents_rows.h"
#include "core/extract/scanner.h"
#include "core/records/record_list.h"
#include "core/search/index_file_row.h"
#include "gui/mailbox.h"

namespace tessaly {

class AppLog;

// What a running walk has found since the list last took its rows.
struct FilesDelivery {
    std::vector<IndexFileRow> rows;
    std::string folder;  // the folder being walked, for the status line
};

// The records of the file a scan read, read after the scan on the same
// worker. `full`: the read stopped at the row budget or when memory ran short;
// the records read so far are kept.
struct RecordsRead {
    std::shared_ptr<const RecordTable> table;
    Timeline timeline;  // made on the worker too, to spare the user-interface thread
    RecordsOutcome outcome;
    bool full = false;
};

// The window's long jobs, the walk for index files and the scan of one file,
// run here on a worker thread, one at a time. Rows travel to the user-interface
// thread in batches through a mailbox; every signal is emitted on the
// user-interface thread, rows before the end of their job, so a slot may
// take the rows it is handed (they are the slot's to move from).
class BackgroundWork final : public QObject {
    Q_OBJECT
  public:
    explicit BackgroundWork(AppLog& log, QObject* parent = nullptr);
    // Stops a running job and waits for its thread.
    ~BackgroundWork() override;

    // Walks the folder tree under `root`; each file found is logged with its
    // short path.
    void startWalk(const std::string& root);
    // Scans one file for entries, then reads its records.
    void startScan(const std::string& path);
    // Asks the running job to stop at its next check; it still ends with its
    // finished signal.
    void requestStop();
    // Stops the running job and waits for its thread. Its finished signal
    // still comes, later, from the event loop.
    void stopAndWait();
    // How far a running scan has read its file: the file position reached
    // and the file's size, for the contents (the raw scan) and then for the
    // records; polled from the user-interface thread.
    struct Progress {
        bool records = false;  // the second pass, the records
        std::uint64_t done = 0;
        std::uint64_t total = 0;
    };
    Progress progress() const;

    // A job runs or its end has not been reported yet.
    bool busy() const { return worker_.joinable(); }

    // The most rows a job hands to its list: past them it stops and ends as a
    // full list. Set from the usable memory; smaller by tests. A running job
    // keeps the budget it started with.
    void setRowBudget(std::size_t rows) { rowBudget_ = rows; }
    // The list found no memory for rows just delivered (it stays as it was):
    // the running job stops and ends as a full list.
    void listOutOfMemory();

  signals:
    void filesDelivered(tessaly::FilesDelivery& delivery);
    void contentsDelivered(tessaly::ContentsRows& rows);
    // `seconds` is the elapsed time as the log shows it ("0.25"). `listFull`:
    // the job stopped because its list took no more rows (the row budget, or
    // memory that ran short here or on the worker); the rows delivered so far
    // stay.
    // `rootError`: the system's error number when the root could not be
    // opened as a folder, else 0.
    void walkFinished(const std::string& seconds, bool listFull, int rootError);
    // Just before scanFinished, with the records of the scanned file.
    void recordsRead(const tessaly::RecordsRead& records);
    void scanFinished(const tessaly::ScanOutcome& outcome, const std::string& seconds,
                      bool listFull);

  private:
    template <typename Batcher, typename Work, typename Finish>
    void startJob(Work work, Finish finish);
    void deliverFiles();
    void deliverContents();
    void finishWalk(const std::string& seconds, bool listFull, int rootError);
    void finishScan(const ScanOutcome& outcome, const std::string& seconds, bool listFull);
    void join();

    friend class FilesBatcher;
    friend class RecordsCollector;

    std::atomic<bool> readingRecords_{false};
    std::atomic<std::uint64_t> readDone_{0};
    std::atomic<std::uint64_t> readTotal_{0};
    friend class ContentsBatcher;

    AppLog& log_;
    std::size_t rowBudget_;
    // Set on this thread when a delivery found no memory; cleared per job.
    bool listOutOfMemory_ = false;
    Mailbox<ContentsRows> contentsMailbox_;
    Mailbox<FilesDelivery> filesMailbox_;
    // Last, so that it is stopped and joined before the mailboxes go.
    std::jthread worker_;
};

}  // namespace tessaly
