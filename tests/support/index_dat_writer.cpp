#include "support/index_dat_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <string_view>

namespace tessaly::test {
namespace {

constexpr std::size_t kBlock = 0x80;
constexpr std::size_t kDataStart = 0x4000;
constexpr std::size_t kFileGranule = 0x4000;
constexpr std::size_t kBitmapOffset = 0x250;
constexpr std::size_t kHashBlocks = 32;
constexpr std::size_t kHashHeader = 16;
constexpr std::size_t kHashSlots = (kHashBlocks * kBlock - kHashHeader) / 8;
constexpr std::size_t kUrlLocationOffset = 0x68;
constexpr std::size_t kRedirectLocationOffset = 0x10;
constexpr std::uint32_t kFreeHashSlot = 3;
constexpr std::string_view kSignature = "Client UrlCache MMF Ver 5.2";
constexpr std::array<std::string_view, 4> kCacheFolders{"1AB2C3D4", "E5F6G7H8", "Q9R8S7T6",
                                                        "XK2M4N6P"};

// splitmix64: small, fast and the same everywhere.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& items) {
        return items[below(N)];
    }

  private:
    std::uint64_t state_;
};

void Put32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(v >> (8 * i));
}
void Put64(std::string& out, std::size_t at, std::uint64_t v) {
    Put32(out, at, static_cast<std::uint32_t>(v));
    Put32(out, at + 4, static_cast<std::uint32_t>(v >> 32));
}

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

std::uint32_t LocationHash(std::string_view location) {
    std::uint32_t h = 2166136261u;
    for (const char c : location) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h & ~0x3Fu;  // the low bits hold the slot's flags
}

// Appends a record for `e` at the end of `out` (a block boundary), padded
// with zeros to whole blocks.
void AppendRecord(std::string& out, const IndexDatEntry& e) {
    const std::size_t at = out.size();
    if (e.record == IndexDatRecord::Redirect) {
        const std::size_t size = RoundUp(kRedirectLocationOffset + e.location.size() + 1, kBlock);
        out.append(size, '\0');
        out.replace(at, 4, "REDR");
        Put32(out, at + 4, static_cast<std::uint32_t>(size / kBlock));
        Put32(out, at + 0x0C, LocationHash(e.location));
        out.replace(at + kRedirectLocationOffset, e.location.size(), e.location);
        return;
    }
    const std::size_t fileNameAt = kUrlLocationOffset + RoundUp(e.location.size() + 1, 8);
    const std::size_t headersAt = fileNameAt + RoundUp(e.fileName.size() + 1, 8);
    const std::size_t size = RoundUp(headersAt + e.headers.size(), kBlock);
    out.append(size, '\0');
    out.replace(at, 4, e.record == IndexDatRecord::Leak ? "LEAK" : "URL ");
    Put32(out, at + 0x04, static_cast<std::uint32_t>(size / kBlock));
    Put64(out, at + 0x08, e.lastModified);
    Put64(out, at + 0x10, e.lastAccessed);
    Put32(out, at + 0x20, static_cast<std::uint32_t>(e.headers.size() * 37));  // cached file size
    Put32(out, at + 0x34, static_cast<std::uint32_t>(kUrlLocationOffset));
    out[at + 0x38] = static_cast<char>(e.location.size() % kCacheFolders.size());
    out.replace(at + kUrlLocationOffset, e.location.size(), e.location);
    if (!e.fileName.empty()) {
        Put32(out, at + 0x3C, static_cast<std::uint32_t>(fileNameAt));
        out.replace(at + fileNameAt, e.fileName.size(), e.fileName);
    }
    if (!e.headers.empty()) {
        Put32(out, at + 0x44, static_cast<std::uint32_t>(headersAt));
        Put32(out, at + 0x48, static_cast<std::uint32_t>(e.headers.size()));
        out.replace(at + headersAt, e.headers.size(), e.headers);
    }
    Put32(out, at + 0x54, static_cast<std::uint32_t>(1 + e.location.size() % 9));  // hits
}

