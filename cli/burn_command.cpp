#include "cli/burn_command.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>

#include "base/queued_invoker.h"
#include "burning/burn_job.h"
#include "burning/disc_burner.h"
#include "burning/image_recorder.h"
#include "drive/medium_names.h"

namespace tv::cli {
namespace {

struct Options {
    std::string Device;
    std::string Image;
    bool TestWrite = false;
    bool Joliet = true;
    bool Full = false;
    std::string VolumeId;
    std::optional<MediumKind> Simulated;
    std::string SimulatedImage;
    std::vector<std::string> Files;
};

// A simulated recorder for trying the program without a drive: its disc lives in
// a file of its own (a temporary one unless named).
struct SimulatedDisc {
    std::filesystem::path Image;
    bool Temporary = false;
    std::shared_ptr<SimulatedRecorder> Recorder;
    ~SimulatedDisc() {
        Recorder.reset();
        if (Temporary) std::filesystem::remove(Image);
    }
};

bool ParseOptions(const std::vector<std::string>& arguments, bool burning, Options& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--device" && hasValue) {
            options.Device = arguments[++i];
        } else if (argument == "--image" && hasValue && burning) {
            options.Image = arguments[++i];
        } else if (argument == "--test-write" && burning) {
            options.TestWrite = true;
        } else if (argument == "--no-joliet" && burning) {
            options.Joliet = false;
        } else if (argument == "--volume-id" && hasValue && burning) {
            options.VolumeId = arguments[++i];
        } else if (argument == "--full" && !burning) {
            options.Full = true;
        } else if (argument == "--sim" && hasValue) {
            options.Simulated = MediumKindByName(arguments[++i]);
            if (!options.Simulated) return false;
        } else if (argument == "--sim-image" && hasValue) {
            options.SimulatedImage = arguments[++i];
        } else if (argument == "--") {
            options.Files.insert(options.Files.end(),
                                 arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                 arguments.end());
            break;
        } else if (argument.starts_with("-") && argument.size() > 1) {
            return false;
        } else if (burning) {
            options.Files.push_back(argument);
        } else {
            return false;
        }
    }
    if (burning) return options.Device.empty() != options.Image.empty() && !options.Files.empty();
    return !options.Device.empty();
}

// The dates the tool invents: now, or SOURCE_DATE_EPOCH for reproducible images.
std::optional<TDateTime> SourceDate() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (errno == 0 && end != epoch && *end == '\0' && seconds >= 0)
            return DateTimeFromUnix(static_cast<std::time_t>(seconds));
    }
    return std::nullopt;
}

// The drive layer with the simulated disc (if asked for) and the image recorder.
class Job {
  public:
    explicit Job(const Options& options) {
        if (options.Simulated) {
            disc_.Image = options.SimulatedImage;
            if (disc_.Image.empty()) {
                std::string pattern =
                    (std::filesystem::temp_directory_path() / "tunevault-sim-XXXXXX").string();
                const int fd = ::mkstemp(pattern.data());
                if (fd >= 0) ::close(fd);
                disc_.Image = pattern;
                disc_.Temporary = true;
            }
            disc_.Recorder = std::make_shared<SimulatedRecorder>(disc_.Image, &layer_.Clock());
            disc_.Recorder->InsertMedium(*options.Simulated);
            // Its operations end after a number of commands, not of seconds: no waits.
            layer_.AddSimulatedDrive("sim0", disc_.Recorder, true);
        }
        imageRecorder_ = std::make_unique<ImageRecorder>(layer_);  // the last drive of the list
        burner_ = std::make_unique<TDiscBurner>(layer_, &invoker_);
        burner_->OnDebugMessage = [](TSCSIDevice&, const std::string& message, std::uint8_t) {
            std::cout << message << std::endl;
        };
        burner_->DoDebug = true;
    }
    ~Job() {
        burner_.reset();
        imageRecorder_.reset();
    }

    TDiscBurner& Burner() { return *burner_; }
    QueuedInvoker& Invoker() { return invoker_; }
    ImageRecorder& Images() { return *imageRecorder_; }

    // Loads the transport and selects the drive: its whole id line or its
    // "a:t:l" prefix; the image recorder with image.
    bool Select(const std::string& device, bool image) {
        if (!burner_->InitializeASPI(true, "")) {
            std::cout << ">>> Error initializing ASPI Layer!" << std::endl;
            return false;
        }
        for (const std::string& line : burner_->DeviceList()) {
            const std::string prefix = line.substr(0, line.find(','));
            const std::string name = line.substr(line.find(',') + 1);
            const bool wanted = image
                                    ? name.starts_with(std::string(ImageRecorder::kDriveName) + ":")
                                    : (line == device || prefix == device);
            if (!wanted) continue;
            burner_->SetDevice(line);
            std::cout << ">>> SELECTING " << burner_->DeviceId() << std::endl;
            return burner_->DeviceType() == 5 || burner_->DeviceType() == 4;
        }
        std::cerr << "tunevault-tool: kein solches Laufwerk: " << device << "\n";
        return false;
    }

