// The records reader against the format's reference library (Debian's
// python3-libmsiecf), run as a black box through tests/oracle/msiecf_items.py:
// on the shared real samples and on generated files, every item the library
// reads (its items and its recovered items) must be a record of ours with the
// same offset, type, location, FILETIMEs, FAT times, hits, cache folder, file
// and size, and every record of ours must be one of its items. What still
// differs is listed below with the reason.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/extract/codepage.h"
#include "support/index_dat_writer.h"
#include "support/record_collector.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::CollectedRecord;

struct OracleItem {
    bool recovered = false;
    std::uint64_t offset = 0;
    std::string type, location, primary, secondary, expiry, lastChecked, hits, folder, file, size,
        primaryIso, expiryIso;
};

struct OracleFile {
    std::string error;  // the library could not open the file
    std::vector<OracleItem> items;
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> cells;
    std::istringstream in(line);
    for (std::string cell; std::getline(in, cell, '\t');) cells.push_back(cell);
    return cells;
}

// Runs the oracle script on `files`; false (with `why`) when it cannot run.
bool RunOracle(const std::vector<std::string>& files, std::map<std::string, OracleFile>& out,
               std::string& why) {
    if (!std::filesystem::exists("/usr/bin/python3")) {
        why = "/usr/bin/python3 is missing";
        return false;
    }
    std::string command = "/usr/bin/python3 '" TESSALY_TEST_ORACLE "'";
    for (const auto& f : files) command += " '" + f + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        why = "cannot start " + command;
        return false;
    }
    std::string text;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) text.append(buf, n);
    const int status = ::pclose(pipe);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        why = "python3-libmsiecf (pymsiecf) is not installed";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "the oracle script failed: " << command;
        why = "the oracle script failed";
        return false;
    }
    std::istringstream lines(text);
    OracleFile* current = nullptr;
    for (std::string line; std::getline(lines, line);) {
        const auto cells = SplitTabs(line);
        if (cells.size() == 2 && cells[0] == "file") {
            current = &out[cells[1]];
        } else if (current != nullptr && cells.size() == 2 && cells[0] == "error") {
            current->error = cells[1];
        } else if (current != nullptr && cells.size() == 14) {
            OracleItem i{cells[0] == "recovered",
                         std::stoull(cells[1]),
                         cells[2],
                         cells[3],
                         cells[4],
                         cells[5],
                         cells[6],
                         cells[7],
                         cells[8],
                         cells[9],
                         cells[10],
                         cells[11],
                         cells[12],
                         cells[13]};
            current->items.push_back(i);
        }
    }
    return true;
}

std::string Hex(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += kHex[static_cast<unsigned char>(c) >> 4];
        out += kHex[static_cast<unsigned char>(c) & 0xF];
    }
    return out;
}

std::string TextOf(const std::optional<std::string>& s) { return s ? Hex(Cp1252ToUtf8(*s)) : "-"; }

std::string Raw(const StoredTime& t) { return std::to_string(t.raw); }

// Our ISO text as Python's datetime.isoformat() writes the same instant:
// microseconds at most, none when they are 0, no zone.
std::string AsPythonIso(const StoredTime& t) {
    std::string iso;
    if (!AppendIsoTime(iso, t)) return "-";
    if (!iso.empty() && iso.back() == 'Z') iso.pop_back();
    const auto dot = iso.find('.');
    if (dot == std::string::npos) return iso;
    const std::string micro = iso.substr(dot + 1, 6);
    return micro == "000000" ? iso.substr(0, dot) : iso.substr(0, dot + 1) + micro;
}

// A difference that remains, with its reason.
struct KnownDifference {
    std::string_view file;  // the file name ends with this
    std::uint64_t offset;
    std::string_view field;
    std::string_view reason;
};

// None remain on the samples and the generated files below. Damaged files
// are left out on purpose: where a record's strings leave it, its data runs
// past it or its block count is too large, the library gives the whole record
// up (an error for the item), and on a block count of 0 it runs for minutes
// taking gigabytes; the reader reads such a record as far as it goes and says
// what was wrong in its damage note (RecordsReader tests).
constexpr std::array<KnownDifference, 0> kKnownDifferences{};

bool IsKnown(const std::string& file, std::uint64_t offset, std::string_view field) {
    for (const auto& k : kKnownDifferences) {
        if (file.ends_with(k.file) && k.offset == offset && k.field == field) {
            return true;
        }
    }
    return false;
}

