#include "tools/folder_scan.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

using test::TempFolder;
using test::WriteBytes;

std::vector<std::string> Scan(const std::filesystem::path& root, AudioTypes types = {},
                              const std::function<bool()>& beforeEntry = {}) {
    std::vector<std::string> found;
    ScanAudioFolder(root.string(), types, beforeEntry,
                    [&](const std::string& path) { found.push_back(path); });
    std::sort(found.begin(), found.end());
    return found;
}

TEST(CountsAsAudioFile, LooksForTheExtensionAnywhereInTheName) {
    const AudioTypes all;
    EXPECT_TRUE(CountsAsAudioFile("song.mp3", all));
    EXPECT_TRUE(CountsAsAudioFile("SONG.Mp3", all));
    EXPECT_TRUE(CountsAsAudioFile("a.mp3.bak", all));
    EXPECT_TRUE(CountsAsAudioFile("x.wma", all));
    EXPECT_TRUE(CountsAsAudioFile("x.WAV", all));
    EXPECT_FALSE(CountsAsAudioFile("mp3", all));
    EXPECT_FALSE(CountsAsAudioFile("song.ogg", all));
    EXPECT_FALSE(CountsAsAudioFile("x.wav", AudioTypes{true, true, false}));
    EXPECT_TRUE(CountsAsAudioFile("x.wav.mp3", AudioTypes{true, false, false}));
}

TEST(ScanAudioFolder, WalksEverySubfolderButThoseBeginningWithADot) {
    TempFolder folder;
    const auto root = folder / "Musik";
    std::filesystem::create_directories(root / "A b" / "Ä ö");
    std::filesystem::create_directories(root / ".versteckt");
    WriteBytes(root / "eins.mp3", "x");
    WriteBytes(root / ".hidden.mp3", "x");  // hidden files count
    WriteBytes(root / "A b" / "zwei \"quoted\"; semi.MP3", "x");
    WriteBytes(root / "A b" / "Ä ö" / "drei.wav", "x");
    WriteBytes(root / "A b" / "cover.jpg", "x");
    WriteBytes(root / ".versteckt" / "nie.mp3", "x");
    const std::string r = root.string();
    EXPECT_EQ(Scan(root),
              (std::vector<std::string>{r + "/.hidden.mp3", r + "/A b/zwei \"quoted\"; semi.MP3",
                                        r + "/A b/Ä ö/drei.wav", r + "/eins.mp3"}));
    EXPECT_EQ(Scan(root, AudioTypes{true, true, false}).size(), 3u);
}

TEST(ScanAudioFolder, LinksIntoTheTreeEnterEachFolderOnce) {
    TempFolder folder;
    const auto root = folder / "Musik";
    std::filesystem::create_directories(root / "sub");
    WriteBytes(root / "sub" / "a.mp3", "x");
    WriteBytes(folder / "elsewhere.mp3", "x");
    std::filesystem::create_directory_symlink("..", root / "sub" / "loop");   // a cycle
    std::filesystem::create_directory_symlink(root / "sub", root / "again");  // a second way in
    std::filesystem::create_symlink(folder / "elsewhere.mp3", root / "link.mp3");  // a file
    std::filesystem::create_symlink(folder / "nothing.mp3", root / "broken.mp3");  // no file
    const auto found = Scan(root);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found.back(), (root / "link.mp3").string());
    EXPECT_TRUE(found.front() == (root / "sub" / "a.mp3").string() ||
                found.front() == (root / "again" / "a.mp3").string());
}

// A named pipe, a socket or a device called "x.mp3" is no song: reading it would
// block (or never end), so the scan never counts it.
TEST(ScanAudioFolder, CountsRegularFilesOnly) {
    TempFolder folder;
    const auto root = folder / "Musik";
    std::filesystem::create_directories(root);
    ASSERT_EQ(::mkfifo((root / "pipe.mp3").c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", root / "zero.mp3");
    std::filesystem::create_symlink(root / "pipe.mp3", root / "link-to-pipe.mp3");
    WriteBytes(root / "song.mp3", "x");
    EXPECT_EQ(Scan(root), std::vector<std::string>{(root / "song.mp3").string()});
}

// Names are bytes: one that is not UTF-8 is passed on exactly as the system has it.
TEST(ScanAudioFolder, NamesThatAreNotUtf8StayByteExact) {
    TempFolder folder;
    const std::string name = "B\xE4r \xFF.mp3";
    WriteBytes(folder / name, "x");
    EXPECT_EQ(Scan(folder.Path()), std::vector<std::string>{folder.Path().string() + "/" + name});
}

TEST(ScanAudioFolder, MissingFoldersAndFoldersRemovedDuringTheScanGiveWhatWasFound) {
    TempFolder folder;
    EXPECT_TRUE(Scan(folder / "none").empty());
    WriteBytes(folder / "file.mp3", "x");
    EXPECT_TRUE(Scan(folder / "file.mp3").empty());

    // A folder removed before the walk reaches it gives nothing; the rest is found.
    const auto root = folder / "Musik";
    std::filesystem::create_directories(root / "weg");
    std::filesystem::create_directories(root / "bleibt");
    for (int i = 0; i < 5; ++i) {
        WriteBytes(root / "weg" / (std::to_string(i) + ".mp3"), "x");
        WriteBytes(root / "bleibt" / (std::to_string(i) + ".mp3"), "x");
    }
    bool removed = false;
    const auto found = Scan(root, {}, [&] {
        if (!removed) removed = std::filesystem::remove_all(root / "weg") > 0;
        return true;
    });
    std::vector<std::string> expected;
    for (int i = 0; i < 5; ++i)
        expected.push_back((root / "bleibt" / (std::to_string(i) + ".mp3")).string());
    EXPECT_EQ(found, expected);
}

TEST(ScanAudioFolder, StopsWhenAskedTo) {
    TempFolder folder;
    for (int i = 0; i < 20; ++i) WriteBytes(folder / (std::to_string(i) + ".mp3"), "x");
    int entries = 0;
    std::vector<std::string> found;
    EXPECT_FALSE(ScanAudioFolder(
        folder.Path().string(), {}, [&] { return ++entries <= 5; },
        [&](const std::string& path) { found.push_back(path); }));
    EXPECT_EQ(found.size(), 5u);
    EXPECT_EQ(entries, 6);
    EXPECT_TRUE(ScanAudioFolder(folder.Path().string(), {}, {}, [](const std::string&) {}));
}

TEST(ScanAudioFolder, DeepAndLongPathsAreWalked) {
    TempFolder folder;
    // Folders of 200-byte names down to the system's path limit, however long the
    // temporary folder's own path is.
    std::filesystem::path deep = folder / "Musik";
    const std::string longName(200, 'n');
    const std::string fileName = "tief.mp3";
    for (int level = 0; deep.native().size() + 1 + longName.size() + 3 + 1 + fileName.size() < PATH_MAX;
         ++level)
        deep /= longName + std::to_string(level);
    std::filesystem::create_directories(deep);
    WriteBytes(deep / fileName, "x");
    const auto found = Scan(folder / "Musik");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_GT(found.front().size(), std::size_t{PATH_MAX} - 220);
}

}  // namespace
}  // namespace tv
