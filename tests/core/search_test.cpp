#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/search/index_search.h"
#include "platform/mount_table.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::TempDir;

// Records what the walk reports; can raise the stop flag after the first file.
class Recorder final : public WalkSink {
  public:
    explicit Recorder(std::atomic<bool>* stopAfterFirstFile = nullptr)
        : stopAfterFirstFile_(stopAfterFirstFile) {}

    void enteringFolder(const std::string& base) override { bases.push_back(base); }
    void fileFound(const FoundFile& file) override {
        files.push_back(file);
        locations.push_back(file.location);
        if (stopAfterFirstFile_ != nullptr) stopAfterFirstFile_->store(true);
        if (onFile) onFile();
    }

    std::vector<std::string> sortedLocations() const {
        std::vector<std::string> sorted = locations;
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    }

    std::vector<FoundFile> files;
    std::vector<std::string> locations;
    std::vector<std::string> bases;
    std::function<void()> onFile;

  private:
    std::atomic<bool>* stopAfterFirstFile_;
};

Recorder Walk(const std::string& root) {
    Recorder recorder;
    const std::atomic<bool> stop{false};
    SearchFolderTree(root, recorder, stop);
    return recorder;
}

void MakeFolder(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path; }

void MakeLink(const std::string& target, const std::string& link) {
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0) << link;
}

// The entries of `folder` in the order the directory read gives them, each with whether it
// is a folder (links are not).
std::vector<std::pair<std::string, bool>> EntriesInReadOrder(const std::string& folder) {
    std::vector<std::pair<std::string, bool>> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return entries;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat info {};
        const std::string name = entry->d_name;
        if (::lstat((folder + "/" + name).c_str(), &info) == 0) {
            entries.emplace_back(name, S_ISDIR(info.st_mode));
        }
    }
    ::closedir(dir);
    return entries;
}

// The files and bases a walk from `base` should report, worked out from the directory
// read's own order, for a tree of plain qualifying files and folders.
void ExpectedWalk(const std::string& base, std::vector<std::string>& files,
                  std::vector<std::string>& bases) {
    const auto entries = EntriesInReadOrder(base);
    for (const auto& [name, isFolder] : entries) {
        if (!isFolder) files.push_back(base + name);
    }
    for (const auto& [name, isFolder] : entries) {
        if (isFolder && name[0] != '.') {
            bases.push_back(base);
            ExpectedWalk(base + name + "/", files, bases);
        }
    }
}

// Handles this process holds open.
int OpenHandles() {
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) return -1;
    while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.';
    ::closedir(dir);
    return count - 1;  // the listing's own
}

TEST(QualifiesAsIndexFile, NameRules) {
    const struct {
        const char* name;
        bool qualifies;
    } cases[] = {
        {"index.dat", true},      {"Index.dat", true},
        {"INDEX.dat", true},      {"oldindex.dat", true},
        {".index.dat", true},     {"xINDEX.datindex.dat", true},
        {"INDEX.DAT", false},     {"index.DAT", false},
        {"index.dat.bak", false}, {"index.Dat", false},
        {"ndex.dat", false},      {"index_dat", false},
        {"index.da", false},      {"", false},
        {".dat", false},          {"iindex.dat", true},
        {"index.dat.dat", true},  {"indexXdat.dat", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QualifiesAsIndexFile(c.name), c.qualifies) << c.name;
    }
}

