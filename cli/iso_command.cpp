// iso: an ISO 9660/Joliet image of files, laid out as the burn dialog lays it out.

#include "cli/image_target.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>

#include "burning/burn_job.h"
#include "burning/disc_burner.h"
#include "burning/joliet_names.h"
#include "cli/commands.h"
#include "drive/drive_layer.h"

namespace tv::cli {
namespace {

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

struct IsoCall {
    std::string Image;
    std::string VolumeId;
    bool NoJoliet = false;
    bool KeepPath = false;
    bool Force = false;
    std::uint32_t SessionStart = 0;
    std::vector<std::string> Files;
};

int IsoCommand(const IsoCall& call) {
    // The target is checked before anything is read: an image never replaces one
    // of its own sources, a FIFO or a device, nor without --force a file that is
    // no image (the typo "iso -o r/*.mp3").
    const std::vector<FileIdentity> inputs =
        IdentitiesOf(std::vector<std::filesystem::path>(call.Files.begin(), call.Files.end()));
    RefuseImageTarget(call.Image, inputs, call.Force);

    DriveLayer layer;  // no drive: the image is laid out at the given address
    TDiscBurner burner(layer);
    burner.OnDebugMessage = [](TSCSIDevice&, const std::string& message, std::uint8_t) {
        std::cout << message << "\n";
    };
    burner.OnAddFile = [](TDiscBurner& sender, const std::string& fullPath, std::string& longName,
                          std::string&, TDateTime&, std::uint32_t, std::uint64_t,
                          bool& skip) { SkipUnburnableFile(sender, fullPath, longName, skip); };
    burner.ResetImage(65535, 8191);
    burner.JolietFileSystem = !call.NoJoliet;
    burner.IdVolume = call.VolumeId;
    burner.DateCreation = burner.DateModification = burner.HeaderDate = ImageDate();
    int added = 0;
    bool leftOut = false;
    for (const std::string& file : call.Files) {
        burner.InsertFile("\\", file, call.KeepPath);
        switch (burner.LastInsertOutcome()) {
            case TDiscBurner::InsertOutcome::Added:
                ++added;
                std::cout << ">>> INSERTING FILE \"" << LogText(file) << "\"\n";
                break;
            case TDiscBurner::InsertOutcome::AlreadyThere:
                break;
            case TDiscBurner::InsertOutcome::LeftOut:
                std::cerr << "tunevault-tool: nicht aufgenommen: " << LogText(file) << " ("
                          << burner.LastSkipReason() << ")\n";
                leftOut = true;
                break;
        }
    }
    // No file went in: no image, and an old one stays as it is.
    if (added == 0) {
        std::cerr << "tunevault-tool: keine der Dateien kann aufgenommen werden; es wird kein "
                     "Abbild geschrieben\n";
        return 1;
    }
    if (!burner.PrepareImageAt(call.SessionStart) || !burner.BuildImageHeader()) {
        std::cerr << "tunevault-tool: " << burner.LayoutError() << "\n";
        return 1;
    }
    std::string error;
    if (!WriteImageFile(burner, call.Image, error,
                        {.DescriptorsAtStart = call.SessionStart > 0, .Inputs = inputs})) {
        std::cerr << "tunevault-tool: " << error << "\n";
        return 1;
    }
    return leftOut ? 1 : 0;
}

}  // namespace

void RefuseImageTarget(const std::string& image, const std::vector<FileIdentity>& inputs,
                       bool force) {
    std::filesystem::path target;
    try {
        target = FollowLinks(image);
    } catch (const std::system_error& error) {
        throw CLI::ValidationError(image + ": " + error.code().message());
    }
    struct stat info {};
    if (::stat(target.c_str(), &info) != 0) return;  // a new file
    if (!S_ISREG(info.st_mode))
        throw CLI::ValidationError("\"" + image + "\" ist keine gewöhnliche Datei");
    for (const FileIdentity& input : inputs)
        if (input == FileIdentity{info.st_dev, info.st_ino})
            throw CLI::ValidationError("das Abbild \"" + image +
                                       "\" ist zugleich eine Eingabedatei");
    if (!force && !HoldsIsoImage(target))
        throw CLI::ValidationError("\"" + image +
                                   "\" gibt es schon und ist kein ISO-Abbild; mit --force wird "
                                   "es ersetzt");
}

void AddIsoCommand(CLI::App& app, int& exitCode) {
    auto call = std::make_shared<IsoCall>();
    CLI::App* iso = app.add_subcommand(
        "iso", "ein ISO-9660/Joliet-Abbild der Dateien, wie der Brenner es anlegt");
    iso->add_option("-o", call->Image, "die Abbilddatei")->type_name("ABBILD")->required();
    iso->add_flag("--no-joliet", call->NoJoliet, "ohne die Joliet-Namen");
    iso->add_option("--volume-id", call->VolumeId, "die Bezeichnung des Datenträgers");
    iso->add_flag("--keep-path", call->KeepPath, "die Ordner der Dateien behalten");
    iso->add_option("--session-start", call->SessionStart,
                    "die Sitzung ab diesem Block anlegen (in einer Datei mit Lücke)")
        ->type_name("LBA")
        ->check(CLI::Range(0u, 0xFF000000u));
    iso->add_flag("--force", call->Force,
                  "eine vorhandene Datei ersetzen, die kein ISO-Abbild ist");
    iso->add_option("DATEI", call->Files, "die Dateien")->type_name("")->required();
    iso->callback([&exitCode, call] { exitCode = IsoCommand(*call); });
}

}  // namespace tv::cli
