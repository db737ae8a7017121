#include "base/safe_open.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cstring>

#include "base/atomic_file.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

using test::TempFolder;
using test::WriteBytes;

// Files that are not regular files are refused at once, whatever the access: a
// FIFO without a writer would block a plain open or read forever.
TEST(OpenRegularFile, RefusesFifosSocketsDevicesAndDirectoriesWithoutBlocking) {
    TempFolder folder;
    const auto fifo = folder / "pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const auto socketPath = folder / "socket.mp3";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_directory(folder / "folder.mp3");
    std::filesystem::create_symlink(fifo, folder / "link-to-pipe.mp3");

    for (const int access : {O_RDONLY, O_RDWR}) {
        for (const auto& path :
             {fifo, socketPath, folder / "link-to-pipe.mp3", std::filesystem::path("/dev/null")}) {
            std::error_code error;
            const FileDescriptor file = OpenRegularFile(path, access, error);
            EXPECT_FALSE(file.Valid()) << path;
            EXPECT_EQ(error, make_error_code(UserFileError::NotRegularFile)) << path;
        }
        std::error_code error;
        EXPECT_FALSE(OpenRegularFile(folder / "folder.mp3", access, error).Valid());
        EXPECT_EQ(error, std::errc::is_a_directory);
    }
    ::close(listener);

    EXPECT_THROW(ReadWholeFile(fifo), std::system_error);
    try {
        OpenRegularFile(fifo, O_RDONLY);
        ADD_FAILURE() << "no exception";
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find("pipe.mp3"), std::string::npos);
        EXPECT_EQ(error.code().message(), "keine gewöhnliche Datei (Pipe, Socket oder Gerät)");
    }
    EXPECT_FALSE(IsRegularFile(fifo));
    EXPECT_FALSE(IsRegularFile(folder / "folder.mp3"));
}

TEST(OpenRegularFile, OpensRegularFilesAndLinksToThemInBlockingMode) {
    TempFolder folder;
    WriteBytes(folder / "song.mp3", "data");
    std::filesystem::create_symlink(folder / "song.mp3", folder / "link.mp3");
    for (const auto& path : {folder / "song.mp3", folder / "link.mp3"}) {
        std::error_code error;
        const FileDescriptor file = OpenRegularFile(path, O_RDWR, error);
        ASSERT_TRUE(file.Valid()) << error.message();
        const int flags = ::fcntl(file.Get(), F_GETFL);
        EXPECT_EQ(flags & O_NONBLOCK, 0);
        EXPECT_EQ(flags & O_ACCMODE, O_RDWR);
        EXPECT_NE(::fcntl(file.Get(), F_GETFD) & FD_CLOEXEC, 0);
        EXPECT_TRUE(IsRegularFile(path));
    }
    std::error_code error;
    EXPECT_FALSE(OpenRegularFile(folder / "missing.mp3", O_RDONLY, error).Valid());
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);
}

}  // namespace
}  // namespace tv
