// The one writer of the user's files, on real files, links, FIFOs and devices.

#include "base/output_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

// The names in a folder that are not the given ones (temporary files left behind).
std::vector<std::string> Others(const std::filesystem::path& folder,
                                const std::vector<std::string>& known) {
    std::vector<std::string> others;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (std::find(known.begin(), known.end(), name) == known.end()) others.push_back(name);
    }
    return others;
}

unsigned ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

TEST(OutputFile, ReplacesAFileKeepingItsModeAndMakesNewOnesByTheUmask) {
    test::TempFolder folder;
    test::WriteBytes(folder / "old.txt", "old and longer");
    ::chmod((folder / "old.txt").c_str(), 0604);
    WriteOutputFile(folder / "old.txt", "new");
    EXPECT_EQ(test::ReadBytes(folder / "old.txt"), "new");
    EXPECT_EQ(ModeOf(folder / "old.txt"), 0604u);

    const mode_t previous = ::umask(027);
    WriteOutputFile(folder / "new.txt", "fresh");
    ::umask(previous);
    EXPECT_EQ(ModeOf(folder / "new.txt"), 0640u);
    EXPECT_TRUE(Others(folder.Path(), {"old.txt", "new.txt"}).empty());
}

TEST(OutputFile, RefusesWhatIsNoRegularFileAndTheCommandsInputs) {
    test::TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "dir");
    test::WriteBytes(folder / "list.tsv", "the catalogue");
    std::filesystem::create_symlink("list.tsv", folder / "link.tsv");
    const auto refused = [](const std::filesystem::path& target,
                            const std::vector<FileIdentity>& inputs) {
        try {
            WriteOutputFile(target, "x", inputs);
        } catch (const std::system_error& error) {
            return error.code();
        }
        return std::error_code();
    };
    EXPECT_EQ(refused(folder / "pipe", {}), OutputError::NotRegularFile);
    EXPECT_EQ(refused(folder / "dir", {}), OutputError::NotRegularFile);
    // A device node: one of our own as root (who could replace /dev/null), else
    // the system's.
    const std::filesystem::path device =
        ::geteuid() == 0 && ::mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0
            ? folder / "null"
            : std::filesystem::path("/dev/null");
    EXPECT_EQ(refused(device, {}), OutputError::NotRegularFile);
    EXPECT_TRUE(std::filesystem::is_character_file(device));
    const auto inputs = IdentitiesOf({folder / "list.tsv"});
    EXPECT_EQ(refused(folder / "list.tsv", inputs), OutputError::IsAnInput);
    EXPECT_EQ(refused(folder / "link.tsv", inputs), OutputError::IsAnInput);
    EXPECT_EQ(test::ReadBytes(folder / "list.tsv"), "the catalogue");
    // A link loop is an error, never replaced by a file.
    std::filesystem::create_symlink("loop2", folder / "loop1");
    std::filesystem::create_symlink("loop1", folder / "loop2");
    EXPECT_EQ(refused(folder / "loop1", {}), std::errc::too_many_symbolic_link_levels);
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "loop1"));
    EXPECT_TRUE(
        Others(folder.Path(), {"pipe", "dir", "null", "list.tsv", "link.tsv", "loop1", "loop2"})
            .empty());
}

TEST(OutputFile, FollowsLinksAndTakesTheLongestNames) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "data");
    test::WriteBytes(folder / "data" / "real.m3u", "old");
    std::filesystem::create_symlink("data/real.m3u", folder / "link.m3u");
    WriteOutputFile(folder / "link.m3u", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.m3u"));
    EXPECT_EQ(test::ReadBytes(folder / "data" / "real.m3u"), "new");
    // A name of 255 bytes: the temporary name is short, never the name plus more.
    const std::string longest(251, 'n');
    WriteOutputFile(folder / (longest + ".csv"), "ok");
    EXPECT_EQ(test::ReadBytes(folder / (longest + ".csv")), "ok");
}

TEST(OutputFile, AFailureOrAnAbandonedFileLeavesTheOldOne) {
    test::TempFolder folder;
    test::WriteBytes(folder / "keep.txt", "precious");
    {
        OutputFile file(folder / "keep.txt");
        file.Write("half of it");
        EXPECT_EQ(Others(folder.Path(), {"keep.txt"}).size(), 1u);  // the temporary file
    }  // never committed
    EXPECT_EQ(test::ReadBytes(folder / "keep.txt"), "precious");
    EXPECT_TRUE(Others(folder.Path(), {"keep.txt"}).empty());
    // Without replace, a name that exists is kept.
    OutputFile file(folder / "keep.txt");
    file.Write("other");
    try {
        file.Commit(false);
        ADD_FAILURE() << "replaced";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::file_exists);
    }
    EXPECT_EQ(test::ReadBytes(folder / "keep.txt"), "precious");
    EXPECT_TRUE(Others(folder.Path(), {"keep.txt"}).empty());
}

// A signal in the middle of writing removes the temporary file before the
// program ends.
TEST(OutputFile, ASignalRemovesTheTemporaryFile) {
    test::TempFolder folder;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstallOutputCleanupOnSignals();
        OutputFile file(folder / "image.iso");
        file.Write("begun");
        (void)!::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    EXPECT_EQ(Others(folder.Path(), {}).size(), 1u);
    ::kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_TRUE(Others(folder.Path(), {}).empty());
    ::close(ready[0]);
    ::close(ready[1]);
}

}  // namespace
}  // namespace tv
