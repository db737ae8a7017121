#pragma once

// Makes a write fail part-way, as a full disk or a quota does: the work runs in a
// child process whose files may not grow beyond a limit (RLIMIT_FSIZE, with
// SIGXFSZ ignored, so that the write past it fails with EFBIG instead of ending
// the process). The work returns 0 when its expectations hold (a child cannot
// report through the test framework); the result is that value, or -1 when the
// child could not be started or did not end normally.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <system_error>

namespace tv::test {

template <class Work>
int RunWithFileSizeLimit(rlim_t limit, Work work) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        const rlimit fileSize{limit, limit};
        if (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &fileSize) != 0)
            ::_exit(255);
        ::_exit(work());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

// A write that should fail part-way under the limit: 0 when write() threw a
// std::system_error for a file too large, 1 when it returned (a failure reported
// as success), 2 for another error, -1 as RunWithFileSizeLimit.
template <class Write>
int FailsPartWay(rlim_t limit, Write write) {
    return RunWithFileSizeLimit(limit, [&] {
        try {
            write();
            return 1;
        } catch (const std::system_error& error) {
            return error.code() == std::errc::file_too_large ? 0 : 2;
        }
    });
}

// The names in a folder (not below it).
inline std::set<std::string> NamesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

}  // namespace tv::test