TEST(FormatSizeKB, TwoDecimalsHalfAwayFromZero) {
    const struct {
        std::uint64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0.00"},
        {5, "0.00"},
        {6, "0.01"},     // 0.005859 rounds up
        {1152, "1.13"},  // exactly 1.125: halfway, away from zero
        {1126, "1.10"},  // 1.0996
        {1536, "1.50"},
        {32768, "32.00"},
        {1048576, "1024.00"},
        {1048575, "1024.00"},
        {102400000, "100000.00"},  // no grouping
        {3221225472ULL, "3145728.00"},
        {0xFFFFFFFFFFFFFFFFULL, "18014398509481984.00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatSizeKB(c.bytes), c.text) << c.bytes;
    }
}

TEST(PathText, AddBackslashAndTrimAtNull) {
    EXPECT_EQ(AddBackslash(""), "/");
    EXPECT_EQ(AddBackslash("/"), "/");
    EXPECT_EQ(AddBackslash("/tmp"), "/tmp/");
    EXPECT_EQ(AddBackslash("/tmp/"), "/tmp/");
    EXPECT_EQ(AddBackslash("C:\\"), "C:\\/");

    EXPECT_EQ(TrimAtNull(std::string_view("index.dat\0junk", 14)), "index.dat");
    EXPECT_EQ(TrimAtNull(std::string_view("\0x", 2)), "");
    EXPECT_EQ(TrimAtNull("no nul"), "no nul");
    EXPECT_EQ(DefaultSearchRoot(), "/");
}

TEST(VirtualMountPoints, PicksKernelFileSystemsLastMountWins) {
    const std::string table =
        "21 26 0:20 / /proc rw,relatime - proc proc rw\n"
        "22 26 0:21 / /sys rw,relatime shared:7 - sysfs sysfs rw\n"
        "26 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
        "25 23 0:23 / /dev/pts rw,relatime - devpts devpts rw\n"
        "30 22 0:27 / /sys/fs/cgroup rw,relatime - tmpfs tmpfs rw\n"
        "31 30 0:28 / /sys/fs/cgroup/cpu rw - cgroup cgroup rw,cpu\n"
        "40 26 0:40 / /mnt/with\\040space rw master:1 - proc proc rw\n"
        "41 26 0:41 / /mnt/over rw - proc proc rw\n"
        "42 26 0:42 / /mnt/over rw - ext4 /dev/vdb rw\n"
        "43 26 0:43 / /data/debug rw - debugfs none rw";  // no final newline
    EXPECT_EQ(VirtualMountPoints(table),
              (std::vector<std::string>{"/proc", "/sys", "/dev/pts", "/sys/fs/cgroup/cpu",
                                        "/mnt/with space", "/data/debug"}));
    EXPECT_TRUE(VirtualMountPoints("").empty());
    EXPECT_TRUE(VirtualMountPoints("garbage\n\n").empty());
}

TEST(VirtualMountsBelow, RelativeToTheFolder) {
    if (::access("/proc/self/mountinfo", R_OK) != 0) GTEST_SKIP() << "no mount table";
    const std::vector<std::string> below = VirtualMountsBelow("/");
    EXPECT_NE(std::find(below.begin(), below.end(), "proc"), below.end());
    TempDir dir;
    EXPECT_TRUE(VirtualMountsBelow(dir.path()).empty());
}

TEST(SearchFolderTree, ListsQualifyingNamesAndSkipsDotFolders) {
    TempDir dir;
    for (const char* name : {"index.dat", "Index.dat", "INDEX.dat", "oldindex.dat", ".index.dat",
                             "INDEX.DAT", "index.DAT", "index.dat.bak", "notes.txt",
                             ".cache/index.dat", "sub/index.dat", "sub/.hidden/index.dat"}) {
        dir.write(name, "x");
    }
    MakeFolder(dir.file("index.dat.d"));
    MakeFolder(dir.file("folder.index.dat"));  // a folder is never listed, whatever its name

    const Recorder found = Walk(dir.path());
    std::vector<std::string> expected;
    for (const char* name :
         {".index.dat", "INDEX.dat", "Index.dat", "index.dat", "oldindex.dat", "sub/index.dat"}) {
        expected.push_back(dir.file(name));
    }
    EXPECT_EQ(found.sortedLocations(), expected);
    for (const FoundFile& file : found.files) EXPECT_EQ(file.size, 1u) << file.location;
}

TEST(SearchFolderTree, RootWithOrWithoutTrailingSeparatorGivesTheSameLocations) {
    TempDir dir;
    dir.write("index.dat", "");
    dir.write("a/b/index.dat", "");
    const Recorder plain = Walk(dir.path());
    const Recorder trailing = Walk(dir.path() + "/");
    EXPECT_EQ(plain.locations, trailing.locations);
    EXPECT_EQ(plain.sortedLocations(),
              (std::vector<std::string>{dir.file("a/b/index.dat"), dir.file("index.dat")}));
    EXPECT_EQ(plain.bases, trailing.bases);
}

TEST(SearchFolderTree, RootThatIsNoFolderListsNothingAndSaysWhy) {
    TempDir dir;
    dir.write("index.dat", "x");
    MakeLink(dir.file("nowhere"), dir.file("dangling"));
    const std::pair<std::string, int> cases[] = {{dir.file("index.dat"), ENOTDIR},
                                                 {dir.file("missing"), ENOENT},
                                                 {dir.file("missing/deeper"), ENOENT},
                                                 {dir.file("dangling"), ENOENT}};
    for (const auto& [root, error] : cases) {
        Recorder found;
        const std::atomic<bool> stop{false};
        EXPECT_EQ(SearchFolderTree(root, found, stop).rootError, error) << root;
        EXPECT_TRUE(found.files.empty()) << root;
        EXPECT_TRUE(found.bases.empty()) << root;
    }
    Recorder found;
    const std::atomic<bool> stop{false};
    EXPECT_EQ(SearchFolderTree(dir.path(), found, stop).rootError, 0);
}

TEST(SearchFolderTree, FilesComeBeforeSubfoldersAndEachSubtreeIsFinishedFirst) {
    TempDir dir;
    // Enough files and folders at each level that the read order mixes them.
    for (const std::string folder : {"", "a/", "b/", "c/", "a/x/", "a/y/", "c/z/"}) {
        for (int i = 0; i < 6; ++i) dir.write(folder + std::to_string(i) + "index.dat", "");
    }
    std::vector<std::string> files;
    std::vector<std::string> bases;
    ExpectedWalk(dir.path() + "/", files, bases);
    ASSERT_EQ(files.size(), 42u);

    const Recorder found = Walk(dir.path());
    EXPECT_EQ(found.locations, files);
    // The base shown before each descent is the folder being walked, not the subfolder.
    EXPECT_EQ(found.bases, bases);
}

TEST(SearchFolderTree, LinksBelowTheRootAreNotEntered) {
    TempDir dir;
    dir.write("real/a/index.dat", "");
    dir.write("real/target.bin", std::string(2048, 'x'));
    MakeLink(dir.file("real"), dir.file("real/a/loop"));  // back up to an ancestor
    MakeLink(dir.file("real/a"), dir.file("real/shortcut"));
    MakeLink(dir.file("real/target.bin"), dir.file("real/index.dat"));
    MakeLink(dir.file("real/gone"), dir.file("real/oldindex.dat"));
    MakeLink(dir.file("real/a"), dir.file("real/Index.dat"));
    MakeLink(dir.file("real"), dir.file("root-link"));

    const Recorder found = Walk(dir.file("real"));
    ASSERT_EQ(found.sortedLocations(),
              (std::vector<std::string>{dir.file("real/a/index.dat"), dir.file("real/index.dat")}));
    // A link to a file is listed with the size of the file it points to.
    for (const FoundFile& file : found.files) {
        EXPECT_EQ(file.size, file.location == dir.file("real/index.dat") ? 2048u : 0u);
    }

    // The root itself may be a link: it is walked, and named as typed.
    const Recorder viaLink = Walk(dir.file("root-link"));
    EXPECT_EQ(viaLink.sortedLocations(),
              (std::vector<std::string>{dir.file("root-link/a/index.dat"),
                                        dir.file("root-link/index.dat")}));
}

TEST(SearchFolderTree, FolderOf250EntriesAndBigSparseFileAndRawNames) {
    TempDir dir;
    std::vector<std::string> expected;
    for (int i = 0; i < 125; ++i) {
        const std::string file = std::to_string(i) + (i % 5 == 0 ? "index.dat" : ".txt");
        dir.write("big/" + file, "");
        if (i % 5 == 0) expected.push_back(dir.file("big/" + file));
        dir.write("big/sub" + std::to_string(i) + "/index.dat", "");
        expected.push_back(dir.file("big/sub" + std::to_string(i) + "/index.dat"));
    }
    const std::string raw = "\xff\xfe\x80-index.dat";  // not valid UTF-8
    dir.write("big/" + raw, "");
    expected.push_back(dir.file("big/" + raw));

    const std::string sparse = dir.file("big/sub7/oldindex.dat");
    const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 3221225472LL), 0);
    ::close(fd);
    expected.push_back(sparse);
    std::sort(expected.begin(), expected.end());

    const Recorder found = Walk(dir.path());
    EXPECT_EQ(found.sortedLocations(), expected);
    const auto big = std::find_if(found.files.begin(), found.files.end(),
                                  [&](const FoundFile& f) { return f.location == sparse; });
    ASSERT_NE(big, found.files.end());
    EXPECT_EQ(big->size, 3221225472ULL);
    EXPECT_EQ(FormatSizeKB(big->size), "3145728.00");
}

