#pragma once

#include <functional>

namespace tessaly::test {

// How a body run in a child process ended.
struct ChildEnd {
    int exitCode = -1;  // the body's return value; -1 when it did not return
    int signal = 0;     // the signal that ended the child, 0 when it exited
    bool hung = false;  // still running after the guard time, then killed
};

// Runs `body` in a forked child and waits for it. With `asNobody` a child
// that runs as root first becomes the unprivileged user 65534, so that
// permission checks apply to it too; a child that cannot drop its rights
// exits with 125. A child still running after `guardSeconds` is killed and
// reported as hung: a test of something that must not block cannot block.
ChildEnd RunInChild(const std::function<int()>& body, bool asNobody = false,
                    unsigned guardSeconds = 60);

}  // namespace tessaly::test
