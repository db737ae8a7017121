#include "drive/device_holders.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace tv {
namespace {

// Mount points of the device, from the fifth and tenth fields of mountinfo.
std::vector<std::string> MountPoints(const std::string& devicePath) {
    std::vector<std::string> points;
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mounts, line)) {
        const std::size_t separator = line.find(" - ");
        if (separator == std::string::npos) continue;
        std::istringstream before(line.substr(0, separator));
        std::istringstream after(line.substr(separator + 3));
        std::string field, mountPoint, type, source;
        for (int i = 0; i < 5 && before >> field; ++i)
            if (i == 4) mountPoint = field;
        after >> type >> source;
        if (source == devicePath) points.push_back(mountPoint);
    }
    return points;
}

// Programs with the device open: those whose file descriptors this user can read.
std::vector<std::string> Openers(const std::string& devicePath) {
    std::vector<std::string> openers;
    std::error_code error;
    const std::string self = std::to_string(::getpid());
    for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = process.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        if (pid == self) continue;
        std::error_code fdError;
        for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            if (std::filesystem::read_symlink(fd.path(), linkError) != devicePath) continue;
            std::string name;
            std::ifstream(process.path() / "comm") >> name;
            openers.push_back(name + " (PID " + pid + ")");
            break;
        }
    }
    return openers;
}

}  // namespace

std::string DeviceHolders(const std::string& devicePath) {
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : "; ") + part; };
    for (const std::string& point : MountPoints(devicePath)) add("MOUNTED AT " + point);
    for (const std::string& opener : Openers(devicePath)) add("OPENED BY " + opener);
    return text;
}

}  // namespace tv
