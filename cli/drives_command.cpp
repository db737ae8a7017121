// drives: the transport, the drive list and, per drive, what it can do and the
// disc it holds.

#include <CLI/CLI.hpp>
#include <iomanip>
#include <iostream>
#include <memory>
#include <sstream>

#include "burning/burn_job.h"
#include "cli/commands.h"
#include "cli/drive_session.h"

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

// A speed in KB/s, or "none" for a drive that reports none (one that cannot
// write has no write speed).
std::string SpeedText(std::uint16_t speed) {
    return speed == 0 ? std::string("none") : std::to_string(speed) + " KB/s";
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

int DrivesCommand(const SimulationOptions& simulation) {
    std::string error;
    const std::unique_ptr<DriveSession> session = DriveSession::Open(simulation, {}, error);
    if (!session) throw CLI::ValidationError(error);
    TDiscBurner& device = session->Burner();
    if (!session->Start(false)) {
        std::cout << "transport: none\n";
        return 1;
    }
    std::cout << "transport: " << session->Layer().TransportName() << "\n";
    const std::vector<std::string> drives = device.DeviceList();
    for (const std::string& line : drives) std::cout << "drive: " << line << "\n";
    for (const std::string& line : drives) {
        device.SetDevice(line);
        std::cout << "\n" << line << "\n";
        std::cout << "  description: " << device.DeviceDescription() << "\n";
        std::cout << "  capabilities: " << CapabilityText(device.CapabilityFlags()) << "\n";
        std::cout << "  speeds: read " << SpeedText(device.DeviceMaxReadSpeed()) << ", write "
                  << SpeedText(device.DeviceMaxWriteSpeed()) << "\n";
        std::cout << "  write modes:" << WriteModeText(device.WriteModeFlags()) << "\n";
        TDisc disc;
        device.GetDiscInfo(disc);
        if (!disc.Ready) {
            std::cout << "  disc: none (" << device.LastErrorText() << ")\n";
        } else {
            const std::uint8_t type = device.GetDiscType();
            std::cout << "  disc: " << DiscTypeNames[type < DiscTypeNames.size() ? type : 0] << " ("
                      << disc.MediaName << "), " << DiscStatusText(device.GetDiscStatus()) << ", "
                      << device.GetSessionCount() << " sessions, capacity " << disc.Capacity
                      << " blocks\n";
            std::cout << "  free blocks: " << device.GetFreeBlocks() << "\n";
        }
        // Whether a burn could start, in the words the burn command would use.
        const std::string refusal = BurnRefusal(device);
        std::cout << "  burn: " << (refusal.empty() ? "possible" : refusal) << "\n";
        device.EndCommandRun();
    }
    return 0;
}

}  // namespace

void AddDriveCommands(CLI::App& app, int& exitCode) {
    auto simulation = std::make_shared<SimulationOptions>();
    CLI::App* drives = app.add_subcommand(
        "drives", "Transport, Laufwerke, ihre Fähigkeiten und die eingelegten CDs/DVDs");
    AddSimulationOptions(*drives, *simulation);
    drives->callback([&exitCode, simulation] { exitCode = DrivesCommand(*simulation); });
}

}  // namespace tv::cli
