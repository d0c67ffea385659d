// The records as the window keeps them (RecordTable) and shows them
// (RecordList): every field back as read, sorting, the filter and the
// timeline.
#include "core/records/record_list.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "support/record_collector.h"

namespace tessaly {
namespace {

constexpr std::uint64_t kTicks = 10'000'000;
constexpr std::uint64_t kUnixEpoch = 116'444'736'000'000'000;  // 1970 as a FILETIME

StoredTime Utc(std::int64_t unixSeconds) {
    return {TimeForm::FileTime, kUnixEpoch + static_cast<std::uint64_t>(unixSeconds) * kTicks,
            false};
}

struct Sample {
    Sample(std::string location_, RecordStatus status_ = RecordStatus::Live,
           RecordType type_ = RecordType::Url, std::int64_t time_ = 0, std::string cacheFile_ = {},
           std::string headerUser_ = {})
        : location(std::move(location_)),
          status(status_),
          type(type_),
          time(time_),
          cacheFile(std::move(cacheFile_)),
          headerUser(std::move(headerUser_)) {}
    std::string location;
    RecordStatus status;
    RecordType type;
    std::int64_t time;  // unix seconds; 0: none
    std::string cacheFile;
    std::string headerUser;  // a user that is not part of the location
};

// A table whose records own their texts in `keep`.
std::shared_ptr<RecordTable> Table(const std::vector<Sample>& samples) {
    auto table = std::make_shared<RecordTable>("/ev/index.dat");
    std::uint64_t offset = 0x5000;
    for (const Sample& s : samples) {
        Record r;
        r.file = "/ev/index.dat";
        r.offset = offset;
        offset += 0x100;
        r.blocks = 2;
        r.status = s.status;
        r.type = s.type;
        r.location = s.location;
        const LocationParts parts = SplitLocation(*r.location, {});
        r.user = s.headerUser.empty() ? parts.user : std::string_view(s.headerUser);
        r.url = parts.url;
        r.kind = parts.kind;
        if (s.time != 0) r.primaryTime = Utc(s.time);
        if (!s.cacheFile.empty()) r.cacheFile = s.cacheFile;
        table->append(r);
    }
    return table;
}

std::vector<std::string> Shown(const RecordList& list) {
    std::vector<std::string> out;
    for (std::size_t row = 0; row < list.shown(); ++row)
        out.emplace_back(list.table().location(list.recordAt(row)));
    return out;
}

TEST(RecordTable, GivesBackEveryFieldAsRead) {
    // Every kind of text: inside the location, outside it, absent, empty,
    // and a record with all of them absent.
    static const std::string location = "Visited: jo@http://h/a\x80";
    Record full;
    full.file = "/ev/index.dat";
    full.offset = 0x4000;
    full.type = RecordType::Redirect;
    full.status = RecordStatus::Recovered;
    full.allocated = Allocation::Partly;
    full.blocks = 3;
    full.location = location;
    full.user = std::string_view(location).substr(9, 2);
    full.url = std::string_view(location).substr(12);
    full.kind = RecordKind::History;
    full.primaryTime = Utc(1'400'000'000);
    full.secondaryTime = {TimeForm::FileTime, 5, true};
    full.expiryTime = {TimeForm::FatTime, 0xAC893F2D, false};
    full.lastCheckedTime = {TimeForm::FatTime, 0, false};
    full.hits = 0;
    full.cacheFolder = "ABCD1234";
    full.cacheFile = "";
    full.cachedSize = 1ull << 40;
    full.headers = "HTTP/1.1 200 OK\r\n~U:other\r\n\r\n";
    full.redirectTo = "http://there/";
    full.damage = "cut short";
    Record outside = full;
    outside.user = "someone";  // a user from the headers
    outside.url = "http://elsewhere/";
    Record bare;
    bare.file = "/ev/index.dat";
    bare.type = RecordType::None;
    bare.status = RecordStatus::Fragment;

    RecordTable table("/ev/index.dat");
    test::CollectingSink expected, got;
    for (const Record* r : {&full, &outside, &bare}) {
        table.append(*r);
        expected.record(*r);
    }
    ASSERT_EQ(table.size(), 3u);
    for (std::size_t i = 0; i < table.size(); ++i) got.record(table.at(i));
    EXPECT_EQ(got.records, expected.records);
}

TEST(RecordTable, NamesTheTimeColumnsByTheKindMostRecordsHave) {
    const auto history = Table({{"Visited: a@http://x/"},
                                {"Visited: a@http://y/"},
                                {"http://cached/"},
                                {"userdata:x"},
                                {"userdata:y"}});
    EXPECT_EQ(history->mainKind(), RecordKind::History);
    EXPECT_EQ(RecordColumnName(RecordColumn::FirstTime, RecordKind::History), "Last visited");
    EXPECT_EQ(RecordColumnName(RecordColumn::SecondTime, RecordKind::History), "");
    EXPECT_EQ(RecordColumnName(RecordColumn::FirstTime, RecordKind::Cache), "Last accessed");
    EXPECT_EQ(RecordColumnName(RecordColumn::SecondTime, RecordKind::Cache), "Last modified");
    EXPECT_EQ(RecordColumnName(RecordColumn::FirstTime, RecordKind::DailyHistory), "Visited (UTC)");
    EXPECT_EQ(RecordColumnName(RecordColumn::SecondTime, RecordKind::DailyHistory),
              "Visited (local)");
    EXPECT_EQ(Table({})->mainKind(), RecordKind::Cache);
}

TEST(RecordList, SortsStablyBothWaysAndKeepsTheFilter) {
    RecordList list;
    list.setTable(Table({{"http://b/", RecordStatus::Live, RecordType::Url, 300},
                         {"http://a/", RecordStatus::Live, RecordType::Url, 100},
                         {"http://c/", RecordStatus::Live, RecordType::Url, 300},
                         {"http://d/", RecordStatus::Live, RecordType::Url, 0},
                         {"http://e/", RecordStatus::Live, RecordType::Url, 200}}));
    list.sort(RecordColumn::FirstTime, true);
    // No time first; equal times in file order, both ways.
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"http://d/", "http://a/", "http://e/",
                                                     "http://b/", "http://c/"}));
    list.sort(RecordColumn::FirstTime, false);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"http://b/", "http://c/", "http://e/",
                                                     "http://a/", "http://d/"}));
    RecordFilter filter;
    filter.range = std::make_pair(std::int64_t{200}, std::int64_t{301});
    list.setFilter(filter);
    list.sort(RecordColumn::Url, true);
    EXPECT_EQ(Shown(list), (std::vector<std::string>{"http://b/", "http://c/", "http://e/"}));
    // The rows stand for their records whatever the order.
    for (std::size_t row = 0; row < list.shown(); ++row)
        EXPECT_EQ(list.rowOf(list.recordAt(row)), row);
    EXPECT_EQ(list.rowOf(1), std::nullopt);  // http://a/ is filtered out
}

