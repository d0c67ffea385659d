#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace tessaly::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
#ifdef _WIN32
    // No mkdtemp: a random name, taken only when create_directory made it.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const fs::path candidate = base / ("tessaly-test-" + std::to_string(random()));
        if (fs::create_directory(candidate, ec)) path_ = candidate.string();
    }
    if (path_.empty()) {
        throw std::runtime_error("cannot create a temporary folder under " + base.string());
    }
#else
    std::string pattern = (base / "tessaly-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary folder under " + base.string());
    }
    path_ = buffer.data();
#endif
}

TempDir::~TempDir() {
    std::error_code ec;
    if (fs::remove_all(path_, ec) != static_cast<std::uintmax_t>(-1) && !ec) return;
    // A test may have taken the rights away from a folder: give them back, then retry.
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto it = fs::recursive_directory_iterator(
             path_, fs::directory_options::skip_permission_denied, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    fs::remove_all(path_, ec);
}

const std::string& TempDir::path() const { return path_; }

std::string TempDir::file(std::string_view name) const { return path_ + "/" + std::string(name); }

void TempDir::write(std::string_view name, std::string_view bytes) const {
    const fs::path target = file(name);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + target.string());
}

std::string TempDir::read(std::string_view name) const {
    const std::string target = file(name);
    std::ifstream in(target, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + target);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tessaly::test
