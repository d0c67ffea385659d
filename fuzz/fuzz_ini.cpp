// The INI writer over any file: one WriteValue, then a read back; then one
// WriteSection of two keys over the same file, read back.
//
// What the writer promises, checked here line by line (a line is the bytes up
// to and including its LF; the last line may lack one):
//  - a refused or failed write leaves the file byte for byte as it was;
//  - a successful write reads back: ReadValue gives the value as a read
//    returns it (blanks around it and one pair of enclosing matching quotes
//    dropped, cut to kMaxValueLength bytes);
//  - every line of the old file is kept byte for byte, in order, except that
//    either (a) exactly one line, the key's, keeps everything up to and
//    including its first '=' and its line end (CR LF, LF, or a CR ending the
//    file) and has the new value after the blanks that followed the '=', or (b) new lines are put
//    in at one place: an optional "[section]" line and a "key=value" line, each ending in CR LF,
//    where a last line without an LF may first get a CR LF.
//
// What the section writer promises, checked here:
//  - a refused or failed write leaves the file byte for byte as it was;
//  - a successful write reads back: ReadSection gives the keys in order, each
//    value as a read returns it (but never cut), and writing the same keys
//    again changes no byte;
//  - every line that holds no '=' (headers, comments, other text) is kept,
//    in order, whatever its line end becomes.
//
// Input: section, key and value (each up to a 0xFF byte), then the file.

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings/ini_file.h"

namespace {

namespace ini = tessaly::ini;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_ini: %s\n", what);
    std::abort();
}

const std::string& IniPath() {
    static const std::string path = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessaly-fuzz-ini-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) Fail("mkdtemp failed");
        return pattern + "/Tessaly.ini";
    }();
    return path;
}

void WriteFile(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        Fail("cannot write the test file");
    }
    ::close(fd);
}

std::string ReadFile(const std::string& path) {
    std::string out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("cannot read the test file");
    char buf[65536];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        out.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    return out;
}

std::string_view Take(std::string_view& in) {
    const std::size_t at = in.find('\xFF');
    const std::string_view piece = in.substr(0, at);
    in.remove_prefix(at == std::string_view::npos ? in.size() : at + 1);
    return piece;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string AsRead(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, ini::kMaxValueLength));
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        const std::size_t len = lf == std::string_view::npos ? text.size() : lf + 1;
        lines.push_back(text.substr(0, len));
        text.remove_prefix(len);
    }
    return lines;
}

// What ends a line's text: CR LF, LF, or on a last line without LF a CR.
std::string_view LineEnd(std::string_view line) {
    if (line.ends_with("\r\n")) return line.substr(line.size() - 2);
    if (line.ends_with('\n') || line.ends_with('\r')) return line.substr(line.size() - 1);
    return {};
}

void CheckOnlyTheKeyChanged(std::string_view before, std::string_view after,
                            std::string_view section, std::string_view key,
                            std::string_view value) {
    const auto oldLines = Lines(before);
    const auto newLines = Lines(after);
    std::size_t head = 0;
    while (head < oldLines.size() && head < newLines.size() && oldLines[head] == newLines[head])
        ++head;
    std::size_t tail = 0;
    while (tail < oldLines.size() - head && tail < newLines.size() - head &&
           oldLines[oldLines.size() - 1 - tail] == newLines[newLines.size() - 1 - tail]) {
        ++tail;
    }
    const std::vector<std::string_view> gone(oldLines.begin() + static_cast<long>(head),
                                             oldLines.end() - static_cast<long>(tail));
    std::vector<std::string_view> added(newLines.begin() + static_cast<long>(head),
                                        newLines.end() - static_cast<long>(tail));
    if (gone.empty() && added.empty()) return;  // the same value again

    // (a) the key's own line, changed after its '='.
    if (gone.size() == 1 && added.size() == 1 && gone[0].find('=') != std::string_view::npos) {
        const std::string_view old = gone[0];
        const std::string_view now = added[0];
        const std::size_t eq = old.find('=') + 1;
        const std::string_view end = LineEnd(old);
        std::size_t valueBegin = eq;
        while (valueBegin < old.size() - end.size() &&
               (old[valueBegin] == ' ' || old[valueBegin] == '\t')) {
            ++valueBegin;
        }
        if (now == std::string(old.substr(0, valueBegin)) + std::string(value) + std::string(end))
            return;
    }

    // (b) new lines at one place.
    std::size_t next = 0;
    if (gone.size() == 1) {
        // A last line without an LF gets CR LF, ahead of the new lines.
        if (head + 1 != oldLines.size() || gone[0].ends_with('\n')) Fail("an old line was changed");
        if (added.empty() || added[0] != std::string(gone[0]) + "\r\n") {
            // A file of a byte-order mark alone carries the new lines straight after it.
            if (gone[0] != "\xEF\xBB\xBF" || added.empty() || !added[0].starts_with(gone[0])) {
                Fail("the unterminated last line was not kept");
            }
            added[0].remove_prefix(gone[0].size());
        } else {
            next = 1;
        }
    } else if (!gone.empty()) {
        Fail("old lines were changed or lost");
    }
    const std::string header = "[" + std::string(section) + "]\r\n";
    if (next < added.size() && added[next] == header) ++next;
    const std::string keyLine = std::string(key) + "=" + std::string(value) + "\r\n";
    if (next + 1 != added.size() || added[next] != keyLine) Fail("unexpected lines were added");
}