RecordFilter Filter(std::string text, std::optional<RecordStatus> status = {},
                    std::optional<RecordType> type = {},
                    std::optional<std::pair<std::int64_t, std::int64_t>> range = {}) {
    RecordFilter f;
    f.text = std::move(text);
    f.status = status;
    f.type = type;
    f.range = range;
    return f;
}

RecordFilter Unmatchable() {
    RecordFilter f;
    f.textUnmatchable = true;
    return f;
}

RecordFilter Range(std::int64_t from, std::int64_t to) {
    return Filter({}, {}, {}, std::make_pair(from, to));
}

struct FilterCase {
    const char* name;
    RecordFilter filter;
    std::vector<std::string> shown;
};

TEST(RecordList, FiltersByTextStatusTypeAndTimeRange) {
    const auto table = Table({
        {"Visited: Alice@http://news.example/", RecordStatus::Live, RecordType::Url, 3600},
        {"http://shop.example/CART", RecordStatus::Recovered, RecordType::Url, 7200, "cart[1].htm"},
        {"http://other/", RecordStatus::Listed, RecordType::Leak, 7300, "", "bob"},
        {"http://fourth/", RecordStatus::Live, RecordType::Redirect, 0},
    });
    const FilterCase cases[] = {
        {"Everything",
         {},
         {"Visited: Alice@http://news.example/", "http://shop.example/CART", "http://other/",
          "http://fourth/"}},
        {"LocationIgnoringCase", Filter("cart"), {"http://shop.example/CART"}},
        {"UserInTheLocation", Filter("ALICE"), {"Visited: Alice@http://news.example/"}},
        {"UserFromTheHeaders", Filter("BOB"), {"http://other/"}},
        {"CacheFile", Filter("[1].htm"), {"http://shop.example/CART"}},
        {"NoMatch", Filter("nowhere"), {}},
        {"Unmatchable", Unmatchable(), {}},
        {"Status", Filter({}, RecordStatus::Listed), {"http://other/"}},
        {"Type", Filter({}, {}, RecordType::Redirect), {"http://fourth/"}},
        {"TextAndStatus", Filter("example", RecordStatus::Recovered), {"http://shop.example/CART"}},
        // End excluded; a record without a time is in no range.
        {"Range",
         Range(3600, 7300),
         {"Visited: Alice@http://news.example/", "http://shop.example/CART"}},
    };
    for (const FilterCase& c : cases) {
        RecordList list;
        list.setTable(table);
        list.setFilter(c.filter);
        EXPECT_EQ(Shown(list), c.shown) << c.name;
    }
}

