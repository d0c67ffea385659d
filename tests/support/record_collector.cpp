#include "support/record_collector.h"

namespace tessaly::test {
namespace {

std::optional<std::string> Copy(std::optional<std::string_view> s) {
    return s ? std::optional<std::string>(std::string(*s)) : std::nullopt;
}

}  // namespace

bool CollectingSink::record(const Record& r) {
    CollectedRecord c;
    c.file = std::string(r.file);
    c.offset = r.offset;
    c.type = r.type;
    c.status = r.status;
    c.allocated = r.allocated;
    c.blocks = r.blocks;
    c.location = Copy(r.location);
    c.user = std::string(r.user);
    c.url = Copy(r.url);
    c.kind = r.kind;
    c.primaryTime = r.primaryTime;
    c.secondaryTime = r.secondaryTime;
    c.expiryTime = r.expiryTime;
    c.lastCheckedTime = r.lastCheckedTime;
    c.hits = r.hits;
    c.cacheFolder = Copy(r.cacheFolder);
    c.cacheFile = Copy(r.cacheFile);
    c.cachedSize = r.cachedSize;
    c.headers = Copy(r.headers);
    c.redirectTo = Copy(r.redirectTo);
    c.damage = std::string(r.damage);
    records.push_back(std::move(c));
    return records.size() < limit_;
}

CollectedRead ReadAll(std::string_view bytes, bool fragments, std::string_view file) {
    BufferSource source(bytes);
    CollectingSink sink;
    CollectedRead read;
    read.outcome = ReadRecords(source, sink, {file, fragments});
    read.records = std::move(sink.records);
    return read;
}

}  // namespace tessaly::test
