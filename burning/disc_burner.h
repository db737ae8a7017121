#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct stat;

#include "burning/cache_thread.h"
#include "burning/date_time.h"
#include "burning/file_tree.h"
#include "burning/iso_layout.h"
#include "drive/scsi_device.h"

namespace tv {

class TDiscBurner;

// Whether a medium can be written in test mode: DVD+R, DVD+RW and DVD-RAM have
// no test mode (a drive would write them for real).
bool MediumHasTestWrite(std::uint16_t discType);

// Raised for every file about to enter the tree; the handler may rename, redate or
// skip it.
using TAddFileEvent =
    std::function<void(TDiscBurner& sender, const std::string& fullPath, std::string& longFileName,
                       std::string& shortFileName, TDateTime& dateTime, std::uint32_t attributes,
                       std::uint64_t fileSize, bool& skip)>;
using TWriteDoneEvent = std::function<void(TDiscBurner& sender, const std::string& error)>;
using TNotifyEvent = std::function<void(TDiscBurner& sender)>;

// The disc-burning component: a drive (TSCSIDevice) with the file tree of one job,
// the properties of its ISO 9660/Joliet image and the layout of that image.
class TDiscBurner : public TSCSIDevice {
  public:
    static constexpr std::uint32_t kDefaultCacheSize = 4194304;
    static constexpr std::uint32_t kMinimumCacheSize = 2097152;
    // Path tables number directories with 16 bits; levels are counted in a byte.
    static constexpr int kLargestDirectoryCount = 65535;
    static constexpr std::uint8_t kDeepestLevel = 255;

    explicit TDiscBurner(DriveLayer& layer, MainThreadInvoker* invoker = nullptr);
    ~TDiscBurner() override;

    // Published properties.
    bool TestWrite = false;
    bool ReplaceFile = false;
    bool FinalizeTrack = true;
    bool PerformOPC = false;
    bool JolietFileSystem = true;
    bool WritePostGap = true;
    std::string IdVolume, IdSystem, IdVolumeSet, IdPublisher, IdPreparer, IdApplication;
    std::string FileCopyright, FileAbstract, FileBibliographic;
    TDateTime DateCreation = 0, DateModification = 0, DateEffective = 0, DateExpiration = 0;
    // The date of the "." and ".." records; 0: the moment the header is built.
    TDateTime HeaderDate = 0;
    std::string Version() const { return "1.21"; }
    void SetVersion(const std::string&) {}  // assigning it has no effect
    std::uint32_t CacheSize() const noexcept { return cacheSize_; }
    void SetCacheSize(std::uint32_t value);
    TAddFileEvent OnAddFile;
    TWriteDoneEvent OnWriteDone;
    TNotifyEvent OnFinalizingTrack;

    // The tree. ResetImage empties it and forgets the layout (ImageSectors is 0
    // until the next PrepareImage); at most 65,535 directories. While a burn runs,
    // the tree and layout are refused any change (false, 0 or null).
    bool ResetImage(int maxFiles, int maxDirs);
    // 0: destination not found; 1: source found (added, skipped or refused);
    // 255: source not found, or not a regular file (a folder, FIFO or device is
    // refused with a ">>> SKIPING; " line). With keepPath the source's folders are
    // created under the root on demand ("/a/b/c.mp3" goes into "\A\B"; "." and
    // ".." are steps of the path, never folders).
    std::uint8_t InsertFile(const std::string& destPath, const std::string& sourcePath,
                            bool keepPath);
    // Whether the last InsertFile put the file into the tree.
    bool LastFileAdded() const noexcept { return lastOutcome_ == InsertOutcome::Added; }
    // What became of the last InsertFile's file: added (a file whose name another
    // file of the directory carries is added under a numbered name), already in
    // the tree (the same source file again), or left out (with a ">>> SKIPING; "
    // line whose reason LastSkipReason gives).
    enum class InsertOutcome { Added, AlreadyThere, LeftOut };
    InsertOutcome LastInsertOutcome() const noexcept { return lastOutcome_; }
    const std::string& LastSkipReason() const noexcept { return lastSkipReason_; }
    // Logs ">>> SKIPING; " + reason + " " + path and keeps reason (with the
    // detail, the system's word, in brackets) for LastSkipReason; for handlers of
    // OnAddFile that skip a file.
    void ReportSkip(const std::string& reason, const std::string& path,
                    const std::string& detail = {});
    // Adds a subdirectory to a directory (null when refused: a name "." or "..", one
    // too long for a Joliet record, a level deeper than 255, or no room left).
    TDEntry* AddDirectory(TDEntry& parent, const std::string& longName, TDateTime date,
                          std::uint32_t attributes = 0);
    TDEntry* FindDir(const std::string& path) const;
    TDEntry& Root() const { return *directories_.front(); }
    const std::vector<std::unique_ptr<TDEntry>>& Directories() const noexcept {
        return directories_;
    }
    const std::vector<std::unique_ptr<TFEntry>>& Files() const noexcept { return files_; }
    std::int8_t GmtOffset() const noexcept { return gmtOffset_; }

