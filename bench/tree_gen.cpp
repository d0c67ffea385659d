// tree_gen FOLDER: writes the folder tree that bench_find.sh walks, the same every time:
// 40,000 folders, eight subfolders to a folder, ten empty files in each, one file in 37
// named like an index.dat file (some qualify, some only look alike).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int kFolders = 40'000;
constexpr int kFanOut = 8;
constexpr int kFilesPerFolder = 10;
constexpr int kLookAlikeEvery = 37;
constexpr std::array<std::string_view, 5> kLookAlikes{"index.dat", "oldindex.dat", "Index.dat",
                                                      "index.dat.bak", "INDEX.DAT"};

bool MakeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

bool MakeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: tree_gen FOLDER\n");
        return 2;
    }
    // Folder 0 is FOLDER itself; folder i (1..kFolders) lies in folder (i - 1) / kFanOut.
    std::vector<std::string> paths(kFolders + 1);
    paths[0] = argv[1];
    if (!MakeFolder(paths[0])) {
        std::perror(argv[1]);
        return 1;
    }
    long file = 0;
    for (int folder = 1; folder <= kFolders; ++folder) {
        // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) about
        // "literal" + std::string temporaries.
        paths[folder] = paths[(folder - 1) / kFanOut];
        paths[folder].append("/d").append(std::to_string(folder));
        if (!MakeFolder(paths[folder])) {
            std::perror(paths[folder].c_str());
            return 1;
        }
        for (int i = 0; i < kFilesPerFolder; ++i, ++file) {
            std::string name;
            if (file % kLookAlikeEvery == 0) {
                name.append(std::to_string(i))
                    .append(kLookAlikes[(file / kLookAlikeEvery) % kLookAlikes.size()]);
            } else {
                name.append("f").append(std::to_string(file)).append(".txt");
            }
            if (!MakeFile(paths[folder] + "/" + name)) {
                std::perror(name.c_str());
                return 1;
            }
        }
    }
    return 0;
}
