#include "core/settings/ini_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <system_error>
#include <unordered_set>

#include "core/actions/result_writer.h"
#include "core/app/ascii_case.h"
#include "platform/files.h"

namespace tessaly::ini {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

enum class FileState { Read, Missing, Failed };

// The whole file into `bytes`. Missing covers a path whose folder is missing
// or is not a folder; anything that is not a regular file cannot be read. A
// FIFO or a device is never opened (its open may wait for a writer or act on
// the device), and the open does not block should one take the path's place
// between the look and the open. `why` says why a read Failed.
FileState ReadWholeFile(const std::string& path, std::string& bytes, std::string* why = nullptr) {
    Result<std::string> read = ReadSmallFile(path);
    if (read) {
        bytes = std::move(*read);
        return FileState::Read;
    }
    const int number = read.error().number;
    if (number == ENOENT || number == ENOTDIR) return FileState::Missing;
    if (why) *why = read.error().description;
    return FileState::Failed;
}

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlankChar(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlankChar(text.back())) text.remove_suffix(1);
    return text;
}

bool SameName(std::string_view a, std::string_view b) { return EqualNoCase(a, b); }

// Where the lines of the file start: after a UTF-8 byte-order mark, if any.
std::size_t ContentStart(std::string_view text) {
    return text.starts_with(kUtf8Bom) ? kUtf8Bom.size() : 0;
}

struct Line {
    std::size_t begin;  // first byte
    std::size_t end;    // end of the text, before the LF or CR LF that ends the line
    std::size_t next;   // first byte of the following line
};

Line LineAt(std::string_view text, std::size_t begin) {
    const std::size_t lf = text.find('\n', begin);
    const std::size_t next = lf == std::string_view::npos ? text.size() : lf + 1;
    std::size_t end = lf == std::string_view::npos ? text.size() : lf;
    if (end > begin && text[end - 1] == '\r') --end;
    return {begin, end, next};
}

struct Entry {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    std::string_view name;
    std::size_t valueBegin = 0;  // after the '=' and the blanks that follow it
    std::size_t valueEnd = 0;    // end of the line's text
};

Entry ParseLine(std::string_view text, const Line& line) {
    const std::string_view whole = text.substr(line.begin, line.end - line.begin);
    const std::string_view trimmed = TrimBlanks(whole);
    if (trimmed.empty() || trimmed.front() == ';') return {};
    if (trimmed.front() == '[') {
        const std::size_t close = trimmed.rfind(']');
        if (close == std::string_view::npos) return {};
        return {Entry::Kind::Section, TrimBlanks(trimmed.substr(1, close - 1))};
    }
    const std::size_t equals = whole.find('=');
    if (equals == std::string_view::npos) return {};
    std::size_t valueBegin = line.begin + equals + 1;
    while (valueBegin < line.end && IsBlankChar(text[valueBegin])) ++valueBegin;
    return {Entry::Kind::Key, TrimBlanks(whole.substr(0, equals)), valueBegin, line.end};
}

// Calls `visit(line, entry)` for each line of the file after its byte-order
// mark, in order, while it returns true.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    for (std::size_t pos = ContentStart(text); pos < text.size();) {
        const Line line = LineAt(text, pos);
        pos = line.next;
        if (!visit(line, ParseLine(text, line))) return;
    }
}

bool IsBlankLine(std::string_view text, const Line& line) {
    return TrimBlanks(text.substr(line.begin, line.end - line.begin)).empty();
}

// Which section the lines of a walk stand in, for one section name: every
// section of that name counts, the first of them is told apart.
struct SectionTracker {
    std::string_view name;
    bool inSection = false;       // inside some section of that name
    bool inFirstSection = false;  // inside the first of them
    bool found = false;

    // Takes a header; true when it opens the first section of the name.
    bool enter(std::string_view header) {
        inSection = SameName(header, name);
        inFirstSection = inSection && !found;
        found = found || inSection;
        return inFirstSection;
    }
};

