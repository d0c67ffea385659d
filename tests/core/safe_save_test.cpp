// Saving a result file: whatever the target is, nothing read is harmed, no
// half-written file is left behind, and a failure says why.
#include "platform/safe_save.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/long_folder.h"
#include "support/temp_dir.h"

namespace tessaly {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::TempDir;

// The folder listing, to see that no temporary file is left behind.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The temporary files left anywhere below `folder`.
int Temporaries(const std::string& folder) {
    int count = 0;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        count += e.path().filename().string().find(".tmp-") != std::string::npos ? 1 : 0;
    }
    return count;
}

auto Writes(std::string text) {
    return [text = std::move(text)](std::ostream& out) { out << text; };
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// The two ways a new file is made: unnamed until complete, or under a
// temporary name (where the file system has no unnamed files).
constexpr bool kTemporaryKinds[] = {true, false};

SaveOptions Temporary(bool unnamed) {
    SaveOptions options;
    options.unnamedTemporary = unnamed;
    return options;
}

const char* KindName(bool unnamed) { return unnamed ? "unnamed" : "named temporary"; }

TEST(SaveAtomically, CreatesAndReplacesWholeKeepingThePermissions) {
    for (const bool unnamed : kTemporaryKinds) {
        SCOPED_TRACE(KindName(unnamed));
        TempDir dir;
        SaveResult r = SaveAtomically(dir.file("new.txt"), Writes("a\0b\r\n"s), Temporary(unnamed));
        EXPECT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(dir.read("new.txt"), "a\0b\r\n"s);

        dir.write("old.txt", std::string(100000, 'x'));
        ASSERT_EQ(::chmod(dir.file("old.txt").c_str(), 0640), 0);
        r = SaveAtomically(dir.file("old.txt"), Writes("short\r\n"), Temporary(unnamed));
        EXPECT_TRUE(r.ok) << r.reason;
        EXPECT_EQ(dir.read("old.txt"), "short\r\n");
        EXPECT_EQ(StatOf(dir.file("old.txt")).st_mode & 07777, 0640u);
        EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"new.txt", "old.txt"}));
    }
}

TEST(SaveAtomically, WritesLargeOutputWhole) {
    test::TempDir dir;
    std::string big;
    for (int i = 0; i < 20000; ++i) big += "http://example.com/" + std::to_string(i) + "\r\n";
    ASSERT_TRUE(SaveAtomically(dir.file("big.txt"), Writes(big)).ok);
    EXPECT_EQ(dir.read("big.txt"), big);
}

TEST(SaveAtomically, FailsWithTheSystemsReasonWhenTheFolderCannotTakeTheFile) {
    test::TempDir dir;
    dir.write("plain-file", "x");
    dir.write("taken/inside.txt", "keep");
    const std::pair<std::string, std::string_view> cases[] = {
        {dir.file("missing/out.txt"), "No such file or directory"},
        {dir.file("plain-file/out.txt"), "Not a directory"},
        {dir.file("taken"), "Is a directory"},
        {dir.file("taken/"), "Is a directory"},
        {"", "No such file or directory"},
    };
    for (const auto& [target, reason] : cases) {
        const SaveResult r = SaveAtomically(target, Writes("data"));
        EXPECT_FALSE(r.ok) << target;
        EXPECT_EQ(r.reason, reason) << target;
    }
    EXPECT_EQ(dir.read("taken/inside.txt"), "keep");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"plain-file", "taken"}));
    EXPECT_EQ(Names(dir.file("taken")), std::vector<std::string>{"inside.txt"});
}

TEST(SaveAtomically, LeavesTheOldFileIntactInAFolderItCannotWrite) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    test::TempDir dir;
    dir.write("locked/out.txt", "old content");
    const std::string folder = dir.file("locked");
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const SaveResult r = SaveAtomically(dir.file("locked/out.txt"), Writes("new"));
    ::chmod(folder.c_str(), 0755);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "Permission denied");
    EXPECT_EQ(dir.read("locked/out.txt"), "old content");
    EXPECT_EQ(Names(folder), std::vector<std::string>{"out.txt"});
}

