// The drive layer reading what a drive answers: INQUIRY, mode pages, disc and
// track information, format capacities, the table of contents and sense data all
// come from the input, through a system whose SG_IO returns them. Whatever the
// drive says, nothing is read or written outside the buffers (the sanitizers
// watch) and reported values stay within what the buffers could hold.

#include <linux/types.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

#include "drive/drive_layer.h"
#include "drive/scsi_device.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// One drive "sr0" whose every SG_IO answer is taken from the input: a status
// byte, the answer's length, its bytes and the sense data. When the input is used
// up the drive stops answering (EIO), so every loop ends.
class AnsweringSystem final : public tv::SgSystem {
  public:
    explicit AnsweringSystem(tv::fuzz::InputReader& input) : input_(input) {}
    std::vector<std::string> OpticalDrives() override { return {"sr0"}; }
    int Open(const std::string&, int) override { return 7; }
    int Close(int) override { return 0; }
    int Ioctl(int, unsigned long request, void* argument) override {
        if (request == SG_GET_SCSI_ID) {
            auto* id = static_cast<sg_scsi_id*>(argument);
            *id = {};
            id->host_no = 1;
            return 0;
        }
        if (request != SG_IO || input_.Empty()) {
            errno = EIO;
            return -1;
        }
        auto* io = static_cast<sg_io_hdr_t*>(argument);
        const std::uint8_t kind = input_.Byte();
        io->status = (kind & 3) == 1 ? 2 : (kind & 3) == 2 ? 8 : 0;  // check condition, busy
        io->host_status = (kind & 0x40) ? 3 : 0;
        io->driver_status = (kind & 0x80) ? 8 : 0;
        if (io->dxfer_direction == SG_DXFER_FROM_DEV && io->dxferp != nullptr) {
            const auto answer = input_.Bytes(std::min<std::size_t>(input_.Number(0) % 2048, io->dxfer_len));
            std::memcpy(io->dxferp, answer.data(), answer.size());
            io->resid = static_cast<int>(io->dxfer_len - answer.size());
        }
        if (io->status == 2 && io->sbp != nullptr) {
            const auto sense = input_.Bytes(std::min<std::size_t>(input_.Byte(), io->mx_sb_len));
            std::memcpy(io->sbp, sense.data(), sense.size());
            io->sb_len_wr = static_cast<unsigned char>(sense.size());
        }
        return 0;
    }

  private:
    tv::fuzz::InputReader& input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    fuzz::InputReader input(data, size);
    DriveLayer layer(std::make_shared<AnsweringSystem>(input));
    layer.Clock().SetScale(0);  // the waits of the layer pass at once
    TSCSIDevice device(layer);
    if (!device.InitializeASPI(true, "")) return 0;
    if (device.DeviceList().empty()) return 0;
    device.SetDevice(device.DeviceList().front());
    device.IdentifyDevice();
    device.Inquiry();
    device.ReadCapabilities();
    device.DetectWriteModes();
    device.GetMaxReadSpeed();
    device.GetCurrentWriteSpeed();
    TDisc disc;
    device.GetDiscInfo(disc);
    FUZZ_CHECK(disc.LastSessionState <= 3 && disc.DiscStatus <= 3);
    device.GetDiscType();
    device.GetSessionCount();
    device.IsDiscErasable();
    device.GetFreeBlocks();
    device.FindIsoVolumeSize();
    std::uint32_t blocks = 0, blockSize = 0;
    device.ReadFormatCapacities(blocks, blockSize);
    std::uint32_t lastAddress = 0, blockLength = 0;
    device.ReadCapacity(lastAddress, blockLength);
    std::uint32_t bufferSize = 0, freeBuffer = 0;
    device.ReadBufferCapacity(bufferSize, freeBuffer);
    device.ReadTrackInformation(1);
    std::uint8_t sense[18] = {};
    device.RequestSense(sense, sizeof sense);
    device.TestUnitReady(1000);
    return 0;
}
