// burn and erase: the burn dialog's jobs on the command line.

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>

#include "burning/burn_job.h"
#include "burning/joliet_names.h"
#include "cli/commands.h"
#include "cli/drive_session.h"
#include "cli/image_target.h"

namespace tv::cli {
namespace {

struct BurnCall {
    std::string Device;
    std::string Image;
    bool TestWrite = false;
    bool NoJoliet = false;
    bool Force = false;
    bool Full = false;  // erase
    std::string VolumeId;
    SimulationOptions Simulation;
    std::vector<std::string> Files;
};

// The dates the tool invents: now, or SOURCE_DATE_EPOCH for reproducible images.
std::optional<TDateTime> SourceDate() {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        char* end = nullptr;
        errno = 0;
        const long long seconds = std::strtoll(epoch, &end, 10);
        if (errno == 0 && end != epoch && *end == '\0' && seconds >= 0)
            return DateTimeFromUnix(static_cast<std::time_t>(seconds));
    }
    return std::nullopt;
}

int Refused(const std::string& why) {
    std::cerr << "tunevault-tool: " << why << "\n";
    return 1;
}

int BurnCommand(const BurnCall& call) {
    const bool toImage = !call.Image.empty();
    if (toImage && call.TestWrite)
        throw CLI::ValidationError(
            "--test-write",
            "ein Testlauf in eine Abbilddatei ist nicht möglich (es gibt nichts "
            "zu simulieren)");
    const std::vector<FileIdentity> inputs =
        IdentitiesOf(std::vector<std::filesystem::path>(call.Files.begin(), call.Files.end()));
    if (toImage) RefuseImageTarget(call.Image, inputs, call.Force);
    std::string error;
    const std::unique_ptr<DriveSession> session =
        DriveSession::Open(call.Simulation, inputs, error);
    if (!session) throw CLI::ValidationError(error);
    TDiscBurner& burner = session->Burner();
    if (!session->Start(true) || !session->Select(call.Device, toImage)) return 1;

    // What the drive and the disc allow, before anything is written.
    if (const std::string refusal = BurnRefusal(burner); !refusal.empty())
        return Refused("Brennen nicht möglich: " + refusal);
    const std::uint8_t type = burner.GetDiscType();
    if (call.TestWrite && !MediumHasTestWrite(type))
        return Refused("Brennen nicht möglich: eine " +
                       std::string(DiscTypeNames[type < DiscTypeNames.size() ? type : 0]) +
                       " kennt keinen Testlauf");

    burner.TestWrite = call.TestWrite;
    burner.JolietFileSystem = !call.NoJoliet;
    burner.IdVolume = call.VolumeId;
    if (const auto date = SourceDate())
        burner.DateCreation = burner.DateModification = burner.HeaderDate = *date;
    burner.OnAddFile = [](TDiscBurner& sender, const std::string& fullPath, std::string& longName,
                          std::string&, TDateTime&, std::uint32_t, std::uint64_t,
                          bool& skip) { SkipUnburnableFile(sender, fullPath, longName, skip); };
    burner.ResetImage(65535, 8191);
    const JobFiles files = InsertJobFiles(
        burner, call.Files, [](const std::string& line) { std::cout << line << std::endl; });
    for (const auto& [path, reason] : files.LeftOut)
        std::cerr << "tunevault-tool: nicht aufgenommen: " << LogText(path) << " (" << reason
                  << ")\n";
    if (files.Added == 0)
        return Refused("keine der Dateien kann gebrannt werden; es wird nicht gebrannt");

    // The fit is checked on the layout at the address the session will have.
    if (!burner.PrepareImage(true)) return Refused(burner.LayoutError());
    const std::string noRoom = NoRoomMessage(burner.ImageSectors(), burner.GetFreeBlocks(), ",");
    if (!noRoom.empty()) return Refused(noRoom);
    if (toImage && !session->Images().BeginImage(call.Image, inputs, error)) return Refused(error);

    std::optional<std::string> outcome;
    burner.OnWriteDone = [&](TDiscBurner&, const std::string& result) { outcome = result; };
    burner.BurnImage();
    while (!outcome)
        session->Invoker().RunUntil([&] { return outcome.has_value(); }, std::chrono::hours(1));
    burner.WaitForBurn();
    error = *outcome;
    if (toImage) {
        std::string imageError;
        if (!session->Images().FinishImage(error.empty(), imageError) && !imageError.empty())
            error = imageError;
    }
    std::cout << BurnDoneLine(error) << std::endl;
    std::cerr << "tunevault-tool: " << burner.BytesWritten / 2048 << " sectors in blocks of "
              << burner.BurnBlockSize() << " bytes; the writer waited " << burner.WriterWaits()
              << " times for data after the cache was filled\n";
    // The disc comes out after every burn that reached the drive.
    if (burner.BurnClaimedDrive()) burner.StartStopUnit(true);
    return error.empty() && files.LeftOut.empty() ? 0 : 1;
}

int EraseCommand(const BurnCall& call) {
    std::string error;
    const std::unique_ptr<DriveSession> session = DriveSession::Open(call.Simulation, {}, error);
    if (!session) throw CLI::ValidationError(error);
    TDiscBurner& burner = session->Burner();
    if (!session->Start(true) || !session->Select(call.Device, false)) return 1;
    if (const std::string refusal = EraseRefusal(burner); !refusal.empty()) return Refused(refusal);
    std::optional<bool> failed;
    burner.OnEraseDone = [&](TSCSIDevice&, bool withError) { failed = withError; };
    if (!burner.EraseDisc(!call.Full) && !failed) {
        std::cout << ">>> ERASE PROCESS DONE" << std::endl;
        return 1;
    }
    while (!failed)
        session->Invoker().RunUntil([&] { return failed.has_value(); }, std::chrono::hours(1));
    burner.WaitForErase();
    std::cout << ">>> ERASE PROCESS DONE" << std::endl;
    return *failed ? 1 : 0;
}

}  // namespace

