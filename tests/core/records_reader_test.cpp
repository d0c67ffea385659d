// The records reader: every status, both versions and LEAK forms, every
// damage path, hostile structures, fragments, stopping and failures.
#include "core/records/records_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "core/extract/contents_rows.h"
#include "core/records/index_dat_format.h"
#include "support/child_process.h"
#include "support/failing_source.h"
#include "support/index_dat_writer.h"
#include "support/record_collector.h"
#include "support/reference_scan.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::CollectedRecord;
using test::IndexDatDamage;
using test::IndexDatEntry;
using test::IndexDatRecord;
using test::IndexDatState;
using test::ReadAll;
namespace fmt = indexdat;

constexpr std::uint64_t kAccessed = 130073741426616680;  // 2013-03-10T07:29:02.6616680Z
constexpr std::uint64_t kModified = 130073739099991434;
const std::string kHeaders = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n~U:john\r\n";

IndexDatEntry Url(std::string location, std::string fileName = "", std::string headers = "") {
    IndexDatEntry e;
    e.location = std::move(location);
    e.fileName = std::move(fileName);
    e.headers = std::move(headers);
    e.lastAccessed = kAccessed;
    e.lastModified = kModified;
    return e;
}

IndexDatEntry With(IndexDatEntry e, IndexDatRecord record,
                   IndexDatState state = IndexDatState::Live) {
    e.record = record;
    e.state = state;
    return e;
}

// One record of every status, as the writer lays them out.
std::vector<IndexDatEntry> EveryStatus() {
    IndexDatEntry minimal = With(Url("", "b[1].js", "x"), IndexDatRecord::Leak);
    minimal.minimalLeak = true;
    return {
        Url("http://www.example.com/index.html", "index[1].htm", kHeaders),
        With(Url("http://go.example.com/r?x=1"), IndexDatRecord::Redirect),
        Url("http://target.example.org/page", "page[1].htm", kHeaders),
        With(Url("http://leaked.example.net/a.js", "a[1].js", kHeaders), IndexDatRecord::Leak),
        minimal,
        With(Url("Visited: mary@http://freed.example.com/"), IndexDatRecord::Url,
             IndexDatState::Freed),
        With(Url("Cookie:guest@deleted.example.com/", "guest@deleted[1].txt"), IndexDatRecord::Url,
             IndexDatState::Deleted),
        Url(":2013031020130311: john@http://daily.example/"),
    };
}

struct Expected {
    RecordType type;
    RecordStatus status;
    Allocation allocated;
    std::optional<std::string> location;
    std::string user;
    RecordKind kind;
    std::optional<std::string> cacheFile;
    std::optional<std::string> redirectTo;
};