// What a read or a write needs to know about one section and key of a file.
struct Place {
    bool sectionFound = false;
    // Where a new key of the section goes: after the last line of the first
    // section of that name that is not blank (its header at least).
    std::size_t sectionEnd = 0;
    bool keyFound = false;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

// The first `key` in a section named `section`, looking through every
// section of that name in file order.
Place Locate(std::string_view text, std::string_view section, std::string_view key) {
    Place place;
    SectionTracker tracker{section};
    ForEachLine(text, [&](const Line& line, const Entry& entry) {
        if (entry.kind == Entry::Kind::Section) {
            if (tracker.enter(entry.name)) place.sectionEnd = line.next;
        } else if (tracker.inSection && entry.kind == Entry::Kind::Key &&
                   SameName(entry.name, key)) {
            place.keyFound = true;
            place.valueBegin = entry.valueBegin;
            place.valueEnd = entry.valueEnd;
            return false;
        } else if (tracker.inFirstSection && !IsBlankLine(text, line)) {
            place.sectionEnd = line.next;
        }
        return true;
    });
    place.sectionFound = tracker.found;
    return place;
}

std::string CutToMaximum(std::string_view text) {
    return std::string(text.substr(0, kMaxValueLength));
}

bool HoldsLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// Whether the file format can hold this section, key and value so that a
// later read finds them again.
bool CanHold(std::string_view section, std::string_view key, std::string_view value) {
    if (HoldsLineBreakOrNul(section) || HoldsLineBreakOrNul(key) || HoldsLineBreakOrNul(value)) {
        return false;
    }
    if (section.find(']') != std::string_view::npos) return false;
    if (key.empty() || key.front() == ';' || key.front() == '[') return false;
    return key.find('=') == std::string_view::npos;
}

// The value a read returns for the key line `entry`: up to its first NUL,
// without surrounding blanks and without one pair of enclosing matching
// quotes.
std::string_view ValueOf(std::string_view text, const Entry& entry) {
    std::string_view value = text.substr(entry.valueBegin, entry.valueEnd - entry.valueBegin);
    value = TrimBlanks(value.substr(0, value.find('\0')));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// Replaces the settings file with the pieces of `parts`, one after another,
// through the safe writer; a link is followed to the file it names.
SaveResult SaveSettingsText(const std::string& filePath, std::span<const std::string_view> parts) {
    std::string target = filePath;
    std::error_code ec;
    if (std::filesystem::is_symlink(filePath, ec)) {
        const auto real = std::filesystem::canonical(filePath, ec);
        if (!ec) target = real.string();
    }
    return SaveAtomically(target, [&](std::ostream& out) {
        for (const std::string_view part : parts) {
            out.write(part.data(), static_cast<std::streamsize>(part.size()));
        }
    });
}

std::string LowerName(std::string_view name) {
    std::string lower(name);
    for (char& c : lower) c = LowerAscii(c);
    return lower;
}

}  // namespace

std::string ReadValue(const std::string& filePath, std::string_view section, std::string_view key,
                      std::string_view def) {
    std::string text;
    if (ReadWholeFile(filePath, text) != FileState::Read) return CutToMaximum(def);
    const Place place = Locate(text, TrimBlanks(section), TrimBlanks(key));
    if (!place.keyFound) return CutToMaximum(def);

    Entry entry;
    entry.valueBegin = place.valueBegin;
    entry.valueEnd = place.valueEnd;
    return CutToMaximum(ValueOf(text, entry));
}

bool WriteValue(const std::string& filePath, std::string_view section, std::string_view key,
                std::string_view value) {
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!CanHold(section, key, value)) return false;

    std::string bytes;
    if (ReadWholeFile(filePath, bytes) == FileState::Failed) return false;
    const std::string_view text(bytes);
    const Place place = Locate(text, section, key);

    // The new file is head + middle + tail, where head and tail are the old bytes.
    std::size_t cutBegin = text.size();
    std::size_t cutEnd = text.size();
    std::string middle;
    if (place.keyFound) {
        cutBegin = place.valueBegin;
        cutEnd = place.valueEnd;
        middle = value;
    } else {
        cutBegin = cutEnd = place.sectionFound ? place.sectionEnd : text.size();
        if (cutBegin > ContentStart(text) && text[cutBegin - 1] != '\n') middle += kLineEnd;
        if (!place.sectionFound) {
            middle.append("[").append(section).append("]").append(kLineEnd);
        }
        middle.append(key).append("=").append(value).append(kLineEnd);
    }

    const std::array<std::string_view, 3> parts{text.substr(0, cutBegin), middle,
                                                text.substr(cutEnd)};
    return SaveSettingsText(filePath, parts).ok;
}

std::vector<KeyValue> ReadSection(const std::string& filePath, std::string_view section) {
    std::string bytes;
    if (ReadWholeFile(filePath, bytes) != FileState::Read) return {};
    const std::string_view text(bytes);
    std::vector<KeyValue> keys;
    std::unordered_set<std::string> seen;
    SectionTracker tracker{TrimBlanks(section)};
    ForEachLine(text, [&](const Line&, const Entry& entry) {
        if (entry.kind == Entry::Kind::Section) {
            tracker.enter(entry.name);
        } else if (tracker.inSection && entry.kind == Entry::Kind::Key && !entry.name.empty() &&
                   seen.insert(LowerName(entry.name)).second) {
            keys.push_back({std::string(entry.name), std::string(ValueOf(text, entry))});
        }
        return true;
    });
    return keys;
}

