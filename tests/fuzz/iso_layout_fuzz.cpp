// The ISO 9660/Joliet layout of a fuzzed tree: directory names (any bytes),
// depth, file names and sizes. A tree the burner accepts is laid out and its
// header built; every record stays inside the header (the sanitizers watch) and
// the numbers agree with each other.

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "burning/disc_burner.h"
#include "drive/drive_layer.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Source files of a few sizes, made once (sparse).
const std::vector<std::string>& SourceFiles() {
    static const tv::fuzz::RemovedAtExit made(std::filesystem::temp_directory_path() /
                                              ("tv-fuzz-iso-" + std::to_string(::getpid())));
    static const std::vector<std::string> files = [] {
        const auto& folder = made.Path();
        std::filesystem::create_directories(folder);
        std::vector<std::string> made;
        const std::uint64_t sizes[] = {0, 1, 2048, 2049, 700ull << 20, 5ull << 30};
        for (std::uint64_t size : sizes) {
            const auto path = folder / ("f" + std::to_string(size));
            const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
            if (fd >= 0) {
                if (::ftruncate(fd, static_cast<off_t>(size)) != 0) std::abort();
                ::close(fd);
            }
            made.push_back(path.string());
        }
        return made;
    }();
    return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    fuzz::InputReader input(data, size);
    DriveLayer layer;
    TDiscBurner burner(layer);
    burner.JolietFileSystem = input.Byte() & 1;
    burner.IdVolume = input.Text(40);
    burner.ResetImage(1000, 1000);
    std::vector<TDEntry*> directories{&burner.Root()};
    std::string nextName;
    burner.OnAddFile = [&nextName](TDiscBurner&, const std::string&, std::string& longName,
                                   std::string&, TDateTime&, std::uint32_t, std::uint64_t,
                                   bool& skip) {
        if (!nextName.empty()) longName = nextName;
        skip = false;
    };
    for (int step = 0; step < 200 && !input.Empty(); ++step) {
        TDEntry* parent = directories[input.Number(static_cast<std::uint32_t>(directories.size()))];
        const std::string name = input.Text(120);
        if (input.Byte() & 1) {
            if (TDEntry* made = burner.AddDirectory(*parent, name, 40000.5))
                directories.push_back(made);
        } else {
            nextName = name;
            const std::string& source = SourceFiles()[input.Byte() % SourceFiles().size()];
            burner.InsertFile(parent->Path, source, false);
        }
    }
    const std::uint32_t start = input.Byte() & 1 ? input.Number(4'000'000) : 0;
    if (!burner.PrepareImageAt(start)) return 0;
    if (!burner.BuildImageHeader()) return 0;
    const auto& header = burner.HeaderStream();
    FUZZ_CHECK(burner.FirstFileLocation() >= start + 18);
    FUZZ_CHECK(header.size() == std::uint64_t(burner.FirstFileLocation() - start) * 2048);
    FUZZ_CHECK(burner.ImageSectors() >= burner.FirstFileLocation() - start);
    // The primary volume descriptor at sector 16 of the session.
    FUZZ_CHECK(header.size() > 17 * 2048);
    FUZZ_CHECK(header[16 * 2048] == 1 && std::memcmp(&header[16 * 2048 + 1], "CD001", 5) == 0);
    return 0;
}
