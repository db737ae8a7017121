// The simulated recorder's own promises: it never loses or invents data, and an
// I/O failure of its image file is a medium error, as on a real drive.

#include <gtest/gtest.h>

#include <vector>

#include "base/byte_order.h"
#include "tests/drive/recorder_fixture.h"

namespace tv {
namespace {

using test::TempFolder;
using Bytes = std::vector<std::uint8_t>;

struct Sent {
    ScsiResult Result;
    Bytes Data;
};

Sent Write(SimulatedRecorder& recorder, std::uint32_t address, std::uint8_t fill) {
    std::uint8_t cdb[10] = {0x2A};
    WriteBig32(cdb + 2, address);
    WriteBig16(cdb + 7, 1);
    Bytes data(2048, fill);
    return {recorder.Execute(cdb, 10, DataDirection::Out, data.data(), 2048, 10000), data};
}

Sent Read(SimulatedRecorder& recorder, std::uint32_t address) {
    std::uint8_t cdb[10] = {0x28};
    WriteBig32(cdb + 2, address);
    WriteBig16(cdb + 7, 1);
    Bytes data(2048, 0xEE);
    return {recorder.Execute(cdb, 10, DataDirection::In, data.data(), 2048, 10000), data};
}

ScsiResult Synchronize(SimulatedRecorder& recorder) {
    const std::uint8_t cdb[10] = {0x35};
    return recorder.Execute(cdb, 10, DataDirection::None, nullptr, 0, 10000);
}

void ExpectMediumError(const ScsiResult& result, std::uint8_t asc) {
    EXPECT_EQ(result.Status, 0x02);
    EXPECT_EQ(result.Sense[2], 0x03);  // MEDIUM ERROR
    EXPECT_EQ(result.Sense[12], asc);
    EXPECT_EQ(result.Sense[13], 0x00);
}

TEST(SimulatedRecorder, WritesReachTheImageAndReadBack) {
    TempFolder folder;
    SimulatedRecorder recorder(folder / "disc.img");
    recorder.InsertMedium(MediumKind::DvdRam, 1000);
    EXPECT_EQ(Write(recorder, 7, 0x5A).Result.Status, 0);
    EXPECT_EQ(Synchronize(recorder).Status, 0);
    const Sent read = Read(recorder, 7);
    EXPECT_EQ(read.Result.Status, 0);
    EXPECT_EQ(read.Data, Bytes(2048, 0x5A));
    EXPECT_EQ(Read(recorder, 8).Data, Bytes(2048, 0));
    EXPECT_EQ(test::ReadBytes(folder / "disc.img").substr(7 * 2048, 4), "ZZZZ");
}

// An image that cannot be opened, or a disk that is full, must never look like a
// successful burn.
TEST(SimulatedRecorder, ImageFailuresAreMediumErrors) {
    TempFolder folder;
    SimulatedRecorder unopenable(folder / "no" / "such" / "folder" / "disc.img");
    unopenable.InsertMedium(MediumKind::DvdRam, 1000);
    ExpectMediumError(Write(unopenable, 0, 1).Result, 0x0C);
    ExpectMediumError(Read(unopenable, 0).Result, 0x11);
    ExpectMediumError(Synchronize(unopenable), 0x0C);

    SimulatedRecorder full("/dev/full");  // every write fails with "no space"
    full.InsertMedium(MediumKind::CdR, 1000);
    ExpectMediumError(Write(full, 0, 1).Result, 0x0C);
    EXPECT_EQ(full.NextWritableAddress(), 0u);  // nothing counts as written
}

TEST(SimulatedRecorder, TheImageIsNeverOpenedThroughALink) {
    TempFolder folder;
    test::WriteBytes(folder / "precious.txt", "keep me");
    std::filesystem::create_symlink(folder / "precious.txt", folder / "disc.img");
    SimulatedRecorder recorder(folder / "disc.img");
    recorder.InsertMedium(MediumKind::DvdRam, 1000);
    ExpectMediumError(Write(recorder, 0, 1).Result, 0x0C);
    EXPECT_EQ(test::ReadBytes(folder / "precious.txt"), "keep me");
}

TEST(SimulatedRecorder, TheCommandLogKeepsTheMostRecentCommands) {
    TempFolder folder;
    SimulatedRecorder recorder(folder / "disc.img");
    recorder.InsertMedium(MediumKind::CdR);
    const std::uint8_t ready[6] = {0x00};
    for (std::size_t i = 0; i < SimulatedRecorder::kCommandLogLimit + 10; ++i)
        recorder.Execute(ready, 6, DataDirection::None, nullptr, 0, 10000);
    const std::uint8_t last[6] = {0x01};
    recorder.Execute(last, 6, DataDirection::None, nullptr, 0, 10000);
    const auto commands = recorder.Commands();
    EXPECT_EQ(commands.size(), SimulatedRecorder::kCommandLogLimit);
    EXPECT_EQ(commands.back().front(), 0x01);
}

}  // namespace
}  // namespace tv
