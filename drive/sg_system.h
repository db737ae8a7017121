#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tv {

// The system calls the built-in transport makes to reach the optical drives;
// tests substitute their own to drive every path of the SG_IO mapping.
class SgSystem {
  public:
    virtual ~SgSystem() = default;
    // Device names of the optical drives ("sr0", "sr1", ..., or "sg3" for one
    // that only the generic driver holds), sr before sg, in number order.
    virtual std::vector<std::string> OpticalDrives() = 0;
    // open(2), ioctl(2), close(2) with errno set on failure.
    virtual int Open(const std::string& path, int flags) = 0;
    virtual int Ioctl(int fd, unsigned long request, void* argument) = 0;
    virtual int Close(int fd) = 0;
};

// The real system: drives found in sysfs (class/scsi_device, class/block),
// opened under /dev. Tests give a folder of their own for sysfs.
std::shared_ptr<SgSystem> LinuxSgSystem(std::filesystem::path sysfs = "/sys");

}  // namespace tv
