#pragma once

// Runs a check as an ordinary user. Permission tests mean nothing as root, who
// may read and write everything, and CI runs as root: there the check runs in a
// child process as "nobody". The work returns 0 when its expectations hold (a
// child cannot report through the test framework); the result is that value, or
// -1 when the child could not be started or could not drop its rights.

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tv::test {

template <class Work>
int RunUnprivileged(Work work) {
    if (::geteuid() != 0) return work();
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(255);
        ::_exit(work());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

}  // namespace tv::test
