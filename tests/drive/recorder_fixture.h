#pragma once

// A drive layer whose only drive is a simulated recorder, with every wait
// shortened a thousandfold, and a device that has selected it.

#include <memory>
#include <string>
#include <vector>

#include "drive/scsi_device.h"
#include "drive/sg_system.h"
#include "drive/simulated_recorder.h"
#include "tests/drive/simulated_sg_system.h"
#include "tests/support/temp_folder.h"

namespace tv::test {

// A system without optical drives.
class NoDrives final : public SgSystem {
  public:
    std::vector<std::string> OpticalDrives() override { return {}; }
    int Open(const std::string&, int) override { return -1; }
    int Ioctl(int, unsigned long, void*) override { return -1; }
    int Close(int) override { return 0; }
};

struct RecorderBench {
    // Through the kernel's interface (throughSgIo), the recorder is /dev/sr0 of a
    // simulated SG_IO system, and the drive is claimed by an exclusive open.
    explicit RecorderBench(MediumKind medium = MediumKind::CdR, double timeScale = 0.001,
                           bool throughSgIo = false)
        : sg(std::make_shared<SimulatedSgSystem>()),
          layer(throughSgIo ? std::shared_ptr<SgSystem>(sg) : std::make_shared<NoDrives>()) {
        layer.Clock().SetScale(timeScale);
        recorder = std::make_shared<SimulatedRecorder>(folder / "disc.img", &layer.Clock());
        recorder->InsertMedium(medium);
        if (throughSgIo)
            sg->SetRecorder(recorder);
        else
            layer.AddSimulatedDrive("sim0", recorder);
        device = std::make_unique<TSCSIDevice>(layer);
        device->OnDebugMessage = [this](TSCSIDevice&, const std::string& message,
                                        std::uint8_t type) {
            messages.push_back(message);
            types.push_back(type);
        };
        loaded = device->InitializeASPI(true, "");
        if (loaded && !device->DeviceList().empty())
            device->SetDevice(device->DeviceList().front());
        recorder->ClearCommands();
        messages.clear();
    }

    // The CDBs the recorder received whose opcode is the given one.
    std::vector<std::vector<std::uint8_t>> CommandsWith(std::uint8_t opcode) const {
        std::vector<std::vector<std::uint8_t>> found;
        for (auto& cdb : recorder->Commands())
            if (!cdb.empty() && cdb[0] == opcode) found.push_back(cdb);
        return found;
    }

    TempFolder folder;
    std::shared_ptr<SimulatedSgSystem> sg;
    DriveLayer layer;
    std::shared_ptr<SimulatedRecorder> recorder;
    std::unique_ptr<TSCSIDevice> device;
    std::vector<std::string> messages;
    std::vector<std::uint8_t> types;
    bool loaded = false;
};

}  // namespace tv::test
