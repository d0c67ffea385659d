#include "support/reference_scan.h"

#include <array>

namespace tessaly::test {
namespace {

// Written out again here, as the product's users know them, so that a slip in
// the scanner's own table shows up.
constexpr std::array<std::string_view, 17> kPrefixes{
    "http://",  "https://",     "mailto:",  "news://",   "ftp://", "cookie",
    "userdata", "view-source:", "Visited:", "feed://",   "mms://", "aim://",
    "\\\\",     "ldap://",      "ed2k://",  "@file:///", "@:host"};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

std::vector<ReferenceRow> ReferenceScan(std::string_view file) {
    std::vector<ReferenceRow> rows;
    for (std::size_t p = 0;; ++p) {
        bool lastReadFailed = false;
        for (const auto prefix : kPrefixes) {
            const bool inside = p + prefix.size() <= file.size();
            const bool match = inside && Lower(file.substr(p, prefix.size())) == Lower(prefix);
            if (match) rows.push_back({p, std::string(file.substr(p, 150))});
            // The last prefix's reads are the last at this position.
            lastReadFailed = !inside || (match && p + 150 > file.size());
        }
        if (lastReadFailed) return rows;
    }
}

}  // namespace tessaly::test