std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

void CheckSectionWrite(const std::string& path, std::string_view before, std::string_view section,
                       std::string_view key, std::string_view value) {
    WriteFile(path, before);
    const std::vector<ini::KeyValue> entries{{std::string(key), std::string(value)},
                                             {std::string(key) + "2", std::string(value)}};
    const bool written = ini::WriteSection(path, section, entries).ok;
    const std::string after = ReadFile(path);
    if (!written) {
        if (after != before) Fail("a refused section write changed the file");
        return;
    }
    const std::vector<ini::KeyValue> read = ini::ReadSection(path, section);
    std::string asRead = AsRead(value);
    if (Trim(value).size() > ini::kMaxValueLength) {
        asRead = std::string(Trim(value));
        if (asRead.size() >= 2 && (asRead.front() == '"' || asRead.front() == '\'') &&
            asRead.back() == asRead.front()) {
            asRead = asRead.substr(1, asRead.size() - 2);
        }
    }
    if (read.size() != 2 || Trim(read[0].key) != Trim(key) || read[0].value != asRead ||
        read[1].value != asRead) {
        Fail("the written section does not read back");
    }
    if (!ini::WriteSection(path, section, entries).ok || ReadFile(path) != after) {
        Fail("writing the same section again changed the file");
    }
    // A byte-order mark stays in front; the lines are compared after it.
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    std::string_view oldText = before;
    std::string_view newText = after;
    if (oldText.starts_with(kBom)) {
        if (!newText.starts_with(kBom)) Fail("the byte-order mark was lost");
        oldText.remove_prefix(kBom.size());
        newText.remove_prefix(kBom.size());
    }
    const auto newLines = Lines(newText);
    std::size_t at = 0;
    for (const std::string_view line : Lines(oldText)) {
        if (line.find('=') != std::string_view::npos) continue;
        while (at < newLines.size() && WithoutLineEnd(newLines[at]) != WithoutLineEnd(line)) ++at;
        if (at == newLines.size()) Fail("a line without '=' was lost or moved");
        ++at;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string_view section = Take(in);
    const std::string_view key = Take(in);
    const std::string_view value = Take(in);
    const std::string_view before = in;

    const std::string& path = IniPath();
    WriteFile(path, before);
    const bool written = ini::WriteValue(path, section, key, value);
    const std::string after = ReadFile(path);
    if (!written) {
        if (after != before) Fail("a refused write changed the file");
        CheckSectionWrite(path, before, section, key, value);
        return 0;
    }
    if (ini::ReadValue(path, section, key, "\x01no value") != AsRead(value)) {
        Fail("the written value does not read back");
    }
    CheckOnlyTheKeyChanged(before, after, Trim(section), Trim(key), value);
    CheckSectionWrite(path, before, section, key, value);
    return 0;
}
