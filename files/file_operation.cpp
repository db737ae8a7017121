#include "files/file_operation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <future>
#include <set>
#include <system_error>

#include "base/file_descriptor.h"
#include "base/safe_open.h"
#include "base/text_encoding.h"

namespace tv {
namespace {

constexpr long kMsdosMagic = 0x4d44;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr std::size_t kChunk = 4 << 20;  // bytes copied between progress reports

std::string FileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string Reason(int error) {
    return std::system_category().message(error);
}

// A temporary name in the target folder, short enough for any file system.
std::filesystem::path TemporaryIn(const std::filesystem::path& folder) {
    static std::atomic<unsigned> counter{0};
    return folder /
           (".tunevault-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp");
}

// Copies the open source into a new temporary file in folder (its name in
// temporary). Returns 0 or the errno of the failure; ECANCELED when stopped. The
// file is left for Flush to put on the device and under its name.
int CopyOne(int source, const struct stat& info, const std::filesystem::path& folder,
            std::filesystem::path& temporary, const std::function<bool(std::uint64_t)>& progress) {
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = TemporaryIn(folder);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;
    FileDescriptor out(fd);
    const auto fail = [&](int error) {
        out = FileDescriptor();
        ::unlink(temporary.c_str());
        return error;
    };
    std::uint64_t done = 0;
    bool kernelCopy = true;
    std::vector<char> buffer;
    for (;;) {
        ssize_t moved = -1;
        if (kernelCopy) {
            moved = ::copy_file_range(source, nullptr, out.Get(), nullptr, kChunk, 0);
            if (moved < 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false;  // across file systems the old way
                continue;
            }
        } else {
            if (buffer.empty()) buffer.resize(1 << 20);
            const ssize_t got = ::read(source, buffer.data(), buffer.size());
            if (got > 0) {
                for (ssize_t written = 0; written < got;) {
                    const ssize_t n = ::write(out.Get(), buffer.data() + written,
                                              static_cast<std::size_t>(got - written));
                    if (n < 0 && errno == EINTR) continue;
                    if (n < 0) return fail(errno);
                    written += n;
                }
            }
            moved = got;
        }
        if (moved < 0 && errno == EINTR) continue;
        if (moved < 0) return fail(errno);
        if (moved == 0) break;
        // The device starts writing this piece now, while the next is copied.
        ::sync_file_range(out.Get(), static_cast<off_t>(done), moved, SYNC_FILE_RANGE_WRITE);
        done += static_cast<std::uint64_t>(moved);
        if (!progress(done)) return fail(ECANCELED);
    }
    if (done != static_cast<std::uint64_t>(info.st_size)) {
        // The source changed while it was copied; what we have is not the file.
        struct stat now {};
        if (::fstat(source, &now) != 0 || now.st_size != static_cast<off_t>(done)) return fail(EIO);
    }
    ::fchmod(out.Get(), info.st_mode & 0777);  // file systems without modes ignore it
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    ::futimens(out.Get(), times);
    if (::close(out.Release()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return error;
    }
    return 0;
}

}  // namespace

bool UnfitForFat(const std::string& name) {
    if (name.empty()) return true;
    if (!IsValidUtf8(name)) return true;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) return true;
        if (std::strchr("\"*:<>?\\|", c) != nullptr && c != '\0') return true;
    }
    if (name.back() == '.' || name.back() == ' ') return true;
    std::size_t units = 0;
    for (std::size_t i = 0; i < name.size();) {
        char32_t c = 0;
        const std::size_t length = Utf8SequenceLength(name, i, c);
        units += c >= 0x10000 ? 2 : 1;
        i += length == 0 ? 1 : length;
    }
    return units > 255;
}

bool FolderOnFat(const std::string& folder) {
    struct statfs info {};
    if (::statfs(folder.c_str(), &info) != 0) return false;
    return info.f_type == kMsdosMagic || info.f_type == kExfatMagic;
}

