#include "tools/orphan_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

TEST(OrphanCheck, TellsPresentMissingAndUnreachableFilesApart) {
    test::TempFolder folder;
    test::WriteBytes(folder / "da.mp3", "x");
    std::filesystem::create_directory(folder / "ordner.mp3");
    ::mkfifo((folder / "pipe.mp3").c_str(), 0600);
    OrphanCheck check;
    EXPECT_EQ(check.Check((folder / "da.mp3").string()), SongFileState::Present);
    EXPECT_EQ(check.Check((folder / "pipe.mp3").string()), SongFileState::Present);
    EXPECT_EQ(check.Check((folder / "weg.mp3").string()), SongFileState::Missing);
    EXPECT_EQ(check.Check((folder / "ordner.mp3").string()), SongFileState::Missing);
    EXPECT_EQ(check.Check(""), SongFileState::Missing);
    EXPECT_EQ(check.Check((folder / "weg" / "a.mp3").string()), SongFileState::Unreachable);
    EXPECT_EQ(check.Check("/media/nicht-eingesteckt/a.mp3"), SongFileState::Unreachable);
    EXPECT_EQ(check.Check((folder / "da.mp3" / "a.mp3").string()), SongFileState::Unreachable);
}

TEST(OrphanCheck, AFolderThatCannotBeSearchedIsUnreachable) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "zu");
    ::chmod((folder / "zu").c_str(), 0);
    OrphanCheck check;
    EXPECT_EQ(check.Check((folder / "zu" / "a.mp3").string()), SongFileState::Unreachable);
}

TEST(FolderOf, IsThePartBeforeTheLastSlash) {
    EXPECT_EQ(FolderOf("/a/b/c.mp3"), "/a/b");
    EXPECT_EQ(FolderOf("/c.mp3"), "/");
    EXPECT_EQ(FolderOf("c.mp3"), "");
}

}  // namespace
}  // namespace tv