void AppendFreeBlock(std::string& out, std::size_t index, Random& random) {
    const std::size_t at = out.size();
    out.append(kBlock, '\0');
    if (index % 2 == 0) {
        for (std::size_t i = 0; i < kBlock; i += 4) Put32(out, at + i, 0x0BADF00Du);
    } else {
        for (std::size_t i = 0; i < kBlock; i += 8) Put64(out, at + i, random.next());
    }
}

}  // namespace

std::string BuildIndexDat(const std::vector<IndexDatEntry>& entries, IndexDatFiller filler) {
    std::string out(kDataStart, '\0');
    out.replace(0, kSignature.size(), kSignature);
    Put32(out, 0x20, static_cast<std::uint32_t>(kDataStart));
    Put32(out, 0x48, static_cast<std::uint32_t>(kCacheFolders.size()));
    for (std::size_t i = 0; i < kCacheFolders.size(); ++i) {
        out.replace(0x50 + i * 12 + 4, kCacheFolders[i].size(), kCacheFolders[i]);
    }
    Random random(filler.seed);
    std::size_t hashAt = 0;
    std::size_t slot = kHashSlots;
    std::size_t freeIndex = 0;
    for (const auto& e : entries) {
        if (slot == kHashSlots) {  // start the next hash table
            const std::size_t at = out.size();
            out.append(kHashBlocks * kBlock, '\0');
            out.replace(at, 4, "HASH");
            Put32(out, at + 4, static_cast<std::uint32_t>(kHashBlocks));
            for (std::size_t s = 0; s < kHashSlots; ++s) {
                Put32(out, at + kHashHeader + 8 * s, kFreeHashSlot);
                Put32(out, at + kHashHeader + 8 * s + 4, kFreeHashSlot);
            }
            if (hashAt != 0) Put32(out, hashAt + 8, static_cast<std::uint32_t>(at));
            Put32(out, at + 12, static_cast<std::uint32_t>(at / (kHashBlocks * kBlock)));
            hashAt = at;
            slot = 0;
        }
        Put32(out, hashAt + kHashHeader + 8 * slot, LocationHash(e.location) | 1u);
        Put32(out, hashAt + kHashHeader + 8 * slot + 4, static_cast<std::uint32_t>(out.size()));
        ++slot;
        AppendRecord(out, e);
        for (unsigned b = 0; b < filler.freeBlocks; ++b) AppendFreeBlock(out, freeIndex++, random);
    }
    const std::size_t used = out.size();
    out.resize(RoundUp(std::max(used, kDataStart + kBlock), kFileGranule), '\0');
    Put32(out, 0x1C, static_cast<std::uint32_t>(out.size()));
    Put32(out, 0x24, static_cast<std::uint32_t>((out.size() - kDataStart) / kBlock));
    Put32(out, 0x28, static_cast<std::uint32_t>((used - kDataStart) / kBlock));
    // The allocation bitmap: one bit per block in use.
    for (std::size_t b = 0; b < (used - kDataStart) / kBlock && b / 8 < kDataStart - kBitmapOffset;
         ++b) {
        out[kBitmapOffset + b / 8] = static_cast<char>(out[kBitmapOffset + b / 8] | (1 << (b % 8)));
    }
    return out;
}

