// Where the lists and settings live: beside a writable program, else in the
// user's XDG data folder.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/data_folder.h"
#include "tests/support/temp_folder.h"
#include "tests/support/unprivileged.h"

using namespace tv;
using tv::test::TempFolder;

TEST(DataFolder, AWritableProgramFolderKeepsTheData) {
    TempFolder program;
    EXPECT_EQ(ChooseDataFolder(program.Path(), "/nirgends", "/nirgends"), program.Path());
}

TEST(DataFolder, AnInstalledProgramKeepsItsDataInTheXdgFolder) {
    TempFolder home;
    const std::filesystem::path installed = home / "usr-bin-gibt-es-nicht";
    const std::string xdg = (home / "xdg").string();
    EXPECT_EQ(ChooseDataFolder(installed, xdg.c_str(), home.Path().c_str()),
              home / "xdg" / "tunevault");
    EXPECT_TRUE(std::filesystem::is_directory(home / "xdg" / "tunevault"));
    // A relative XDG_DATA_HOME does not count; nor an empty one.
    for (const char* ignored : {"relativ/pfad", "", static_cast<const char*>(nullptr)})
        EXPECT_EQ(ChooseDataFolder(installed, ignored, home.Path().c_str()),
                  home / ".local" / "share" / "tunevault");
    EXPECT_THROW(ChooseDataFolder(installed, nullptr, nullptr), std::filesystem::filesystem_error);
    // A file where the folder should be.
    TempFolder other;
    tv::test::WriteBytes(other / "tunevault", "keine Mappe");
    const std::string blocked = other.Path().string();
    EXPECT_THROW(ChooseDataFolder(installed, blocked.c_str(), nullptr),
                 std::filesystem::filesystem_error);
}

TEST(DataFolder, AReadOnlyProgramFolderIsLeftAlone) {
    TempFolder home(TempFolder::Reach::EveryUser);
    ::chmod(home.Path().c_str(), 0777);  // the ordinary user makes its data folder here
    std::filesystem::create_directories(home / "bin");
    ::chmod((home / "bin").c_str(), 0555);
    const int result = tv::test::RunUnprivileged([&] {
        try {
            return ChooseDataFolder(home / "bin", nullptr, home.Path().c_str()) ==
                           home / ".local" / "share" / "tunevault"
                       ? 0
                       : 1;
        } catch (const std::exception&) {
            return 2;
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(std::filesystem::is_directory(home / ".local" / "share" / "tunevault"));
}
