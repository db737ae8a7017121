#include "burning/stream_ex.h"

#include <gtest/gtest.h>

#include <system_error>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

TEST(StreamEx, FileStreamsCreateReadWriteAndSeekBeyondFourGibibytes) {
    test::TempFolder folder;
    const std::string path = (folder / "image.iso").string();
    {
        TFileStreamEx stream(path, TFileStreamEx::kCreate);
        EXPECT_EQ(stream.Write("abcdef", 6), 6);
        EXPECT_EQ(stream.Size(), 6);
        EXPECT_EQ(stream.Position(), 6);  // Size seeks back
        stream.SetSize(0x100000002ll);    // sparse, past 32 bits
        EXPECT_EQ(stream.Size(), 0x100000002ll);
        EXPECT_EQ(stream.Seek(0x100000000ll, TStreamEx::Origin::Begin), 0x100000000ll);
        EXPECT_EQ(stream.Write("xy", 2), 2);
    }
    TFileStreamEx reader(path, TFileStreamEx::kOpenReadShared);
    char buffer[8] = {};
    EXPECT_EQ(reader.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(reader.Seek(-2, TStreamEx::Origin::End), 0x100000000ll);
    EXPECT_EQ(reader.Read(buffer, 8), 2);  // only what is there
    EXPECT_EQ(std::string(buffer, 2), "xy");
    EXPECT_EQ(reader.Write("z", 1), 0);  // opened for reading: the write fails
}

TEST(StreamEx, AFileThatCannotBeOpenedThrowsWithItsName) {
    test::TempFolder folder;
    try {
        TFileStreamEx stream((folder / "missing.mp3").string(), TFileStreamEx::kOpenReadShared);
        FAIL();
    } catch (const std::system_error& error) {
        EXPECT_NE(std::string(error.what()).find("missing.mp3"), std::string::npos);
    }
}

}  // namespace
}  // namespace tv
