#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drive/aspi.h"

namespace tv {

// An ASPI library loaded at run time: it exports GetASPI32SupportInfo and
// SendASPI32Command. The library stays loaded as long as the object lives.
class LibraryTransport final : public AspiTransport {
  public:
    // Tries the names (paths with a folder; others are skipped) in order and loads
    // the first library found; loadedFrom names it. Returns nothing when none
    // loads; problem then says why. A library without both entry points is refused
    // (refused becomes true) and no further name is tried.
    static std::unique_ptr<LibraryTransport> Load(const std::vector<std::string>& names,
                                                  std::string& problem, bool& refused,
                                                  std::string& loadedFrom);
    ~LibraryTransport() override;

    std::string Name() const override { return "WNASPI32.DLL"; }
    std::uint32_t GetASPI32SupportInfo() override { return supportInfo_(); }
    std::uint32_t SendASPI32Command(void* request) override { return send_(request); }

  private:
    using SupportInfo = std::uint32_t (*)();
    using Send = std::uint32_t (*)(void*);
    LibraryTransport(void* handle, SupportInfo supportInfo, Send send)
        : handle_(handle), supportInfo_(supportInfo), send_(send) {}

    void* handle_;
    SupportInfo supportInfo_;
    Send send_;
};

// The folder of the running program (empty when the system does not tell).
std::filesystem::path ProgramFolder();

// Where the library is looked for: the given path (made absolute), then
// "WNASPI32.DLL" in the program's own folder. Never the working directory, never
// the system's search path.
std::vector<std::string> AspiLibraryNames(const std::string& libraryPath,
                                          const std::filesystem::path& programFolder);

}  // namespace tv