namespace {

// Passes everything on and counts the failures.
class FailureCounter final : public FileOperationObserver {
  public:
    FailureCounter(FileOperationObserver& observer, int& failures)
        : observer_(observer), failures_(failures) {}
    void Started(int files, std::uint64_t bytes) override { observer_.Started(files, bytes); }
    bool Progress(const std::string& file, int filesDone, std::uint64_t bytesDone) override {
        return observer_.Progress(file, filesDone, bytesDone);
    }
    ReplaceAnswer AskReplace(const std::string& target) override {
        return observer_.AskReplace(target);
    }
    bool SkipUnfitNames(const std::vector<std::string>& names) override {
        return observer_.SkipUnfitNames(names);
    }
    void Failed(const std::string& file, const std::string& reason) override {
        ++failures_;
        observer_.Failed(file, reason);
    }

  private:
    FileOperationObserver& observer_;
    int& failures_;
};

}  // namespace

bool TShFileOP::Execute(FileOperationObserver& outer) {
    aborted_ = false;
    tally_ = {};
    FailureCounter observer(outer, tally_.Failed);
    std::vector<std::string> sources;
    for (const std::string& file : FilesList)
        if (!file.empty()) sources.push_back(file);
    bool done = true;
    if (!sources.empty()) {
        switch (Operation) {
            case TShOp::shCopy:
                done = Copy(sources, false, observer);
                break;
            case TShOp::shMove:
                done = Copy(sources, true, observer);
                break;
            case TShOp::shDelete:
                done = Delete(sources, observer);
                break;
            case TShOp::shRename:
                if (::rename(sources.front().c_str(), Destination.c_str()) != 0) {
                    observer.Failed(sources.front(), Reason(errno));
                    done = false;
                } else {
                    ++tally_.Done;
                }
                break;
        }
    }
    cancel_ = false;  // a cancel (or a stop answered) belongs to this run
    if (!KeepFilesList) FilesList.clear();
    return done && !aborted_;
}

bool TShFileOP::Delete(const std::vector<std::string>& sources, FileOperationObserver& observer) {
    observer.Started(static_cast<int>(sources.size()), 0);
    bool done = true;
    int count = 0;
    for (const std::string& file : sources) {
        if (cancel_ || !observer.Progress(file, count, 0)) {
            aborted_ = true;
            return false;
        }
        if (::unlink(file.c_str()) != 0) {
            observer.Failed(file, Reason(errno));
            done = false;
        } else {
            ++tally_.Done;
        }
        ++count;
    }
    return done;
}

