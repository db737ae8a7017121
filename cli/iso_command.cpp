#include "cli/iso_command.h"

#include <sys/stat.h>

#include <iostream>

#include "burning/burn_job.h"
#include "burning/disc_burner.h"
#include "drive/drive_layer.h"

namespace tv::cli {
namespace {

int Usage() {
    std::cerr << "Aufruf: tunevault-tool iso -o ABBILD [--no-joliet] [--volume-id TEXT] DATEI...\n";
    return 2;
}

}  // namespace

int IsoCommand(const std::vector<std::string>& arguments) {
    std::string image, volumeId;
    bool joliet = true;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "-o" && i + 1 < arguments.size())
            image = arguments[++i];
        else if (argument == "--no-joliet")
            joliet = false;
        else if (argument == "--volume-id" && i + 1 < arguments.size())
            volumeId = arguments[++i];
        else if (argument.starts_with("-") && argument.size() > 1)
            return Usage();
        else
            files.push_back(argument);
    }
    if (image.empty() || files.empty()) return Usage();

    DriveLayer layer;  // no drive: the image is laid out at address 0
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
    burner.DateCreation = burner.DateModification = Now();
    for (const std::string& file : files) {
        struct stat info {};
        if (::stat(file.c_str(), &info) != 0) continue;  // files that no longer exist are left out
        burner.InsertFile("\\", file, false);
        std::cout << ">>> INSERTING FILE \"" << file << "\"\n";
    }
    burner.PrepareImage();
    burner.BuildImageHeader();
    std::string error;
    if (!WriteImageFile(burner, image, error)) {
        std::cerr << "tunevault-tool: " << error << "\n";
        return 1;
    }
    return 0;
}

}  // namespace tv::cli
