// What every implementation of the platform layer must do, in the same terms
// on every system: the same cases run against the POSIX files on Linux and
// against the Win32 files under Windows (or Wine). Only the standard library
// makes the fixtures, so the suite builds wherever the platform layer does.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "platform/byte_source.h"
#include "platform/dos_path.h"
#include "platform/files.h"
#include "platform/folder_walk.h"
#include "platform/safe_save.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kSep = '\\';
#else
constexpr char kSep = '/';
#endif

// A fresh folder, removed with all it holds at the end of the test.
class Folder {
  public:
    Folder() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("tessaly-contract-" + std::to_string(random()));
        fs::create_directories(path_);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // The folder's path in the platform's own spelling (UTF-8, no trailing
    // separator).
    std::string path() const { return Text(path_); }
    // path() + separator + name, `name` written with '/'.
    std::string file(const std::string& name) const { return Text(path_ / fs::u8path(name)); }
    void write(const std::string& name, const std::string& bytes) const {
        const fs::path at = path_ / fs::u8path(name);
        fs::create_directories(at.parent_path());
        std::ofstream(at, std::ios::binary) << bytes;
    }
    std::string read(const std::string& name) const {
        std::ifstream in(path_ / fs::u8path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    static std::string Text(fs::path p) {
        const auto u8 = p.make_preferred().u8string();
        return {u8.begin(), u8.end()};
    }
    fs::path path_;
};

// Wants names ending in ".dat"; enters every folder not named "skip*".
class Recorder final : public FolderVisitor {
  public:
    bool wantsFile(std::string_view name) const override { return name.ends_with(".dat"); }
    bool entersFolder(std::string_view name) const override { return !name.starts_with("skip"); }
    void enteringFolder(const std::string& base) override { entered.push_back(base); }
    void fileFound(const std::string& path, std::uint64_t size) override {
        found.push_back(path);
        sizes.push_back(size);
    }
    std::vector<std::string> entered;
    std::vector<std::string> found;
    std::vector<std::uint64_t> sizes;
};

// A name long enough that paths below it pass the 260 characters of MAX_PATH.
std::string LongChain() {
    const std::string part(60, 'l');
    return part + "1/" + part + "2/" + part + "3/" + part + "4/" + part + "5";
}

TEST(PlatformWalk, DepthFirstFilesBeforeSubfoldersRulesFromTheVisitor) {
    Folder root;
    root.write("a.dat", "12345");
    root.write("a.txt", "");
    root.write("x/b.dat", "");
    root.write("x/y/c.dat", "123");
    root.write("skipped/d.dat", "");
    root.write("x/y/z/e.dat.bak", "");
    std::atomic<bool> stop{false};
    for (const std::string& typed : {root.path(), root.path() + kSep}) {
        Recorder visitor;
        ASSERT_TRUE(WalkFolders(typed, visitor, stop).ok()) << typed;
        const std::string base = root.path() + kSep;
        EXPECT_EQ(visitor.found, (std::vector<std::string>{base + "a.dat", root.file("x/b.dat"),
                                                           root.file("x/y/c.dat")}));
        EXPECT_EQ(visitor.sizes, (std::vector<std::uint64_t>{5, 0, 3}));
        // Called with the base of the folder being walked, before each descent
        // (the visitor's refusals included, "skipped" is not entered).
        for (const std::string& entered : visitor.entered) {
            EXPECT_TRUE(entered == base || entered == root.file("x") + kSep ||
                        entered == root.file("x/y") + kSep)
                << entered;
        }
    }
}

TEST(PlatformWalk, RootThatIsNoFolderFailsWithTheSystemsReason) {
    Folder root;
    root.write("file.dat", "");
    std::atomic<bool> stop{false};
    struct Case {
        std::string root;
        int number;
    };
    for (const Case& c :
         {Case{root.file("absent"), ENOENT}, Case{root.file("file.dat"), ENOTDIR}}) {
        Recorder visitor;
        const Result<void> walked = WalkFolders(c.root, visitor, stop);
        ASSERT_FALSE(walked.ok()) << c.root;
        EXPECT_EQ(walked.error().number, c.number) << c.root;
        EXPECT_FALSE(walked.error().description.empty());
        EXPECT_TRUE(visitor.found.empty());
    }
}

TEST(PlatformWalk, StopSetBeforehandReportsNothing) {
    Folder root;
    root.write("x/a.dat", "");
    std::atomic<bool> stop{true};
    Recorder visitor;
    EXPECT_TRUE(WalkFolders(root.path(), visitor, stop).ok());
    EXPECT_TRUE(visitor.found.empty());
}

TEST(PlatformWalk, PathsLongerThanMaxPath) {
    Folder root;
    root.write(LongChain() + "/deep.dat", "xy");
    std::atomic<bool> stop{false};
    Recorder visitor;
    ASSERT_TRUE(WalkFolders(root.path(), visitor, stop).ok());
    ASSERT_EQ(visitor.found, std::vector<std::string>{root.file(LongChain() + "/deep.dat")});
    EXPECT_GT(visitor.found[0].size(), 300u);
    EXPECT_EQ(visitor.sizes[0], 2u);
}

// Makes `link` a symbolic link to `target`; false where the system cannot
// (Wine 8 reports success and makes nothing).
bool MakeLink(const std::string& target, const std::string& link, bool folder) {
#ifdef _WIN32
    const DWORD flags =
        (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    return ::CreateSymbolicLinkW(fs::u8path(link).c_str(), fs::u8path(target).c_str(), flags) &&
           ::GetFileAttributesW(fs::u8path(link).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    std::error_code ec;
    if (folder) {
        fs::create_directory_symlink(fs::u8path(target), fs::u8path(link), ec);
    } else {
        fs::create_symlink(fs::u8path(target), fs::u8path(link), ec);
    }
    return !ec;
#endif
}

// A link to a folder below the root is never entered (a junction or symbolic
// link on Windows); a link to a wanted file is reported with its target's
// size, a dangling one is left out.
TEST(PlatformWalk, LinksBelowTheRootAreNotEntered) {
    Folder root;
    root.write("real/inside.dat", "1234");
    if (!MakeLink(root.file("real"), root.file("link"), true)) {
        GTEST_SKIP() << "no symbolic links here";
    }
    ASSERT_TRUE(MakeLink(root.file("real/inside.dat"), root.file("to.dat"), false));
    ASSERT_TRUE(MakeLink(root.file("gone.txt"), root.file("dangling.dat"), false));
    std::atomic<bool> stop{false};
    Recorder visitor;
    ASSERT_TRUE(WalkFolders(root.path(), visitor, stop).ok());
    std::vector<std::string> found = visitor.found;
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{root.file("real/inside.dat"), root.file("to.dat")}));
    for (const std::uint64_t size : visitor.sizes) EXPECT_EQ(size, 4u);
}

TEST(PlatformFiles, FileSourceReadsAtAnyOffset) {
    Folder root;
    root.write("index.dat", "0123456789");
    root.write(LongChain() + "/index.dat", "0123456789");
    for (const std::string& path :
         {root.file("index.dat"), root.file(LongChain() + "/index.dat")}) {
        auto source = OpenFileSource(path);
        ASSERT_TRUE(source.ok()) << path << ": " << source.error().description;
        EXPECT_EQ((*source)->size(), 10u);
        std::string into(4, '-');
        const auto bytes = [&into] {
            return std::span(reinterpret_cast<unsigned char*>(into.data()), into.size());
        };
        struct Read {
            std::uint64_t offset;
            std::size_t got;
            std::string bytes;
        };
        for (const Read& r :
             {Read{0, 4, "0123"}, Read{7, 3, "789"}, Read{10, 0, ""}, Read{1000, 0, ""}}) {
            into.assign(4, '-');
            const Result<std::size_t> got = (*source)->readAt(r.offset, bytes());
            ASSERT_TRUE(got.ok()) << r.offset;
            EXPECT_EQ(*got, r.got) << r.offset;
            EXPECT_EQ(into.substr(0, *got), r.bytes) << r.offset;
        }
    }
}

TEST(PlatformFiles, FileSourceRefusesWhatIsNoRegularFile) {
    Folder root;
    struct Case {
        std::string path;
        int number;
    };
    for (const Case& c : {Case{root.file("absent.dat"), ENOENT}, Case{root.path(), EISDIR}}) {
        const auto source = OpenFileSource(c.path);
        ASSERT_FALSE(source.ok()) << c.path;
        EXPECT_EQ(source.error().number, c.number) << c.path;
        EXPECT_FALSE(source.error().description.empty());
    }
}

TEST(PlatformFiles, ReadSmallFileAndAppendToFile) {
    Folder root;
    const std::string log = root.file(LongChain() + "/app.log");
    root.write(LongChain() + "/keep.txt", "");
    ASSERT_TRUE(AppendToFile(log, "one\r\n").ok());
    ASSERT_TRUE(AppendToFile(log, "two\r\n").ok());
    const Result<std::string> read = ReadSmallFile(log);
    ASSERT_TRUE(read.ok()) << read.error().description;
    EXPECT_EQ(*read, "one\r\ntwo\r\n");

    const Result<void> appended = AppendToFile(root.file("absent/app.log"), "x");
    ASSERT_FALSE(appended.ok());
    EXPECT_EQ(appended.error().number, ENOENT);

    struct Case {
        std::string path;
        int number;
    };
    for (const Case& c : {Case{root.file("absent.ini"), ENOENT}, Case{root.path(), EINVAL}}) {
        const Result<std::string> failed = ReadSmallFile(c.path);
        ASSERT_FALSE(failed.ok()) << c.path;
        EXPECT_EQ(failed.error().number, c.number) << c.path;
    }
}

TEST(PlatformFiles, SaveAtomicallyReplacesWholeOrLeavesTheTargetAsItWas) {
    Folder root;
    root.write("out.txt", "old");
    const auto writeNew = [](std::ostream& out) { out << "new contents"; };
    EXPECT_TRUE(SaveAtomically(root.file("out.txt"), writeNew).ok);
    EXPECT_EQ(root.read("out.txt"), "new contents");
    EXPECT_TRUE(SaveAtomically(root.file("fresh.txt"), writeNew).ok);
    EXPECT_EQ(root.read("fresh.txt"), "new contents");

    const SaveResult failed = SaveAtomically(root.file("absent/out.txt"), writeNew);
    EXPECT_FALSE(failed.ok);
    EXPECT_FALSE(failed.reason.empty());

    // The output is never the file being read.
    const SaveResult refused =
        SaveAtomically(root.file("out.txt"), writeNew, {{root.file("out.txt")}});
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.reason.rfind("It is the file being read", 0), 0u) << refused.reason;

    // Nothing is left beside the targets.
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::u8path(root.path()))) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"fresh.txt", "out.txt"}));
}

