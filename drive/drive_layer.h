#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

#include "drive/aspi.h"
#include "drive/builtin_transport.h"
#include "drive/drive_clock.h"
#include "drive/sg_system.h"

namespace tv {

// The state the drive layer shares between all devices that use it: the loaded
// transport (an ASPI library or the built-in emulation), the simulated recorders
// offered as drives, the switches the model checks set, the type of the disc being
// written or erased, and the clock of every wait.
class DriveLayer {
  public:
    explicit DriveLayer(std::shared_ptr<SgSystem> system = LinuxSgSystem());
    ~DriveLayer();
    DriveLayer(const DriveLayer&) = delete;
    DriveLayer& operator=(const DriveLayer&) = delete;

    // Offers a simulated recorder as a drive of the built-in transport (from the
    // next load on).
    void AddSimulatedDrive(const std::string& name, std::shared_ptr<SimulatedRecorder> recorder,
                           bool instant = false);

    DriveClock& Clock() noexcept { return clock_; }
    // The system calls that reach the drives (from the next load on); tests give
    // one without drives.
    void SetSystem(std::shared_ptr<SgSystem> system);
    // The folder "WNASPI32.DLL" is looked for in: the program's own folder.
    void SetLibraryFolder(const std::filesystem::path& folder);
    SgSystem& System() noexcept { return *system_; }

    // Loads a transport: the built-in emulation when preferred and it finds a
    // drive, else the library (libraryPath, then "WNASPI32.DLL" in the library
    // folder; never from the working directory), else the emulation when it finds
    // drives. Problems met on the way (drives that cannot be opened, a refused
    // library) and the path of a library loaded are added to problems. Returns
    // whether a transport is loaded.
    bool Load(bool preferBuiltIn, const std::string& libraryPath,
              std::vector<std::string>& problems);
    // Drops the transport and loads again with the last preference.
    bool Reload(std::vector<std::string>& problems);

    bool Loaded() const;
    std::string TransportName() const;
    // The built-in emulation when it is the loaded transport, else null.
    BuiltInTransport* BuiltIn() const;

    // Sends a request block to the loaded transport; SS_ERR without one.
    std::uint32_t Send(void* request) const;
    std::uint32_t SupportInfo() const;

    // Process-wide switches of the old system, shared by this layer's devices.
    std::atomic<bool> SlowReadyVendor{false};
    std::atomic<bool> ImmediateClose{true};
    std::atomic<std::uint16_t> CurrentDiscType{0};

  private:
    void Unload();

    std::shared_ptr<SgSystem> system_;
    std::vector<SimulatedDrive> simulated_;
    std::filesystem::path libraryFolder_;
    DriveClock clock_;
    mutable std::shared_mutex mutex_;
    std::unique_ptr<AspiTransport> transport_;
    BuiltInTransport* builtIn_ = nullptr;
    bool preferBuiltIn_ = true;
};

}  // namespace tv
