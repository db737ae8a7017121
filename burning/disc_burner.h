#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "burning/date_time.h"
#include "burning/file_tree.h"
#include "burning/iso_layout.h"
#include "drive/scsi_device.h"

namespace tv {

class TDiscBurner;

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
    std::string Version() const { return "1.21"; }
    void SetVersion(const std::string&) {}  // assigning it has no effect
    std::uint32_t CacheSize() const noexcept { return cacheSize_; }
    void SetCacheSize(std::uint32_t value);
    TAddFileEvent OnAddFile;
    TWriteDoneEvent OnWriteDone;
    TNotifyEvent OnFinalizingTrack;

    // The tree.
    bool ResetImage(int maxFiles, int maxDirs);
    // 0: destination not found; 1: source found (added, skipped or refused);
    // 255: source not found. With keepPath the source's folders are created under
    // the root on demand ("/a/b/c.mp3" goes into "\A\B").
    std::uint8_t InsertFile(const std::string& destPath, const std::string& sourcePath,
                            bool keepPath);
    // Adds a subdirectory to a directory (null when refused).
    TDEntry* AddDirectory(TDEntry& parent, const std::string& longName, TDateTime date,
                          std::uint32_t attributes = 0);
    TDEntry* FindDir(const std::string& path) const;
    TDEntry& Root() const { return *directories_.front(); }
    const std::vector<std::unique_ptr<TDEntry>>& Directories() const noexcept {
        return directories_;
    }
    const std::vector<std::unique_ptr<TFEntry>>& Files() const noexcept { return files_; }
    std::int8_t GmtOffset() const noexcept { return gmtOffset_; }

    // Layout and header.
    bool PrepareImage(bool forBurn = false);
    bool BuildImageHeader();
    const ImageLayout& Layout() const noexcept { return layout_; }
    const std::vector<std::uint8_t>& HeaderStream() const noexcept { return header_; }
    void ClearHeaderStream() { header_.clear(); }
    // System area and descriptors, then 0xFF up to 65,537 bytes: written to LBA 0
    // of overwritable media.
    const std::vector<std::uint8_t>& DescriptorCopy() const noexcept { return descriptorCopy_; }
    std::uint32_t NextWritableAddress() const noexcept { return nextWritableAddress_; }
    std::uint32_t FirstFileLocation() const noexcept { return layout_.FirstFileLocation; }
    // Sectors to write; at least 300 with WritePostGap.
    std::uint64_t ImageSectors() const;
    std::uint16_t BurnDiscType() const noexcept { return burnDiscType_; }

    // Drive queries of the burn start.
    bool GetNextWritableAddress();
    std::uint32_t FindVolumeSize();

    std::uint64_t BytesWritten = 0;

  private:
    // Whether the tables can take one more entry; reports the limit when not.
    bool RoomForFile();
    bool RoomForDirectory();
    TFEntry* NewFileEntry();
    TDEntry* NewDirectoryEntry();
    TDEntry* EnsurePath(const std::string& sourceFolder);
    bool AddEntry(TDEntry& destination, const std::string& sourcePath);
    bool ShortNameTaken(const TDEntry& directory, const std::string& name,
                        const TFEntry* except) const;
    LayoutTree Tree() const;

    std::vector<std::unique_ptr<TDEntry>> directories_;
    std::vector<std::unique_ptr<TFEntry>> files_;
    std::size_t maxFiles_ = 0;
    std::size_t maxDirs_ = 0;
    std::int8_t gmtOffset_ = 0;
    std::uint32_t cacheSize_ = kDefaultCacheSize;
    std::uint32_t nextWritableAddress_ = 0;
    std::uint16_t burnDiscType_ = 0;
    ImageLayout layout_;
    std::vector<std::uint8_t> header_;
    std::vector<std::uint8_t> descriptorCopy_;
};

}  // namespace tv
