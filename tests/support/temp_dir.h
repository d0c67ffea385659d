#pragma once

#include <string>
#include <string_view>

namespace tessaly::test {

// A fresh folder under the system's temporary folder, removed with all it holds
// when the object goes out of scope (folders a test made read-only included).
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing separator.
    const std::string& path() const;
    // path() + separator + name; name may hold further separators.
    std::string file(std::string_view name) const;
    // Creates or replaces the file `name` with exactly these bytes (parent folders are made).
    void write(std::string_view name, std::string_view bytes) const;
    // The whole content of the file `name`; throws std::runtime_error when it cannot be read.
    std::string read(std::string_view name) const;

  private:
    std::string path_;
};

}  // namespace tessaly::test