SaveResult WriteSection(const std::string& filePath, std::string_view section,
                        std::span<const KeyValue> entries) {
    section = TrimBlanks(section);
    if (HoldsLineBreakOrNul(section) || section.find(']') != std::string_view::npos) {
        return {false, "the section name cannot be held in the settings file"};
    }
    std::unordered_set<std::string> names;
    for (const KeyValue& e : entries) {
        const std::string_view key = TrimBlanks(e.key);
        if (!CanHold(section, key, e.value)) {
            return {false, "\"" + e.key + "\" cannot be held in the settings file"};
        }
        if (!names.insert(LowerName(key)).second)
            return {false, "\"" + e.key + "\" is given twice"};
    }

    std::string bytes;
    std::string why;
    const FileState state = ReadWholeFile(filePath, bytes, &why);
    if (state == FileState::Failed) return {false, why};
    const std::string_view text(bytes);

    // The old key lines of the section (taken out), the first line of each
    // key (kept when its value stays), and where the new lines go.
    struct OldLine {
        Line line;
        Entry entry;
    };
    std::vector<Line> removed;
    std::vector<OldLine> firstLines;
    std::unordered_set<std::string> seen;
    SectionTracker tracker{section};
    std::size_t insertAt = text.size();
    bool haveKeyLine = false;
    ForEachLine(text, [&](const Line& line, const Entry& entry) {
        if (entry.kind == Entry::Kind::Section) {
            if (tracker.enter(entry.name)) insertAt = line.next;
        } else if (tracker.inSection && entry.kind == Entry::Kind::Key) {
            removed.push_back(line);
            if (seen.insert(LowerName(entry.name)).second) firstLines.push_back({line, entry});
            if (tracker.inFirstSection && !haveKeyLine) {
                haveKeyLine = true;
                insertAt = line.begin;
            }
        } else if (tracker.inFirstSection && !haveKeyLine && !IsBlankLine(text, line)) {
            insertAt = line.next;
        }
        return true;
    });
    const bool sectionFound = tracker.found;

    // A missing section with nothing to put in it stays missing.
    if (!sectionFound && entries.empty()) return {};
    std::string block;
    if (!entries.empty() && insertAt > ContentStart(text) && text[insertAt - 1] != '\n') {
        block += kLineEnd;
    }
    if (!sectionFound) block.append("[").append(section).append("]").append(kLineEnd);
    for (const KeyValue& e : entries) {
        const std::string_view key = TrimBlanks(e.key);
        const auto old = std::find_if(firstLines.begin(), firstLines.end(), [&](const OldLine& o) {
            return SameName(o.entry.name, key) && ValueOf(text, o.entry) == e.value;
        });
        if (old != firstLines.end()) {
            block += text.substr(old->line.begin, old->line.end - old->line.begin);
            const std::string_view end = text.substr(old->line.end, old->line.next - old->line.end);
            block += end.empty() ? kLineEnd : end;
        } else {
            block.append(key).append("=").append(e.value).append(kLineEnd);
        }
    }

    // The old bytes with the key lines taken out and the block put in.
    std::string out;
    out.reserve(text.size() + block.size());
    std::size_t from = 0;
    bool blockPlaced = false;
    const auto placeBlockUpTo = [&](std::size_t to) {
        if (!blockPlaced && insertAt <= to) {
            out += text.substr(from, insertAt - from);
            out += block;
            from = insertAt;
            blockPlaced = true;
        }
    };
    for (const Line& line : removed) {
        placeBlockUpTo(line.begin);
        out += text.substr(from, line.begin - from);
        from = line.next;
    }
    placeBlockUpTo(text.size());
    out += text.substr(from);
    // A file whose last line had no line end keeps it so when that line,
    // kept, still ends the file.
    if (!text.empty() && text.back() != '\n') {
        const Line last =
            LineAt(text, text.rfind('\n') == std::string_view::npos ? ContentStart(text)
                                                                    : text.rfind('\n') + 1);
        const std::string_view lastLine = text.substr(last.begin);
        if (out.size() >= lastLine.size() + kLineEnd.size() && out.ends_with(kLineEnd) &&
            std::string_view(out).substr(0, out.size() - kLineEnd.size()).ends_with(lastLine)) {
            out.resize(out.size() - kLineEnd.size());
        }
    }
    if (state == FileState::Read && out == text) return {};  // nothing changes
    const std::array<std::string_view, 1> parts{out};
    return SaveSettingsText(filePath, parts);
}

}  // namespace tessaly::ini