    // Layout and header. The layout belongs to the tree and Joliet switch it was
    // computed for; BuildImageHeader lays the tree out again (at the same address)
    // when either changed since. False (with a log line and LayoutError) for a
    // tree no image can hold.
    bool PrepareImage(bool forBurn = false);
    // Lays the image out at a given session start without asking a drive.
    bool PrepareImageAt(std::uint32_t nextWritableAddress);
    bool BuildImageHeader();
    const std::string& LayoutError() const noexcept { return layoutError_; }
    const ImageLayout& Layout() const noexcept { return layout_; }
    const std::vector<std::uint8_t>& HeaderStream() const noexcept { return header_; }
    void ClearHeaderStream() { header_.clear(); }
    // System area and descriptors, then 0xFF up to 65,537 bytes: written to LBA 0
    // of overwritable media.
    const std::vector<std::uint8_t>& DescriptorCopy() const noexcept { return descriptorCopy_; }
    // The bytes of the copy that are system area and descriptors.
    std::size_t DescriptorEnd() const noexcept { return descriptorEnd_; }
    std::uint32_t NextWritableAddress() const noexcept { return nextWritableAddress_; }
    std::uint32_t FirstFileLocation() const noexcept { return layout_.FirstFileLocation; }
    // Sectors to write; at least 300 with WritePostGap; 0 while the tree has no
    // current layout.
    std::uint64_t ImageSectors() const;
    std::uint16_t BurnDiscType() const noexcept { return burnDiscType_; }

    // Drive queries of the burn start.
    bool GetNextWritableAddress();
    std::uint32_t FindVolumeSize();

    // --- the burn ---------------------------------------------------------------
    // Claims the drive and starts the write thread, which formats a DVD-RW, lays
    // the image out behind the disc's next writable address, fills the reader's
    // cache and writes; true then. The outcome always arrives through OnWriteDone
    // (in the main thread, through the invoker). False when the drive is held by
    // another program, cannot be opened or is erasing, OnWriteDone having been
    // raised already with the reason; also false, without an event, while a burn
    // runs or its OnWriteDone has not been delivered yet (that event comes). Until
    // the burn has ended the tree, layout and ImageSectors belong to the write
    // thread.
    bool BurnImage();
    bool Burning() const noexcept { return burning_; }
    // Whether the last BurnImage claimed the drive (and so may have changed the
    // disc): a burn refused before that leaves the disc where it is (no eject).
    bool BurnClaimedDrive() const noexcept { return driveClaimed_; }
    // Waits until the write thread has ended (its OnWriteDone may still be queued).
    void WaitForBurn();
    // Bytes sent to the drive by the running (or last) burn.
    std::atomic<std::uint64_t> BytesWritten{0};
    // Times the writer found no block ready after the cache was first filled.
    std::uint64_t WriterWaits() const noexcept { return writerWaits_; }
    // The block size and queue capacity of the last burn.
    std::uint32_t BurnBlockSize() const noexcept { return burnBlockSize_; }
    std::size_t BurnQueueCapacity() const noexcept { return burnQueueCapacity_; }

