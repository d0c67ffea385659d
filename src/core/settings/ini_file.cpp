#include "core/settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <ostream>
#include <system_error>

#include "core/actions/result_writer.h"
#include "core/app/ascii_case.h"

namespace tessaly::ini {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

enum class FileState { Read, Missing, Failed };

// The whole file into `bytes`. Missing covers a path whose folder is missing
// or is not a folder; anything that is not a regular file cannot be read. A
// FIFO or a device is never opened (its open may wait for a writer or act on
// the device), and the open does not block should one take the path's place
// between the look and the open.
FileState ReadWholeFile(const std::string& path, std::string& bytes) {
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? FileState::Missing : FileState::Failed;
    }
    if (!S_ISREG(before.st_mode)) return FileState::Failed;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return (errno == ENOENT || errno == ENOTDIR) ? FileState::Missing : FileState::Failed;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return FileState::Failed;
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::array<char, 64 * 1024> chunk{};
    for (;;) {
        const ssize_t n = ::read(fd, chunk.data(), chunk.size());
        if (n == 0) return FileState::Read;
        if (n < 0) {
            if (errno == EINTR) continue;
            return FileState::Failed;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
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
    bool inSection = false;       // inside some section of that name
    bool inFirstSection = false;  // inside the first of them
    for (std::size_t pos = ContentStart(text); pos < text.size();) {
        const Line line = LineAt(text, pos);
        pos = line.next;
        const Entry entry = ParseLine(text, line);
        if (entry.kind == Entry::Kind::Section) {
            inSection = SameName(entry.name, section);
            inFirstSection = inSection && !place.sectionFound;
            if (inFirstSection) {
                place.sectionFound = true;
                place.sectionEnd = line.next;
            }
            continue;
        }
        if (!inSection) continue;
        if (entry.kind == Entry::Kind::Key && SameName(entry.name, key)) {
            place.keyFound = true;
            place.valueBegin = entry.valueBegin;
            place.valueEnd = entry.valueEnd;
            return place;
        }
        if (inFirstSection && !TrimBlanks(text.substr(line.begin, line.end - line.begin)).empty()) {
            place.sectionEnd = line.next;
        }
    }
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

}  // namespace

std::string ReadValue(const std::string& filePath, std::string_view section, std::string_view key,
                      std::string_view def) {
    std::string text;
    if (ReadWholeFile(filePath, text) != FileState::Read) return CutToMaximum(def);
    const Place place = Locate(text, TrimBlanks(section), TrimBlanks(key));
    if (!place.keyFound) return CutToMaximum(def);

    std::string_view value(text);
    value = value.substr(place.valueBegin, place.valueEnd - place.valueBegin);
    value = TrimBlanks(value.substr(0, value.find('\0')));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return CutToMaximum(value);
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

    // Replace the file a link points to rather than the link itself.
    std::string target = filePath;
    std::error_code ec;
    if (std::filesystem::is_symlink(filePath, ec)) {
        const auto real = std::filesystem::canonical(filePath, ec);
        if (!ec) target = real.string();
    }
    return SaveAtomically(target,
                          [&](std::ostream& out) {
                              const std::string_view head = text.substr(0, cutBegin);
                              const std::string_view tail = text.substr(cutEnd);
                              out.write(head.data(), static_cast<std::streamsize>(head.size()));
                              out.write(middle.data(), static_cast<std::streamsize>(middle.size()));
                              out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
                          })
        .ok;
}

}  // namespace tessaly::ini
