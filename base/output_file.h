#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/file_descriptor.h"

namespace tv {

// Why a target is refused before anything is written.
enum class OutputError {
    NotRegularFile = 1,  // a FIFO, socket, device or directory stands at the target
    IsAnInput,           // the target is one of the files the command reads
};
const std::error_category& OutputCategory() noexcept;
std::error_code make_error_code(OutputError error) noexcept;

// A file's identity: device and inode.
struct FileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The identities of the files that exist among paths (the others are left out).
std::vector<FileIdentity> IdentitiesOf(const std::vector<std::filesystem::path>& paths);

// The one way every file the program writes for the user comes to the disk (lists,
// settings, playlists, exports, images): the data go into a temporary file with a
// short name in the target's folder, are flushed, and the temporary file is
// renamed over the target, and the folder flushed. So a failure, a full disk or a
// signal never leaves half a file, and the old file stays as it was until the new
// one is complete.
//
// The target is checked first: a symbolic link is followed (its target is
// replaced; a loop is ELOOP); a FIFO, socket, device or directory there is
// refused, and so is one of the command's inputs (same device and inode). A file
// that is replaced keeps its mode (and its owner where the system allows); a new
// one gets the mode the user's umask gives. While the temporary file exists it is
// removed by RemoveOutputTemporariesOnSignal (see below) and by the destructor
// unless Commit succeeded.
//
// Every failure throws std::system_error naming the target.
class OutputFile {
  public:
    explicit OutputFile(const std::filesystem::path& target,
                        const std::vector<FileIdentity>& inputs = {});
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // The descriptor of the temporary file, for writers that stream.
    int Fd() const noexcept { return file_.Get(); }
    // Where the data go until Commit; a writer that opens files by name (the
    // simulated recorder of the image writer) uses it.
    const std::filesystem::path& TemporaryPath() const noexcept { return temporary_; }
    // The file that will be replaced (links followed).
    const std::filesystem::path& Target() const noexcept { return target_; }

    void Write(std::string_view data);
    // Flushes, renames over the target and flushes the folder. With replace
    // false an existing target (one that appeared meanwhile too) is left alone
    // and EEXIST thrown.
    void Commit(bool replace = true);
    // Removes the temporary file; the target stays as it was.
    void Discard() noexcept;

  private:
    std::filesystem::path name_;  // as given, for messages
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    FileDescriptor file_;
    int registration_ = -1;
    bool committed_ = false;
};

// Writes a whole text through OutputFile.
void WriteOutputFile(const std::filesystem::path& target, std::string_view data,
                     const std::vector<FileIdentity>& inputs = {});

// The target a path names when its symbolic links are followed (the path itself
// when it is none); throws std::system_error (ELOOP) on a loop.
std::filesystem::path FollowLinks(const std::filesystem::path& path);

// Removes every temporary file an OutputFile of this process has open. Only
// async-signal-safe calls: a handler of SIGINT or SIGTERM calls it before the
// program ends.
void RemoveOutputTemporariesOnSignal() noexcept;

// For programs without an event loop (the command-line tool): SIGINT, SIGTERM
// and SIGHUP remove the temporary files and then end the program as the signal
// would have.
void InstallOutputCleanupOnSignals();

}  // namespace tv

template <>
struct std::is_error_code_enum<tv::OutputError> : std::true_type {};
