#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/output_file.h"
#include "drive/drive_layer.h"
#include "drive/simulated_recorder.h"

namespace tv {

class TSCSIDevice;

// The burner of users without an optical drive: the last drive of the list, a
// simulated recorder holding a blank write-once DVD large enough for any image,
// whose disc is a plain ISO file. Before a burn the image file is chosen; the
// burn writes it under a temporary name in the same folder, and only a successful
// burn renames it to the name chosen.
class ImageRecorder {
  public:
    // The name the drive list shows for it.
    static constexpr const char* kDriveName = "Image-Datei";

    // Adds the recorder to the layer's drives (from its next load on).
    explicit ImageRecorder(DriveLayer& layer);
    ~ImageRecorder();  // a temporary file still there is removed
    ImageRecorder(const ImageRecorder&) = delete;
    ImageRecorder& operator=(const ImageRecorder&) = delete;

    // Whether the device has this recorder selected.
    static bool IsSelected(TSCSIDevice& device);

    // The next burn writes the image of the file target: a temporary file beside
    // it takes the data (through OutputFile: a FIFO, device or directory at the
    // target is refused, and so is one of inputs, the files to burn). False with
    // the reason in error when it cannot be made; the target is untouched then.
    bool BeginImage(const std::filesystem::path& target, const std::vector<FileIdentity>& inputs,
                    std::string& error);
    // After the burn: on success the data are flushed to the disk and renamed to
    // the target (replacing a file there); otherwise the temporary file is
    // removed. A blank disc is put in for the next burn. False with the reason in
    // error when the image could not be completed; when the file itself could not
    // be written (a full disk), error names the system's reason also after a
    // failed burn.
    bool FinishImage(bool success, std::string& error);

    const std::filesystem::path& Target() const noexcept { return target_; }
    SimulatedRecorder& Recorder() noexcept { return *recorder_; }

  private:
    void InsertBlank(const std::filesystem::path& imageFile);

    std::shared_ptr<SimulatedRecorder> recorder_;
    std::filesystem::path target_;
    std::unique_ptr<OutputFile> output_;
};

}  // namespace tv