void Compare(const std::string& name, const std::string& path, const OracleFile& oracle,
             std::size_t& itemsCompared) {
    ASSERT_EQ(oracle.error, "") << name;
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto read = test::ReadAll(bytes);
    ASSERT_TRUE(read.outcome.ok()) << name << ": " << read.outcome.failureText();
    std::map<std::uint64_t, const CollectedRecord*> ours;
    for (const auto& r : read.records) ours[r.offset] = &r;
    std::map<std::uint64_t, bool> seen;
    for (const OracleItem& item : oracle.items) {
        seen[item.offset] = true;
        ++itemsCompared;
        const auto found = ours.find(item.offset);
        if (found == ours.end()) {
            ADD_FAILURE() << name << ": the library's " << item.type << " at " << item.offset
                          << " is not among our records";
            continue;
        }
        const CollectedRecord& r = *found->second;
        auto check = [&](std::string_view field, const std::string& theirs,
                         const std::string& mine) {
            if (theirs != mine && !IsKnown(path, item.offset, field)) {
                ADD_FAILURE() << name << " at " << item.offset << ": " << field << " is " << mine
                              << ", the library says " << theirs;
            }
        };
        check("type", item.type, std::string(TypeName(r.type)));
        check("recovered", item.recovered ? "yes" : "no",
              r.status == RecordStatus::Recovered ? "yes" : "no");
        if (item.type == "LEAK") {
            check("cache_folder", item.folder, TextOf(r.cacheFolder));
            check("cache_file", item.file, TextOf(r.cacheFile));
            check("cached_size", item.size, r.cachedSize ? std::to_string(*r.cachedSize) : "-");
            continue;
        }
        check("location", item.location, TextOf(r.location));
        if (item.type != "URL") continue;
        check("primary_time", item.primary, Raw(r.primaryTime));
        check("secondary_time", item.secondary, Raw(r.secondaryTime));
        check("expiry_time", item.expiry, Raw(r.expiryTime));
        check("last_checked_time", item.lastChecked, Raw(r.lastCheckedTime));
        check("hits", item.hits, r.hits ? std::to_string(*r.hits) : "-");
        check("cache_folder", item.folder, TextOf(r.cacheFolder));
        check("cache_file", item.file, TextOf(r.cacheFile));
        check("cached_size", item.size, r.cachedSize ? std::to_string(*r.cachedSize) : "-");
        if (HasTime(r.primaryTime))
            check("primary_iso", item.primaryIso, AsPythonIso(r.primaryTime));
        if (HasTime(r.expiryTime) && r.expiryTime.form == TimeForm::FatTime) {
            check("expiry_iso", item.expiryIso, AsPythonIso(r.expiryTime));
        }
    }
    for (const auto& r : read.records) {
        if (!seen.count(r.offset) && !IsKnown(path, r.offset, "record")) {
            ADD_FAILURE() << name << ": our " << TypeName(r.type) << " record at " << r.offset
                          << " (" << StatusName(r.status) << ") is not among the library's items";
        }
    }
}

// Generated files the library and we must read alike: both versions, every
// state, both LEAK forms, stale filler between records.
std::vector<std::pair<std::string, std::string>> GeneratedFiles() {
    std::vector<std::pair<std::string, std::string>> files;
    for (const std::uint64_t seed : {3u, 2013u}) {
        auto entries = test::GenerateIndexDatEntries(700, seed);
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].record == test::IndexDatRecord::Leak) {
                entries[i].minimalLeak = i % 2 == 0;
            } else if (i % 11 == 3) {
                entries[i].state = test::IndexDatState::Freed;
            } else if (i % 13 == 5) {
                entries[i].state = test::IndexDatState::Deleted;
            }
        }
        for (const auto version : {test::IndexDatVersion::V52, test::IndexDatVersion::V47}) {
            const bool v47 = version == test::IndexDatVersion::V47;
            files.emplace_back(
                "generated-" + std::to_string(seed) + (v47 ? "-4.7" : "-5.2") + ".dat",
                test::BuildIndexDat(entries, {static_cast<unsigned>(seed % 3), seed}, {version}));
        }
    }
    return files;
}

TEST(RecordsDifferential, AgreesWithTheFormatLibrary) {
    test::TempDir dir;
    std::vector<std::pair<std::string, std::string>> files;  // name, path
    const std::filesystem::path shared(TESSALY_SHARED_FIXTURES);
    if (std::filesystem::is_directory(shared)) {
        for (const auto& entry : std::filesystem::directory_iterator(shared)) {
            if (entry.path().extension() == ".dat") {
                files.emplace_back(entry.path().filename().string(), entry.path().string());
            }
        }
    }
    for (const auto& [name, bytes] : GeneratedFiles()) {
        dir.write(name, bytes);
        files.emplace_back(name, dir.file(name));
    }
    std::vector<std::string> paths;
    for (const auto& f : files) paths.push_back(f.second);
    std::map<std::string, OracleFile> oracle;
    std::string why;
    if (!RunOracle(paths, oracle, why)) GTEST_SKIP() << why;
    std::size_t compared = 0;
    for (const auto& [name, path] : files) Compare(name, path, oracle[path], compared);
    EXPECT_GT(compared, 2000u) << "the library listed too few items to compare";
}

}  // namespace
}  // namespace tessaly
