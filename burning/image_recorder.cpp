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

}  // namespace

ImageRecorder::ImageRecorder(DriveLayer& layer)
    : recorder_(std::make_shared<SimulatedRecorder>(std::filesystem::path(), &layer.Clock())) {
    recorder_->SetProductName("ISO-ABBILD");
    InsertBlank({});
    layer.AddSimulatedDrive(kDriveName, recorder_, true);  // always ready: no waits
}

ImageRecorder::~ImageRecorder() = default;

bool ImageRecorder::IsSelected(TSCSIDevice& device) {
    return device.GetDriveLetter() == kDriveName;
}

void ImageRecorder::InsertBlank(const std::filesystem::path& imageFile) {
    recorder_->SetImageFile(imageFile);
    recorder_->InsertMedium(MediumKind::DvdPlusR, kImageCapacity);
}

bool ImageRecorder::BeginImage(const std::filesystem::path& target,
                               const std::vector<FileIdentity>& inputs, std::string& error) {
    output_.reset();
    try {
        output_ = std::make_unique<OutputFile>(target, inputs);
    } catch (const std::system_error& failure) {
        error = "CAN'T CREATE \"" + target.string() + "\": " + failure.code().message();
        return false;
    }
    target_ = target;
    InsertBlank(output_->TemporaryPath());
    return true;
}

bool ImageRecorder::FinishImage(bool success, std::string& error) {
    std::unique_ptr<OutputFile> output = std::move(output_);
    // A burn that failed because the file could not be written (a full disk) says
    // so, rather than "MEDIUM ERROR".
    if (const int fileError = recorder_->ImageFileError(); fileError != 0 && output)
        error = "CAN'T WRITE \"" + target_.string() +
                "\": " + std::error_code(fileError, std::generic_category()).message();
    InsertBlank({});  // the next burn gets a new disc (and the recorder lets go of the file)
    if (!output) return success;
    if (!success || !error.empty()) return false;  // the temporary file goes with output
    // The file holds the blocks written, the session and nothing else; it is
    // flushed before it takes the name, so a reported image is on the disk.
    try {
        output->Commit();
    } catch (const std::system_error& failure) {
        error = "CAN'T WRITE \"" + target_.string() + "\": " + failure.code().message();
        return false;
    }
    return true;
}

}  // namespace tv
