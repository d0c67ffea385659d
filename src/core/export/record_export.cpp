#include "core/export/record_export.h"

#include <algorithm>
#include <ostream>
#include <string>

#include "core/actions/result_writer.h"
#include "core/app/identity.h"
#include "core/extract/codepage.h"

namespace tessaly {
namespace {

using Kind = RecordField::Kind;

constexpr char kHex[] = "0123456789ABCDEF";

RecordField Field(Kind kind, std::string_view text = {}, std::uint64_t number = 0,
                  StoredTime time = {}) {
    return {kind, text, number, time};
}
RecordField Text(std::optional<std::string_view> text) {
    return text ? Field(Kind::Stored, *text) : RecordField{};
}
RecordField Word(std::string_view word) { return Field(Kind::Word, word); }
RecordField Number(std::optional<std::uint64_t> n) {
    return n ? Field(Kind::Number, {}, *n) : RecordField{};
}
RecordField Time(const StoredTime& t) {
    return HasTime(t) ? RecordField{Kind::Time, {}, 0, t} : RecordField{};
}

void AppendNumber(std::string& out, std::uint64_t n) {
    char digits[20];
    int i = 0;
    do {
        digits[i++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (i > 0) out += digits[--i];
}

void AppendSigned(std::string& out, std::int64_t n) {
    if (n < 0) {
        out += '-';
        AppendNumber(out, 0 - static_cast<std::uint64_t>(n));
    } else {
        AppendNumber(out, static_cast<std::uint64_t>(n));
    }
}

// The buffer every writer fills and hands to its stream in large pieces.
class BufferedWriter : public RecordWriter {
  public:
    explicit BufferedWriter(std::ostream& out) : out_(out) { buf_.reserve(kFlushAt + 8192); }
    void end() override {
        finish();
        flush();
        out_.flush();
    }

  protected:
    virtual void finish() {}
    void recordDone() {
        if (buf_.size() >= kFlushAt) flush();
    }
    std::string buf_;
    std::string scratch_;

  private:
    static constexpr std::size_t kFlushAt = 256 * 1024;
    void flush() {
        out_.write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
        buf_.clear();
    }
    std::ostream& out_;
};

// A header line, then one record a line, fields separated by one character;
// `special` are the characters that make a field need escape().
class SeparatedWriter : public BufferedWriter {
  public:
    SeparatedWriter(std::ostream& out, char separator, std::string_view lineEnd,
                    std::string_view special)
        : BufferedWriter(out), separator_(separator), lineEnd_(lineEnd), special_(special) {}
    void begin() override {
        for (std::size_t i = 0; i < kRecordFieldNames.size(); ++i) {
            if (i != 0) buf_ += separator_;
            buf_ += kRecordFieldNames[i];
        }
        buf_ += lineEnd_;
    }
    void write(const Record& record) override {
        const auto fields = RecordFields(record);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i != 0) buf_ += separator_;
            scratch_.clear();
            AppendRecordFieldText(scratch_, fields[i]);
            if (scratch_.find_first_of(special_) == std::string::npos) {
                buf_ += scratch_;
            } else {
                escape(scratch_);
            }
        }
        buf_ += lineEnd_;
        recordDone();
    }

  protected:
    // Appends `field`, which holds a special character, to buf_.
    virtual void escape(std::string_view field) = 0;

  private:
    char separator_;
    std::string_view lineEnd_;
    std::string_view special_;
};

// Tab-separated, LF line ends; tab, newline, carriage return and backslash
// inside a field written \t \n \r \\.
class TsvWriter final : public SeparatedWriter {
  public:
    explicit TsvWriter(std::ostream& out) : SeparatedWriter(out, '\t', "\n", "\t\n\r\\") {}

  private:
    void escape(std::string_view field) override {
        for (const char c : field) {
            switch (c) {
                case '\t':
                    buf_ += "\\t";
                    break;
                case '\n':
                    buf_ += "\\n";
                    break;
                case '\r':
                    buf_ += "\\r";
                    break;
                case '\\':
                    buf_ += "\\\\";
                    break;
                default:
                    buf_ += c;
            }
        }
    }
};

// RFC 4180: CR LF line ends, a field holding a comma, a quote, CR or LF in
// quotes with its quotes doubled.
class CsvWriter final : public SeparatedWriter {
  public:
    explicit CsvWriter(std::ostream& out) : SeparatedWriter(out, ',', "\r\n", ",\"\r\n") {}