bool WriteIndexDat(const std::string& path, const std::vector<IndexDatEntry>& entries,
                   IndexDatFiller filler) {
    const std::string bytes = BuildIndexDat(entries, filler);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

std::vector<IndexDatEntry> GenerateIndexDatEntries(std::size_t count, std::uint64_t seed) {
    static constexpr std::array<std::string_view, 12> kHosts{
        "www.example.com",    "news.example.org",   "static.cdn-host.net",    "mail.example.net",
        "intranet.corp.lan",  "ads.tracker.biz",    "www.shop-example.co.uk", "forum.example.info",
        "img.photos.example", "search.example.com", "download.example.org",   "portal.example.edu"};
    static constexpr std::array<std::string_view, 10> kPaths{"index.html",
                                                             "images/logo.gif",
                                                             "css/site.css",
                                                             "scripts/app.js",
                                                             "news/2013/03/10/story",
                                                             "search?q=internet+explorer&lang=en",
                                                             "downloads/setup.exe",
                                                             "forum/viewtopic.php?t=4711",
                                                             "favicon.ico",
                                                             "cart/checkout.aspx?step=2"};
    static constexpr std::array<std::string_view, 5> kUsers{"john", "administrator", "mary",
                                                            "guest", "Default User"};
    static constexpr std::array<std::string_view, 6> kTypes{
        "text/html",    "image/gif",
        "text/css",     "application/javascript",
        "image/x-icon", "application/octet-stream"};
    static constexpr std::array<std::string_view, 6> kLocalFiles{
        "C:/Documents%20and%20Settings/john/Desktop/report.doc",
        "C:/WINDOWS/Help/ie.chm",
        "D:/photos/holiday/IMG_0042.JPG",
        "C:/Users/mary/Documents/budget.xls",
        "C:/Program%20Files/Tool/readme.txt",
        "E:/setup/install.htm"};

    Random random(seed);
    std::vector<IndexDatEntry> entries;
    entries.reserve(count);
    std::uint64_t time = 0x01CE1D5B00000000ull + (seed % 1000) * 0x10000000ull;
    for (std::size_t i = 0; i < count; ++i) {
        IndexDatEntry e;
        time += 1 + random.below(0x4000000);
        e.lastModified = time - random.below(0x100000000ull);
        e.lastAccessed = time;
        const std::string host(random.pick(kHosts));
        const std::string path(random.pick(kPaths));
        const std::string user(random.pick(kUsers));
        const std::string url = (random.below(6) == 0 ? "https://" : "http://") + host + "/" + path;
        switch (random.below(20)) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            case 5: {  // a cached page
                e.location = url;
                if (random.below(8) == 0)
                    e.location +=
                        "&session=" + std::string(140, static_cast<char>('a' + random.below(26)));
                const auto slash = path.find_last_of('/');
                std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
                name = name.substr(0, name.find('?'));
                const auto dot = name.find('.');
                e.fileName = dot == std::string::npos
                                 ? name + "[1]"
                                 : name.substr(0, dot) + "[1]" + name.substr(dot);
                e.headers = "HTTP/1.1 200 OK\r\nContent-Type: " + std::string(random.pick(kTypes)) +
                            "\r\nContent-Length: " + std::to_string(random.below(90000)) +
                            "\r\nETag: \"" + std::to_string(random.next() % 100000000) +
                            "\"\r\n\r\n~U:" + user + "\r\n";
                if (random.below(4) == 0) e.record = IndexDatRecord::Leak;
                break;
            }
            case 6:
            case 7:
            case 8:
            case 9:  // history
                e.location = "Visited: " + user + "@" + url;
                break;
            case 10:
                e.location =
                    "Visited: " + user + "@file:///" + std::string(random.pick(kLocalFiles));
                break;
            case 11:
                e.location = "Visited: " + user + "@\\\\fileserver\\share\\" + host + "\\notes.txt";
                break;
            case 12:
            case 13:
                e.location = "Cookie:" + user + "@" + host + "/";
                break;
            case 14:
                e.location = ":2013031020130311: " + user + "@:Host: " + host;
                break;
            case 15:
                e.location = random.below(2) == 0 ? "HTTP://" + host + "/" + path
                                                  : "\\\\" + host + "\\public\\setup.exe";
                break;
            case 16: {
                static constexpr std::array<std::string_view, 9> kSchemes{
                    "ftp://", "news://", "feed://", "mms://",
                    "aim://", "ldap://", "ed2k://", "view-source:http://",
                    "mailto:"};
                const std::string scheme(random.pick(kSchemes));
                e.location = "Visited: " + user + "@" + scheme +
                             (scheme == "mailto:" ? user + "@" + host : host + "/" + path);
                break;
            }
            case 17:
                e.location = "userdata:" + user + "@" + host + "/store.xml";
                break;
            case 18:
                e.location = url;
                e.record = IndexDatRecord::Redirect;
                break;
            default:  // a record with no prefix at all
                e.location = ":2013031020130311: " + user + "@about:blank";
                break;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

}  // namespace tessaly::test
