#include "support/index_dat_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <string_view>

#include "core/records/index_dat_format.h"
#include "core/records/record.h"

namespace tessaly::test {
namespace {

namespace fmt = tessaly::indexdat;

constexpr std::size_t kBlock = fmt::kBlockSize;
constexpr std::size_t kHashSlots =
    (fmt::kHashTableBlocks * kBlock - fmt::kHashHeaderSize) / fmt::kHashEntrySize;
constexpr std::uint32_t kFreeHashSlot = 3;  // with the same offset: an unused entry
constexpr std::uint32_t kDeletedHash = 1;
constexpr std::uint64_t kThirtyDays = 30ull * 86400 * 10'000'000;
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

// A stand-in for Internet Explorer's hash: only its state bits matter here.
std::uint32_t LocationHash(std::string_view location) {
    std::uint32_t h = 2166136261u;
    for (const char c : location) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    h &= ~fmt::kHashStateBits;
    return h == 0 ? 0x40 : h;
}

// Appends the record for `e` at the end of `out` (a block boundary), padded
// with zeros to whole blocks.
void AppendRecord(std::string& out, const IndexDatEntry& e, const fmt::UrlLayout& l) {
    const std::size_t at = out.size();
    if (e.record == IndexDatRecord::Redirect) {
        const std::size_t size = RoundUp(fmt::kRedirectLocation + e.location.size() + 1, kBlock);
        out.append(size, '\0');
        out.replace(at, 4, fmt::kRedirectSignature);
        Put32(out, at + fmt::kRecordBlocks, static_cast<std::uint32_t>(size / kBlock));
        out.replace(at + fmt::kRedirectLocation, e.location.size(), e.location);
        return;
    }
    const std::uint32_t lastChecked = FatTimeFromFileTime(e.lastAccessed);
    const std::uint8_t folder =
        e.fileName.empty() ? fmt::kNoCacheFolder
                           : static_cast<std::uint8_t>(e.location.size() % kCacheFolders.size());
    if (e.record == IndexDatRecord::Leak && e.minimalLeak) {
        const std::size_t size = RoundUp(l.fixedSize + e.fileName.size() + 1, kBlock);
        out.append(size, '\0');
        for (std::size_t i = 0; i < size; i += 4) Put32(out, at + i, fmt::kLeakUnset);
        out.replace(at, 4, fmt::kLeakSignature);
        Put32(out, at + fmt::kRecordBlocks, static_cast<std::uint32_t>(size / kBlock));
        Put32(out, at + l.cachedSize, static_cast<std::uint32_t>(e.headers.size() * 37));
        Put32(out, at + fmt::kLeakNext, 0);
        out[at + l.cacheFolder] = static_cast<char>(folder);
        Put32(out, at + l.fileNameOffset, static_cast<std::uint32_t>(l.fixedSize));
        Put32(out, at + 88, 0);
        Put32(out, at + 92, lastChecked);
        Put32(out, at + 96, 0);
        out.replace(at + l.fixedSize, e.fileName.size() + 1, e.fileName + '\0');
        return;
    }
    const std::size_t fileNameAt = l.fixedSize + RoundUp(e.location.size() + 1, 8);
    const std::size_t headersAt = fileNameAt + RoundUp(e.fileName.size() + 1, 8);
    const std::size_t size = RoundUp(headersAt + e.headers.size(), kBlock);
    out.append(size, '\0');
    out.replace(at, 4, e.record == IndexDatRecord::Leak ? fmt::kLeakSignature : fmt::kUrlSignature);
    Put32(out, at + fmt::kRecordBlocks, static_cast<std::uint32_t>(size / kBlock));
    Put64(out, at + l.secondaryTime, e.lastModified);
    Put64(out, at + l.primaryTime, e.lastAccessed);
    if (e.lastAccessed != 0) {
        if (l.expiryIsFileTime) {
            Put64(out, at + l.expiryTime, e.lastAccessed + kThirtyDays);
        } else {
            Put32(out, at + l.expiryTime, FatTimeFromFileTime(e.lastAccessed + kThirtyDays));
        }
    }
    Put32(out, at + l.cachedSize, static_cast<std::uint32_t>(e.headers.size() * 37));
    Put32(out, at + l.locationOffset, static_cast<std::uint32_t>(l.fixedSize));
    out[at + l.cacheFolder] = static_cast<char>(folder);
    out.replace(at + l.fixedSize, e.location.size(), e.location);
    if (!e.fileName.empty()) {
        Put32(out, at + l.fileNameOffset, static_cast<std::uint32_t>(fileNameAt));
        out.replace(at + fileNameAt, e.fileName.size(), e.fileName);
    }
    if (!e.headers.empty()) {
        Put32(out, at + l.dataOffset, static_cast<std::uint32_t>(headersAt));
        Put32(out, at + l.dataSize, static_cast<std::uint32_t>(e.headers.size()));
        out.replace(at + headersAt, e.headers.size(), e.headers);
    }
    Put32(out, at + l.lastCheckedTime, lastChecked);
    Put32(out, at + l.hits, static_cast<std::uint32_t>(1 + e.location.size() % 9));
}

// Writes the damage `e` asks for into its record of `size` bytes at `at`.
void Damage(std::string& out, std::size_t at, std::size_t size, const IndexDatEntry& e,
            const fmt::UrlLayout& l) {
    switch (e.damage) {
        case IndexDatDamage::None:
            break;
        case IndexDatDamage::LocationOutside:
            Put32(out, at + l.locationOffset, static_cast<std::uint32_t>(size + 8));
            break;
        case IndexDatDamage::LocationUnterminated: {
            const std::size_t from =
                (e.record == IndexDatRecord::Redirect ? fmt::kRedirectLocation : l.fixedSize) +
                e.location.size();
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(at + from),
                      out.begin() + static_cast<std::ptrdiff_t>(at + size), 'x');
            if (e.record != IndexDatRecord::Redirect) {
                Put32(out, at + l.fileNameOffset, 0);
                Put32(out, at + l.dataOffset, 0);
            }
            break;
        }
        case IndexDatDamage::FileNameOutside:
            Put32(out, at + l.fileNameOffset, static_cast<std::uint32_t>(size + 16));
            break;
        case IndexDatDamage::DataPastRecord:
            Put32(out, at + l.dataSize, static_cast<std::uint32_t>(size * 4));
            break;
        case IndexDatDamage::ZeroBlocks:
            Put32(out, at + fmt::kRecordBlocks, 0);
            break;
        case IndexDatDamage::HugeBlocks:
            Put32(out, at + fmt::kRecordBlocks, 0x7FFFFFFF);
            break;
        case IndexDatDamage::BadCacheFolder:
            out[at + l.cacheFolder] = 9;
            break;
        case IndexDatDamage::BadExpiry:
            Put32(out, at + l.expiryTime, 33u << 9 | 15u << 5 | 1u);  // 2013, month 15, day 1
            break;
    }
}

void AppendFreeBlock(std::string& out, std::size_t index, bool stale, Random& random) {
    const std::size_t at = out.size();
    out.append(kBlock, '\0');
    if (index % 2 == 0 || !stale) {
        for (std::size_t i = 0; i < kBlock; i += 4) Put32(out, at + i, fmt::kHashUnused);
    } else {
        for (std::size_t i = 0; i < kBlock; i += 8) Put64(out, at + i, random.next());
    }
}

}  // namespace

