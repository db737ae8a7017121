#include "burning/burn_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "base/file_descriptor.h"
#include "base/safe_open.h"
#include "burning/image_content.h"
#include "burning/joliet_names.h"
#include "burning/stream_ex.h"

namespace tv {
namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

}  // namespace

void SkipUnburnableFile(TDiscBurner& burner, const std::string& fullPath,
                        const std::string& longFileName, bool& skip) {
    if (!fullPath.empty()) {
        // Opened the way every file of the user's is: a FIFO never blocks here.
        std::error_code error;
        if (!OpenRegularFile(fullPath, O_RDONLY, error).Valid()) {
            burner.ReportSkip("FILE IS IN USE", fullPath, error.message());
            skip = true;
        }
    }
    if (JolietLength(longFileName) > 107) {
        burner.ReportSkip("FILE NAME LENGTH > 107", fullPath);
        skip = true;
    }
}

JobFiles InsertJobFiles(TDiscBurner& burner, const std::vector<std::string>& paths,
                        const std::function<void(const std::string&)>& log) {
    JobFiles result;
    for (const std::string& path : paths) {
        std::error_code error;
        if (path.empty()) continue;
        if (!std::filesystem::exists(path, error)) {
            result.LeftOut.emplace_back(
                path, (error ? error : std::make_error_code(std::errc::no_such_file_or_directory))
                          .message());
            continue;
        }
        burner.InsertFile("\\", path, false);
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error) result.TotalBytes += size;
        if (log) log(">>> INSERTING FILE \"" + LogText(path) + "\"");
        switch (burner.LastInsertOutcome()) {
            case TDiscBurner::InsertOutcome::Added:
                ++result.Added;
                break;
            case TDiscBurner::InsertOutcome::AlreadyThere:
                break;
            case TDiscBurner::InsertOutcome::LeftOut:
                result.LeftOut.emplace_back(path, burner.LastSkipReason());
                break;
        }
    }
    return result;
}

namespace {

std::string DiscName(std::uint8_t type) {
    return std::string(DiscTypeNames[type < DiscTypeNames.size() ? type : 0]);
}

// Why a drive that does not answer TEST UNIT READY is not ready; empty when it is.
std::string NotReadyText(TDiscBurner& burner) {
    if (burner.TestUnitReady(5000)) return {};
    const auto& sense = burner.LastSense();
    if (sense[12] == 0x3A)
        return sense[13] == 0x02 ? "Die Schublade des Laufwerks ist offen."
                                 : "Im Laufwerk liegt keine CD/DVD.";
    if (sense[12] == 0x04) return "Das Laufwerk ist noch nicht bereit.";
    return "Das Laufwerk antwortet nicht (" + burner.LastErrorText() + ").";
}

// Whether the drive's capabilities include writing that kind of medium.
bool WritesMedium(std::uint32_t flags, std::uint8_t type) {
    switch (type) {
        case dtCdR:
            return flags & capability::kCdRWrite;
        case dtCdRw:
            return flags & capability::kCdRwWrite;
        case dtDvdR:
        case dtDvdRw:
        case dtDvdRwRestrictedOverwrite:
        case dtDvdRwSequential:
            return flags & capability::kDvdRWrite;
        case dtDvdRam:
            return flags & capability::kDvdRamWrite;
        case dtDvdPlusRw:
            return flags & capability::kDvdPlusRwWrite;
        case dtDvdPlusR:  // page 2A has no bit for it: any DVD writer may take it
            return flags & (capability::kDvdRWrite | capability::kDvdRamWrite |
                            capability::kDvdPlusRwWrite);
        default:
            return true;
    }
}

}  // namespace

std::string BurnRefusal(TDiscBurner& burner) {
    if (burner.DeviceType() != 5 && burner.DeviceType() != 4)
        return "Es ist kein CD/DVD-Laufwerk gewählt.";
    if (std::string notReady = NotReadyText(burner); !notReady.empty()) return notReady;
    if (!burner.CanWrite()) return "Das Laufwerk kann nur lesen, nicht brennen.";
    const std::uint8_t type = burner.GetDiscType();
    const std::string name = DiscName(type);
    if (type == dtCdRom || type == dtDvdRom || type == dtDdcdRom)
        return "Die eingelegte " + name + " ist gepresst und kann nicht beschrieben werden.";
    if (type == dtUnknown) return "Die Art der eingelegten CD/DVD ist unbekannt.";
    if (!WritesMedium(burner.CapabilityFlags(), type))
        return "Das Laufwerk kann keine " + name + " beschreiben.";
    const bool appendOnly = type == dtCdR || type == dtCdRw || type == dtDvdR ||
                            type == dtDvdRwSequential || type == dtDvdPlusR;
    if (appendOnly && burner.GetDiscStatus() == 2)
        return "Die " + name + " ist abgeschlossen; es kann nichts mehr hinzugefügt werden.";
    if (burner.GetFreeBlocks() == 0) return "Auf der " + name + " ist kein Platz mehr frei.";
    return {};
}