void ExpectEveryStatus(const std::vector<CollectedRecord>& got,
                       const std::vector<std::size_t>& offsets, test::IndexDatVersion version) {
    const std::vector<Expected> want{
        {RecordType::Url, RecordStatus::Live, Allocation::Yes, "http://www.example.com/index.html",
         "john", RecordKind::Cache, "index[1].htm", std::nullopt},
        {RecordType::Redirect, RecordStatus::Live, Allocation::Yes, "http://go.example.com/r?x=1",
         "", RecordKind::Cache, std::nullopt, "http://target.example.org/page"},
        {RecordType::Url, RecordStatus::Live, Allocation::Yes, "http://target.example.org/page",
         "john", RecordKind::Cache, "page[1].htm", std::nullopt},
        {RecordType::Leak, RecordStatus::Listed, Allocation::Yes, "http://leaked.example.net/a.js",
         "john", RecordKind::Cache, "a[1].js", std::nullopt},
        {RecordType::Leak, RecordStatus::Listed, Allocation::Yes, std::nullopt, "",
         RecordKind::Cache, "b[1].js", std::nullopt},
        {RecordType::Url, RecordStatus::Recovered, Allocation::No,
         "Visited: mary@http://freed.example.com/", "mary", RecordKind::History, std::nullopt,
         std::nullopt},
        {RecordType::Url, RecordStatus::Recovered, Allocation::No,
         "Cookie:guest@deleted.example.com/", "guest", RecordKind::Cookie, "guest@deleted[1].txt",
         std::nullopt},
        {RecordType::Url, RecordStatus::Live, Allocation::Yes,
         ":2013031020130311: john@http://daily.example/", "john", RecordKind::DailyHistory,
         std::nullopt, std::nullopt},
    };
    ASSERT_EQ(got.size(), want.size());
    const auto entries = EveryStatus();
    for (std::size_t i = 0; i < want.size(); ++i) {
        const CollectedRecord& r = got[i];
        const Expected& w = want[i];
        SCOPED_TRACE("record " + std::to_string(i));
        EXPECT_EQ(r.offset, offsets[i]);
        EXPECT_EQ(r.type, w.type);
        EXPECT_EQ(r.status, w.status);
        EXPECT_EQ(r.allocated, w.allocated);
        EXPECT_EQ(r.location, w.location);
        EXPECT_EQ(r.user, w.user);
        EXPECT_EQ(r.kind, w.kind);
        EXPECT_EQ(r.cacheFile, w.cacheFile);
        EXPECT_EQ(r.redirectTo, w.redirectTo);
        EXPECT_EQ(r.damage, "");
        if (r.type == RecordType::Redirect) {
            EXPECT_FALSE(r.hits);
            EXPECT_FALSE(HasTime(r.primaryTime));
            continue;
        }
        const IndexDatEntry& e = entries[i];
        EXPECT_EQ(r.cachedSize, e.headers.size() * 37);
        EXPECT_EQ(r.cacheFolder.has_value(), !e.fileName.empty());
        if (i == 4) {  // the short LEAK form keeps no times and no hits
            EXPECT_FALSE(HasTime(r.primaryTime));
            EXPECT_FALSE(r.hits);
            continue;
        }
        EXPECT_EQ(r.headers, e.headers.empty() ? std::nullopt : std::optional(e.headers));
        EXPECT_EQ(r.hits, 1 + e.location.size() % 9);
        std::string iso;
        AppendIsoTime(iso, r.primaryTime);
        EXPECT_EQ(iso, "2013-03-10T07:29:02.6616680Z");
        EXPECT_EQ(r.secondaryTime.raw, kModified);
        EXPECT_EQ(r.secondaryTime.local, r.kind == RecordKind::DailyHistory);
        iso.clear();
        AppendIsoTime(iso, r.lastCheckedTime);
        EXPECT_EQ(iso, "2013-03-10T07:29:02Z");
        iso.clear();
        AppendIsoTime(iso, r.expiryTime);
        const bool v47 = version == test::IndexDatVersion::V47 && r.type == RecordType::Url;
        EXPECT_EQ(iso, v47 ? "2013-04-09T07:29:02.6616680Z" : "2013-04-09T07:29:02Z");
    }
}

TEST(RecordsReader, EveryStatusInBothVersions) {
    for (const auto version : {test::IndexDatVersion::V52, test::IndexDatVersion::V47}) {
        const auto image = test::BuildIndexDatImage(EveryStatus(), {2, 9}, {version});
        const auto read = ReadAll(image.bytes, false, "dir/index.dat");
        ASSERT_TRUE(read.outcome.ok()) << read.outcome.failureText();
        EXPECT_EQ(read.outcome.records, read.records.size());
        EXPECT_EQ(read.records.front().file, "dir/index.dat");
        ExpectEveryStatus(read.records, image.recordOffsets, version);
    }
}

// A REDR record leads through a hash entry to the record whose location it
// names; an entry that no longer holds the hash the REDR keeps leads nowhere.
TEST(RecordsReader, RedirectLeadsToItsTargetsLocation) {
    const std::string longTarget = "http://target.example/" + std::string(900, 'q');
    auto image = test::BuildIndexDatImage(
        {With(Url("http://go.example/"), IndexDatRecord::Redirect), Url(longTarget)});
    const auto read = ReadAll(image.bytes);
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[0].redirectTo, longTarget);

    std::string& b = image.bytes;
    b[image.recordOffsets[0] + fmt::kRedirectHash + 3] ^= 0x40;  // the entry was reused since
    const auto stale = ReadAll(b);
    ASSERT_EQ(stale.records.size(), 2u);
    EXPECT_FALSE(stale.records[0].redirectTo);
    EXPECT_EQ(stale.records[0].damage, "");
}