// Removes a chain of folders named "d" below `folder`, each holding at most empty folders
// "c" and "e" or a file "index.dat" beside the next, without ever naming a path longer than two
// components.
void RemoveChain(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    while (::faccessat(fd, "d", F_OK, AT_SYMLINK_NOFOLLOW) == 0) {
        ::unlinkat(fd, "d/c", AT_REMOVEDIR);
        ::unlinkat(fd, "d/e", AT_REMOVEDIR);
        if (::renameat(fd, "d/d", fd, "next") != 0) {  // the last link of the chain
            ::unlinkat(fd, "d/index.dat", 0);
            ASSERT_EQ(::unlinkat(fd, "d", AT_REMOVEDIR), 0);
            break;
        }
        ::unlinkat(fd, "d/index.dat", 0);
        ASSERT_EQ(::unlinkat(fd, "d", AT_REMOVEDIR), 0);
        ASSERT_EQ(::renameat(fd, "next", fd, "d"), 0);
    }
    ::close(fd);
}

// Removes the chain when the test ends, however it ends, before TempDir tries and fails
// on paths longer than the system takes.
struct ChainRemover {
    const std::string& folder;
    ~ChainRemover() { RemoveChain(folder); }
};

// While it lives, TempDirs are made in memory where the system offers that (/dev/shm): on a
// disk mounted with online discard, removing ten thousand folders takes half a minute.
class ScratchInMemory {
  public:
    ScratchInMemory() {
        if (::access("/dev/shm", W_OK | X_OK) != 0) return;
        active_ = true;
        const char* previous = std::getenv("TMPDIR");
        if (previous != nullptr) previous_ = previous;
        hadPrevious_ = previous != nullptr;
        ::setenv("TMPDIR", "/dev/shm", 1);
    }
    ~ScratchInMemory() {
        if (!active_) return;
        if (hadPrevious_) {
            ::setenv("TMPDIR", previous_.c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    ScratchInMemory(const ScratchInMemory&) = delete;
    ScratchInMemory& operator=(const ScratchInMemory&) = delete;

  private:
    bool active_ = false;
    bool hadPrevious_ = false;
    std::string previous_;
};

TEST(SearchFolderTree, TenThousandLevelsDeep) {
    constexpr int kDepth = 10'000;
    // A bare chain, and a chain with empty sibling folders "c" and "e" beside each "d": where
    // the read gives a sibling after "d", the walk must come back to that level from below.
    for (const bool withSiblings : {false, true}) {
        SCOPED_TRACE(withSiblings ? "with siblings" : "bare chain");
        const ScratchInMemory inMemory;
        const TempDir dir;
        const ChainRemover remover{dir.path()};
        int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        std::string bottom = dir.path();
        for (int level = 0; level < kDepth; ++level) {
            // Siblings made before and after "d", so that some are read after it whether the
            // file system lists names newest first or in hash order.
            if (withSiblings) {
                ASSERT_EQ(::mkdirat(fd, "c", 0755), 0) << level;
            }
            ASSERT_EQ(::mkdirat(fd, "d", 0755), 0) << level;
            if (withSiblings) {
                ASSERT_EQ(::mkdirat(fd, "e", 0755), 0) << level;
            }
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            ASSERT_GE(next, 0) << level;
            fd = next;
            bottom += "/d";
        }
        const int file = ::openat(fd, "index.dat", O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(file, 0);
        ::close(file);
        ::close(fd);

        const int before = OpenHandles();
        int heldAtTheBottom = 0;
        Recorder found;
        found.onFile = [&] { heldAtTheBottom = OpenHandles() - before; };
        const std::atomic<bool> stop{false};
        SearchFolderTree(dir.path(), found, stop);

        ASSERT_EQ(found.locations, std::vector<std::string>{bottom + "/index.dat"});
        EXPECT_EQ(found.bases.size(), static_cast<std::size_t>(withSiblings ? 3 * kDepth : kDepth));
        EXPECT_LT(heldAtTheBottom, 64) << "handles held grow with the depth";
        EXPECT_EQ(OpenHandles(), before);
    }
}

TEST(SearchFolderTree, StopEndsTheWalkAndClosesEveryHandle) {
    TempDir dir;
    for (const char* name : {"index.dat", "1index.dat", "2index.dat", "a/index.dat",
                             "a/b/index.dat", "a/b/c/index.dat", "z/index.dat"}) {
        dir.write(name, "");
    }
    const int before = OpenHandles();

    std::atomic<bool> stop{false};
    Recorder stopsAtOnce(&stop);
    SearchFolderTree(dir.path(), stopsAtOnce, stop);
    EXPECT_EQ(stopsAtOnce.files.size(), 1u);
    EXPECT_TRUE(stopsAtOnce.bases.empty());

    // Stopped in the middle of a deeper folder.
    stop = false;
    Recorder deep;
    deep.onFile = [&] { stop = deep.locations.back() == dir.file("a/b/index.dat"); };
    SearchFolderTree(dir.path(), deep, stop);
    EXPECT_EQ(deep.locations.back(), dir.file("a/b/index.dat"));
    EXPECT_EQ(std::count(deep.locations.begin(), deep.locations.end(), dir.file("a/b/c/index.dat")),
              0);

    // Raised before the walk: nothing at all.
    stop = true;
    Recorder none;
    SearchFolderTree(dir.path(), none, stop);
    EXPECT_TRUE(none.files.empty());
    EXPECT_TRUE(none.bases.empty());

    EXPECT_EQ(OpenHandles(), before);
}

}  // namespace
}  // namespace tessaly
