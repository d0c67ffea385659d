#include "core/records/record_table.h"

#include <algorithm>
#include <optional>

namespace tessaly {

namespace {

std::uint32_t LengthOf(std::optional<std::string_view> text) {
    return text ? static_cast<std::uint32_t>(text->size()) : 0xffffffffu;
}

// Where `part` starts inside `whole`, when it lies there.
std::optional<std::size_t> StartInside(std::string_view part, std::string_view whole) {
    if (part.empty() || whole.empty()) return std::nullopt;
    const auto* begin = whole.data();
    const auto* end = whole.data() + whole.size();
    if (part.data() < begin || part.data() + part.size() > end) return std::nullopt;
    return static_cast<std::size_t>(part.data() - begin);
}

}  // namespace

void RecordTable::append(const Record& record) {
    // A text longer than what a length holds cannot come from a record of at
    // most 1 MiB; cut it there all the same rather than wrap.
    auto clip = [](std::optional<std::string_view> t) -> std::optional<std::string_view> {
        if (t && t->size() >= kInLocation) return t->substr(0, kInLocation - 1);
        return t;
    };
    const std::optional<std::string_view> location = clip(record.location);
    std::array<std::optional<std::string_view>, kTexts> texts{
        location,
        clip(record.user),
        clip(record.url),
        clip(record.cacheFolder),
        clip(record.cacheFile),
        clip(record.headers),
        clip(record.redirectTo),
        record.damage.empty() ? std::nullopt : clip(record.damage)};
    Entry e;
    e.offset = record.offset;
    e.blocks = record.blocks;
    e.type = record.type;
    e.status = record.status;
    e.allocated = record.allocated;
    e.kind = record.kind;
    const std::array<const StoredTime*, 4> times{&record.primaryTime, &record.secondaryTime,
                                                 &record.expiryTime, &record.lastCheckedTime};
    for (std::size_t t = 0; t < times.size(); ++t) {
        e.times[t] = times[t]->raw;
        e.forms[t] = times[t]->form;
        if (times[t]->local) e.flags |= static_cast<std::uint8_t>(kLocalTime << t);
    }
    if (record.hits) {
        e.hits = *record.hits;
        e.flags |= kHasHits;
    }
    if (record.cachedSize) {
        e.cachedSize = *record.cachedSize;
        e.flags |= kHasCachedSize;
    }
    // The user and the URL are kept as a range of the location when they
    // lie in it (an empty user costs nothing either way).
    std::size_t arenaBytes = 0;
    for (std::size_t t = 0; t < kTexts; ++t) {
        e.lengths[t] = LengthOf(texts[t]);
        if ((t == User || t == Url) && location && texts[t]) {
            if (const auto start = StartInside(*texts[t], *location)) {
                e.inLocation[t - User] = kInLocation | static_cast<std::uint32_t>(*start);
                continue;
            }
        }
        if (texts[t]) arenaBytes += texts[t]->size();
    }

    if (entries_.empty() || entries_.back().size() == kEntriesPerChunk) {
        entries_.emplace_back();
    }
    if (arena_.empty() || arena_.back().capacity() - arena_.back().size() < arenaBytes) {
        arena_.emplace_back();
        arena_.back().reserve(std::max(kArenaChunk, arenaBytes));
    }
    std::string& chunk = arena_.back();
    e.chunk = static_cast<std::uint32_t>(arena_.size() - 1);
    e.start = static_cast<std::uint32_t>(chunk.size());
    for (std::size_t t = 0; t < kTexts; ++t) {
        if (texts[t] && !((t == User || t == Url) && e.inLocation[t - User] != 0)) {
            chunk.append(*texts[t]);
        }
    }
    entries_.back().push_back(e);
    ++size_;
    ++kindCounts_[static_cast<std::size_t>(e.kind)];
}

std::string_view RecordTable::text(const Entry& e, Text which) const {
    if (e.lengths[which] == kAbsent) return {};
    if ((which == User || which == Url) && e.inLocation[which - User] != 0) {
        const std::uint32_t start = e.inLocation[which - User] & ~kInLocation;
        return text(e, Location).substr(start, e.lengths[which]);
    }
    std::size_t pos = e.start;
    for (std::size_t t = 0; t < which; ++t) {
        if (e.lengths[t] == kAbsent) continue;
        if ((t == User || t == Url) && e.inLocation[t - User] != 0) continue;
        pos += e.lengths[t];
    }
    return std::string_view(arena_[e.chunk]).substr(pos, e.lengths[which]);
}

StoredTime RecordTable::time(std::size_t i, std::size_t which) const {
    const Entry& e = entry(i);
    return {e.forms[which], e.times[which], (e.flags & (kLocalTime << which)) != 0};
}

Record RecordTable::at(std::size_t i) const {
    const Entry& e = entry(i);
    auto optional = [&](Text t) -> std::optional<std::string_view> {
        if (e.lengths[t] == kAbsent) return std::nullopt;
        return text(e, t);
    };
    Record r;
    r.file = file_;
    r.offset = e.offset;
    r.type = e.type;
    r.status = e.status;
    r.allocated = e.allocated;
    r.blocks = e.blocks;
    r.location = optional(Location);
    r.user = text(e, User);
    r.url = optional(Url);
    r.kind = e.kind;
    r.primaryTime = time(i, 0);
    r.secondaryTime = time(i, 1);
    r.expiryTime = time(i, 2);
    r.lastCheckedTime = time(i, 3);
    if (e.flags & kHasHits) r.hits = e.hits;
    r.cacheFolder = optional(CacheFolder);
    r.cacheFile = optional(CacheFile);
    if (e.flags & kHasCachedSize) r.cachedSize = e.cachedSize;
    r.headers = optional(Headers);
    r.redirectTo = optional(RedirectTo);
    r.damage = text(e, Damage);
    return r;
}

RecordKind RecordTable::mainKind() const {
    const std::array<std::size_t, 6>& counts = kindCounts_;
    // The special stores (Other) name no columns while any other kind is there.
    std::size_t best = static_cast<std::size_t>(RecordKind::Cache);
    for (std::size_t k = 0; k < counts.size(); ++k) {
        if (k == static_cast<std::size_t>(RecordKind::Other)) continue;
        if (counts[k] > counts[best]) best = k;
    }
    if (counts[best] == 0 && counts[static_cast<std::size_t>(RecordKind::Other)] > 0)
        return RecordKind::Other;
    return static_cast<RecordKind>(best);
}

std::size_t RecordTable::heldBytes() const {
    std::size_t bytes = file_.capacity() + entries_.capacity() * sizeof(entries_[0]) +
                        arena_.capacity() * sizeof(arena_[0]);
    for (const auto& chunk : entries_) bytes += chunk.capacity() * sizeof(Entry);
    for (const auto& chunk : arena_) bytes += chunk.capacity();
    return bytes;
}

}  // namespace tessaly
