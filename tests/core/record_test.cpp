// The record's time helpers and the reading of a location.
#include "core/records/record.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

StoredTime FileTime(std::uint64_t raw, bool local = false) {
    return {TimeForm::FileTime, raw, local};
}
StoredTime Fat(std::uint64_t raw) { return {TimeForm::FatTime, raw, false}; }

std::string Iso(const StoredTime& t) {
    std::string out = "<";
    const bool set = AppendIsoTime(out, t);
    EXPECT_EQ(set, HasTime(t));
    return set ? out.substr(1) : "unset";
}

TEST(RecordTime, IsoTextAndUnixSeconds) {
    struct Case {
        const char* name;
        StoredTime time;
        std::string iso;
        std::optional<std::int64_t> seconds;
    };
    const Case cases[] = {
        // The library reads this FILETIME as 2013-03-10 07:29:02.661668.
        {"FileTime", FileTime(130073741426616680), "2013-03-10T07:29:02.6616680Z", 1362900542},
        {"FileTimeLocalHasNoZone", FileTime(130073741426616680, true),
         "2013-03-10T07:29:02.6616680", std::nullopt},
        {"FileTimeEpoch1970", FileTime(116444736000000000), "1970-01-01T00:00:00.0000000Z", 0},
        {"FileTimeBefore1970", FileTime(1), "1601-01-01T00:00:00.0000001Z", -11644473600},
        {"FileTimeLeapDay", FileTime(125962992000000000), "2000-02-29T12:00:00.0000000Z",
         951825600},
        {"FileTimePastYear9999", FileTime(0x7FFFFFFFFFFFFFFF), "+30828-09-14T02:48:05.4775807Z",
         910692730085},
        {"FileTimeZeroIsUnset", FileTime(0), "unset", std::nullopt},
        {"FileTimeAllOnesIsUnset", FileTime(~0ull), "unset", std::nullopt},
        // The library reads 0xAC893F2D as 2011-09-13 21:36:18.
        {"Fat", Fat(0xAC893F2D), "2011-09-13T21:36:18Z", 1315949778},
        {"FatFirstDay", Fat(0x00000021), "1980-01-01T00:00:00Z", 315532800},
        {"FatLeapDay", Fat(0x0000505D), "2020-02-29T00:00:00Z", 1582934400},
        {"FatZeroIsUnset", Fat(0), "unset", std::nullopt},
        {"FatAllOnesIsUnset", Fat(0xFFFFFFFF), "unset", std::nullopt},
        {"FatMonth15IsNoTime", Fat(33u << 9 | 15u << 5 | 1u), "unset", std::nullopt},
        {"FatDay30OfFebruaryIsNoTime", Fat(40u << 9 | 2u << 5 | 30u), "unset", std::nullopt},
        {"FatHour24IsNoTime", Fat(24u << 27 | (33u << 9 | 1u << 5 | 1u)), "unset", std::nullopt},
        {"AbsentIsUnset", StoredTime{}, "unset", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Iso(c.time), c.iso) << c.name;
        EXPECT_EQ(UnixSeconds(c.time), c.seconds) << c.name;
    }
    EXPECT_TRUE(IsBadFatTime(Fat(33u << 9 | 15u << 5 | 1u)));
    EXPECT_FALSE(IsBadFatTime(Fat(0)));
    EXPECT_FALSE(IsBadFatTime(Fat(0xAC893F2D)));
}

TEST(RecordTime, FatTimeFromFileTimeRoundsDownToTwoSeconds) {
    EXPECT_EQ(FatTimeFromFileTime(130073741426616680), 0x3BA1426Au);  // 2013-03-10 07:29:02
    EXPECT_EQ(Iso(Fat(FatTimeFromFileTime(130073741436616680))), "2013-03-10T07:29:02Z");
    EXPECT_EQ(FatTimeFromFileTime(0), 0u);
    EXPECT_EQ(FatTimeFromFileTime(FileTime(116444736000000000).raw), 0u);  // 1970: before FAT
}

TEST(SplitLocation, UserUrlAndKind) {
    struct Case {
        std::string location, headers, user, url;
        RecordKind kind;
    };
    const Case cases[] = {
        {"Visited: john@http://a.example/x", "", "john", "http://a.example/x", RecordKind::History},
        {"visited: Default User@file:///C:/x.txt", "", "Default User", "file:///C:/x.txt",
         RecordKind::History},
        {"Cookie:mary@shop.example/", "", "mary", "shop.example/", RecordKind::Cookie},
        {":2013031020130311: -@:Host: nl.msn.com", "", "-", ":Host: nl.msn.com",
         RecordKind::DailyHistory},
        {":2013022520130304: guest@http://w.example/", "", "guest", "http://w.example/",
         RecordKind::WeeklyHistory},
        {":2012123120130101: guest@http://y.example/", "", "guest", "http://y.example/",
         RecordKind::DailyHistory},  // across a year's end
        {":2013133120130101: guest@http://bad.example/", "", "",
         ":2013133120130101: guest@http://bad.example/", RecordKind::Other},  // month 13
        {"http://c.example/a.gif", "HTTP/1.1 200 OK\r\nETag: x\r\n\r\n~U:bob\r\n", "bob",
         "http://c.example/a.gif", RecordKind::Cache},
        {"https://c.example/", "~U:alice", "alice", "https://c.example/", RecordKind::Cache},
        {"http://c.example/", "X-Note: ~U:notme\r\n", "", "http://c.example/", RecordKind::Cache},
        {"userdata:john@http://s.example/store.xml", "", "",
         "userdata:john@http://s.example/store.xml", RecordKind::Other},
        {"iecompat:C:/x.xml", "", "", "iecompat:C:/x.xml", RecordKind::Other},
        {"about:blank", "", "", "about:blank", RecordKind::Cache},
        {"no scheme here", "", "", "no scheme here", RecordKind::Other},
        {"Visited: nobody", "", "", "nobody", RecordKind::History},
        {"", "", "", "", RecordKind::Other},
    };
    for (const Case& c : cases) {
        const LocationParts p = SplitLocation(c.location, c.headers);
        EXPECT_EQ(p.user, c.user) << c.location;
        EXPECT_EQ(p.url, c.url) << c.location;
        EXPECT_EQ(p.kind, c.kind) << c.location;
    }
}

}  // namespace
}  // namespace tessaly
