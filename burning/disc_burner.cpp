#include "burning/disc_burner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/byte_order.h"
#include "base/text_case.h"
#include "base/text_encoding.h"
#include "burning/joliet_names.h"
#include "burning/short_names.h"

namespace tv {
namespace {

constexpr std::uint64_t kLargestFile = 0xFFFFFFFFull;  // ISO 9660 lengths are 32-bit
// The longest ISO 9660 file identifier (level 2: 30 characters, ";1" not counted).
constexpr std::size_t kLongestShortName = 30;

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TDiscBurner::TDiscBurner(DriveLayer& layer, MainThreadInvoker* invoker)
    : TSCSIDevice(layer, invoker) {
    ResetImage(65535, 8191);
}

TDiscBurner::~TDiscBurner() {
    // Before any part of the burner goes: a running burn or erase stops, and
    // neither raises its event any more.
    AbandonBurn();
    AbandonErase();
}

void TDiscBurner::SetCacheSize(std::uint32_t value) {
    cacheSize_ = value < kMinimumCacheSize ? kMinimumCacheSize : value / 2048 * 2048;
}

bool TDiscBurner::RefusedWhileBurning() {
    // The write thread reads the tree and the header until the burn ends: they stay
    // as they are until then.
    if (!burning_) return false;
    DebugMessage(">>> IMAGE CANNOT CHANGE WHILE BURNING", 0);
    return true;
}

bool TDiscBurner::ResetImage(int maxFiles, int maxDirs) {
    if (RefusedWhileBurning()) return false;
    // The offset from GMT of the directory records, in 15-minute units.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    gmtOffset_ = static_cast<std::int8_t>(local.tm_gmtoff / 60 / 15);

    header_.clear();
    descriptorCopy_.clear();
    directories_.clear();
    files_.clear();
    layout_ = ImageLayout{};
    layoutValid_ = false;
    nextWritableAddress_ = 0;
    ++treeRevision_;
    maxFiles_ = static_cast<std::size_t>(std::max(maxFiles, 0));
    // Path tables number directories with 16 bits.
    maxDirs_ = static_cast<std::size_t>(std::clamp(maxDirs, 1, kLargestDirectoryCount));
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

namespace {

// The key two Joliet identifiers are compared by: readers compare without case.
std::string JolietKey(const std::string& name, bool isDirectory) {
    return UpperCase(isDirectory ? name : name + ";1");
}

// "name (n).ext" for files, "name (n)" for directories, cut so that the identifier
// still fits a record.
std::string WithNumber(const std::string& name, bool isDirectory, unsigned number) {
    const std::size_t dot = isDirectory ? std::string::npos : name.rfind('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    const std::string suffix = " (" + std::to_string(number) + ")";
    const std::size_t room = kLongestJolietIdentifier - (isDirectory ? 0 : 2);
    while (!base.empty() &&
           JolietLength(base) + JolietLength(suffix) + JolietLength(extension) > room) {
        base.pop_back();
        while (!base.empty() && (static_cast<unsigned char>(base.back()) & 0xC0) == 0x80)
            base.pop_back();  // never half a character
    }
    return base + suffix + extension;
}

}  // namespace

std::string TDiscBurner::UniqueJolietName(TDEntry& directory, const std::string& wanted,
                                          bool isDirectory, const TFEntry* self) {
    const std::string safe = JolietSafeName(wanted);
    const auto taken = [&](const std::string& name) {
        const auto it = directory.ByJolietName.find(JolietKey(name, isDirectory));
        return it != directory.ByJolietName.end() && it->second != self;
    };
    if (!taken(safe)) return safe;
    unsigned& next = directory.JolietNumbers[JolietKey(safe, isDirectory)];
    for (next = std::max(next, 2u);; ++next) {
        std::string candidate = WithNumber(safe, isDirectory, next);
        if (taken(candidate)) continue;
        ++next;
        DebugMessage(">>> JOLIET NAME \"" + LogText(safe) + "\" IS TAKEN; WRITTEN AS \"" +
                         LogText(candidate) + "\"",
                     0);
        return candidate;
    }
}

std::string TDiscBurner::UniqueLongName(TDEntry& directory, const std::string& wanted) {
    const auto taken = [&](const std::string& name) {
        return directory.ByLongName.contains(UpperCase(name)) ||
               directory.ByJolietName.contains(JolietKey(JolietSafeName(name), false));
    };
    unsigned& next = directory.LongNameNumbers[UpperCase(wanted)];
    for (next = std::max(next, 2u); next < 1000000; ++next) {
        std::string candidate = WithNumber(wanted, false, next);
        if (candidate.empty() || JolietLength(candidate) + 2 > kLongestJolietIdentifier) break;
        if (taken(candidate)) continue;
        ++next;
        return candidate;
    }
    return {};
}

TDEntry* TDiscBurner::AddDirectory(TDEntry& parent, const std::string& longName, TDateTime date,
                                   std::uint32_t attributes) {
    if (RefusedWhileBurning()) return nullptr;
    if (const auto it = parent.ByLongName.find(UpperCase(longName)); it != parent.ByLongName.end())
        return it->second->IsDirectory() ? it->second->Directory : nullptr;
    // Names and depths the image cannot hold are refused rather than written wrongly.
    if (longName.empty() || longName == "." || longName == "..") return nullptr;
    if (JolietLength(longName) > kLongestJolietIdentifier) {
        ReportSkip("FOLDER NAME TOO LONG FOR JOLIET", longName);
        return nullptr;
    }
    if (parent.Level >= kDeepestLevel) {
        ReportSkip("FOLDER TOO DEEP", longName);
        return nullptr;
    }
    // A directory needs a directory entry and a file entry: check both before adding either.
    const bool roomForFile = RoomForFile();
    if (!RoomForDirectory() || !roomForFile) return nullptr;
    TDEntry* directory = NewDirectoryEntry();
    TFEntry* entry = NewFileEntry();
    directory->LongName = UniqueJolietName(parent, longName, true, nullptr);
    directory->ShortName = UpperCase(ShortNameFor(
        longName, true,
        [&](const std::string& name) { return ShortNameTaken(parent, name, nullptr); },
        &parent.AliasNumbers));
    directory->Path =
        (parent.Path == "\\" ? std::string() : parent.Path) + "\\" + UpperCase(longName);
    directory->Level = static_cast<std::uint8_t>(parent.Level + 1);
    directory->Parent = &parent;
    entry->ShortName = directory->ShortName;
    entry->LongName = directory->LongName;
    entry->Date = date;
    entry->Attributes = kAttributeDirectory | attributes;
    entry->Directory = directory;
    parent.Children.push_back(entry);
    parent.ByLongName[UpperCase(longName)] = entry;
    parent.ByShortName[entry->ShortName] = entry;
    parent.ByJolietName[JolietKey(entry->LongName, true)] = entry;
    ++treeRevision_;
    return directory;
}

TDEntry* TDiscBurner::EnsurePath(const std::string& sourceFolder) {
    TDEntry* directory = directories_.front().get();
    // "." and ".." are steps of the path, never folders of the disc.
    const std::filesystem::path folder = std::filesystem::path(sourceFolder).lexically_normal();
    std::filesystem::path walked = folder.root_path();
    for (const std::filesystem::path& step : folder.relative_path()) {
        walked /= step;
        const std::string part = step.string();
        if (part.empty() || part == "." || part == "..") continue;
        struct stat info {};
        const TDateTime date =
            ::stat(walked.c_str(), &info) == 0 ? DateTimeFromUnix(info.st_mtime) : Now();
        directory =
            AddDirectory(*directory, part, date, part.starts_with('.') ? kAttributeHidden : 0);
        if (directory == nullptr) return nullptr;
    }
    return directory;
}

void TDiscBurner::ReportSkip(const std::string& reason, const std::string& path,
                             const std::string& detail) {
    lastSkipReason_ = detail.empty() ? reason : reason + " (" + detail + ")";
    DebugMessage(">>> SKIPING; " + reason + " " + LogText(path), 0);
}

std::uint8_t TDiscBurner::InsertFile(const std::string& destPath, const std::string& sourcePath,
                                     bool keepPath) {
    lastOutcome_ = InsertOutcome::LeftOut;
    lastSkipReason_.clear();
    if (RefusedWhileBurning()) {
        lastSkipReason_ = "IMAGE CANNOT CHANGE WHILE BURNING";
        return 0;
    }
    TDEntry* destination = nullptr;
    if (keepPath) {
        const std::size_t slash = sourcePath.find_last_of('/');
        destination =
            EnsurePath(slash == std::string::npos ? std::string() : sourcePath.substr(0, slash));
    } else {
        destination = FindDir(destPath);
    }
    if (destination == nullptr) {
        if (lastSkipReason_.empty()) lastSkipReason_ = "INVALID DESTINATION PATH";
        DebugMessage("INVALID DESTINATION PATH", 4);
        return 0;
    }
    struct stat info {};
    if (::stat(sourcePath.c_str(), &info) != 0) {
        lastSkipReason_ = std::error_code(errno, std::generic_category()).message();
        return 255;
    }
    // Only regular files: a folder would become an entry without a directory behind
    // it, and a FIFO or device has no data to burn (and blocks whoever reads it).
    if (!S_ISREG(info.st_mode)) {
        ReportSkip(S_ISDIR(info.st_mode) ? "NOT A FILE BUT A FOLDER" : "NOT A REGULAR FILE",
                   sourcePath);
        return 255;
    }
    lastOutcome_ = AddEntry(*destination, sourcePath, info);
    return 1;
}

TDiscBurner::InsertOutcome TDiscBurner::AddEntry(TDEntry& destination,
                                                 const std::string& sourcePath,
                                                 const struct stat& info) {
    const std::string listedName = FileNameOf(sourcePath);
    std::uint32_t attributes = listedName.starts_with('.') ? kAttributeHidden : 0;
    const auto size = static_cast<std::uint64_t>(info.st_size);

    std::string longName = listedName;
    if (longName.find('.') == std::string::npos) longName += '.';
    const auto entryNamed = [&](const std::string& name) -> TFEntry* {
        const auto found = destination.ByLongName.find(UpperCase(name));
        return found == destination.ByLongName.end() ? nullptr : found->second;
    };
    // The 8.3 alias, unique within the destination directory as it is written:
    // with the "." a name without extension gets.
    const auto withDot = [](std::string name) {
        if (name.find('.') == std::string::npos) name += '.';
        return name;
    };
    const auto alias = [&](const TFEntry* self) {
        return withDot(ShortNameFor(
            listedName, false,
            [&](const std::string& n) { return ShortNameTaken(destination, withDot(n), self); },
            &destination.AliasNumbers));
    };
    std::string shortName = alias(entryNamed(longName));
    TDateTime date = DateTimeFromUnix(info.st_mtime);
    bool skip = JolietLength(longName) >= 110;
    if (OnAddFile) OnAddFile(*this, sourcePath, longName, shortName, date, attributes, size, skip);
    if (skip) {
        // A handler that skips reports why; a file is never left out unseen.
        if (lastSkipReason_.empty()) ReportSkip("FILE NAME LENGTH >= 110", sourcePath);
        return InsertOutcome::LeftOut;
    }

    // Sizes and names the image cannot hold are refused rather than written wrongly.
    if (size > kLargestFile) {
        ReportSkip("FILE SIZE >= 4 GB", sourcePath);
        return InsertOutcome::LeftOut;
    }
    if (longName.empty() || JolietLength(longName) + 2 > kLongestJolietIdentifier) {
        ReportSkip("FILE NAME TOO LONG FOR JOLIET", sourcePath);
        return InsertOutcome::LeftOut;
    }
    shortName = withDot(UpperCase(shortName));
    if (shortName.size() > kLongestShortName) {
        ReportSkip("SHORT NAME TOO LONG (" + LogText(shortName) + ")", sourcePath);
        return InsertOutcome::LeftOut;
    }

    // The name (as the handler left it) may be one another child carries.
    TFEntry* existing = entryNamed(longName);
    if (existing != nullptr && !existing->IsDirectory() && !ReplaceFile &&
        existing->SourceDevice == info.st_dev && existing->SourceInode == info.st_ino)
        return InsertOutcome::AlreadyThere;  // the same file again: it is on the disc once
    if (existing != nullptr && (existing->IsDirectory() || !ReplaceFile)) {
        // Another file (or a folder) of that name: both go on the disc, this one
        // under a numbered name.
        const std::string numbered = UniqueLongName(destination, longName);
        if (numbered.empty()) {
            ReportSkip("NO UNIQUE NAME FOR", sourcePath);
            return InsertOutcome::LeftOut;
        }
        DebugMessage(">>> FILE NAME \"" + LogText(longName) + "\" IS TAKEN; WRITTEN AS \"" +
                         LogText(numbered) + "\"",
                     0);
        longName = numbered;
        existing = nullptr;
    }
    TFEntry* entry = existing;
    if (entry == nullptr) {
        entry = NewFileEntry();
        if (entry == nullptr) {
            lastSkipReason_ = "MAXIMUM FILES CAN BE " + std::to_string(maxFiles_);
            return InsertOutcome::LeftOut;
        }
        destination.Children.push_back(entry);
    }
    // A handler may have chosen a name another entry carries: it gets an alias of its own.
    if (ShortNameTaken(destination, shortName, entry)) shortName = alias(entry);
    if (existing != nullptr) {
        destination.ByShortName.erase(existing->ShortName);
        destination.ByLongName.erase(UpperCase(longName));
        destination.ByJolietName.erase(JolietKey(existing->LongName, false));
    }
    const std::string jolietName = UniqueJolietName(destination, longName, false, entry);
    destination.ByShortName[shortName] = entry;
    destination.ByLongName[UpperCase(longName)] = entry;
    destination.ByJolietName[JolietKey(jolietName, false)] = entry;
    entry->ShortName = shortName;
    entry->LongName = jolietName;
    entry->IsoLength = entry->JolietLength = size;
    entry->Attributes = attributes;
    entry->Date = date;
    entry->SourcePath = sourcePath;
    entry->SourceDevice = info.st_dev;
    entry->SourceInode = info.st_ino;
    ++treeRevision_;
    return InsertOutcome::Added;
}

LayoutTree TDiscBurner::Tree() const {
    LayoutTree tree;
    for (const auto& d : directories_) tree.Directories.push_back(d.get());
    for (const auto& f : files_) tree.Files.push_back(f.get());
    return tree;
}

bool TDiscBurner::LayoutCurrent() const noexcept {
    return layoutValid_ && layoutRevision_ == treeRevision_ && layoutJoliet_ == JolietFileSystem;
}

void TDiscBurner::LayOut() {
    layoutError_.clear();
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
    layoutRevision_ = treeRevision_;
    layoutJoliet_ = JolietFileSystem;
    layoutValid_ = true;
}

bool TDiscBurner::LaidOut(const std::function<void()>& layOut) {
    // A tree no image can hold (a name too long for its record, too many
    // directories) is reported, never thrown out of the burner.
    try {
        layOut();
        return true;
    } catch (const std::exception& failure) {
        layoutValid_ = false;
        layoutError_ = failure.what();
        DebugMessage(">>> THE IMAGE CANNOT BE LAID OUT: " + LogText(failure.what()), 0);
        return false;
    }
}

bool TDiscBurner::PrepareImage(bool forBurn) {
    if (RefusedWhileBurning()) return false;
    return LaidOut([&] { PrepareLayout(forBurn); });
}

void TDiscBurner::PrepareLayout(bool forBurn) {
    burnDiscType_ = GetDiscType();
    Layer().CurrentDiscType = burnDiscType_;
    nextWritableAddress_ = 0;
    if (forBurn) {
        if (!GetNextWritableAddress()) DebugMessage(">>> ERROR GETTING NEXT WRITABLE ADDRESS", 0);
        if (nextWritableAddress_ > 0xFF000000u) nextWritableAddress_ = 0;
    }
    LayOut();
}

bool TDiscBurner::PrepareImageAt(std::uint32_t nextWritableAddress) {
    if (RefusedWhileBurning()) return false;
    nextWritableAddress_ = nextWritableAddress > 0xFF000000u ? 0 : nextWritableAddress;
    return LaidOut([&] { LayOut(); });
}

bool TDiscBurner::BuildImageHeader() {
    return LaidOut([&] { RenderHeader(); });
}

void TDiscBurner::RenderHeader() {
    // A tree changed (or the Joliet switch turned) since the last layout is laid out
    // again at the same address: the header never describes another tree.
    if (!LayoutCurrent()) LayOut();
    VolumeInfo volume{IdSystem,          IdVolume,      IdVolumeSet,      IdPublisher,
                      IdPreparer,        IdApplication, FileCopyright,    FileAbstract,
                      FileBibliographic, DateCreation,  DateModification, std::string()};
    std::size_t descriptorEnd = 0;
    header_ = RenderImageHeader(Tree(), layout_, JolietFileSystem, volume,
                                HeaderDate != 0 ? HeaderDate : Now(), gmtOffset_, &descriptorEnd);
    descriptorCopy_.assign(65537, 0xFF);
    std::copy(header_.begin(), header_.begin() + static_cast<std::ptrdiff_t>(descriptorEnd),
              descriptorCopy_.begin());
    descriptorEnd_ = descriptorEnd;
}

std::uint64_t TDiscBurner::ImageSectors() const {
    if (!LayoutCurrent()) return 0;  // nothing laid out for this tree
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