TEST(RecordList, TypingAndDeletingShowsWhatTheTextAloneWould) {
    // Each keystroke narrows from the rows shown; a deleted character, a
    // changed choice or a new table starts from every record again.
    RecordList list;
    list.setTable(Table({{"http://ab/"}, {"http://abc/"}, {"http://b/"}}));
    for (const char* text : {"a", "ab", "abc", "ab", "", "b", "bc"}) {
        list.setFilter(Filter(text));
        RecordList fresh;
        fresh.setTable(Table({{"http://ab/"}, {"http://abc/"}, {"http://b/"}}));
        fresh.setFilter(Filter(text));
        EXPECT_EQ(Shown(list), Shown(fresh)) << text;
    }
    list.setFilter(Filter("ab", RecordStatus::Recovered));
    EXPECT_EQ(list.shown(), 0u);
    list.setFilter(Filter("abc"));
    EXPECT_EQ(Shown(list), std::vector<std::string>{"http://abc/"});
}

TEST(Timeline, CountsPerHourOverShortSpansAndPerDayOverLongOnes) {
    // 10:30 and 10:59 share a bar; 13:00 is three bars on; the bars cover the day.
    const std::int64_t day = 19000 * 86400;
    const auto hours = Table({{"http://a/", RecordStatus::Live, RecordType::Url, day + 37800},
                              {"http://b/", RecordStatus::Live, RecordType::Url, day + 39540},
                              {"http://c/", RecordStatus::Live, RecordType::Url, day + 46800},
                              {"http://none/"}});
    const Timeline t = MakeTimeline(*hours);
    EXPECT_EQ(t.step, 3600);
    EXPECT_EQ(t.start, day);
    std::vector<std::uint32_t> expected(24, 0);
    expected[10] = 2;
    expected[13] = 1;
    EXPECT_EQ(t.counts, expected);
    EXPECT_EQ(t.highest, 2u);

    const auto days = Table({{"http://a/", RecordStatus::Live, RecordType::Url, day + 100},
                             {"http://b/", RecordStatus::Live, RecordType::Url, day + 30 * 86400}});
    const Timeline d = MakeTimeline(*days);
    EXPECT_EQ(d.step, 86400);
    EXPECT_EQ(d.start, day);
    EXPECT_EQ(d.counts.size(), 31u);

    // One stray time centuries away makes no millions of bars.
    const auto stray = Table({{"http://a/", RecordStatus::Live, RecordType::Url, day},
                              {"http://b/", RecordStatus::Live, RecordType::Url, -11'000'000'000}});
    EXPECT_LE(MakeTimeline(*stray).counts.size(), 100'000u);
    EXPECT_TRUE(MakeTimeline(*Table({{"http://none/"}})).counts.empty());
}

TEST(ShownTime, UtcOrThisComputersZoneAndLocalTimesAsStored) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "UTC-2", 1);  // two hours east of UTC
    tzset();
    const StoredTime utc = Utc(1'400'000'000);  // 2014-05-13 16:53:20 UTC
    EXPECT_EQ(ShownTime(utc, false), "2014-05-13 16:53:20");
    EXPECT_EQ(ShownTime(utc, true), "2014-05-13 18:53:20");
    StoredTime local = utc;
    local.local = true;
    EXPECT_EQ(ShownTime(local, true), "2014-05-13 16:53:20");
    EXPECT_EQ(ShownTime({}, true), "");
    if (old) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

}  // namespace
}  // namespace tessaly
