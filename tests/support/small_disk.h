#pragma once

#include <string>

namespace tessaly::test {

// A tiny tmpfs mounted on an existing folder for as long as the object lives,
// to see what the program does when a disk is full. Mounting needs rights
// the tests may not have: check mounted() and skip when it is false.
class SmallDisk {
  public:
    SmallDisk(std::string folder, unsigned sizeKiB);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    // Takes every free byte with a file named "filler"; true when the disk is then full.
    bool fill() const;

  private:
    std::string folder_;
    bool mounted_ = false;
};

}  // namespace tessaly::test
