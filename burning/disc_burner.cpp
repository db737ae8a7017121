#include "burning/disc_burner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "base/byte_order.h"
#include "base/text_case.h"
#include "base/text_encoding.h"
#include "burning/short_names.h"

namespace tv {
namespace {

constexpr std::uint64_t kLargestFile = 0xFFFFFFFFull;  // ISO 9660 lengths are 32-bit
constexpr std::size_t kLongestJolietRecord = 255;

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TDiscBurner::TDiscBurner(DriveLayer& layer, MainThreadInvoker* invoker)
    : TSCSIDevice(layer, invoker) {
    ResetImage(65535, 8191);
}

TDiscBurner::~TDiscBurner() = default;

void TDiscBurner::SetCacheSize(std::uint32_t value) {
    cacheSize_ = value < kMinimumCacheSize ? kMinimumCacheSize : value / 2048 * 2048;
}

bool TDiscBurner::ResetImage(int maxFiles, int maxDirs) {
    // The offset from GMT of the directory records, in 15-minute units.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    gmtOffset_ = static_cast<std::int8_t>(local.tm_gmtoff / 60 / 15);

    header_.clear();
    directories_.clear();
    files_.clear();
    maxFiles_ = static_cast<std::size_t>(std::max(maxFiles, 0));
    maxDirs_ = static_cast<std::size_t>(std::max(maxDirs, 1));
    auto root = std::make_unique<TDEntry>();
    root->ShortName = "CD_ROOT";
    root->LongName = "CD Root Directory";
    root->Path = "\\";
    root->Level = 1;
    root->Parent = root.get();
    directories_.push_back(std::move(root));
    return true;
}

bool TDiscBurner::RoomForFile() {
    if (files_.size() < maxFiles_) return true;
    DebugMessage("MAXIMUM FILES CAN BE " + std::to_string(maxFiles_), 3);
    return false;
}

bool TDiscBurner::RoomForDirectory() {
    if (directories_.size() < maxDirs_) return true;
    DebugMessage(">>> MAXIMUM DIRECTORIES CAN BE " + std::to_string(maxDirs_), 3);
    return false;
}

TDEntry* TDiscBurner::NewDirectoryEntry() {
    if (!RoomForDirectory()) return nullptr;
    directories_.push_back(std::make_unique<TDEntry>());
    return directories_.back().get();
}

TFEntry* TDiscBurner::NewFileEntry() {
    if (!RoomForFile()) return nullptr;
    files_.push_back(std::make_unique<TFEntry>());
    return files_.back().get();
}

TDEntry* TDiscBurner::FindDir(const std::string& path) const {
    if (path.empty() || path == "\\") return directories_.front().get();
    std::string wanted = path;
    if (wanted.ends_with('\\')) wanted.pop_back();
    wanted = UpperCase(wanted);
    for (std::size_t i = 1; i < directories_.size(); ++i)
        if (directories_[i]->Path == wanted) return directories_[i].get();
    return nullptr;
}

bool TDiscBurner::ShortNameTaken(const TDEntry& directory, const std::string& name,
                                 const TFEntry* except) const {
    const auto it = directory.ByShortName.find(name);
    return it != directory.ByShortName.end() && it->second != except;
}

TDEntry* TDiscBurner::AddDirectory(TDEntry& parent, const std::string& longName, TDateTime date,
                                   std::uint32_t attributes) {
    if (const auto it = parent.ByLongName.find(UpperCase(longName)); it != parent.ByLongName.end())
        return it->second->IsDirectory() ? it->second->Directory : nullptr;
    // A directory needs a directory entry and a file entry: check both before adding either.
    const bool roomForFile = RoomForFile();
    if (!RoomForDirectory() || !roomForFile) return nullptr;
    TDEntry* directory = NewDirectoryEntry();
    TFEntry* entry = NewFileEntry();
    directory->LongName = longName;
    directory->ShortName = UpperCase(ShortNameFor(
        longName, true,
        [&](const std::string& name) { return ShortNameTaken(parent, name, nullptr); },
        &parent.AliasNumbers));
    directory->Path =
        (parent.Path == "\\" ? std::string() : parent.Path) + "\\" + UpperCase(longName);
    directory->Level = static_cast<std::uint8_t>(parent.Level + 1);
    directory->Parent = &parent;
    entry->ShortName = directory->ShortName;
    entry->LongName = longName;
    entry->Date = date;
    entry->Attributes = kAttributeDirectory | attributes;
    entry->Directory = directory;
    parent.Children.push_back(entry);
    parent.ByLongName[UpperCase(longName)] = entry;
    parent.ByShortName[entry->ShortName] = entry;
    return directory;
}

TDEntry* TDiscBurner::EnsurePath(const std::string& sourceFolder) {
    TDEntry* directory = directories_.front().get();
    std::string rest = sourceFolder;
    std::size_t start = 0;
    while (start < rest.size()) {
        std::size_t end = rest.find('/', start);
        if (end == std::string::npos) end = rest.size();
        const std::string part = rest.substr(start, end - start);
        start = end + 1;
        if (part.empty()) continue;
        struct stat info {};
        const std::string folder = rest.substr(0, end);
        const TDateTime date =
            ::stat(folder.c_str(), &info) == 0 ? DateTimeFromUnix(info.st_mtime) : Now();
        directory =
            AddDirectory(*directory, part, date, part.starts_with('.') ? kAttributeHidden : 0);
        if (directory == nullptr) return nullptr;
    }
    return directory;
}

std::uint8_t TDiscBurner::InsertFile(const std::string& destPath, const std::string& sourcePath,
                                     bool keepPath) {
    TDEntry* destination = nullptr;
    if (keepPath) {
        const std::size_t slash = sourcePath.find_last_of('/');
        destination =
            EnsurePath(slash == std::string::npos ? std::string() : sourcePath.substr(0, slash));
    } else {
        destination = FindDir(destPath);
    }
    if (destination == nullptr) {
        DebugMessage("INVALID DESTINATION PATH", 4);
        return 0;
    }
    struct stat info {};
    if (::stat(sourcePath.c_str(), &info) != 0) return 255;
    AddEntry(*destination, sourcePath);
    return 1;
}

bool TDiscBurner::AddEntry(TDEntry& destination, const std::string& sourcePath) {
    struct stat info {};
    if (::stat(sourcePath.c_str(), &info) != 0) return false;
    const bool isDirectory = S_ISDIR(info.st_mode);
    const std::string listedName = FileNameOf(sourcePath);
    std::uint32_t attributes = (isDirectory ? kAttributeDirectory : 0) |
                               (listedName.starts_with('.') ? kAttributeHidden : 0);
    const std::uint64_t size = isDirectory ? 0 : static_cast<std::uint64_t>(info.st_size);

    std::string longName = listedName;
    if (!isDirectory && longName.find('.') == std::string::npos) longName += '.';
    const auto found = destination.ByLongName.find(UpperCase(longName));
    TFEntry* existing = found == destination.ByLongName.end() ? nullptr : found->second;
    // The 8.3 alias, unique within the destination directory.
    const auto alias = [&](const TFEntry* self) {
        std::string name = ShortNameFor(
            listedName, isDirectory,
            [&](const std::string& n) { return ShortNameTaken(destination, n, self); },
            &destination.AliasNumbers);
        if (!isDirectory && name.find('.') == std::string::npos) name += '.';
        return name;
    };
    std::string shortName = alias(existing);
    TDateTime date = DateTimeFromUnix(info.st_mtime);
    bool skip = CountCharacters(longName) >= 110;
    if (OnAddFile) OnAddFile(*this, sourcePath, longName, shortName, date, attributes, size, skip);
    if (skip) return false;

    // Sizes and names the image cannot hold are refused rather than written wrongly.
    if (size > kLargestFile) {
        DebugMessage(">>> SKIPING; FILE SIZE >= 4 GB " + sourcePath, 0);
        return false;
    }
    if (33 + 2 * JolietName(longName + (isDirectory ? "" : ";1")).size() + 1 >
        kLongestJolietRecord) {
        DebugMessage(">>> SKIPING; FILE NAME TOO LONG FOR JOLIET " + sourcePath, 0);
        return false;
    }
    if (existing != nullptr && !ReplaceFile) return false;
    TFEntry* entry = existing;
    if (entry == nullptr) {
        entry = NewFileEntry();
        if (entry == nullptr) return false;
        destination.Children.push_back(entry);
    }
    shortName = UpperCase(shortName);
    // A handler may have chosen a name another entry carries: it gets an alias of its own.
    if (ShortNameTaken(destination, shortName, entry)) shortName = alias(entry);
    if (existing != nullptr) {
        destination.ByShortName.erase(existing->ShortName);
        destination.ByLongName.erase(UpperCase(existing->LongName));
    }
    destination.ByShortName[shortName] = entry;
    destination.ByLongName[UpperCase(longName)] = entry;
    entry->ShortName = shortName;
    entry->LongName = longName;
    entry->IsoLength = entry->JolietLength = size;
    entry->Attributes = attributes;
    entry->Date = date;
    entry->SourcePath = sourcePath;
    return true;
}

LayoutTree TDiscBurner::Tree() const {
    LayoutTree tree;
    for (const auto& d : directories_) tree.Directories.push_back(d.get());
    for (const auto& f : files_) tree.Files.push_back(f.get());
    return tree;
}

bool TDiscBurner::PrepareImage(bool forBurn) {
    burnDiscType_ = GetDiscType();
    Layer().CurrentDiscType = burnDiscType_;
    nextWritableAddress_ = 0;
    if (forBurn) {
        if (!GetNextWritableAddress()) DebugMessage(">>> ERROR GETTING NEXT WRITABLE ADDRESS", 0);
        if (nextWritableAddress_ > 0xFF000000u) nextWritableAddress_ = 0;
    }
    layout_ = ComputeImageLayout(Tree(), nextWritableAddress_, JolietFileSystem);
    for (std::size_t i = 0; i < directories_.size(); ++i) {
        TDEntry& d = *directories_[i];
        const ImageLayout::Directory& placed = layout_.Directories[i];
        d.Number = placed.Number;
        d.IsoExtentOffset = placed.IsoExtentOffset;
        d.JolietExtentOffset = placed.JolietExtentOffset;
        d.IsoSize = placed.IsoSize;
        d.JolietSize = placed.JolietSize;
    }
    for (std::size_t i = 0; i < files_.size(); ++i) {
        TFEntry& f = *files_[i];
        const ImageLayout::File& placed = layout_.Files[i];
        f.IsoLocation = placed.IsoLocation;
        f.JolietLocation = placed.JolietLocation;
        if (f.IsDirectory()) {
            f.IsoLength = placed.IsoLength;
            f.JolietLength = placed.JolietLength;
        }
    }
    return true;
}

bool TDiscBurner::BuildImageHeader() {
    VolumeInfo volume{IdSystem,          IdVolume,      IdVolumeSet,      IdPublisher,
                      IdPreparer,        IdApplication, FileCopyright,    FileAbstract,
                      FileBibliographic, DateCreation,  DateModification, std::string()};
    std::size_t descriptorEnd = 0;
    header_ = RenderImageHeader(Tree(), layout_, JolietFileSystem, volume, Now(), gmtOffset_,
                                &descriptorEnd);
    descriptorCopy_.assign(65537, 0xFF);
    std::copy(header_.begin(), header_.begin() + static_cast<std::ptrdiff_t>(descriptorEnd),
              descriptorCopy_.begin());
    return true;
}

std::uint64_t TDiscBurner::ImageSectors() const {
    if (WritePostGap && layout_.SectorsToWrite < 300) return 300;
    return layout_.SectorsToWrite;
}

bool TDiscBurner::GetNextWritableAddress() {
    WaitForReady(10000, 500);
    const std::uint8_t type = GetDiscType();
    const bool finalize = FinalizeDisc;
    FinalizeDisc = true;
    SetWriteParameters(TestWrite, UnderrunProtection, burnDiscType_);
    FinalizeDisc = finalize;
    WaitForReady(10000, 500);
    if (type == dtDvdRam || type == dtDvdPlusRw) {
        nextWritableAddress_ = FindVolumeSize();
        return true;
    }
    ReadDiscInformation();
    if (type == dtDvdRwRestrictedOverwrite || type == dtDvdRwSequential) {
        const bool read = ReadTrackInformation(1);
        if (read && TrackInfo().NextWritableAddress != 0)
            nextWritableAddress_ = TrackInfo().NextWritableAddress;
        return read;
    }
    const bool read = ReadTrackInformation(static_cast<std::uint8_t>(GetSessionCount() + 1));
    nextWritableAddress_ = read ? TrackInfo().NextWritableAddress : 0;
    return read;
}

std::uint32_t TDiscBurner::FindVolumeSize() {
    std::vector<std::uint8_t> block(2048);
    for (std::uint32_t address = 32; address >= 16; --address) {
        std::fill(block.begin(), block.end(), 0);
        if (!Read10(address, 1, 2048, block.data())) continue;
        if ((block[0] == 1 || block[0] == 2) && std::memcmp(block.data() + 1, "CD001", 5) == 0)
            return ReadLittle32(block.data() + 80);
    }
    return 0;
}

}  // namespace tv
