#include "support/child_process.h"

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace tessaly::test {

ChildEnd RunInChild(const std::function<int()>& body, bool asNobody, unsigned guardSeconds) {
    const pid_t pid = ::fork();
    if (pid < 0) return {};
    if (pid == 0) {
        ::alarm(guardSeconds);
        if (asNobody && ::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(125);
            }
        }
        ::_exit(body());
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return {};
    }
    ChildEnd end;
    if (WIFEXITED(status)) {
        end.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        end.signal = WTERMSIG(status);
        end.hung = end.signal == SIGALRM;
    }
    return end;
}

}  // namespace tessaly::test