void AddBurnCommands(CLI::App& app, int& exitCode) {
    auto burn = std::make_shared<BurnCall>();
    CLI::App* burnCommand =
        app.add_subcommand("burn",
                           "brennt die Dateien, wie der Brenndialog es tut (Protokoll auf der "
                           "Standardausgabe, \">>> BURNCD DONE, ...\" zuletzt)");
    CLI::Option* device =
        burnCommand
            ->add_option("--device", burn->Device, "das Laufwerk: seine Zeile oder \"a:t:l\"")
            ->type_name("ID");
    CLI::Option* image =
        burnCommand->add_option("--image", burn->Image, "statt einer CD/DVD eine ISO-Datei brennen")
            ->type_name("ABBILD");
    device->excludes(image);
    burnCommand->add_flag("--test-write", burn->TestWrite,
                          "Testlauf: der Brenner schreibt nichts auf die CD/DVD");
    burnCommand->add_flag("--no-joliet", burn->NoJoliet, "ohne die Joliet-Namen");
    burnCommand->add_option("--volume-id", burn->VolumeId, "die Bezeichnung des Datenträgers");
    burnCommand->add_flag("--force", burn->Force,
                          "eine vorhandene --image-Datei ersetzen, die kein ISO-Abbild ist");
    AddSimulationOptions(*burnCommand, burn->Simulation);
    burnCommand->add_option("DATEI", burn->Files, "die Dateien")->type_name("")->required();
    burnCommand->callback([&exitCode, burn] {
        if (burn->Device.empty() == burn->Image.empty())
            throw CLI::RequiredError("genau eines von --device und --image");
        exitCode = BurnCommand(*burn);
    });

    auto erase = std::make_shared<BurnCall>();
    CLI::App* eraseCommand = app.add_subcommand("erase", "löscht eine wiederbeschreibbare CD/DVD");
    eraseCommand->add_option("--device", erase->Device, "das Laufwerk: seine Zeile oder \"a:t:l\"")
        ->type_name("ID")
        ->required();
    eraseCommand->add_flag("--full", erase->Full, "ganz löschen (sonst schnell)");
    AddSimulationOptions(*eraseCommand, erase->Simulation);
    eraseCommand->callback([&exitCode, erase] { exitCode = EraseCommand(*erase); });
}

}  // namespace tv::cli
