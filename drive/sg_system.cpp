#include "drive/sg_system.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace tv {
namespace {

bool IsNumbered(const std::string& name, const std::string& prefix) {
    return name.size() > prefix.size() && name.starts_with(prefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

int ReadNumber(const std::filesystem::path& file) {
    std::ifstream in(file);
    int value = -1;
    return in >> value ? value : -1;
}

// The name of the first sr or sg device in a folder of sysfs ("sr0", "sg2").
std::string FirstEntry(const std::filesystem::path& folder) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (IsNumbered(name, "sr") || IsNumbered(name, "sg")) return name;
    }
    return {};
}

class LinuxSystem final : public SgSystem {
  public:
    explicit LinuxSystem(std::filesystem::path sysfs) : sysfs_(std::move(sysfs)) {}

    std::vector<std::string> OpticalDrives() override {
        // Every SCSI device of type 5 (CD/DVD) or 4 (write-once) the kernel has, by
        // its sr block device, or by its generic device when the sr driver does not
        // hold it; whatever its host, channel, target and LUN.
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(sysfs_ / "class/scsi_device", error)) {
            const std::filesystem::path device = entry.path() / "device";
            const int type = ReadNumber(device / "type");
            if (type != 4 && type != 5) continue;
            std::string name = FirstEntry(device / "block");
            if (name.empty()) name = FirstEntry(device / "scsi_generic");
            if (!name.empty()) names.push_back(name);
        }
        // Without the SCSI classes (an unusual kernel): the sr block devices.
        if (names.empty()) {
            for (const auto& entry :
                 std::filesystem::directory_iterator(sysfs_ / "class/block", error)) {
                const std::string name = entry.path().filename().string();
                if (IsNumbered(name, "sr")) names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            // sr before sg, then by number
            if (a.substr(0, 2) != b.substr(0, 2)) return a.substr(0, 2) > b.substr(0, 2);
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        return names;
    }
    int Open(const std::string& path, int flags) override {
        return ::open(path.c_str(), flags | O_CLOEXEC);
    }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        return ::ioctl(fd, request, argument);
    }
    int Close(int fd) override { return ::close(fd); }

  private:
    std::filesystem::path sysfs_;
};

}  // namespace

std::shared_ptr<SgSystem> LinuxSgSystem(std::filesystem::path sysfs) {
    return std::make_shared<LinuxSystem>(std::move(sysfs));
}

}  // namespace tv