TEST(SaveAtomically, RemovesItsTemporaryFileWhenTheWriterThrows) {
    for (const bool unnamed : kTemporaryKinds) {
        SCOPED_TRACE(KindName(unnamed));
        test::TempDir dir;
        dir.write("out.txt", "old content");
        EXPECT_THROW(SaveAtomically(
                         dir.file("out.txt"),
                         [](std::ostream& out) {
                             out << "partial";
                             throw std::runtime_error("row failed");
                         },
                         Temporary(unnamed)),
                     std::runtime_error);
        EXPECT_EQ(dir.read("out.txt"), "old content");
        EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"out.txt"});
    }
}

// The evidence under another name: every spelling of it is refused and it
// stays as it was.
TEST(SaveAtomically, RefusesTheFileBeingReadUnderAnyName) {
    TempDir dir;
    const std::string evidence = dir.file("case/index.dat");
    dir.write("case/index.dat", "evidence bytes");
    ASSERT_EQ(::link(evidence.c_str(), dir.file("hard-link.dat").c_str()), 0);
    ASSERT_EQ(::symlink(evidence.c_str(), dir.file("link.dat").c_str()), 0);
    ASSERT_EQ(::symlink("link.dat", dir.file("link-to-link.dat").c_str()), 0);
    ASSERT_EQ(::symlink("case", dir.file("folder-link").c_str()), 0);
    const std::string relative = fs::relative(evidence, fs::current_path()).string();
    const std::vector<std::string> before = Names(dir.path());

    for (const std::string& target :
         {evidence, dir.file("case/./index.dat"), dir.path() + "//case//index.dat",
          dir.file("case/../case/index.dat"), relative, dir.file("hard-link.dat"),
          dir.file("link.dat"), dir.file("link-to-link.dat"), dir.file("folder-link/index.dat")}) {
        for (const bool unnamed : kTemporaryKinds) {
            SaveOptions options = Temporary(unnamed);
            options.readFrom = {evidence};
            const SaveResult r = SaveAtomically(target, Writes("results"), options);
            EXPECT_FALSE(r.ok) << target;
            EXPECT_EQ(r.reason, "It is the file being read (" + evidence + ")") << target;
        }
    }
    EXPECT_EQ(dir.read("case/index.dat"), "evidence bytes");
    EXPECT_EQ(Names(dir.path()), before);
    EXPECT_EQ(Names(dir.file("case")), std::vector<std::string>{"index.dat"});
    EXPECT_TRUE(fs::is_symlink(dir.file("link.dat")));

    // The evidence named through a link is still the evidence.
    SaveOptions options;
    options.readFrom = {dir.file("link-to-link.dat")};
    EXPECT_FALSE(SaveAtomically(evidence, Writes("results"), options).ok);
    EXPECT_EQ(dir.read("case/index.dat"), "evidence bytes");
}

