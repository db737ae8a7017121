#include "burning/image_recorder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/file_descriptor.h"
#include "drive/scsi_device.h"

namespace tv {
namespace {

// A write-once DVD of 4 TiB: no image the burner can lay out is larger.
constexpr std::uint32_t kImageCapacity = 0x7FFFFFFF;

std::string SystemText(int error) {
    return std::error_code(error, std::generic_category()).message();
}

}  // namespace

ImageRecorder::ImageRecorder(DriveLayer& layer)
    : recorder_(std::make_shared<SimulatedRecorder>(std::filesystem::path(), &layer.Clock())) {
    recorder_->SetProductName("ISO-ABBILD");
    InsertBlank({});
    layer.AddSimulatedDrive(kDriveName, recorder_, true);  // always ready: no waits
}

ImageRecorder::~ImageRecorder() {
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

bool ImageRecorder::IsSelected(TSCSIDevice& device) {
    return device.GetDriveLetter() == kDriveName;
}

void ImageRecorder::InsertBlank(const std::filesystem::path& imageFile) {
    recorder_->SetImageFile(imageFile);
    recorder_->InsertMedium(MediumKind::DvdPlusR, kImageCapacity);
}

bool ImageRecorder::BeginImage(const std::filesystem::path& target, std::string& error) {
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string name = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = "CAN'T CREATE \"" + target.string() + "\": " + SystemText(errno);
        return false;
    }
    ::fchmod(fd, 0644);
    ::close(fd);
    target_ = target;
    temporary_ = name;
    InsertBlank(temporary_);
    return true;
}

bool ImageRecorder::FinishImage(bool success, std::string& error) {
    const std::filesystem::path temporary = std::exchange(temporary_, {});
    InsertBlank({});  // the next burn gets a new disc
    if (temporary.empty()) return success;
    if (!success) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The file holds the blocks written, the session and nothing else; it is
    // flushed before it takes the name, so a reported image is on the disk.
    FileDescriptor file(::open(temporary.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (!file.Valid() || ::fsync(file.Get()) != 0 || ::close(file.Release()) != 0 ||
        ::rename(temporary.c_str(), target_.c_str()) != 0) {
        error = "CAN'T WRITE \"" + target_.string() + "\": " + SystemText(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    const std::filesystem::path folder =
        target_.has_parent_path() ? target_.parent_path() : std::filesystem::path(".");
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Valid()) ::fsync(directory.Get());
    return true;
}

}  // namespace tv
