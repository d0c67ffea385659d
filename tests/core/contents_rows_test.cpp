#include "core/extract/contents_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessaly {
namespace {

struct Row {
    std::string bytes;
    std::uint64_t position = 0;
};

// Rows of every length from 0 to a whole entry, with NULs inside, enough of
// them to fill several chunks of the arena, at positions past 4 GiB too.
std::vector<Row> SampleRows(int count, char tag) {
    std::vector<Row> rows;
    for (int i = 0; i < count; ++i) {
        std::string r = "http://" + std::string(1, tag) + std::to_string(i);
        r.push_back('\0');
        r.append("trailing");
        r.resize(static_cast<std::size_t>(i) % (kEntryLength + 1), '\x7f');
        rows.push_back({r, (std::uint64_t{static_cast<unsigned char>(tag)} << 32) + 151u * i});
    }
    return rows;
}

void AppendRows(ContentsRows& arena, const std::vector<Row>& rows) {
    for (const auto& r : rows) arena.append(r.bytes, r.position);
}

void ExpectRows(const ContentsRows& got, const std::vector<Row>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(got.row(i), want[i].bytes) << "row " << i;
        ASSERT_EQ(got.shown(i), UpToNul(want[i].bytes)) << "row " << i;
        ASSERT_EQ(got.position(i), want[i].position) << "row " << i;
    }
}

TEST(ContentsRows, KeepsEveryRowByteForByteAcrossChunks) {
    const auto rows = SampleRows(5000, 'a');
    ContentsRows arena;
    AppendRows(arena, rows);
    ExpectRows(arena, rows);
}

TEST(ContentsRows, AppendingCopiedOrTakenRowsKeepsBothSides) {
    const auto first = SampleRows(3000, 'a');
    const auto second = SampleRows(2500, 'b');
    for (bool take : {false, true}) {
        ContentsRows a, b;
        AppendRows(a, first);
        AppendRows(b, second);
        if (take) {
            a.appendAll(std::move(b));
        } else {
            a.appendAll(b);
            ExpectRows(b, second);
        }
        // Rows appended after a merge land after the merged ones.
        a.append("tail", 9);
        auto want = first;
        want.insert(want.end(), second.begin(), second.end());
        want.push_back({"tail", 9});
        ExpectRows(a, want);
    }
}

TEST(ContentsRows, TakingIntoAnEmptyArenaAndClearing) {
    const auto rows = SampleRows(100, 'c');
    ContentsRows src, dst;
    AppendRows(src, rows);
    dst.appendAll(std::move(src));
    ExpectRows(dst, rows);
    dst.clear();
    EXPECT_TRUE(dst.empty());
    dst.append("again", 3);
    ExpectRows(dst, {{"again", 3}});
}

// A list stops at a quarter of the usable memory, and at what a list view
// can number however much memory there is; unknown memory sets no other
// bound.
TEST(ListRowBudget, AQuarterOfMemoryAndNoMoreThanAListCanNumber) {
    constexpr std::size_t kMostRows = 2147483647;
    EXPECT_EQ(ListRowBudget(std::uint64_t{8} << 30), (std::size_t{8} << 30) / 4 / 256);
    EXPECT_EQ(ListRowBudget(1000), 0u);
    EXPECT_EQ(ListRowBudget(0), kMostRows);
    EXPECT_EQ(ListRowBudget(std::uint64_t{1} << 50), kMostRows);
}

TEST(UpToNul, CutsAtTheFirstNul) {
    EXPECT_EQ(UpToNul(std::string_view("ab\0cd", 5)), "ab");
    EXPECT_EQ(UpToNul("abc"), "abc");
    EXPECT_EQ(UpToNul(std::string_view("\0", 1)), "");
}

}  // namespace
}  // namespace tessaly