// A FIFO, a device or a socket is written where it is, never replaced by a
// regular file; a FIFO without a reader fails at once.
TEST(SaveAtomically, WritesInPlaceWhatIsNotARegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    const bool haveDevice =
        ::mknod(dir.file("null-device").c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(server, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = dir.file("socket");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);

    struct Case {
        const char* name;
        std::string target;
        bool reader;  // a reader has the FIFO open
        bool ok;      // the save succeeds
        std::string reason;
        mode_t type;  // what the target still is afterwards
    };
    std::vector<Case> cases{
        {"FIFO with a reader", dir.file("fifo"), true, true, "", S_IFIFO},
        {"FIFO without a reader", dir.file("fifo"), false, false,
         "No process is reading from the FIFO", S_IFIFO},
        {"socket", socketPath, false, false, "It is a socket, which cannot be written as a file",
         S_IFSOCK},
    };
    if (haveDevice) {
        cases.push_back({"character device", dir.file("null-device"), false, true, "", S_IFCHR});
    }
    for (const Case& c : cases) {
        for (const bool unnamed : kTemporaryKinds) {
            SCOPED_TRACE(std::string(c.name) + ", " + KindName(unnamed));
            const int reader =
                c.reader ? ::open(c.target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
            // In a child, so that a save that waits for a reader fails the test
            // instead of hanging it.
            const test::ChildEnd end = test::RunInChild(
                [&] {
                    const SaveResult r =
                        SaveAtomically(c.target, Writes("results\r\n"), Temporary(unnamed));
                    return r.ok == c.ok && r.reason == c.reason ? 0 : 1;
                },
                false, 20);
            EXPECT_FALSE(end.hung);
            EXPECT_EQ(end.exitCode, 0);
            if (reader >= 0) {
                char got[64] = {};
                EXPECT_EQ(::read(reader, got, sizeof got), 9);
                EXPECT_EQ(std::string(got), "results\r\n");
                ::close(reader);
            }
            EXPECT_EQ(StatOf(c.target).st_mode & S_IFMT, c.type);
        }
    }
    ::close(server);
    if (!haveDevice) GTEST_SKIP() << "cannot make a device node here; the other targets passed";
}

// A FIFO whose reader goes away in the middle of the save: the save fails
// with the reason, and the program goes on (no SIGPIPE ends it).
TEST(SaveAtomically, FifoWhoseReaderLeavesFailsWithBrokenPipe) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    const int reader = ::open(dir.file("fifo").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(reader);  // the child's copy: only the parent reads
        ::alarm(60);
        const SaveResult r = SaveAtomically(dir.file("fifo"), [](std::ostream& out) {
            for (int i = 0; i < 64 && out; ++i) out << std::string(std::size_t{1} << 20, 'x');
        });
        ::_exit(!r.ok && r.reason == "Broken pipe" ? 0 : 1);
    }
    // The first bytes show the writer is there; then the reader leaves.
    pollfd waiting{reader, POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, 30000), 1);
    char some[16];
    EXPECT_GT(::read(reader, some, sizeof some), 0);
    ::close(reader);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A target the user may not write (mode 0444 in a folder the user may write)
// is refused as the shell's ">" refuses it; root may write it, and the
// replacement keeps its mode.
TEST(SaveAtomically, WriteProtectedTargetIsRefusedUnlessTheUserCouldWriteIt) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    dir.write("protected.txt", "old");
    ASSERT_EQ(::chmod(dir.file("protected.txt").c_str(), 0444), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(dir.file("protected.txt").c_str(), 65534, 65534), 0);
    }

    const test::ChildEnd end = test::RunInChild(
        [&] {
            const SaveResult r = SaveAtomically(dir.file("protected.txt"), Writes("new"));
            return !r.ok && r.reason == "Permission denied" ? 0 : 1;
        },
        /*asNobody=*/true);
    if (end.exitCode != 125) {
        EXPECT_EQ(end.exitCode, 0);
        EXPECT_EQ(dir.read("protected.txt"), "old");
        EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"protected.txt"});
    }
    if (!root) GTEST_SKIP() << "only root may write a file with mode 0444";
    const SaveResult r = SaveAtomically(dir.file("protected.txt"), Writes("new"));
    EXPECT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(dir.read("protected.txt"), "new");
    EXPECT_EQ(StatOf(dir.file("protected.txt")).st_mode & 07777, 0444u);
}

TEST(SaveAtomically, KeepsTheOwnerAndGroupOfTheReplacedFile) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file away";
    for (const bool unnamed : kTemporaryKinds) {
        SCOPED_TRACE(KindName(unnamed));
        TempDir dir;
        dir.write("owned.txt", "old");
        ASSERT_EQ(::chown(dir.file("owned.txt").c_str(), 65534, 65533), 0);
        ASSERT_EQ(::chmod(dir.file("owned.txt").c_str(), 0604), 0);
        const SaveResult r =
            SaveAtomically(dir.file("owned.txt"), Writes("new"), Temporary(unnamed));
        EXPECT_TRUE(r.ok) << r.reason;
        const struct stat st = StatOf(dir.file("owned.txt"));
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65533u);
        EXPECT_EQ(st.st_mode & 07777, 0604u);
        EXPECT_EQ(dir.read("owned.txt"), "new");
    }
}

// A link is followed to the file it finally names, which is replaced; every
// link on the way stays a link.
TEST(SaveAtomically, WritesThroughSymbolicLinks) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link name, what it names
        std::string target;
        std::string written;  // the file that receives the bytes
    };
    const Case cases[] = {
        {"absolute link", {{"out.txt", "@/real/file.txt"}}, "out.txt", "real/file.txt"},
        {"relative link into a folder", {{"out.txt", "real/file.txt"}}, "out.txt", "real/file.txt"},
        {"relative link from a folder",
         {{"real/link.txt", "../file.txt"}},
         "real/link.txt",
         "file.txt"},
        {"chain of links",
         {{"a.txt", "b.txt"}, {"b.txt", "@/real/file.txt"}},
         "a.txt",
         "real/file.txt"},
        {"dangling link", {{"out.txt", "real/new.txt"}}, "out.txt", "real/new.txt"},
    };
    for (const Case& c : cases) {
        for (const bool unnamed : kTemporaryKinds) {
            SCOPED_TRACE(std::string(c.name) + ", " + KindName(unnamed));
            TempDir dir;
            dir.write("real/file.txt", "old");
            dir.write("file.txt", "old");
            for (const auto& [link, to] : c.links) {
                const std::string resolved = to.starts_with('@') ? dir.path() + to.substr(1) : to;
                ASSERT_EQ(::symlink(resolved.c_str(), dir.file(link).c_str()), 0);
            }
            const SaveResult r =
                SaveAtomically(dir.file(c.target), Writes("new"), Temporary(unnamed));
            EXPECT_TRUE(r.ok) << r.reason;
            EXPECT_EQ(dir.read(c.written), "new");
            for (const auto& [link, to] : c.links) {
                EXPECT_TRUE(fs::is_symlink(dir.file(link))) << link;
            }
            EXPECT_EQ(Temporaries(dir.path()), 0);
        }
    }
}