  private:
    void FormatDvdRw();
    // The write thread: the reader started, then steps D to F; one OnWriteDone.
    void RunWriteThread();
    // The DVD-RW format, the layout at the disc's next writable address, the header
    // and the reader with its cache filled: the error text (empty when ready).
    std::string StartReader();
    // Steps D to F: the error text (empty on success).
    std::string WriteImage();
    // D: the drive prepared for writing; the error text when it cannot be (a test
    // write the drive does not take).
    std::string PrepareDriveForWriting(std::uint16_t discType, std::uint8_t& firstTrack);
    // Whether the drive's write parameters page holds the test-write bit now.
    bool DriveTookTestWrite();
    // E: the blocks written; the error text (empty on success).
    std::string WriteBlocks(std::uint16_t discType);
    bool WriteDescriptorCopy(std::uint16_t discType, std::uint32_t sectors, std::string& error);
    // F: flushing (the error text when the drive could not write what it had
    // buffered), closing and resetting.
    std::string FlushDrive(std::uint16_t discType);
    // False when the (final) close command failed.
    bool CloseSession(std::uint16_t discType, std::uint8_t firstTrack);
    bool DriveBusy() const;
    // A wait of the write thread; false (at once) when the burn is abandoned.
    bool BurnWait(std::uint32_t milliseconds);
    void AbandonBurn();

    // Whether the tables can take one more entry; reports the limit when not.
    bool RoomForFile();
    bool RoomForDirectory();
    TFEntry* NewFileEntry();
    TDEntry* NewDirectoryEntry();
    TDEntry* EnsurePath(const std::string& sourceFolder);
    InsertOutcome AddEntry(TDEntry& destination, const std::string& sourcePath,
                           const struct stat& info);
    bool ShortNameTaken(const TDEntry& directory, const std::string& name,
                        const TFEntry* except) const;
    // The name as the Joliet tree writes it, unique in the directory without regard
    // to case; a taken one gets " (2)", " (3)" ... before its extension.
    std::string UniqueJolietName(TDEntry& directory, const std::string& wanted, bool isDirectory,
                                 const TFEntry* self);
    // A long name no child of the directory carries: wanted with " (2)", " (3)" ...
    // before its extension, within the Joliet length; empty when none can be made.
    std::string UniqueLongName(TDEntry& directory, const std::string& wanted);
    LayoutTree Tree() const;
    bool LayoutCurrent() const noexcept;
    // Runs a step that lays the image out; false (reported) when it throws.
    bool LaidOut(const std::function<void()>& layOut);
    void LayOut();
    void RenderHeader();
    void PrepareLayout(bool forBurn);
    bool RefusedWhileBurning();

    std::vector<std::unique_ptr<TDEntry>> directories_;
    std::vector<std::unique_ptr<TFEntry>> files_;
    std::size_t maxFiles_ = 0;
    std::size_t maxDirs_ = 0;
    std::int8_t gmtOffset_ = 0;
    std::uint32_t cacheSize_ = kDefaultCacheSize;
    std::uint32_t nextWritableAddress_ = 0;
    std::uint16_t burnDiscType_ = 0;
    ImageLayout layout_;
    std::uint64_t treeRevision_ = 0;
    std::uint64_t layoutRevision_ = 0;
    bool layoutJoliet_ = true;
    bool layoutValid_ = false;
    std::string layoutError_;
    InsertOutcome lastOutcome_ = InsertOutcome::LeftOut;
    std::string lastSkipReason_;
    std::vector<std::uint8_t> header_;
    std::vector<std::uint8_t> descriptorCopy_;
    std::size_t descriptorEnd_ = 0;

    // The running burn.
    std::unique_ptr<TCacheThread> cache_;
    std::mutex cacheMutex_;  // cache_ as the write thread makes it and AbandonBurn reads it
    std::thread writeThread_;
    std::atomic<bool> burning_{false};
    // From the start of a burn until its OnWriteDone has been delivered.
    std::atomic<bool> writeDonePending_{false};
    bool driveClaimed_ = false;
    std::atomic<bool> abandonBurn_{false};
    std::mutex burnWaitMutex_;
    std::condition_variable burnWake_;
    std::atomic<std::uint64_t> writerWaits_{0};
    std::uint32_t burnBlockSize_ = 0;
    std::size_t burnQueueCapacity_ = 0;
    std::vector<std::uint8_t> writeBuffer_;
};

}  // namespace tv
