// The record exports: what each format writes for records whose texts hold
// every character a format must escape.
#include "core/export/record_export.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

namespace tessaly {
namespace {

using namespace std::string_literals;

// A cache record with a tab, newline, backslash, comma, quote, a Windows-1252
// euro sign (0x80) and a control byte in its location, CR LF in its headers,
// a '|' in its user and a path that is not UTF-8.
Record Tricky() {
    static const std::string location = "http://h/a\tb\nc\\d,\"e\x80\x01";
    Record r;
    r.file = "/ev/dir\xff/index.dat";
    r.offset = 24576;
    r.type = RecordType::Url;
    r.status = RecordStatus::Live;
    r.allocated = Allocation::Partly;
    r.blocks = 3;
    r.location = location;
    r.user = "jo|hn";
    r.url = location;
    r.kind = RecordKind::Cache;
    r.primaryTime = {TimeForm::FileTime, 130073741426616680, false};
    r.secondaryTime = {TimeForm::FileTime, 130073739099991434, false};
    r.expiryTime = {TimeForm::FatTime, 0xAC893F2D, false};
    r.lastCheckedTime = {TimeForm::FatTime, 0, false};
    r.hits = 7;
    r.cacheFolder = "1AB2C3D4";
    r.cacheFile = "a[1].htm";
    r.cachedSize = 1234;
    r.headers = "HTTP/1.1 200 OK\r\n\r\n";
    return r;
}

// A REDR record leading elsewhere, with a damage note: most fields missing.
Record Redirect() {
    Record r;
    r.file = "i.dat";
    r.offset = 27392;
    r.type = RecordType::Redirect;
    r.status = RecordStatus::Recovered;
    r.allocated = Allocation::No;
    r.blocks = 1;
    r.location = "http://go/";
    r.url = r.location;
    r.redirectTo = "http://there/";
    r.damage = "its 1 blocks run past the end of the file; read the 100 bytes there are";
    return r;
}

Record Fragment() {
    Record r;
    r.file = "i.dat";
    r.offset = 99;
    r.type = RecordType::None;
    r.status = RecordStatus::Fragment;
    r.allocated = Allocation::No;
    r.location = "Visited: eve@http://slack/";
    r.user = "eve";
    r.url = "http://slack/";
    r.kind = RecordKind::History;
    return r;
}

std::string Export(std::string_view format) {
    const RecordExportFormat* f = FindRecordExportFormat(format);
    EXPECT_NE(f, nullptr) << format;
    std::ostringstream out;
    const auto writer = f->make(out, "/ev/dir\xff");
    writer->begin();
    for (const Record& r : {Tricky(), Redirect(), Fragment()}) writer->write(r);
    writer->end();
    return out.str();
}

const std::string kEuro = "\xE2\x82\xAC";

TEST(RecordExport, Tsv) {
    const std::string header =
        "file\toffset\ttype\tstatus\tallocated\tblocks\tlocation\tuser\turl\tkind\tprimary_time\t"
        "secondary_time\texpiry_time\tlast_checked_time\thits\tcache_folder\tcache_file\t"
        "cached_size\theaders\tredirect_to\tdamage\n";
    const std::string location = "http://h/a\\tb\\nc\\\\d,\"e" + kEuro + "\x01";
    EXPECT_EQ(
        Export("tsv"),
        header + "/ev/dir\xff/index.dat\t24576\tURL\tlive\tpartly\t3\t" + location + "\tjo|hn\t" +
            location +
            "\tcache\t2013-03-10T07:29:02.6616680Z\t2013-03-10T07:25:09.9991434Z\t"
            "2011-09-13T21:36:18Z\t\t7\t1AB2C3D4\ta[1].htm\t1234\t"
            "HTTP/1.1 200 OK\\r\\n\\r\\n\t\t\n"
            "i.dat\t27392\tREDR\trecovered\tno\t1\thttp://go/\t\thttp://go/\tcache\t\t\t\t\t\t"
            "\t\t\t\thttp://there/\tits 1 blocks run past the end of the file; read the 100 "
            "bytes there are\n"
            "i.dat\t99\t\tfragment\tno\t\tVisited: eve@http://slack/\teve\thttp://slack/\t"
            "history\t\t\t\t\t\t\t\t\t\t\t\n");
}

TEST(RecordExport, CsvAfterRfc4180) {
    const std::string text = Export("csv");
    const std::string header =
        "file,offset,type,status,allocated,blocks,location,user,url,kind,primary_time,"
        "secondary_time,expiry_time,last_checked_time,hits,cache_folder,cache_file,cached_size,"
        "headers,redirect_to,damage\r\n";
    const std::string location = "\"http://h/a\tb\nc\\d,\"\"e" + kEuro + "\x01\"";
    EXPECT_EQ(text, header + "/ev/dir\xff/index.dat,24576,URL,live,partly,3," + location +
                        ",jo|hn," + location +
                        ",cache,2013-03-10T07:29:02.6616680Z,2013-03-10T07:25:09.9991434Z,"
                        "2011-09-13T21:36:18Z,,7,1AB2C3D4,a[1].htm,1234,"
                        "\"HTTP/1.1 200 OK\r\n\r\n\",,\r\n"
                        "i.dat,27392,REDR,recovered,no,1,http://go/,,http://go/,cache,,,,,,,,,,"
                        "http://there/,its 1 blocks run past the end of the file; read the 100 "
                        "bytes there are\r\n"
                        "i.dat,99,,fragment,no,,Visited: eve@http://slack/,eve,http://slack/,"
                        "history,,,,,,,,,,,\r\n");
}

TEST(RecordExport, JsonLinesAreUtf8WithNulls) {
    const std::string location = "http://h/a\\tb\\nc\\\\d,\\\"e" + kEuro + "\\u0001";
    EXPECT_EQ(Export("jsonl"),
              "{\"file\":\"/ev/dir\xEF\xBF\xBD/index.dat\",\"offset\":24576,\"type\":\"URL\","
              "\"status\":\"live\",\"allocated\":\"partly\",\"blocks\":3,\"location\":\"" +
                  location + "\",\"user\":\"jo|hn\",\"url\":\"" + location +
                  "\",\"kind\":\"cache\",\"primary_time\":\"2013-03-10T07:29:02.6616680Z\","
                  "\"secondary_time\":\"2013-03-10T07:25:09.9991434Z\","
                  "\"expiry_time\":\"2011-09-13T21:36:18Z\",\"last_checked_time\":null,"
                  "\"hits\":7,\"cache_folder\":\"1AB2C3D4\",\"cache_file\":\"a[1].htm\","
                  "\"cached_size\":1234,\"headers\":\"HTTP/1.1 200 OK\\r\\n\\r\\n\","
                  "\"redirect_to\":null,\"damage\":null}\n"
                  "{\"file\":\"i.dat\",\"offset\":27392,\"type\":\"REDR\",\"status\":\"recovered\","
                  "\"allocated\":\"no\",\"blocks\":1,\"location\":\"http://go/\",\"user\":\"\","
                  "\"url\":\"http://go/\",\"kind\":\"cache\",\"primary_time\":null,"
                  "\"secondary_time\":null,\"expiry_time\":null,\"last_checked_time\":null,"
                  "\"hits\":null,\"cache_folder\":null,\"cache_file\":null,\"cached_size\":null,"
                  "\"headers\":null,\"redirect_to\":\"http://there/\",\"damage\":\"its 1 blocks "
                  "run past the end of the file; read the 100 bytes there are\"}\n"
                  "{\"file\":\"i.dat\",\"offset\":99,\"type\":null,\"status\":\"fragment\","
                  "\"allocated\":\"no\",\"blocks\":null,\"location\":\"Visited: "
                  "eve@http://slack/\",\"user\":\"eve\",\"url\":\"http://slack/\","
                  "\"kind\":\"history\",\"primary_time\":null,\"secondary_time\":null,"
                  "\"expiry_time\":null,\"last_checked_time\":null,\"hits\":null,"
                  "\"cache_folder\":null,\"cache_file\":null,\"cached_size\":null,"
                  "\"headers\":null,\"redirect_to\":null,\"damage\":null}\n");
}

TEST(RecordExport, BodyfileForMactime) {
    EXPECT_EQ(
        Export("bodyfile"),
        "0|MSIE cache URL live: http://h/a%09b%0Ac\\d,\"e" + kEuro +
            "%01 (/ev/dir\xff/index.dat offset 24576)|0|0|0|0|1234|1362900542|1362900309|0|0\n"
            "0|MSIE cache REDR recovered: http://go/ (i.dat offset 27392)|0|0|0|0|0|0|0|0|0\n"
            "0|MSIE fragment: Visited: eve@http://slack/ (i.dat offset 99)|0|0|0|0|0|0|0|0|0\n");
    // Local times have no place in a UTC timeline; a weekly file's primary
    // time is when the file was made.
    Record daily = Tricky();
    daily.kind = RecordKind::DailyHistory;
    daily.secondaryTime.local = true;
    Record weekly = daily;
    weekly.kind = RecordKind::WeeklyHistory;
    std::ostringstream out;
    const auto writer = FindRecordExportFormat("bodyfile")->make(out, "");
    writer->write(daily);
    writer->write(weekly);
    writer->end();
    const std::string text = out.str();
    EXPECT_NE(text.find("|1234|1362900542|0|0|0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("|1234|0|0|0|1362900542\n"), std::string::npos) << text;
}

TEST(RecordExport, HtmlPageIsSelfContainedAndEscaped) {
    const std::string page = Export("html");
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"));
    EXPECT_NE(page.find("<title>Tessaly records: /ev/dir\xEF\xBF\xBD</title>"), std::string::npos);
    EXPECT_NE(page.find("<td>http://h/a\tb\nc\\d,&quot;e" + kEuro + "\x01</td>"),
              std::string::npos);
    EXPECT_NE(page.find("<td>/ev/dir\xEF\xBF\xBD/index.dat</td>"), std::string::npos);
    EXPECT_NE(page.find("<th>redirect_to</th>"), std::string::npos);
    EXPECT_TRUE(page.ends_with("</tbody>\n</table>\n</body></html>\n"));
    for (const char* remote : {"<script", "src=", "href=", "<link", "@import", "url("}) {
        EXPECT_EQ(page.find(remote), std::string::npos) << remote;
    }
    // Markup in a record is text, not markup.
    Record r = Tricky();
    r.location = "<img src=x onerror=alert(1)>&amp;";
    std::ostringstream out;
    const auto writer = FindRecordExportFormat("html")->make(out, "<b>");
    writer->begin();
    writer->write(r);
    writer->end();
    EXPECT_NE(out.str().find("<td>&lt;img src=x onerror=alert(1)&gt;&amp;amp;</td>"),
              std::string::npos);
    EXPECT_NE(out.str().find("<h1>Tessaly records: &lt;b&gt;</h1>"), std::string::npos);
}

TEST(RecordExport, TableNamesEveryFormatOnce) {
    std::set<std::string_view> names, extensions;
    for (const auto& f : RecordExportFormats()) {
        EXPECT_TRUE(names.insert(f.name).second) << f.name;
        EXPECT_TRUE(extensions.insert(f.extension).second) << f.extension;
        EXPECT_EQ(FindRecordExportFormat(f.name), &f);
    }
    EXPECT_EQ(names, (std::set<std::string_view>{"tsv", "csv", "jsonl", "bodyfile", "html"}));
    EXPECT_EQ(FindRecordExportFormat("xml"), nullptr);
}

}  // namespace
}  // namespace tessaly