  private:
    void escape(std::string_view field) override {
        buf_ += '"';
        for (const char c : field) {
            if (c == '"') buf_ += '"';
            buf_ += c;
        }
        buf_ += '"';
    }
};

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20 || u == 0x7F) {
                    out += "\\u00";
                    out += kHex[u >> 4];
                    out += kHex[u & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// One JSON object a line, keys as kRecordFieldNames, null for a missing
// value, numbers as numbers; always UTF-8 (a path that is not is written
// with U+FFFD for its stray bytes).
class JsonLinesWriter final : public BufferedWriter {
  public:
    using BufferedWriter::BufferedWriter;
    void write(const Record& record) override {
        const auto fields = RecordFields(record);
        buf_ += '{';
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i != 0) buf_ += ',';
            buf_ += '"';
            buf_ += kRecordFieldNames[i];
            buf_ += "\":";
            const RecordField& f = fields[i];
            if (f.kind == Kind::Null) {
                buf_ += "null";
            } else if (f.kind == Kind::Number) {
                AppendNumber(buf_, f.number);
            } else {
                scratch_.clear();
                if (f.kind == Kind::Path) {
                    AppendValidUtf8(scratch_, f.text);
                } else {
                    AppendRecordFieldText(scratch_, f);
                }
                AppendJsonString(buf_, scratch_);
            }
        }
        buf_ += "}\n";
        recordDone();
    }
};

// The Sleuth Kit's body format 3.x, for mactime:
// MD5|name|inode|mode|UID|GID|size|atime|mtime|ctime|crtime, times in whole
// seconds since 1970 UTC (0 for none). The name says what the record is and
// where it lies; '|' and control bytes in it are written %7C, %0A and so on.
// atime is the primary time (last access or visit), mtime the secondary when
// it is UTC, ctime the last check; a weekly history file's primary time (when
// that file was made) goes to crtime instead. Local times (the secondary time
// of daily and weekly history) have no place here.
class BodyfileWriter final : public BufferedWriter {
  public:
    using BufferedWriter::BufferedWriter;
    void write(const Record& record) override {
        buf_ += "0|MSIE ";
        if (record.status == RecordStatus::Fragment) {
            buf_ += "fragment";
        } else {
            buf_ += KindName(record.kind);
            buf_ += ' ';
            buf_ += TypeName(record.type);
            buf_ += ' ';
            buf_ += StatusName(record.status);
        }
        buf_ += ": ";
        scratch_.clear();
        if (record.location) AppendCp1252AsUtf8(scratch_, *record.location);
        appendName(scratch_);
        buf_ += " (";
        appendName(record.file);
        buf_ += " offset ";
        AppendNumber(buf_, record.offset);
        buf_ += ")|0|0|0|0|";
        AppendNumber(buf_, record.cachedSize.value_or(0));
        const bool weekly = record.kind == RecordKind::WeeklyHistory;
        for (const StoredTime* t :
             {weekly ? nullptr : &record.primaryTime, &record.secondaryTime,
              &record.lastCheckedTime, weekly ? &record.primaryTime : nullptr}) {
            buf_ += '|';
            const auto seconds = t != nullptr ? UnixSeconds(*t) : std::nullopt;
            AppendSigned(buf_, std::max<std::int64_t>(0, seconds.value_or(0)));
        }
        buf_ += '\n';
        recordDone();
    }

  private:
    void appendName(std::string_view text) {
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            if (c == '|' || u < 0x20 || u == 0x7F) {
                buf_ += '%';
                buf_ += kHex[u >> 4];
                buf_ += kHex[u & 0xF];
            } else {
                buf_ += c;
            }
        }
    }
};

