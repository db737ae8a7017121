#include "cli/drives_command.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

#include "drive/drive_layer.h"
#include "drive/medium_names.h"
#include "drive/scsi_device.h"

namespace tv::cli {
namespace {

std::string CapabilityText(std::uint32_t flags) {
    struct Named {
        std::uint32_t Bits;
        const char* Name;
    };
    static constexpr Named kNames[] = {
        {0x1, "CD-R read"},        {0x2, "CD-RW read"},       {0x8, "DVD-ROM read"},
        {0x10, "DVD-R read"},      {0x40, "DVD-RAM read"},    {0x80, "DVD+RW read"},
        {0x200, "CD-R write"},     {0x400, "CD-RW write"},    {0x800, "test write"},
        {0x1000, "DVD-R write"},   {0x4000, "DVD-RAM write"}, {0x8000, "DVD+RW write"},
        {0x40000, "underrun free"}};
    std::ostringstream text;
    text << "0x" << std::hex << std::setw(5) << std::setfill('0') << flags << std::dec;
    const char* separator = " (";
    for (const Named& named : kNames) {
        if ((flags & named.Bits) != named.Bits) continue;
        text << separator << named.Name;
        separator = ", ";
    }
    if (std::string(separator) == ", ") text << ")";
    return text.str();
}

std::string WriteModeText(std::uint8_t flags) {
    std::string text;
    if (flags & 1) text += " RAW";
    if (flags & 2) text += " SAO";
    if (flags & 4) text += " TAO";
    return text.empty() ? " none" : text;
}

const char* DiscStatusText(int status) {
    switch (status) {
        case 0:
            return "blank";
        case 1:
            return "appendable";
        case 2:
            return "closed";
        case 3:
            return "other";
        default:
            return "unreadable";
    }
}

}  // namespace

int DrivesCommand(const std::vector<std::string>& arguments) {
    MediumKind medium = MediumKind::CdR;
    std::filesystem::path image;
    bool overwrite = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--sim" && i + 1 < arguments.size()) {
            const auto kind = MediumKindByName(arguments[++i]);
            if (!kind) {
                std::cerr << "tunevault-tool: unknown medium; one of: " << MediumKindNames()
                          << "\n";
                return 2;
            }
            medium = *kind;
        } else if (arguments[i] == "--sim-image" && i + 1 < arguments.size()) {
            image = arguments[++i];
        } else if (arguments[i] == "--sim-overwrite") {
            overwrite = true;
        } else {
            std::cerr << "Aufruf: tunevault-tool drives [--sim MEDIUM] [--sim-image DATEI "
                         "[--sim-overwrite]]\n";
            return 2;
        }
    }
    // The simulated disc empties its image file: a file of the user's only when
    // asked to.
    const bool temporaryImage = image.empty();
    if (temporaryImage) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tunevault-sim-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            std::cerr << "tunevault-tool: kein vorübergehendes Abbild: " << std::strerror(errno)
                      << "\n";
            return 1;
        }
        ::close(fd);
        image = pattern;
    } else {
        std::error_code error;
        const auto status = std::filesystem::symlink_status(image, error);
        if (status.type() != std::filesystem::file_type::not_found && !overwrite) {
            std::cerr << "tunevault-tool: \"" << image.string()
                      << "\" gibt es schon; der simulierte Brenner würde es leeren. Mit "
                         "--sim-overwrite wird es überschrieben.\n";
            return 2;
        }
        if (status.type() != std::filesystem::file_type::not_found &&
            status.type() != std::filesystem::file_type::regular) {
            std::cerr << "tunevault-tool: \"" << image.string()
                      << "\" ist keine gewöhnliche Datei\n";
            return 2;
        }
    }

    DriveLayer layer;
    auto recorder = std::make_shared<SimulatedRecorder>(image, &layer.Clock());
    recorder->InsertMedium(medium);
    layer.AddSimulatedDrive("sim0", recorder);

    int result = 0;
    {
        TSCSIDevice device(layer);
        device.OnDebugMessage = [](TSCSIDevice&, const std::string& message, std::uint8_t) {
            std::cerr << message << "\n";
        };
        if (!device.InitializeASPI(true, "")) {
            std::cout << "transport: none\n";
            result = 1;
        } else {
            std::cout << "transport: " << layer.TransportName() << "\n";
            const std::vector<std::string> drives = device.DeviceList();
            for (const std::string& line : drives) std::cout << "drive: " << line << "\n";
            for (const std::string& line : drives) {
                device.SetDevice(line);
                std::cout << "\n" << line << "\n";
                std::cout << "  description: " << device.DeviceDescription() << "\n";
                std::cout << "  capabilities: " << CapabilityText(device.CapabilityFlags()) << "\n";
                std::cout << "  speeds: read " << device.DeviceMaxReadSpeed() << " KB/s, write "
                          << device.DeviceMaxWriteSpeed() << " KB/s\n";
                std::cout << "  write modes:" << WriteModeText(device.WriteModeFlags()) << "\n";
                TDisc disc;
                device.GetDiscInfo(disc);
                if (!disc.Ready) {
                    std::cout << "  disc: none (" << device.LastErrorText() << ")\n";
                    continue;
                }
                const std::uint8_t type = device.GetDiscType();
                std::cout << "  disc: " << DiscTypeNames[type < DiscTypeNames.size() ? type : 0]
                          << " (" << disc.MediaName << "), "
                          << DiscStatusText(device.GetDiscStatus()) << ", "
                          << device.GetSessionCount() << " sessions, capacity " << disc.Capacity
                          << " blocks\n";
                std::cout << "  free blocks: " << device.GetFreeBlocks() << "\n";
            }
        }
    }
    recorder.reset();
    if (temporaryImage) std::filesystem::remove(image);
    return result;
}

}  // namespace tv::cli
