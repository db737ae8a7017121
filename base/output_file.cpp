#include "base/output_file.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tv {
namespace {

class OutputErrorCategory final : public std::error_category {
  public:
    const char* name() const noexcept override { return "output"; }
    std::string message(int value) const override {
        switch (static_cast<OutputError>(value)) {
            case OutputError::NotRegularFile:
                return "keine gewöhnliche Datei (Pipe, Socket, Gerät oder Verzeichnis)";
            case OutputError::IsAnInput:
                return "ist zugleich eine der Eingabedateien";
        }
        return "unbekannter Fehler";
    }
};

[[noreturn]] void Throw(std::error_code error, const std::filesystem::path& path) {
    throw std::system_error(error, path.string());
}

[[noreturn]] void ThrowErrno(int error, const std::filesystem::path& path) {
    Throw(std::error_code(error, std::generic_category()), path);
}

// The temporary files open now, for the signal handler: fixed slots, so that
// removing them needs no allocation and no lock.
constexpr int kSlots = 64;
enum SlotState : int { kFree = 0, kFilling = 1, kHeld = 2 };
struct TemporarySlot {
    std::atomic<int> State{kFree};
    char Path[PATH_MAX];
};
std::array<TemporarySlot, kSlots> temporaries;

int RegisterTemporary(const std::filesystem::path& path) noexcept {
    const std::string& text = path.native();
    if (text.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!temporaries[i].State.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(temporaries[i].Path, text.c_str(), text.size() + 1);
        temporaries[i].State.store(kHeld);
        return i;
    }
    return -1;  // more at once than slots: this one is not removed on a signal
}

void UnregisterTemporary(int slot) noexcept {
    if (slot >= 0) temporaries[static_cast<std::size_t>(slot)].State.store(kFree);
}

void CleanUpAndEnd(int signal) {
    RemoveOutputTemporariesOnSignal();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

}  // namespace

const std::error_category& OutputCategory() noexcept {
    static const OutputErrorCategory category;
    return category;
}

std::error_code make_error_code(OutputError error) noexcept {
    return {static_cast<int>(error), OutputCategory()};
}

std::vector<FileIdentity> IdentitiesOf(const std::vector<std::filesystem::path>& paths) {
    std::vector<FileIdentity> identities;
    for (const std::filesystem::path& path : paths) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) identities.push_back({info.st_dev, info.st_ino});
    }
    return identities;
}

std::filesystem::path FollowLinks(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
        std::error_code error;
        const std::filesystem::path link = std::filesystem::read_symlink(target, error);
        if (error) Throw(error, path);
        target = link.is_absolute() ? link : FolderOf(target) / link;
    }
    ThrowErrno(ELOOP, path);
}

OutputFile::OutputFile(const std::filesystem::path& target, const std::vector<FileIdentity>& inputs)
    : name_(target), target_(FollowLinks(target)) {
    struct stat existing {};
    const bool exists = ::stat(target_.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT) ThrowErrno(errno, name_);
    if (exists) {
        if (!S_ISREG(existing.st_mode)) Throw(OutputError::NotRegularFile, name_);
        for (const FileIdentity& input : inputs)
            if (input == FileIdentity{existing.st_dev, existing.st_ino})
                Throw(OutputError::IsAnInput, name_);
    }

    // A short name, so that a target of 255 bytes still has a temporary file. Its
    // mode is what the umask makes of 0666; an old file's mode replaces it.
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path folder = FolderOf(target_);
    for (int attempt = 0; attempt < 100 && !file_.Valid(); ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".tv%x.%x", static_cast<unsigned>(::getpid()),
                      counter++);
        temporary_ = folder / name;
        file_ = FileDescriptor(::open(temporary_.c_str(),
                                      O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (!file_.Valid() && errno != EEXIST) ThrowErrno(errno, name_);
    }
    if (!file_.Valid()) ThrowErrno(EEXIST, name_);
    registration_ = RegisterTemporary(temporary_);
    if (exists) {
        // The owner where the system allows it (it does for root), then the mode,
        // whose set-id bits a change of owner would have cleared.
        if (::fchown(file_.Get(), existing.st_uid, existing.st_gid) != 0) {
            // An ordinary user keeps the file as their own.
        }
        ::fchmod(file_.Get(), existing.st_mode & 07777);
    }
}

OutputFile::~OutputFile() {
    if (!committed_) Discard();
}

void OutputFile::Write(std::string_view data) {
    const char* at = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(file_.Get(), at, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            Discard();
            ThrowErrno(error, name_);
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
}

void OutputFile::Commit(bool replace) {
    if (committed_ || temporary_.empty()) ThrowErrno(EBADF, name_);
    const auto fail = [this](int error) {
        Discard();
        ThrowErrno(error, name_);
    };
    if (::fsync(file_.Get()) != 0) fail(errno);
    if (::close(file_.Release()) != 0) fail(errno);
    if (replace) {
        if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail(errno);
    } else {
        int renamed = ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(),
                                  RENAME_NOREPLACE);
        if (renamed != 0 && errno == EINVAL) {
            // A file system without that flag: a hard link fails on an existing name too.
            renamed = ::link(temporary_.c_str(), target_.c_str());
            if (renamed == 0) ::unlink(temporary_.c_str());
        }
        if (renamed != 0) fail(errno);
    }
    committed_ = true;
    UnregisterTemporary(registration_);
    registration_ = -1;
    temporary_.clear();
    // The new name is on the disk too once the folder is flushed.
    FileDescriptor folder(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) ::fsync(folder.Get());
}

void OutputFile::Discard() noexcept {
    file_.Reset();
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    UnregisterTemporary(registration_);
    registration_ = -1;
    temporary_.clear();
}

void WriteOutputFile(const std::filesystem::path& target, std::string_view data,
                     const std::vector<FileIdentity>& inputs) {
    OutputFile file(target, inputs);
    file.Write(data);
    file.Commit();
}

void RemoveOutputTemporariesOnSignal() noexcept {
    for (TemporarySlot& slot : temporaries)
        if (slot.State.load() == kHeld) ::unlink(slot.Path);
}

void InstallOutputCleanupOnSignals() {
    struct sigaction action {};
    action.sa_handler = CleanUpAndEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace tv
