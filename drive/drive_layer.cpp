#include "drive/drive_layer.h"

#include <mutex>

#include "drive/library_transport.h"

namespace tv {

DriveLayer::DriveLayer(std::shared_ptr<SgSystem> system)
    : system_(std::move(system)), libraryFolder_(ProgramFolder()) {}

void DriveLayer::SetSystem(std::shared_ptr<SgSystem> system) {
    std::unique_lock lock(mutex_);
    system_ = std::move(system);
}

void DriveLayer::SetLibraryFolder(const std::filesystem::path& folder) {
    std::unique_lock lock(mutex_);
    libraryFolder_ = folder;
}

DriveLayer::~DriveLayer() {
    Unload();
}

void DriveLayer::AddSimulatedDrive(const std::string& name,
                                   std::shared_ptr<SimulatedRecorder> recorder, bool instant) {
    std::unique_lock lock(mutex_);
    simulated_.push_back({name, std::move(recorder), instant});
}

void DriveLayer::Unload() {
    std::unique_lock lock(mutex_);
    transport_.reset();
    builtIn_ = nullptr;
}

bool DriveLayer::Load(bool preferBuiltIn, const std::string& libraryPath,
                      std::vector<std::string>& problems) {
    Unload();
    std::unique_lock lock(mutex_);
    preferBuiltIn_ = preferBuiltIn;
    auto builtIn = std::make_unique<BuiltInTransport>(system_, simulated_, clock_);
    bool scanned = false;
    int drives = 0;
    if (preferBuiltIn) {
        drives = builtIn->Scan(problems);
        scanned = true;
    }
    if (drives == 0) {
        std::string problem, loadedFrom;
        bool refused = false;
        if (auto library = LibraryTransport::Load(AspiLibraryNames(libraryPath, libraryFolder_),
                                                  problem, refused, loadedFrom)) {
            problems.push_back(">>> ASPI LIBRARY LOADED FROM " + loadedFrom);
            transport_ = std::move(library);
        } else if (refused) {
            problems.push_back(">>> " + problem);
            return false;
        } else if (!scanned) {
            drives = builtIn->Scan(problems);
        }
    }
    if (!transport_ && drives > 0) {
        builtIn_ = builtIn.get();
        transport_ = std::move(builtIn);
    }
    if (transport_) transport_->GetASPI32SupportInfo();
    return transport_ != nullptr;
}

bool DriveLayer::Reload(std::vector<std::string>& problems) {
    bool preferBuiltIn;
    {
        std::shared_lock lock(mutex_);
        preferBuiltIn = preferBuiltIn_;
    }
    return Load(preferBuiltIn, std::string(), problems);
}

bool DriveLayer::Loaded() const {
    std::shared_lock lock(mutex_);
    return transport_ != nullptr;
}

std::string DriveLayer::TransportName() const {
    std::shared_lock lock(mutex_);
    return transport_ ? transport_->Name() : std::string();
}

BuiltInTransport* DriveLayer::BuiltIn() const {
    std::shared_lock lock(mutex_);
    return builtIn_;
}

std::uint32_t DriveLayer::Send(void* request) const {
    std::shared_lock lock(mutex_);
    return transport_ ? transport_->SendASPI32Command(request) : SS_ERR;
}

std::uint32_t DriveLayer::SupportInfo() const {
    std::shared_lock lock(mutex_);
    return transport_ ? transport_->GetASPI32SupportInfo() : 0;
}

}  // namespace tv
