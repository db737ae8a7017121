#include "tools/orphan_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged.h"

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
    test::TempFolder folder(test::TempFolder::Reach::EveryUser);
    ::chmod(folder.Path().c_str(), 0755);  // others may look in, but not into "zu"
    std::filesystem::create_directory(folder / "zu");
    test::WriteBytes(folder / "zu" / "a.mp3", "x");
    ::chmod((folder / "zu").c_str(), 0);
    const int result = test::RunUnprivileged([&] {
        OrphanCheck check;
        if (check.Check((folder / "zu" / "a.mp3").string()) != SongFileState::Unreachable) return 1;
        // The folder around it is searchable: there the same name is just missing.
        return check.Check((folder / "a.mp3").string()) == SongFileState::Missing ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
}

TEST(FolderOf, IsThePartBeforeTheLastSlash) {
    EXPECT_EQ(FolderOf("/a/b/c.mp3"), "/a/b");
    EXPECT_EQ(FolderOf("/c.mp3"), "/");
    EXPECT_EQ(FolderOf("c.mp3"), "");
}

}  // namespace
}  // namespace tv