IndexDatImage BuildIndexDatImage(const std::vector<IndexDatEntry>& entries, IndexDatFiller filler,
                                 IndexDatOptions options) {
    const bool v47 = options.version == IndexDatVersion::V47;
    const fmt::UrlLayout& l = v47 ? fmt::kUrlLayout47 : fmt::kUrlLayout52;
    IndexDatImage image;
    std::string& out = image.bytes;
    out.assign(fmt::kDataStart, '\0');
    const std::string_view signature = v47 ? fmt::kSignature47 : fmt::kSignature52;
    out.replace(0, signature.size(), signature);
    Put32(out, fmt::kHeaderHashTable, static_cast<std::uint32_t>(fmt::kDataStart));
    Put32(out, fmt::kHeaderCacheFolderCount, static_cast<std::uint32_t>(kCacheFolders.size()));
    for (std::size_t i = 0; i < kCacheFolders.size(); ++i) {
        const std::size_t entry = fmt::kHeaderCacheFolders + i * fmt::kCacheFolderEntrySize;
        Put32(out, entry, static_cast<std::uint32_t>(3 + i));
        out.replace(entry + fmt::kCacheFolderNameOffset, kCacheFolders[i].size(), kCacheFolders[i]);
    }
    Random random(filler.seed);
    std::vector<std::pair<std::size_t, std::size_t>> used;  // blocks in use: [from, to)
    std::vector<std::size_t> tables, leaks, pendingRedirects;
    std::size_t slot = kHashSlots;
    std::size_t freeIndex = 0;
    for (const auto& e : entries) {
        const bool hashed = e.record != IndexDatRecord::Leak && e.state != IndexDatState::Freed;
        if (hashed && slot == kHashSlots) {  // start the next hash table
            const std::size_t at = out.size();
            out.append(fmt::kHashTableBlocks * kBlock, '\0');
            out.replace(at, 4, fmt::kHashSignature);
            Put32(out, at + fmt::kRecordBlocks, static_cast<std::uint32_t>(fmt::kHashTableBlocks));
            for (std::size_t s = 0; s < kHashSlots; ++s) {
                Put32(out, at + fmt::kHashHeaderSize + 8 * s, kFreeHashSlot);
                Put32(out, at + fmt::kHashHeaderSize + 8 * s + 4, kFreeHashSlot);
            }
            if (!tables.empty())
                Put32(out, tables.back() + fmt::kHashNext, static_cast<std::uint32_t>(at));
            Put32(out, at + fmt::kHashSequence, static_cast<std::uint32_t>(tables.size()));
            tables.push_back(at);
            used.emplace_back(at, out.size());
            slot = 0;
        }
        const std::size_t at = out.size();
        if (hashed) {
            const std::size_t entry = tables.back() + fmt::kHashHeaderSize + 8 * slot++;
            std::uint32_t hash = LocationHash(e.location);
            if (e.state == IndexDatState::Deleted) {
                hash = kDeletedHash;
            } else if (e.record == IndexDatRecord::Redirect) {
                hash |= fmt::kHashRedirectState;
            }
            Put32(out, entry, hash);
            Put32(out, entry + 4, static_cast<std::uint32_t>(at));
            if (e.record == IndexDatRecord::Url && e.state == IndexDatState::Live) {
                for (const std::size_t redirect : pendingRedirects) {
                    Put32(out, redirect + fmt::kRedirectHashEntry,
                          static_cast<std::uint32_t>(entry));
                    Put32(out, redirect + fmt::kRedirectHash, hash);
                }
                pendingRedirects.clear();
            }
        }
        const fmt::UrlLayout& layout = e.record == IndexDatRecord::Leak ? fmt::kLeakLayout : l;
        AppendRecord(out, e, layout);
        image.recordOffsets.push_back(at);
        if (e.state == IndexDatState::Live) {
            used.emplace_back(at, out.size());
            if (e.record == IndexDatRecord::Leak) leaks.push_back(at);
            if (e.record == IndexDatRecord::Redirect) pendingRedirects.push_back(at);
        }
        Damage(out, at, out.size() - at, e, layout);
        for (unsigned b = 0; b < filler.freeBlocks; ++b)
            AppendFreeBlock(out, freeIndex++, filler.stale, random);
    }
    for (std::size_t i = 0; i < leaks.size(); ++i) {
        const std::size_t next = i + 1 < leaks.size()   ? leaks[i + 1]
                                 : options.leakListLoop ? leaks[0]
                                                        : 0;
        Put32(out, leaks[i] + fmt::kLeakNext, static_cast<std::uint32_t>(next));
    }
    if (!leaks.empty()) Put32(out, fmt::kHeaderLeakList, static_cast<std::uint32_t>(leaks[0]));
    if (options.hashChainLoop && !tables.empty()) {
        Put32(out, tables.back() + fmt::kHashNext, static_cast<std::uint32_t>(tables[0]));
    }
    if (tables.empty()) Put32(out, fmt::kHeaderHashTable, 0);
    const std::size_t end = out.size();
    out.resize(RoundUp(std::max(end, fmt::kDataStart + kBlock), fmt::kFileGranule), '\0');
    Put32(out, fmt::kHeaderFileSize, static_cast<std::uint32_t>(out.size()));
    Put32(out, fmt::kHeaderBlockCount,
          static_cast<std::uint32_t>((out.size() - fmt::kDataStart) / kBlock));
    // The allocation bitmap: one bit per block in use.
    std::size_t allocated = 0;
    for (const auto& [from, to] : used) {
        for (std::size_t b = (from - fmt::kDataStart) / kBlock;
             b < (to - fmt::kDataStart) / kBlock && b < fmt::kBitmapBlocks; ++b) {
            out[fmt::kBitmapOffset + b / 8] =
                static_cast<char>(out[fmt::kBitmapOffset + b / 8] | (1 << (b % 8)));
            ++allocated;
        }
    }
    Put32(out, fmt::kHeaderAllocatedBlocks, static_cast<std::uint32_t>(allocated));
    return image;
}

std::string BuildIndexDat(const std::vector<IndexDatEntry>& entries, IndexDatFiller filler,
                          IndexDatOptions options) {
    return BuildIndexDatImage(entries, filler, options).bytes;
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
