#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// The file operations of the old platform's shell, done by the program itself.
enum class TShOp { shCopy, shDelete, shMove, shRename };

// The shell's option flags, kept for what callers hand over.
enum TShFlag : unsigned {
    shRenameOnCollision = 0x08,
    shSilent = 0x04,
    shNoConfirmation = 0x10,
    shAllowUndo = 0x40,
    shFilesOnly = 0x80,
    shSimpleProgress = 0x100,
    shNoConfirmMkDir = 0x200,
};
using TShFlags = unsigned;

enum class ReplaceAnswer { Yes, YesToAll, No, Cancel };

// Which names a target folder's file system takes.
enum class TargetNames {
    Detect,  // from the file system: FAT and exFAT rules there, else any name
    Fat,     // the rules of FAT and exFAT
    Any,     // any name a Linux file system takes
};

// What a running operation tells and asks. Called in the thread that runs
// Execute; an implementation may block there to ask the user.
class FileOperationObserver {
  public:
    virtual ~FileOperationObserver() = default;
    // Before the first file: how many files and bytes are to be done.
    virtual void Started(int /*files*/, std::uint64_t /*bytes*/) {}
    // While a file is done and after it; false asks the operation to stop.
    virtual bool Progress(const std::string& /*file*/, int /*filesDone*/,
                          std::uint64_t /*bytesDone*/) {
        return true;
    }
    // A target file exists already.
    virtual ReplaceAnswer AskReplace(const std::string& /*target*/) { return ReplaceAnswer::Yes; }
    // Source names the target file system cannot hold: true skips them, false
    // cancels the whole operation before anything is written.
    virtual bool SkipUnfitNames(const std::vector<std::string>& /*names*/) { return false; }
    // A file failed; the reason is the system's text. The others go on.
    virtual void Failed(const std::string& /*file*/, const std::string& /*reason*/) {}
};

// One file operation on a list of files. A copy writes each file to a temporary
// name in the target folder, flushes it to the device and renames it, keeping its
// modification time: a cancelled or failed copy leaves no half file, and a copy
// that is done is on the device. Paths are taken whole (no ";" splitting).
class TShFileOP {
  public:
    TShOp Operation = TShOp::shCopy;
    std::vector<std::string> FilesList;  // source paths; empty entries are skipped
    std::string Destination;             // target folder (rename: target name)
    std::string Title;                   // for the progress window
    TShFlags Options = shAllowUndo;
    bool KeepFilesList = false;
    TargetNames Names = TargetNames::Detect;

    // Performs the operation; true when every file was done. Unless
    // KeepFilesList, FilesList is empty afterwards. A cancel that came before
    // Execute began stops it before anything is written; when Execute ends, the
    // cancel is forgotten.
    bool Execute(FileOperationObserver& observer);
    // Asks Execute to stop (any thread), also one about to begin; the file being
    // copied is removed from the target.
    void Cancel() noexcept { cancel_ = true; }
    // Forgets an earlier cancel: the owner calls it before it starts a new
    // Execute (on the thread that may cancel, before the worker exists).
    void ResetCancel() noexcept { cancel_ = false; }
    // The operation was stopped by the user (a cancel or a "Abbrechen" answer).
    bool Aborted() const noexcept { return aborted_; }

    // What the last Execute did with the files: done (copied, moved, deleted,
    // renamed), skipped (a replace answered "Nein", a name the target cannot
    // hold) and failed (each reported through Failed). Files a cancel left
    // untouched are in none of them.
    struct Tally {
        int Done = 0;
        int Skipped = 0;
        int Failed = 0;
    };
    const Tally& Counts() const noexcept { return tally_; }

  private:
    bool Copy(const std::vector<std::string>& sources, bool move, FileOperationObserver& observer);
    bool Delete(const std::vector<std::string>& sources, FileOperationObserver& observer);

    std::atomic<bool> cancel_{false};
    bool aborted_ = false;
    Tally tally_;
};

// Whether a file name breaks the rules of FAT and exFAT: one of " * : < > ? \ |,
// a control character, a trailing dot or blank, more than 255 UTF-16 units, or
// bytes that are not UTF-8.
bool UnfitForFat(const std::string& name);

// Whether the file system of a folder is FAT or exFAT.
bool FolderOnFat(const std::string& folder);

}  // namespace tv