bool TShFileOP::Copy(const std::vector<std::string>& sources, bool move,
                     FileOperationObserver& observer) {
    const std::filesystem::path folder(Destination);
    // Names the target cannot hold are found before anything is written.
    const bool fat =
        Names == TargetNames::Fat || (Names == TargetNames::Detect && FolderOnFat(Destination));
    std::vector<std::string> unfit;
    for (const std::string& file : sources)
        if ((fat && UnfitForFat(FileNameOf(file))) || FileNameOf(file).size() > 255)
            unfit.push_back(file);
    if (!unfit.empty() && !observer.SkipUnfitNames(unfit)) {
        aborted_ = true;
        return false;
    }
    tally_.Skipped += static_cast<int>(unfit.size());
    std::uint64_t total = 0;
    for (const std::string& file : sources) {
        struct stat info {};
        if (::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode))
            total += static_cast<std::uint64_t>(info.st_size);
    }
    observer.Started(static_cast<int>(sources.size()), total);

    // Copied files wait under temporary names until a batch of them has been put
    // on the device in one go (one flush of the target's file system instead of
    // one per file); only then do they get their names. So a file under its own
    // name is always whole and on the device.
    struct Copied {
        std::string Source;
        std::filesystem::path Temporary;
        std::filesystem::path Target;
    };
    std::vector<Copied> pending;
    std::uint64_t pendingBytes = 0;
    bool done = unfit.empty();
    // A batch is flushed in the background while the next one is copied.
    struct Failure {
        std::string File;
        int Error;
    };
    std::future<std::vector<Failure>> flushing;
    int flushingFiles = 0;
    const auto report = [&] {
        if (!flushing.valid()) return;
        const std::vector<Failure> failures = flushing.get();
        tally_.Done += flushingFiles - static_cast<int>(failures.size());
        for (const Failure& failure : failures) {
            observer.Failed(failure.File, Reason(failure.Error));
            done = false;
        }
    };
    const auto flush = [&] {
        report();  // one batch at a time
        if (pending.empty()) return;
        flushingFiles = static_cast<int>(pending.size());
        flushing = std::async(std::launch::async, [batch = std::move(pending),
                                                   destination = Destination, move] {
            std::vector<Failure> failures;
            const int dir = ::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const int synced = dir < 0 ? errno : ::syncfs(dir) == 0 ? 0 : errno;
            for (const Copied& copied : batch) {
                int failure = synced;
                if (failure == 0 && ::rename(copied.Temporary.c_str(), copied.Target.c_str()) != 0)
                    failure = errno;
                if (failure != 0) {
                    ::unlink(copied.Temporary.c_str());
                    failures.push_back({copied.Source, failure});
                } else if (move && ::unlink(copied.Source.c_str()) != 0) {
                    failures.push_back({copied.Source, errno});
                }
            }
            if (dir >= 0) {
                ::fsync(dir);  // the new names on the device too
                ::close(dir);
            }
            return failures;
        });
        pending.clear();
        pendingBytes = 0;
    };

    std::set<std::string> copiedTargets;
    bool replaceAll = (Options & shNoConfirmation) != 0;
    std::uint64_t bytesBefore = 0;
    int filesDone = 0;
    for (const std::string& file : sources) {
        if (cancel_) break;
        if (std::find(unfit.begin(), unfit.end(), file) != unfit.end()) continue;
        const std::filesystem::path target = folder / std::filesystem::path(file).filename();
        std::error_code error;
        FileDescriptor source = OpenRegularFile(file, O_RDONLY, error);
        if (!source.Valid()) {
            observer.Failed(file, error.message());
            done = false;
            continue;
        }
        struct stat info {};
        ::fstat(source.Get(), &info);
        // A file of this run may still wait for its name: it counts as there.
        const bool waiting = copiedTargets.count(target.string()) > 0;
        struct stat existing {};
        if (waiting || ::stat(target.c_str(), &existing) == 0) {
            if (!waiting && existing.st_dev == info.st_dev && existing.st_ino == info.st_ino) {
                observer.Failed(file, "Quelle und Ziel sind dieselbe Datei");
                done = false;
                continue;
            }
            if (!replaceAll) {
                const ReplaceAnswer answer = observer.AskReplace(target.string());
                if (answer == ReplaceAnswer::Cancel) {
                    cancel_ = true;
                    break;
                }
                if (answer == ReplaceAnswer::No) {
                    ++tally_.Skipped;
                    bytesBefore += static_cast<std::uint64_t>(info.st_size);
                    ++filesDone;
                    continue;
                }
                replaceAll = answer == ReplaceAnswer::YesToAll;
            }
        }
        if (!observer.Progress(file, filesDone, bytesBefore)) cancel_ = true;
        std::filesystem::path temporary;
        const int failure =
            cancel_
                ? ECANCELED
                : CopyOne(source.Get(), info, folder, temporary, [&](std::uint64_t bytes) {
                      return !cancel_ && observer.Progress(file, filesDone, bytesBefore + bytes);
                  });
        if (failure == ECANCELED) {
            cancel_ = true;
            break;
        }
        if (failure != 0) {
            observer.Failed(file, Reason(failure));
            done = false;
        } else {
            pending.push_back({file, temporary, target});
            copiedTargets.insert(target.string());
            pendingBytes += static_cast<std::uint64_t>(info.st_size);
            if (pending.size() >= 64 || pendingBytes >= (256u << 20)) flush();
        }
        bytesBefore += static_cast<std::uint64_t>(info.st_size);
        ++filesDone;
        observer.Progress(file, filesDone, bytesBefore);
    }
    // The whole files copied before a cancel are kept, as with any copy.
    flush();
    report();
    if (cancel_) {
        aborted_ = true;
        return false;
    }
    return done;
}

}  // namespace tv
