#include "core/actions/result_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <streambuf>

#include "core/app/ascii_case.h"
#include "core/app/identity.h"
#include "core/extract/codepage.h"

namespace tessaly {

namespace {

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

SaveLayout LayoutForFileName(std::string_view fileName) {
    constexpr std::string_view kHtml = "html";
    return fileName.size() >= kHtml.size() &&
                   EqualNoCase(fileName.substr(fileName.size() - kHtml.size()), kHtml)
               ? SaveLayout::Html
               : SaveLayout::Plain;
}

void WritePlainContents(std::ostream& out, const ContentsRows& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) out << rows.row(i) << kCrLf;
}

void WritePlainFiles(std::ostream& out, std::span<const IndexFileRow> rows,
                     const std::function<std::string(const std::string&)>& dosPath) {
    for (const auto& row : rows) {
        out << row.location << kCrLf << "DOS Path: " << dosPath(row.location) << kCrLf
            << "Size: " << row.sizeText << kCrLf << kCrLf;
    }
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

void WriteHtml(std::ostream& out, std::string_view contentsFile, std::size_t count,
               const std::function<std::string_view(std::size_t)>& item, HtmlItems items) {
    // The whole page is UTF-8, says so before anything else, and holds its
    // style itself: opened from disk it fetches nothing.
    const std::string heading = std::string(kTitle) + " extraction results for: " +
                                EscapeHtml(NativeToUtf8(UpToNul(contentsFile)));
    out << "<html><head><meta charset=\"utf-8\"><title>" << heading << "</title>" << kCrLf
        << "<style>body { font-family: Verdana, Arial, sans-serif; font-size: 10pt; } "
           "h2 { font-size: 12pt; } a { color: #003399; }</style>"
        << kCrLf << "<meta name=\"Generator\" content=\"" << kTitle << ' ' << VersionText() << "\">"
        << kCrLf << "</head><body><h2><center>" << heading << "</center></h2>" << kCrLf << kCrLf;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view shown = UpToNul(item(i));
        const std::string x =
            EscapeHtml(items == HtmlItems::Entries ? Cp1252ToUtf8(shown) : NativeToUtf8(shown));
        out << "<a href=\"" << x << "\" target=\"_blank\">" << x << "</a><br>" << kCrLf << kCrLf;
    }
    out << "</body></html>" << kCrLf;
}

namespace {

// An output buffer over a POSIX file descriptor that keeps the first error.
class FdBuf : public std::streambuf {
  public:
    explicit FdBuf(int fd) : fd_(fd) { setp(buf_.data(), buf_.data() + buf_.size()); }
    int error() const { return error_; }

  protected:
    int_type overflow(int_type ch) override {
        if (!drain()) return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }
    int sync() override { return drain() ? 0 : -1; }

  private:
    bool drain() {
        const char* p = pbase();
        while (p < pptr() && error_ == 0) {
            const ssize_t n = ::write(fd_, p, static_cast<std::size_t>(pptr() - p));
            if (n < 0) {
                if (errno != EINTR) error_ = errno;
            } else {
                p += n;
            }
        }
        setp(buf_.data(), buf_.data() + buf_.size());
        return error_ == 0;
    }

    int fd_;
    int error_ = 0;
    std::array<char, 64 * 1024> buf_{};
};

// Creates a new file beside `target` with the target's permissions (or the
// usual ones for a new file), returning its descriptor or -1 with errno set.
int CreateBeside(const std::string& target, std::string& tempPath) {
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        tempPath = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (exists) (void)::fchmod(fd, st.st_mode & 07777);
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

SaveResult Failed(int error) { return {false, std::strerror(error)}; }

}  // namespace

SaveResult SaveAtomically(const std::string& target,
                          const std::function<void(std::ostream&)>& write) {
    std::string tempPath;
    const int fd = CreateBeside(target, tempPath);
    if (fd < 0) return Failed(errno);

    // Until the rename succeeds the new file is removed on every way out.
    struct Cleanup {
        const std::string& path;
        int fd;
        bool keep = false;
        ~Cleanup() {
            if (fd >= 0) ::close(fd);
            if (!keep) ::unlink(path.c_str());
        }
    } cleanup{tempPath, fd};

    FdBuf buf(fd);
    {
        std::ostream out(&buf);
        write(out);
        out.flush();
    }
    if (buf.error() != 0) return Failed(buf.error());
    if (::fsync(fd) != 0) return Failed(errno);
    cleanup.fd = -1;
    if (::close(fd) != 0) return Failed(errno);
    if (std::rename(tempPath.c_str(), target.c_str()) != 0) return Failed(errno);
    cleanup.keep = true;
    return {};
}

}  // namespace tessaly
