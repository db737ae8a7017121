#include "cli/drive_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "drive/medium_names.h"

namespace tv::cli {

void AddSimulationOptions(CLI::App& command, SimulationOptions& options) {
    command
        .add_option_function<std::string>(
            "--sim",
            [&options](const std::string& name) {
                options.Medium = MediumKindByName(name);
                if (!options.Medium)
                    throw CLI::ValidationError("--sim", "unbekanntes Medium \"" + name +
                                                            "\"; eines von: " + MediumKindNames());
            },
            "ein simulierter Brenner mit diesem Medium hinter den echten Laufwerken (" +
                MediumKindNames() + ")")
        ->type_name("MEDIUM");
    command
        .add_option("--sim-image", options.Image,
                    "die Blöcke der simulierten CD/DVD in dieser Datei (sonst vorübergehend)")
        ->type_name("DATEI");
    command.add_flag("--sim-overwrite", options.Overwrite,
                     "eine vorhandene --sim-image-Datei leeren und verwenden");
}

std::unique_ptr<DriveSession> DriveSession::Open(const SimulationOptions& simulation,
                                                 const std::vector<FileIdentity>& inputs,
                                                 std::string& error) {
    std::unique_ptr<DriveSession> session(new DriveSession);
    if (simulation.Medium) {
        // The simulated disc empties its image file: a file of the user's only when
        // asked to, and never one the command reads or anything but a file.
        if (simulation.Image.empty()) {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "tunevault-sim-XXXXXX").string();
            const int fd = ::mkstemp(pattern.data());
            if (fd < 0) {
                error = std::string("kein vorübergehendes Abbild: ") + std::strerror(errno);
                return nullptr;
            }
            ::close(fd);
            session->simulatedImage_ = pattern;
            session->temporaryImage_ = true;
        } else {
            const std::filesystem::path image = simulation.Image;
            struct stat info {};
            if (::lstat(image.c_str(), &info) == 0) {
                if (!simulation.Overwrite) {
                    error = "\"" + image.string() +
                            "\" gibt es schon; der simulierte Brenner würde es leeren. Mit "
                            "--sim-overwrite wird es überschrieben.";
                    return nullptr;
                }
                if (!S_ISREG(info.st_mode)) {
                    error = "\"" + image.string() + "\" ist keine gewöhnliche Datei";
                    return nullptr;
                }
                for (const FileIdentity& input : inputs) {
                    if (input == FileIdentity{info.st_dev, info.st_ino}) {
                        error = "\"" + image.string() + "\" ist zugleich eine der Eingabedateien";
                        return nullptr;
                    }
                }
            }
            session->simulatedImage_ = image;
        }
        session->simulated_ =
            std::make_shared<SimulatedRecorder>(session->simulatedImage_, &session->layer_.Clock());
        session->simulated_->InsertMedium(*simulation.Medium);
        // Its operations end after a number of commands, not of seconds: no waits.
        session->layer_.AddSimulatedDrive("sim0", session->simulated_, true);
    }
    // The image recorder is the last drive of the list.
    session->imageRecorder_ = std::make_unique<ImageRecorder>(session->layer_);
    session->burner_ = std::make_unique<TDiscBurner>(session->layer_, &session->invoker_);
    return session;
}

DriveSession::~DriveSession() {
    burner_.reset();
    imageRecorder_.reset();
    simulated_.reset();
    if (temporaryImage_) std::filesystem::remove(simulatedImage_);
}

bool DriveSession::Start(bool log) {
    burner_->OnDebugMessage = [log](TSCSIDevice&, const std::string& message, std::uint8_t) {
        (log ? std::cout : std::cerr) << message << std::endl;
    };
    burner_->DoDebug = log;
    if (burner_->InitializeASPI(true, "")) return true;
    (log ? std::cout : std::cerr) << ">>> Error initializing ASPI Layer!" << std::endl;
    return false;
}

bool DriveSession::Select(const std::string& device, bool image) {
    for (const std::string& line : burner_->DeviceList()) {
        const std::string prefix = line.substr(0, line.find(','));
        const std::string name = line.substr(line.find(',') + 1);
        const bool isImageRecorder = name.starts_with(std::string(ImageRecorder::kDriveName) + ":");
        const bool wanted = image ? isImageRecorder : (line == device || prefix == device);
        if (!wanted) continue;
        if (isImageRecorder && !image) {
            std::cerr << "tunevault-tool: " << device
                      << " ist der Abbild-Brenner; eine Abbilddatei wird mit --image gewählt\n";
            return false;
        }
        burner_->SetDevice(line);
        if (burner_->DeviceType() != 5 && burner_->DeviceType() != 4) {
            std::cerr << "tunevault-tool: " << line << ": kein CD/DVD-Laufwerk\n";
            return false;
        }
        std::cout << ">>> SELECTING " << burner_->DeviceId() << std::endl;
        return true;
    }
    std::cerr << "tunevault-tool: kein solches Laufwerk: " << device << "\n";
    return false;
}

}  // namespace tv::cli
