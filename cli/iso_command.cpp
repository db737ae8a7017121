#include "cli/iso_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "burning/burn_job.h"
#include "burning/disc_burner.h"
#include "burning/joliet_names.h"
#include "drive/drive_layer.h"

namespace tv::cli {
namespace {

int Usage() {
    std::cerr << "Aufruf: tunevault-tool iso -o ABBILD [--no-joliet] [--volume-id TEXT] "
                 "[--keep-path] [--session-start LBA] DATEI...\n";
    return 2;
}

bool ParseAddress(const std::string& text, std::uint32_t& address) {
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data(), end, address);
    return error == std::errc() && last == end && address <= 0xFF000000u;
}

// The dates the tool invents: now, or SOURCE_DATE_EPOCH for reproducible images.
TDateTime ImageDate() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (errno == 0 && end != epoch && *end == '\0' && seconds >= 0)
            return DateTimeFromUnix(static_cast<std::time_t>(seconds));
    }
    return Now();
}

}  // namespace

int IsoCommand(const std::vector<std::string>& arguments) {
    std::string image, volumeId;
    bool joliet = true, keepPath = false;
    std::uint32_t sessionStart = 0;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-o" && i + 1 < arguments.size())
            image = arguments[++i];
        else if (argument == "--no-joliet")
            joliet = false;
        else if (argument == "--keep-path")
            keepPath = true;
        else if (argument == "--volume-id" && i + 1 < arguments.size())
            volumeId = arguments[++i];
        else if (argument == "--session-start" && i + 1 < arguments.size()) {
            if (!ParseAddress(arguments[++i], sessionStart)) return Usage();
        } else if (argument == "--") {
            files.insert(files.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                         arguments.end());
            break;
        } else if (argument.starts_with("-") && argument.size() > 1)
            return Usage();
        else
            files.push_back(argument);
    }
    if (image.empty() || files.empty()) return Usage();

    // The image never replaces one of its own sources.
    struct stat target {};
    if (::stat(image.c_str(), &target) == 0) {
        for (const std::string& file : files) {
            struct stat source {};
            if (::stat(file.c_str(), &source) == 0 && source.st_dev == target.st_dev &&
                source.st_ino == target.st_ino) {
                std::cerr << "tunevault-tool: das Abbild \"" << LogText(image)
                          << "\" ist zugleich eine Eingabedatei\n";
                return 2;
            }
        }
    }

    DriveLayer layer;  // no drive: the image is laid out at the given address
    TDiscBurner burner(layer);
    burner.OnDebugMessage = [](TSCSIDevice&, const std::string& message, std::uint8_t) {
        std::cout << message << "\n";
    };
    burner.OnAddFile = [](TDiscBurner& sender, const std::string& fullPath, std::string& longName,
                          std::string&, TDateTime&, std::uint32_t, std::uint64_t,
                          bool& skip) { SkipUnburnableFile(sender, fullPath, longName, skip); };
    burner.ResetImage(65535, 8191);
    burner.JolietFileSystem = joliet;
    burner.IdVolume = volumeId;
    burner.DateCreation = burner.DateModification = burner.HeaderDate = ImageDate();
    bool leftOut = false;
    for (const std::string& file : files) {
        struct stat info {};
        if (::stat(file.c_str(), &info) != 0) {
            std::cerr << "tunevault-tool: " << LogText(file) << ": " << std::strerror(errno)
                      << "\n";
            leftOut = true;
            continue;
        }
        burner.InsertFile("\\", file, keepPath);
        if (burner.LastFileAdded()) {
            std::cout << ">>> INSERTING FILE \"" << LogText(file) << "\"\n";
        } else {
            std::cerr << "tunevault-tool: nicht aufgenommen: " << LogText(file) << "\n";
            leftOut = true;
        }
    }
    burner.PrepareImageAt(sessionStart);
    burner.BuildImageHeader();
    std::string error;
    if (!WriteImageFile(burner, image, error, {.DescriptorsAtStart = sessionStart > 0})) {
        std::cerr << "tunevault-tool: " << error << "\n";
        return 1;
    }
    return leftOut ? 1 : 0;
}

}  // namespace tv::cli
