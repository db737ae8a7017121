#pragma once

#include <memory>
#include <string>
#include <vector>

#include "drive/aspi.h"

namespace tv {

// An ASPI library loaded at run time: it exports GetASPI32SupportInfo and
// SendASPI32Command. The library stays loaded as long as the object lives.
class LibraryTransport final : public AspiTransport {
  public:
    // Tries the names in order and loads the first library found. Returns nothing
    // when none loads; problem then says why. A library without both entry points
    // is refused (refused becomes true) and no further name is tried.
    static std::unique_ptr<LibraryTransport> Load(const std::vector<std::string>& names,
                                                  std::string& problem, bool& refused);
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

// The names tried after a given path: "./WNASPI32.DLL", then "WNASPI32.DLL".
std::vector<std::string> AspiLibraryNames(const std::string& libraryPath);

}  // namespace tv