std::string EraseRefusal(TDiscBurner& burner) {
    if (burner.DeviceType() != 5 && burner.DeviceType() != 4)
        return "Es ist kein CD/DVD-Laufwerk gewählt.";
    if (std::string notReady = NotReadyText(burner); !notReady.empty()) return notReady;
    if (!burner.CanWrite()) return "Das Laufwerk kann nur lesen, nicht löschen.";
    if (!burner.IsDiscErasable() && burner.GetDiscType() != dtDvdRam)
        return "CD/DVD kann nicht gelöscht werden";
    return {};
}

bool HoldsIsoImage(const std::filesystem::path& file) {
    std::error_code error;
    const FileDescriptor image = OpenRegularFile(file, O_RDONLY, error);
    char identifier[5] = {};
    return image.Valid() && ::pread(image.Get(), identifier, sizeof identifier, 32769) == 5 &&
           std::memcmp(identifier, "CD001", 5) == 0;
}

std::string BurnDoneLine(const std::string& error) {
    return error.empty() ? ">>> BURNCD DONE, Successful!" : ">>> BURNCD DONE, " + error;
}

std::string NoRoomMessage(std::uint64_t imageSectors, std::uint64_t freeBlocks,
                          const std::string& decimalSeparator) {
    if (imageSectors <= freeBlocks) return {};
    const auto megabytes = [&](std::uint64_t sectors) {
        char text[64];
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(sectors) * 2048 / 1048576);
        std::string result(text);
        if (const std::size_t dot = result.find('.'); dot != std::string::npos)
            result.replace(dot, 1, decimalSeparator);
        return result + " MB";
    };
    return "Die Dateien brauchen " + megabytes(imageSectors) + ", auf der CD/DVD sind nur " +
           megabytes(freeBlocks) + " frei. Es wird nicht gebrannt.";
}

namespace {

// Writes the image into an open file: from the file's current position on, the
// bytes of ImageContent (header, padded files, post-gap).
bool WriteImageData(const TDiscBurner& burner, TStreamEx& image, const std::string& imageName,
                    std::string& error) {
    const auto put = [&](const void* data, std::int64_t count) {
        if (image.Write(data, count) == count) return true;
        error = "CAN'T WRITE \"" + LogText(imageName) +
                "\": " + std::error_code(errno, std::generic_category()).message();
        return false;
    };
    ImageContent content(burner);
    std::vector<std::uint8_t> buffer(kCopyBlock);
    for (;;) {
        std::size_t got = 0;
        if (!content.ReadData(buffer, got, error)) return false;
        if (got == 0) break;
        if (!put(buffer.data(), static_cast<std::int64_t>(got))) return false;
    }
    std::fill(buffer.begin(), buffer.end(), 0);
    for (std::uint64_t left = content.PostGapBytes(); left > 0;) {
        const auto count = static_cast<std::int64_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (!put(buffer.data(), count)) return false;
        left -= static_cast<std::uint64_t>(count);
    }
    return true;
}

}  // namespace

bool WriteImageFile(const TDiscBurner& burner, const std::string& imagePath, std::string& error,
                    const ImageFileOptions& options) {
    error.clear();
    std::unique_ptr<OutputFile> output;
    try {
        output = std::make_unique<OutputFile>(imagePath, options.Inputs);
    } catch (const std::system_error& failure) {
        error = "CAN'T CREATE \"" + LogText(imagePath) + "\": " + failure.code().message();
        return false;
    }
    THandleStreamEx image(output->Fd());
    const auto failed = [&] {
        if (error.empty())
            error = "CAN'T WRITE \"" + LogText(imagePath) +
                    "\": " + std::error_code(errno, std::generic_category()).message();
        return false;  // the temporary file goes with output
    };
    const std::uint64_t sessionStart = burner.Layout().NextWritableAddress;
    if (sessionStart > 0) {
        // The session lies at its address; the space before it stays a hole.
        if (options.DescriptorsAtStart &&
            image.Write(burner.DescriptorCopy().data(),
                        static_cast<std::int64_t>(burner.DescriptorEnd())) !=
                static_cast<std::int64_t>(burner.DescriptorEnd()))
            return failed();
        if (image.Seek(static_cast<std::int64_t>(sessionStart * kSectorSize),
                       TStreamEx::Origin::Begin) < 0)
            return failed();
    }
    if (!WriteImageData(burner, image, imagePath, error)) return failed();
    try {
        output->Commit();
    } catch (const std::system_error& failure) {
        error = "CAN'T WRITE \"" + LogText(imagePath) + "\": " + failure.code().message();
        return false;
    }
    return true;
}

}  // namespace tv
