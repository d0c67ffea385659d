#pragma once

#include <string>
#include <string_view>

namespace tessaly::test {

// A chain of folders with long names below `base`, deep enough that its path
// is longer than the system takes at once (PATH_MAX), for tests of paths that
// must be opened one folder at a time. Made and removed with openat only;
// removed with all it holds when the object goes out of scope.
class LongFolder {
  public:
    explicit LongFolder(std::string base);
    ~LongFolder();
    LongFolder(const LongFolder&) = delete;
    LongFolder& operator=(const LongFolder&) = delete;

    bool made() const { return deepest_ >= 0; }
    // The deepest folder, without a trailing separator.
    const std::string& path() const { return path_; }
    std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }
    // Creates or replaces the file `name` in the deepest folder; false when it cannot.
    bool write(std::string_view name, std::string_view bytes) const;
    // The content of the file `name` in the deepest folder; empty when it cannot be read.
    std::string read(std::string_view name) const;

  private:
    std::string base_;
    std::string path_;
    int deepest_ = -1;
};

}  // namespace tessaly::test
