// The folder walk while the tree changes under it or refuses it: folders
// that vanish or move during the walk, folders without rights, a folder of
// 200,000 entries, link loops.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/search/index_search.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

using test::TempDir;

class Recorder final : public WalkSink {
  public:
    void fileFound(const FoundFile& file) override {
        locations.push_back(file.location);
        if (onFile) onFile(file.location);
    }
    std::vector<std::string> sorted() const {
        std::vector<std::string> s = locations;
        std::sort(s.begin(), s.end());
        return s;
    }
    std::vector<std::string> locations;
    std::function<void(const std::string&)> onFile;
};

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

void Walk(const std::string& root, Recorder& recorder) {
    const std::atomic<bool> stop{false};
    SearchFolderTree(root, recorder, stop);
}

// The names of the subfolders of `folder` in the order the directory read gives them.
std::vector<std::string> SubfoldersInReadOrder(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat info {};
        if (name != "." && name != ".." && ::lstat((folder + "/" + name).c_str(), &info) == 0 &&
            S_ISDIR(info.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    return names;
}

TEST(WalkFaults, FoldersRemovedDuringTheWalkAreSkippedAndTheRestIsListed) {
    TempDir dir;
    for (const char* name : {"a", "b", "c"}) {
        dir.write(std::string(name) + "/index.dat", "");
        for (int i = 0; i < 5; ++i) {
            dir.write(std::string(name) + "/sub" + std::to_string(i) + "/index.dat", "");
        }
    }
    // When the first file turns up, its own folder and the one read after it go.
    const std::vector<std::string> order = SubfoldersInReadOrder(dir.path());
    ASSERT_EQ(order.size(), 3u);
    Recorder found;
    bool removed = false;
    found.onFile = [&](const std::string&) {
        if (removed) return;
        removed = true;
        std::filesystem::remove_all(dir.file(order[0]));
        std::filesystem::remove_all(dir.file(order[1]));
    };
    Walk(dir.path(), found);
    // The first file, then all of the third folder, which nobody touched.
    std::vector<std::string> expected{dir.file(order[0] + "/index.dat"),
                                      dir.file(order[2] + "/index.dat")};
    for (int i = 0; i < 5; ++i) {
        expected.push_back(dir.file(order[2] + "/sub" + std::to_string(i) + "/index.dat"));
    }
    EXPECT_EQ(found.sorted(), Sorted(expected));
}

// A deep path whose handles the walk gives up on the way down is moved out of
// the root while the walk is at its bottom. On the way back the walk must not
// follow ".." out of the moved folder into wherever it went.
TEST(WalkFaults, APathMovedOutOfTheRootDuringTheWalkDoesNotLeadOutOfIt) {
    TempDir dir;
    TempDir outside;
    const std::string root = dir.file("root");
    std::filesystem::create_directories(root);
    // At every level two subfolders; the walk goes down the one it reads first
    // and comes back for the other, so every level keeps its frame and the
    // upper levels lose their handles.
    constexpr int kMovedLevel = 5;
    std::string path = root;
    std::string parentOfMoved;  // a folder of the root whose subfolder is moved
    std::string moved;          // its subfolder read first, moved out of the root
    std::string stays;          // its subfolder read second, still to be walked
    for (int level = 0; level < 24; ++level) {
        std::filesystem::create_directory(path + "/p");
        std::filesystem::create_directory(path + "/q");
        const auto order = SubfoldersInReadOrder(path);
        ASSERT_EQ(order.size(), 2u);
        if (level == kMovedLevel) {
            parentOfMoved = path;
            moved = order[0];
            stays = order[1];
        }
        path += "/" + order[0];
    }
    const std::string deepest = path + "/index.dat";
    std::FILE* f = std::fopen(deepest.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    // Beside the moved folder in its new place, a decoy with the name of the
    // subfolder the walk has still to visit.
    outside.write(stays + "/index.dat", "");

    Recorder found;
    found.onFile = [&](const std::string& location) {
        if (location != deepest) return;
        ASSERT_EQ(std::rename((parentOfMoved + "/" + moved).c_str(), outside.file(moved).c_str()),
                  0);
    };
    Walk(root, found);
    EXPECT_EQ(found.locations, std::vector<std::string>{deepest})
        << "listed a file of the folder the path was moved to";
}

TEST(WalkFaults, FoldersWithoutRightsAreSkippedSilentlyEvenForRoot) {
    TempDir dir;
    dir.write("open/index.dat", "");
    dir.write("noread/index.dat", "");          // may be entered but not listed
    dir.write("noenter/index.dat", "");         // may be listed but not entered
    dir.write("nothing/deeper/index.dat", "");  // neither
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("open").c_str(), 0755), 0);
    ASSERT_EQ(::chmod(dir.file("noread").c_str(), 0311), 0);
    ASSERT_EQ(::chmod(dir.file("noenter").c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.file("nothing").c_str(), 0), 0);
    const std::string expected = dir.file("open/index.dat");
    const test::ChildEnd end = test::RunInChild(
        [&] {
            Recorder found;
            Walk(dir.path(), found);
            return found.locations == std::vector<std::string>{expected} ? 0 : 1;
        },
        /*asNobody=*/true);
    if (end.exitCode == 125) GTEST_SKIP() << "cannot become an unprivileged user";
    EXPECT_FALSE(end.hung);
    EXPECT_EQ(end.exitCode, 0);
}

TEST(WalkFaults, FolderOfTwoHundredThousandEntries) {
    TempDir dir;
    const std::string folder = dir.file("huge");
    std::filesystem::create_directory(folder);
    std::vector<std::string> expected;
    for (int i = 0; i < 200000; ++i) {
        const bool qualifies = i % 1000 == 0;
        const std::string name =
            folder + "/" + std::to_string(i) + (qualifies ? "index.dat" : "-other.dat");
        ASSERT_EQ(::mknod(name.c_str(), S_IFREG | 0644, 0), 0) << name;
        if (qualifies) expected.push_back(name);
    }
    Recorder found;
    Walk(dir.path(), found);
    EXPECT_EQ(found.sorted(), Sorted(expected));
}

TEST(WalkFaults, LinkLoopsEndTheirLookupAndAreNotListed) {
    TempDir dir;
    dir.write("t/real/index.dat", "");
    ASSERT_EQ(::symlink("index.dat", dir.file("t/index.dat").c_str()), 0);  // itself
    ASSERT_EQ(::symlink("b-index.dat", dir.file("t/a-index.dat").c_str()), 0);
    ASSERT_EQ(::symlink("a-index.dat", dir.file("t/b-index.dat").c_str()), 0);
    ASSERT_EQ(::symlink("..", dir.file("t/real/up").c_str()), 0);
    ASSERT_EQ(::symlink(".", dir.file("t/real/here").c_str()), 0);
    Recorder found;
    Walk(dir.file("t"), found);
    EXPECT_EQ(found.locations, std::vector<std::string>{dir.file("t/real/index.dat")});
}

}  // namespace
}  // namespace tessaly