  private:
    DriveLayer layer_;
    QueuedInvoker invoker_;
    SimulatedDisc disc_;
    std::unique_ptr<ImageRecorder> imageRecorder_;
    std::unique_ptr<TDiscBurner> burner_;
};

}  // namespace

int BurnCommand(const std::vector<std::string>& arguments) {
    Options options;
    if (!ParseOptions(arguments, true, options)) {
        std::cerr << "Aufruf: tunevault-tool burn (--device ID | --image DATEI) [--test-write] "
                     "[--no-joliet] [--volume-id TEXT] [--sim MEDIUM [--sim-image DATEI]] "
                     "DATEI...\n";
        return 2;
    }
    Job job(options);
    TDiscBurner& burner = job.Burner();
    if (!job.Select(options.Device, !options.Image.empty())) return 1;
    burner.TestWrite = options.TestWrite;
    burner.JolietFileSystem = options.Joliet;
    burner.IdVolume = options.VolumeId;
    if (const auto date = SourceDate())
        burner.DateCreation = burner.DateModification = burner.HeaderDate = *date;
    burner.OnAddFile = [](TDiscBurner& sender, const std::string& fullPath, std::string& longName,
                          std::string&, TDateTime&, std::uint32_t, std::uint64_t,
                          bool& skip) { SkipUnburnableFile(sender, fullPath, longName, skip); };
    burner.ResetImage(65535, 8191);
    InsertJobFiles(burner, options.Files,
                   [](const std::string& line) { std::cout << line << std::endl; });

    burner.PrepareImage();
    const std::string noRoom = NoRoomMessage(burner.ImageSectors(), burner.GetFreeBlocks(), ",");
    if (!noRoom.empty()) {
        std::cerr << "tunevault-tool: " << noRoom << "\n";
        return 1;
    }
    if (!options.Image.empty()) {
        std::string error;
        if (!job.Images().BeginImage(options.Image, error)) {
            std::cerr << "tunevault-tool: " << error << "\n";
            return 1;
        }
    }
    std::optional<std::string> outcome;
    burner.OnWriteDone = [&](TDiscBurner&, const std::string& error) { outcome = error; };
    burner.PrepareImage();
    burner.BurnImage();
    while (!outcome)
        job.Invoker().RunUntil([&] { return outcome.has_value(); }, std::chrono::hours(1));
    burner.WaitForBurn();
    std::string error = *outcome;
    if (!options.Image.empty()) {
        std::string imageError;
        if (!job.Images().FinishImage(error.empty(), imageError) && error.empty())
            error = imageError;
    }
    std::cout << BurnDoneLine(error) << std::endl;
    std::cerr << "tunevault-tool: " << burner.BytesWritten / 2048 << " sectors in blocks of "
              << burner.BurnBlockSize() << " bytes; the writer waited " << burner.WriterWaits()
              << " times for data after the cache was filled\n";
    burner.StartStopUnit(true);  // the disc comes out after every burn
    return error.empty() ? 0 : 1;
}

int EraseCommand(const std::vector<std::string>& arguments) {
    Options options;
    if (!ParseOptions(arguments, false, options)) {
        std::cerr << "Aufruf: tunevault-tool erase --device ID [--full] [--sim MEDIUM "
                     "[--sim-image DATEI]]\n";
        return 2;
    }
    Job job(options);
    TDiscBurner& burner = job.Burner();
    if (!job.Select(options.Device, false)) return 1;
    if (!burner.IsDiscErasable() && burner.GetDiscType() != dtDvdRam) {
        std::cerr << "tunevault-tool: CD/DVD kann nicht gelöscht werden\n";
        return 1;
    }
    std::optional<bool> failed;
    burner.OnEraseDone = [&](TSCSIDevice&, bool withError) { failed = withError; };
    if (!burner.EraseDisc(!options.Full) && !failed) {
        std::cout << ">>> ERASE PROCESS DONE" << std::endl;
        return 1;
    }
    while (!failed)
        job.Invoker().RunUntil([&] { return failed.has_value(); }, std::chrono::hours(1));
    burner.WaitForErase();
    std::cout << ">>> ERASE PROCESS DONE" << std::endl;
    return *failed ? 1 : 0;
}

}  // namespace tv::cli
