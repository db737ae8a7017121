#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

TEST(AtomicFile, ReplacesTheFileKeepingItsPermissions) {
    test::TempFolder folder;
    const auto path = folder / "L.TSV";
    test::WriteBytes(path, "old content that is longer");
    ::chmod(path.c_str(), 0640);
    WriteFileAtomically(path, "new");
    EXPECT_EQ(test::ReadBytes(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(AtomicFile, FollowsASymbolicLink) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "data");
    test::WriteBytes(folder / "data" / "real.tsv", "old");
    std::filesystem::create_symlink("data/real.tsv", folder / "L.TSV");
    WriteFileAtomically(folder / "L.TSV", "new");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "L.TSV"));
    EXPECT_EQ(test::ReadBytes(folder / "data" / "real.tsv"), "new");
}

TEST(AtomicFile, ReadsWholeFilesAndNamesWhatFailed) {
    test::TempFolder folder;
    const std::string big(3 << 20, 'q');
    test::WriteBytes(folder / "big", big);
    EXPECT_EQ(ReadWholeFile(folder / "big"), big);
    EXPECT_EQ(ReadWholeFile("/proc/self/comm").empty(), false);  // size unknown in advance
    try {
        ReadWholeFile(folder / "none");
        FAIL();
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code(), std::errc::no_such_file_or_directory);
        EXPECT_NE(std::string(error.what()).find("none"), std::string::npos);
    }
}

TEST(AtomicFile, ANewFileNeverReplacesAnythingOfItsName) {
    test::TempFolder folder;
    WriteNewFileAtomically(folder / "L.TSV.neu", "first");
    EXPECT_EQ(test::ReadBytes(folder / "L.TSV.neu"), "first");
    std::filesystem::create_symlink(folder / "nowhere", folder / "dangling");
    for (const auto& name : {"L.TSV.neu", "dangling"}) {
        try {
            WriteNewFileAtomically(folder / name, "second");
            ADD_FAILURE() << name;
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code(), std::errc::file_exists);
        }
    }
    EXPECT_EQ(test::ReadBytes(folder / "L.TSV.neu"), "first");
    EXPECT_FALSE(std::filesystem::exists(folder / "nowhere"));
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              2);
}

}  // namespace
}  // namespace tv
