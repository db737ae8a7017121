#include "drive/sg_system.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace tv {
namespace {

class LinuxSystem final : public SgSystem {
  public:
    std::vector<std::string> OpticalDrives() override {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator("/sys/class/block", error)) {
            const std::string name = entry.path().filename().string();
            if (name.size() > 2 && name.starts_with("sr") &&
                std::all_of(name.begin() + 2, name.end(),
                            [](char c) { return c >= '0' && c <= '9'; }))
                names.push_back(name);
        }
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
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
};

}  // namespace

std::shared_ptr<SgSystem> LinuxSgSystem() {
    return std::make_shared<LinuxSystem>();
}

}  // namespace tv
