#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/output_file.h"
#include "base/queued_invoker.h"
#include "burning/disc_burner.h"
#include "burning/image_recorder.h"
#include "drive/drive_layer.h"
#include "drive/simulated_recorder.h"

namespace CLI {
class App;
}

namespace tv::cli {

// --sim MEDIUM, --sim-image FILE, --sim-overwrite: a simulated recorder for
// trying the tool without a drive, listed after the real drives.
struct SimulationOptions {
    std::optional<MediumKind> Medium;
    std::string Image;
    bool Overwrite = false;
};
void AddSimulationOptions(CLI::App& command, SimulationOptions& options);

// The drives one command works with, the same list for every command: the real
// drives, then the simulated recorder when --sim is given, then the image
// recorder (which writes an ISO file). A burner on them, with a loop that runs
// its events in this thread.
class DriveSession {
  public:
    // Makes the simulated disc's image file: a temporary one, or the file named,
    // which is emptied only with --sim-overwrite and is never one of inputs nor
    // anything but a regular file. Null with a German message in error (a wrong
    // call) when that cannot be.
    static std::unique_ptr<DriveSession> Open(const SimulationOptions& simulation,
                                              const std::vector<FileIdentity>& inputs,
                                              std::string& error);
    ~DriveSession();
    DriveSession(const DriveSession&) = delete;
    DriveSession& operator=(const DriveSession&) = delete;

    DriveLayer& Layer() noexcept { return layer_; }
    TDiscBurner& Burner() noexcept { return *burner_; }
    QueuedInvoker& Invoker() noexcept { return invoker_; }
    ImageRecorder& Images() noexcept { return *imageRecorder_; }

    // Loads the transport (reporting why when it cannot). The burner's debug
    // lines go to standard output when log is true, else to standard error.
    bool Start(bool log);
    // Selects a drive by its id line or its "a:t:l" prefix; the image recorder
    // only with image (and never by its id: it is chosen with --image). False
    // after a German message on standard error.
    bool Select(const std::string& device, bool image);

  private:
    DriveSession() = default;

    DriveLayer layer_;
    QueuedInvoker invoker_;
    std::filesystem::path simulatedImage_;
    bool temporaryImage_ = false;
    std::shared_ptr<SimulatedRecorder> simulated_;
    std::unique_ptr<ImageRecorder> imageRecorder_;
    std::unique_ptr<TDiscBurner> burner_;
};

}  // namespace tv::cli
