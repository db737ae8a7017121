// The simulated recorder taking any sequence of commands: CDBs, data and lengths
// from the input, on a medium chosen by the input. It answers within the buffers
// it is given and never claims more data than asked for.

#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "drive/simulated_recorder.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::filesystem::path ImageFile() {
    static const tv::fuzz::RemovedAtExit image([] {
        std::string pattern = (std::filesystem::temp_directory_path() / "tv-fuzz-sim-XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd >= 0) ::close(fd);
        return std::filesystem::path(pattern);
    }());
    return image.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    fuzz::InputReader input(data, size);
    SimulatedRecorder recorder(ImageFile());
    const auto medium = static_cast<MediumKind>(input.Byte() % 12);
    // Small media: a fuzzed write far into a DVD would make a large image.
    recorder.InsertMedium(medium, 4096 + input.Number(8192), medium == MediumKind::CdRom ||
                                                                     medium == MediumKind::DvdRom
                                                                 ? 16
                                                                 : 0);
    if (input.Byte() & 1) recorder.RecordSession(32 + input.Byte());
    recorder.SetOperationCommands(input.Byte() % 4);

    std::vector<std::uint8_t> buffer(65536);
    for (int command = 0; command < 64 && !input.Empty(); ++command) {
        std::uint8_t cdb[16] = {};
        const std::size_t cdbLength = std::array<std::size_t, 4>{6, 10, 12, 16}[input.Byte() % 4];
        const auto bytes = input.Bytes(cdbLength);
        std::memcpy(cdb, bytes.data(), bytes.size());
        const auto direction = static_cast<DataDirection>(input.Byte() % 3);
        const std::uint32_t length = input.Number(static_cast<std::uint32_t>(buffer.size()) + 1);
        if (direction == DataDirection::Out) {
            const auto payload = input.Bytes(std::min<std::uint32_t>(length, 512));
            std::fill(buffer.begin(), buffer.end(), 0);
            std::memcpy(buffer.data(), payload.data(), payload.size());
        }
        const ScsiResult result =
            recorder.Execute(cdb, cdbLength, direction, buffer.data(), length, 1000);
        FUZZ_CHECK(result.Transferred <= length);
        FUZZ_CHECK(result.Status == 0 || result.Status == 2 || result.Status == 8 ||
                   result.TimedOut);
        if (result.Status == 2) FUZZ_CHECK(result.Sense[0] == 0x70 || result.Sense[0] == 0x71);
    }
    FUZZ_CHECK(recorder.Commands().size() <= SimulatedRecorder::kCommandLogLimit);
    return 0;
}