// A self-contained UTF-8 page: one table, a row per record, every text
// escaped; no script, no remote resource.
class HtmlWriter final : public BufferedWriter {
  public:
    HtmlWriter(std::ostream& out, std::string_view source) : BufferedWriter(out) {
        AppendValidUtf8(source_, source);
    }
    void begin() override {
        const std::string title = std::string(kTitle) + " records: " + EscapeHtml(source_);
        buf_ +=
            "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<meta name=\"Generator\" "
            "content=\"";
        buf_ += kTitle;
        buf_ += ' ';
        buf_ += VersionText();
        buf_ += "\">\n<title>";
        buf_ += title;
        buf_ +=
            "</title>\n<style>body{font-family:sans-serif}table{border-collapse:collapse}"
            "th,td{border:1px solid #bbb;padding:2px 4px;vertical-align:top;text-align:left}"
            "td{white-space:pre-wrap;word-break:break-all}th{background:#eee}</style>\n"
            "</head><body>\n<h1>";
        buf_ += title;
        buf_ += "</h1>\n<table>\n<thead><tr>";
        for (const auto name : kRecordFieldNames) {
            buf_ += "<th>";
            buf_ += name;
            buf_ += "</th>";
        }
        buf_ += "</tr></thead>\n<tbody>\n";
    }
    void write(const Record& record) override {
        const auto fields = RecordFields(record);
        buf_ += "<tr>";
        for (const RecordField& f : fields) {
            buf_ += "<td>";
            scratch_.clear();
            if (f.kind == Kind::Path) {
                AppendValidUtf8(scratch_, f.text);
            } else {
                AppendRecordFieldText(scratch_, f);
            }
            buf_ += EscapeHtml(scratch_);
            buf_ += "</td>";
        }
        buf_ += "</tr>\n";
        recordDone();
    }

  protected:
    void finish() override { buf_ += "</tbody>\n</table>\n</body></html>\n"; }

  private:
    std::string source_;
};

template <typename W>
std::unique_ptr<RecordWriter> Make(std::ostream& out, std::string_view source) {
    if constexpr (std::is_constructible_v<W, std::ostream&, std::string_view>) {
        return std::make_unique<W>(out, source);
    } else {
        return std::make_unique<W>(out);
    }
}

constexpr std::array kFormats{
    RecordExportFormat{"tsv", "tsv", "Tab-separated values", &Make<TsvWriter>},
    RecordExportFormat{"csv", "csv", "Comma-separated values", &Make<CsvWriter>},
    RecordExportFormat{"jsonl", "jsonl", "JSON Lines", &Make<JsonLinesWriter>},
    RecordExportFormat{"bodyfile", "body", "Sleuth Kit body file (mactime)", &Make<BodyfileWriter>},
    RecordExportFormat{"html", "html", "HTML report", &Make<HtmlWriter>},
};

}  // namespace

bool AppendRecordFieldText(std::string& out, const RecordField& f) {
    switch (f.kind) {
        case RecordField::Kind::Null:
            return false;
        case RecordField::Kind::Stored:
            AppendCp1252AsUtf8(out, f.text);
            return true;
        case RecordField::Kind::Path:
        case RecordField::Kind::Word:
            out.append(f.text);
            return true;
        case RecordField::Kind::Number:
            AppendNumber(out, f.number);
            return true;
        case RecordField::Kind::Time:
            return AppendIsoTime(out, f.time);
    }
    return false;
}

std::span<const RecordExportFormat> RecordExportFormats() { return kFormats; }

const RecordExportFormat* FindRecordExportFormat(std::string_view name) {
    for (const auto& f : kFormats) {
        if (f.name == name) return &f;
    }
    return nullptr;
}

std::array<RecordField, kRecordFieldNames.size()> RecordFields(const Record& r) {
    const bool fragment = r.status == RecordStatus::Fragment;
    return {
        Field(Kind::Path, r.file),
        Number(r.offset),
        fragment ? RecordField{} : Word(TypeName(r.type)),
        Word(StatusName(r.status)),
        Word(AllocationName(r.allocated)),
        fragment ? RecordField{} : Number(r.blocks),
        Text(r.location),
        Field(Kind::Stored, r.user),
        Text(r.url),
        Word(KindName(r.kind)),
        Time(r.primaryTime),
        Time(r.secondaryTime),
        Time(r.expiryTime),
        Time(r.lastCheckedTime),
        Number(r.hits),
        Text(r.cacheFolder),
        Text(r.cacheFile),
        Number(r.cachedSize),
        Text(r.headers),
        Text(r.redirectTo),
        r.damage.empty() ? RecordField{} : Word(r.damage),
    };
}

}  // namespace tessaly