// One damaged record between two sound ones: the damage is named, the
// record is read as far as it goes, and its neighbours are untouched.
TEST(RecordsReader, DamagedRecordsAreReadAsFarAsTheyGo) {
    struct Case {
        IndexDatDamage damage;
        std::string note;
        std::function<void(const CollectedRecord&)> check;
    };
    const Case cases[] = {
        {IndexDatDamage::LocationOutside, "the location offset",
         [](const CollectedRecord& r) { EXPECT_FALSE(r.location); }},
        {IndexDatDamage::LocationUnterminated, "the location runs past the end of the record",
         [](const CollectedRecord& r) {
             ASSERT_TRUE(r.location);
             EXPECT_TRUE(r.location->starts_with("http://damaged.example/pppp"));
             EXPECT_NE(r.location->find("pppxxx"), std::string::npos);
             EXPECT_EQ(r.location->size(),
                       r.blocks * fmt::kBlockSize - fmt::kUrlLayout52.fixedSize);
         }},
        {IndexDatDamage::FileNameOutside, "the file name offset",
         [](const CollectedRecord& r) {
             EXPECT_FALSE(r.cacheFile);
             EXPECT_EQ(r.location, "http://damaged.example/" + std::string(200, 'p'));
         }},
        {IndexDatDamage::DataPastRecord, "the data runs past the end of the record",
         [](const CollectedRecord& r) { EXPECT_EQ(r.headers, kHeaders); }},
        {IndexDatDamage::ZeroBlocks, "its block count is 0; read as 1 block",
         [](const CollectedRecord& r) {
             EXPECT_EQ(r.blocks, 0u);
             EXPECT_FALSE(r.cacheFile);  // it lies past the first block
         }},
        {IndexDatDamage::HugeBlocks, "its 2147483647 blocks exceed the 1 MiB a record can hold",
         [](const CollectedRecord& r) {
             EXPECT_NE(r.damage.find("run into the record at offset"), std::string::npos);
             EXPECT_EQ(r.cacheFile, "d[1].htm");
         }},
        {IndexDatDamage::BadCacheFolder, "its cache folder index 9 is not in the file's table of 4",
         [](const CollectedRecord& r) { EXPECT_FALSE(r.cacheFolder); }},
        {IndexDatDamage::BadExpiry, "the expiry time 0x000043E1 is no valid FAT date and time",
         [](const CollectedRecord& r) { EXPECT_FALSE(HasTime(r.expiryTime)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        IndexDatEntry damaged =
            Url("http://damaged.example/" + std::string(200, 'p'), "d[1].htm", kHeaders);
        damaged.damage = c.damage;
        const auto image = test::BuildIndexDatImage(
            {Url("http://before.example/"), damaged, Url("http://after.example/")});
        const auto read = ReadAll(image.bytes);
        ASSERT_TRUE(read.outcome.ok());
        ASSERT_EQ(read.records.size(), 3u);
        const CollectedRecord& r = read.records[1];
        EXPECT_EQ(r.offset, image.recordOffsets[1]);
        EXPECT_NE(r.damage.find(c.note), std::string::npos) << r.damage;
        c.check(r);
        EXPECT_EQ(read.records[0].damage, "");
        EXPECT_EQ(read.records[2].damage, "");
        EXPECT_EQ(read.records[2].location, "http://after.example/");
    }
}

// A file cut anywhere gives the records that lie before the cut, the last of
// them marked where it runs past the end, and never a record outside the
// file.
TEST(RecordsReader, FileCutAnywhereGivesWhatIsLeft) {
    const auto image = test::BuildIndexDatImage(test::GenerateIndexDatEntries(40, 4), {1, 4});
    const auto whole = ReadAll(image.bytes);
    ASSERT_TRUE(whole.outcome.ok());
    for (std::size_t length = 0; length <= image.bytes.size(); length += 61) {
        const std::string cut = image.bytes.substr(0, length);
        const auto read = ReadAll(cut);
        if (length < fmt::kSignatureField) {
            EXPECT_EQ(read.outcome.failure, RecordsOutcome::Failure::NotCacheFile) << length;
            continue;
        }
        ASSERT_TRUE(read.outcome.ok()) << length;
        std::uint64_t last = 0;
        for (const auto& r : read.records) {
            EXPECT_LT(r.offset, length);
            EXPECT_GE(r.offset, last);
            last = r.offset + 1;
            if (r.offset + std::uint64_t{r.blocks} * fmt::kBlockSize > length) {
                EXPECT_NE(r.damage.find("run past the end of the file"), std::string::npos)
                    << length << " " << r.offset;
            }
        }
        // Records wholly before the cut are read as in the whole file (their
        // status may differ once the hash tables are cut off).
        for (const auto& w : whole.records) {
            if (w.offset + std::uint64_t{w.blocks} * fmt::kBlockSize > length) continue;
            const auto found = std::find_if(read.records.begin(), read.records.end(),
                                            [&](const auto& r) { return r.offset == w.offset; });
            ASSERT_NE(found, read.records.end()) << "lost " << w.offset << " at " << length;
            EXPECT_EQ(found->location, w.location);
        }
    }
}

TEST(RecordsReader, ChainsThatLoopEndAndKeepEveryRecord) {
    auto entries = test::GenerateIndexDatEntries(1200, 8);  // three hash tables
    const auto plain = ReadAll(test::BuildIndexDat(entries));
    for (const bool hashLoop : {false, true}) {
        test::IndexDatOptions options;
        options.hashChainLoop = hashLoop;
        options.leakListLoop = !hashLoop;
        const auto read = ReadAll(test::BuildIndexDat(entries, {}, options));
        ASSERT_TRUE(read.outcome.ok());
        ASSERT_EQ(read.records.size(), plain.records.size());
        for (std::size_t i = 0; i < read.records.size(); ++i) {
            EXPECT_EQ(read.records[i].status, plain.records[i].status) << i;
        }
    }
}

// Hash tables and LEAK chains lead anywhere: outside the file, into the
// header, between blocks, at non-records, at themselves.
TEST(RecordsReader, StructureLeadingAnywhereIsIgnored) {
    auto image = test::BuildIndexDatImage({Url("http://a.example/"), Url("http://b.example/")});
    std::string& b = image.bytes;
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
    };
    const std::size_t table = fmt::kDataStart;
    const std::size_t entries = table + fmt::kHashHeaderSize;
    const std::uint32_t targets[] = {0xFFFFFF00, 0x100, fmt::kDataStart + 3, 0x7FFFFFFF,
                                     static_cast<std::uint32_t>(table)};
    for (std::size_t i = 0; i < std::size(targets); ++i) {
        put32(entries + 16 + 8 * i, 0x12345600);
        put32(entries + 16 + 8 * i + 4, targets[i]);
    }
    put32(fmt::kHeaderLeakList, static_cast<std::uint32_t>(image.recordOffsets[0]));  // no LEAK
    put32(table + fmt::kRecordBlocks, 0xFFFFFFFF);  // a table as long as the file and more
    const auto read = ReadAll(b);
    ASSERT_TRUE(read.outcome.ok());
    ASSERT_EQ(read.records.size(), 2u);
    EXPECT_EQ(read.records[0].status, RecordStatus::Live);
    EXPECT_EQ(read.records[1].location, "http://b.example/");
}

TEST(RecordsReader, ReadErrorEndsTheReadWithItsReason) {
    // Records after the last hash table and no LEAK chain, so that the walk
    // is what meets the bad part.
    auto entries = test::GenerateIndexDatEntries(5000, 2);
    for (auto& e : entries) {
        if (e.record == IndexDatRecord::Leak) e.record = IndexDatRecord::Url;
    }
    const std::string bytes = test::BuildIndexDat(entries);
    for (const bool fragments : {false, true}) {
        for (const std::uint64_t failFrom : {std::uint64_t{100}, bytes.size() - 0x8000}) {
            test::FailingSource source(bytes, failFrom, EIO);
            test::CollectingSink sink;
            const RecordsOutcome outcome = ReadRecords(source, sink, {"index.dat", fragments});
            EXPECT_EQ(outcome.failure, RecordsOutcome::Failure::Unreadable) << failFrom;
            EXPECT_EQ(outcome.failureText(), "Input/output error");
            EXPECT_EQ(sink.records.empty(), failFrom == 100);
            for (const auto& r : sink.records) EXPECT_LT(r.offset, failFrom);
        }
    }
}

// The sink stops the read on a record or on a fragment, also one that comes
// just before a record.
TEST(RecordsReader, SinkStopsTheRead) {
    auto image = test::BuildIndexDatImage(test::GenerateIndexDatEntries(50, 3), {1, 3, false});
    image.bytes.replace(image.recordOffsets[1] - fmt::kBlockSize, 20, "http://a/\0http://b/\0", 20);
    for (const bool fragments : {false, true}) {
        for (const std::size_t limit : {1, 2, 3}) {
            BufferSource source(image.bytes);
            test::CollectingSink sink(limit);
            const RecordsOutcome outcome = ReadRecords(source, sink, {"index.dat", fragments});
            EXPECT_TRUE(outcome.ok());
            EXPECT_TRUE(outcome.stopped);
            ASSERT_EQ(sink.records.size(), limit);
            EXPECT_EQ(sink.records.back().status == RecordStatus::Fragment, fragments && limit > 1);
        }
    }
}

// Fragments are exactly the raw scan's rows outside every record, in file
// order among the records.
TEST(RecordsReader, FragmentsAreTheRawEntriesOutsideEveryRecord) {
    auto image = test::BuildIndexDatImage(test::GenerateIndexDatEntries(200, 6), {2, 6});
    std::string& b = image.bytes;
    b.replace(0x100, 20, "http://in.header/\0\0\0", 20);
    b.append(fmt::kFileGranule, '\0');
    const std::size_t slack = b.size() - 300;
    b.replace(slack, 28, "xxVisited: eve@http://slack/");
    const auto read = ReadAll(b, true);
    ASSERT_TRUE(read.outcome.ok());
    std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
    std::vector<std::uint64_t> fragments;
    std::uint64_t last = 0;
    for (const auto& r : read.records) {
        EXPECT_GE(r.offset, last) << "out of file order";
        last = r.offset;
        if (r.status == RecordStatus::Fragment) {
            fragments.push_back(r.offset);
            EXPECT_EQ(r.type, RecordType::None);
        } else {
            spans.emplace_back(r.offset, r.offset + std::uint64_t{r.blocks} * fmt::kBlockSize);
        }
    }
    std::vector<std::uint64_t> want;
    for (const auto& row : test::ReferenceScan(b)) {
        const bool inRecord = std::any_of(spans.begin(), spans.end(), [&](const auto& s) {
            return row.position >= s.first && row.position < s.second;
        });
        if (!inRecord) want.push_back(row.position);
    }
    EXPECT_EQ(fragments, want);
    EXPECT_EQ(read.outcome.fragments, want.size());
    const auto slackRow = std::find_if(read.records.begin(), read.records.end(),
                                       [&](const auto& r) { return r.offset == slack + 2; });
    ASSERT_NE(slackRow, read.records.end());
    EXPECT_EQ(slackRow->location, "Visited: eve@http://slack/");
    EXPECT_EQ(slackRow->user, "eve");
    EXPECT_EQ(slackRow->allocated, Allocation::No);
    EXPECT_NE(std::find(fragments.begin(), fragments.end(), 0x100u), fragments.end());
}

TEST(RecordsReader, NotACacheFileNamesItsSignature) {
    using namespace std::string_literals;
    struct Case {
        std::string bytes;
        std::string text;
    };
    const Case cases[] = {
        {"", "not an MSIE cache file (signature \"\")"},
        {"GIF89a\x01\x02\0rest"s, "not an MSIE cache file (signature \"GIF89a\\x01\\x02\")"},
        {"Client UrlCache MMF Ver 6.0\0"s + std::string(0x4000, '\0'),
         "not an MSIE cache file (signature \"Client UrlCache MMF Ver 6.0\")"},
        {"Client UrlCache MMF Ver 5.2X" + std::string(0x4000, '\0'),
         "not an MSIE cache file (signature \"Client UrlCache MMF Ver 5.2X\")"},
        {"Client UrlCache MMF Ver 5.2"s,
         "not an MSIE cache file (signature \"Client UrlCache MMF Ver 5.2\")"},
        {"\"quoted\\\xff", "not an MSIE cache file (signature \"\\\"quoted\\\\\\xFF\")"},
    };
    for (const Case& c : cases) {
        const auto read = ReadAll(c.bytes);
        EXPECT_EQ(read.outcome.failure, RecordsOutcome::Failure::NotCacheFile);
        EXPECT_EQ(read.outcome.failureText(), c.text);
        EXPECT_TRUE(read.records.empty());
    }
    // A header with nothing after it is a cache file without records.
    const auto empty = ReadAll(test::BuildIndexDat({}).substr(0, fmt::kDataStart));
    EXPECT_TRUE(empty.outcome.ok());
    EXPECT_TRUE(empty.records.empty());
}

// A file cut short while it is read (another program truncating it): the read
// ends where the file now ends, with the records it could still read.
TEST(RecordsReader, FileThatShrinksDuringTheReadEndsThere) {
    test::TempDir dir;
    const auto image = test::BuildIndexDatImage(test::GenerateIndexDatEntries(12000, 12));
    ASSERT_GT(image.bytes.size(), std::size_t{3} << 20);
    const std::uint64_t cutAt = (1u << 20) + 0x4000 + 77;
    class Truncating final : public RecordSink {
      public:
        Truncating(std::string path, std::uint64_t to) : path_(std::move(path)), to_(to) {}
        bool record(const Record& r) override {
            if (offsets.empty() && ::truncate(path_.c_str(), static_cast<off_t>(to_)) != 0) {
                cutFailed = true;
            }
            offsets.push_back(r.offset);
            return true;
        }
        std::vector<std::uint64_t> offsets;
        bool cutFailed = false;

      private:
        std::string path_;
        std::uint64_t to_;
    };
    for (const bool fragments : {false, true}) {
        dir.write("index.dat", image.bytes);
        const test::ChildEnd end = test::RunInChild(
            [&] {
                Truncating sink(dir.file("index.dat"), cutAt);
                const RecordsOutcome outcome =
                    ReadRecordsFile(dir.file("index.dat"), sink, {"index.dat", fragments});
                if (!outcome.ok() || sink.offsets.empty() || sink.cutFailed) return 1;
                for (const std::uint64_t offset : sink.offsets) {
                    if (offset >= cutAt + (1u << 20)) return 2;  // past what could still be held
                }
                return 0;
            },
            false, 60);
        EXPECT_FALSE(end.hung);
        EXPECT_EQ(end.exitCode, 0);
    }
}

// Each read runs in a child, so that an open that blocks cannot block the tests.
TEST(RecordsReader, FilesThatCannotBeReadSayWhy) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo.dat").c_str(), 0644), 0);
    struct Case {
        std::string path;
        std::string text;
    };
    std::vector<Case> cases{{dir.file("absent.dat"), "No such file or directory"},
                            {dir.path(), "Is a directory"},
                            {dir.file("fifo.dat"), "Not a regular file"}};
    // An endless device of our own (only root may make one).
    if (::mknod(dir.file("zero.dat").c_str(), S_IFCHR | 0644, makedev(1, 5)) == 0) {
        cases.push_back({dir.file("zero.dat"), "Not a regular file"});
    }
    for (const Case& c : cases) {
        const test::ChildEnd end = test::RunInChild(
            [&] {
                test::CollectingSink sink;
                const RecordsOutcome outcome = ReadRecordsFile(c.path, sink);
                return outcome.failure == RecordsOutcome::Failure::Unreadable &&
                               outcome.failureText() == c.text && sink.records.empty()
                           ? 0
                           : 1;
            },
            false, 20);
        EXPECT_FALSE(end.hung) << c.path;
        EXPECT_EQ(end.exitCode, 0) << c.path;
    }
    const std::string bytes = test::BuildIndexDat({Url("http://a.example/")});
    dir.write("index.dat", bytes);
    test::CollectingSink sink;
    const RecordsOutcome outcome = ReadRecordsFile(dir.file("index.dat"), sink);
    ASSERT_TRUE(outcome.ok());
    ASSERT_EQ(sink.records.size(), 1u);
    EXPECT_EQ(sink.records[0].file, dir.file("index.dat"));
    EXPECT_EQ(dir.read("index.dat"), bytes);
}

}  // namespace
}  // namespace tessaly