TEST(SaveAtomically, LinksInACircleFail) {
    TempDir dir;
    ASSERT_EQ(::symlink("b", dir.file("a").c_str()), 0);
    ASSERT_EQ(::symlink("a", dir.file("b").c_str()), 0);
    const SaveResult r = SaveAtomically(dir.file("a"), Writes("new"));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.reason, "Too many levels of symbolic links");
    EXPECT_EQ(Names(dir.path()), (std::vector<std::string>{"a", "b"}));
}

// Names up to the folder's limit: the temporary name is cut to fit.
TEST(SaveAtomically, NamesUpToTheFolderLimit) {
    for (const std::size_t length : {244u, 250u, 255u}) {
        for (const bool unnamed : kTemporaryKinds) {
            SCOPED_TRACE(std::to_string(length) + " bytes, " + KindName(unnamed));
            TempDir dir;
            const std::string name(length, 'n');
            SaveResult r = SaveAtomically(dir.file(name), Writes("first"), Temporary(unnamed));
            EXPECT_TRUE(r.ok) << r.reason;
            r = SaveAtomically(dir.file(name), Writes("second"), Temporary(unnamed));
            EXPECT_TRUE(r.ok) << r.reason;
            EXPECT_EQ(dir.read(name), "second");
            EXPECT_EQ(Names(dir.path()), std::vector<std::string>{name});
        }
    }
}

TEST(SaveAtomically, PathLongerThanTheSystemTakesAtOnce) {
    TempDir dir;
    const test::LongFolder deep(dir.path());
    ASSERT_TRUE(deep.made());
    ASSERT_TRUE(deep.write("out.txt", "old"));
    const SaveResult r = SaveAtomically(deep.file("out.txt"), Writes("new"));
    EXPECT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(deep.read("out.txt"), "new");
}

// A save ended by Ctrl+C, TERM or HUP while it writes leaves the old file and
// nothing else. The save runs in a child that stops in the middle of writing
// until the signal comes.
TEST(SaveAtomically, NoTemporaryFileSurvivesAnInterruptedSave) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const bool unnamed : kTemporaryKinds) {
            SCOPED_TRACE(std::string(::strsignal(signal)) + ", " + KindName(unnamed));
            TempDir dir;
            dir.write("out.txt", "old");
            int ready[2];
            ASSERT_EQ(::pipe(ready), 0);
            const pid_t pid = ::fork();
            ASSERT_GE(pid, 0);
            if (pid == 0) {
                ::close(ready[0]);
                ::alarm(60);
                (void)SaveAtomically(
                    dir.file("out.txt"),
                    [&](std::ostream& out) {
                        out << std::string(std::size_t{4} << 20, 'n');
                        out.flush();
                        (void)!::write(ready[1], "r", 1);
                        for (;;) ::pause();
                    },
                    Temporary(unnamed));
                ::_exit(0);
            }
            ::close(ready[1]);
            pollfd waiting{ready[0], POLLIN, 0};
            ASSERT_EQ(::poll(&waiting, 1, 30000), 1);
            ::close(ready[0]);
            // Mid-save: the new file has a name only when it could not be made unnamed.
            EXPECT_EQ(Names(dir.path()).size(), unnamed ? 1u : 2u);
            ASSERT_EQ(::kill(pid, signal), 0);
            int status = 0;
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
            EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"out.txt"});
            EXPECT_EQ(dir.read("out.txt"), "old");
        }
    }
}

}  // namespace
}  // namespace tessaly