TEST(PlatformFiles, ShortPathNamesTheSameFile) {
    Folder root;
    root.write("a long name.dat", "x");
    const std::string dos = GetDosPath(root.file("a long name.dat"));
    ASSERT_FALSE(dos.empty());
    EXPECT_TRUE(fs::equivalent(fs::u8path(dos), fs::u8path(root.file("a long name.dat"))));
}

TEST(PlatformFiles, FolderQuestions) {
    Folder root;
    root.write("sub/visible.txt", "");
    root.write("sub/.hidden", "");
    EXPECT_TRUE(FolderExists(root.path()));
    EXPECT_FALSE(FolderExists(root.file("sub/visible.txt")));
    EXPECT_TRUE(IsWritableFolder(root.path()));
    EXPECT_TRUE(RegularFileMatches(root.file("sub/*.txt")));
    EXPECT_TRUE(RegularFileMatches(root.file("sub/visible.t?t")));
    EXPECT_FALSE(RegularFileMatches(root.file("sub/.hidden")));
    EXPECT_FALSE(RegularFileMatches(root.file("sub")));
    EXPECT_TRUE(CreateFolders(root.file("new/deeper")));
    EXPECT_TRUE(FolderExists(root.file("new/deeper")));
    EXPECT_TRUE(FolderExists(ExecutableFolder()));
}

}  // namespace
}  // namespace tessaly
