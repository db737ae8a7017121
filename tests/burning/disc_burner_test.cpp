// The burner's file tree on real files, and its drive queries against the
// simulated recorder.

#include "burning/disc_burner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

#include "burning/burn_job.h"
#include "tests/drive/recorder_fixture.h"
#include "tests/support/temp_folder.h"
#include "tests/support/write_limit.h"

namespace tv {
namespace {

using test::TempFolder;
using test::WriteBytes;

struct Burner {
    Burner() : layer(std::make_shared<test::NoDrives>()), burner(layer) {
        burner.OnDebugMessage = [this](TSCSIDevice&, const std::string& m, std::uint8_t type) {
            messages.push_back(m);
            types.push_back(type);
        };
    }
    std::string File(const std::string& name, std::size_t size = 10) {
        const auto path = folder / name;
        std::filesystem::create_directories(path.parent_path());
        WriteBytes(path, std::string(size, 'x'));
        return path.string();
    }
    TempFolder folder;
    DriveLayer layer;
    TDiscBurner burner;
    std::vector<std::string> messages;
    std::vector<std::uint8_t> types;
};

TEST(DiscBurner, HasItsDefaults) {
    Burner b;
    EXPECT_EQ(b.burner.CacheSize(), 4194304u);
    EXPECT_TRUE(b.burner.JolietFileSystem);
    EXPECT_TRUE(b.burner.FinalizeTrack);
    EXPECT_TRUE(b.burner.UnderrunProtection);
    EXPECT_TRUE(b.burner.WritePostGap);
    EXPECT_EQ(b.burner.Version(), "1.21");
    b.burner.SetCacheSize(1000000);
    EXPECT_EQ(b.burner.CacheSize(), 2097152u);
    b.burner.SetCacheSize(5000000);
    EXPECT_EQ(b.burner.CacheSize(), 4999168u);
    EXPECT_EQ(b.burner.Root().ShortName, "CD_ROOT");
    EXPECT_EQ(b.burner.Root().LongName, "CD Root Directory");
    EXPECT_EQ(b.burner.FindDir(""), &b.burner.Root());
    EXPECT_EQ(b.burner.FindDir("\\"), &b.burner.Root());
}

TEST(DiscBurner, InsertFileReportsWhatHappened) {
    Burner b;
    const std::string song = b.File("Song.mp3");
    EXPECT_EQ(b.burner.InsertFile("\\", song, false), 1);
    EXPECT_EQ(b.burner.InsertFile("\\", song, false), 1);  // the same name again: nothing added
    EXPECT_EQ(b.burner.Files().size(), 1u);
    EXPECT_EQ(b.burner.InsertFile("\\", (b.folder / "gone.mp3").string(), false), 255);
    EXPECT_EQ(b.burner.InsertFile("\\NOWHERE", song, false), 0);
    EXPECT_EQ(b.messages.back(), "INVALID DESTINATION PATH");
    EXPECT_EQ(b.types.back(), 4);

    WriteBytes(b.folder / "Song.mp3", std::string(99, 'y'));
    b.burner.ReplaceFile = true;
    EXPECT_EQ(b.burner.InsertFile("\\", song, false), 1);
    EXPECT_EQ(b.burner.Files().size(), 1u);
    EXPECT_EQ(b.burner.Files()[0]->IsoLength, 99u);  // overwritten in place
}

TEST(DiscBurner, NamesWithoutExtensionGetADot) {
    Burner b;
    b.burner.InsertFile("\\", b.File("README"), false);
    const TFEntry& entry = *b.burner.Files().at(0);
    EXPECT_EQ(entry.LongName, "README.");
    EXPECT_EQ(entry.ShortName, "README.");
}

TEST(DiscBurner, ShortNamesAreUniqueInTheDestination) {
    Burner b;
    b.burner.InsertFile("\\", b.File("one/Langer Titel.mp3"), false);
    b.burner.InsertFile("\\", b.File("two/Langer Titel!.mp3"), false);
    b.burner.InsertFile("\\", b.File("three/Langer Titel?.mp3"), false);
    std::set<std::string> names;
    for (const auto& f : b.burner.Files()) names.insert(f->ShortName);
    EXPECT_EQ(names, (std::set<std::string>{"LANGER~1.MP3", "LANGER~2.MP3", "LANGER~3.MP3"}));
}

TEST(DiscBurner, LongNamesArePresetToSkipFrom110Characters) {
    Burner b;
    std::vector<bool> skips;
    b.burner.OnAddFile = [&](TDiscBurner&, const std::string&, std::string&, std::string&,
                             TDateTime&, std::uint32_t, std::uint64_t,
                             bool& skip) { skips.push_back(skip); };
    b.burner.InsertFile("\\", b.File(std::string(105, 'a') + ".mp3"), false);  // 109 characters
    b.burner.InsertFile("\\", b.File(std::string(106, 'b') + ".mp3"), false);  // 110
    EXPECT_EQ(skips, (std::vector<bool>{false, true}));
    // 109 characters fit the component's preset but not a Joliet record: refused;
    // the preset's skip is reported as well, never silent.
    EXPECT_TRUE(b.burner.Files().empty());
    ASSERT_GE(b.messages.size(), 2u);
    EXPECT_NE(b.messages[b.messages.size() - 2].find("TOO LONG FOR JOLIET"), std::string::npos);
    EXPECT_EQ(b.messages.back().find(">>> SKIPING; FILE NAME LENGTH >= 110 "), 0u);
    EXPECT_EQ(b.burner.LastInsertOutcome(), TDiscBurner::InsertOutcome::LeftOut);
}

TEST(DiscBurner, TheAddFileEventMayRenameAndSkip) {
    Burner b;
    b.burner.OnAddFile = [](TDiscBurner&, const std::string& path, std::string& longName,
                            std::string& shortName, TDateTime&, std::uint32_t attributes,
                            std::uint64_t size, bool& skip) {
        EXPECT_EQ(size, 10u);
        if (path.ends_with("skip.mp3")) skip = true;
        if (path.ends_with("rename.mp3")) {
            longName = "Neuer Name.mp3";
            shortName = "neuer.mp3";
        }
        if (path.ends_with(".hidden.mp3")) {
            EXPECT_EQ(attributes, kAttributeHidden);
        }
    };
    b.burner.InsertFile("\\", b.File("skip.mp3"), false);
    b.burner.InsertFile("\\", b.File("rename.mp3"), false);
    b.burner.InsertFile("\\", b.File(".hidden.mp3"), false);
    ASSERT_EQ(b.burner.Files().size(), 2u);
    EXPECT_EQ(b.burner.Files()[0]->LongName, "Neuer Name.mp3");
    EXPECT_EQ(b.burner.Files()[0]->ShortName, "NEUER.MP3");
    EXPECT_EQ(b.burner.Files()[1]->Attributes, kAttributeHidden);
}

TEST(DiscBurner, FilesOfFourGibibytesOrMoreAreRefused) {
    Burner b;
    const auto big = b.folder / "huge.mp3";
    WriteBytes(big, "");
    std::filesystem::resize_file(big, 0x100000000ull);  // sparse
    EXPECT_EQ(b.burner.InsertFile("\\", big.string(), false), 1);
    EXPECT_TRUE(b.burner.Files().empty());
    EXPECT_EQ(b.messages.back(), ">>> SKIPING; FILE SIZE >= 4 GB " + big.string());
}

TEST(DiscBurner, TheFileCapacityIsEnforced) {
    Burner b;
    b.burner.ResetImage(3, 8191);
    for (int i = 0; i < 4; ++i)
        b.burner.InsertFile("\\", b.File("f" + std::to_string(i) + ".mp3"), false);
    EXPECT_EQ(b.burner.Files().size(), 3u);
    EXPECT_EQ(b.messages.back(), "MAXIMUM FILES CAN BE 3");
    EXPECT_EQ(b.types.back(), 3);
    b.burner.ResetImage(10, 2);
    b.burner.InsertFile("", b.File("a/b/c.mp3"), true);
    EXPECT_NE(std::find(b.messages.begin(), b.messages.end(), ">>> MAXIMUM DIRECTORIES CAN BE 2"),
              b.messages.end());
}

TEST(DiscBurner, KeptPathsCreateTheirFolders) {
    Burner b;
    const std::string song = b.File("Alben/Live 1999/song.mp3");
    EXPECT_EQ(b.burner.InsertFile("", song, true), 1);
    const std::string path = std::filesystem::path(song).parent_path().string();
    TDEntry* live = nullptr;
    for (const auto& d : b.burner.Directories())
        if (d->LongName == "Live 1999") live = d.get();
    ASSERT_NE(live, nullptr);
    EXPECT_EQ(b.burner.FindDir(live->Path + "\\"), live);
    EXPECT_EQ(live->Children.size(), 1u);
    EXPECT_EQ(live->Parent->LongName, "Alben");
    EXPECT_TRUE(live->Path.ends_with("\\ALBEN\\LIVE 1999"));
}

TEST(DiscBurner, ImageSectorsHaveAPostGap) {
    Burner b;
    b.burner.InsertFile("\\", b.File("a.mp3", 50 * 2048), false);
    b.burner.PrepareImage();
    EXPECT_EQ(b.burner.Layout().SectorsToWrite, 200u);
    EXPECT_EQ(b.burner.ImageSectors(), 300u);
    b.burner.WritePostGap = false;
    EXPECT_EQ(b.burner.ImageSectors(), 200u);
    b.burner.BuildImageHeader();
    EXPECT_EQ(b.burner.HeaderStream().size(), 150u * 2048);
    EXPECT_EQ(b.burner.DescriptorCopy().size(), 65537u);
    EXPECT_EQ(b.burner.DescriptorCopy()[16 * 2048], 1);
    EXPECT_EQ(b.burner.DescriptorCopy()[19 * 2048], 0xFF);  // behind the descriptors
}

TEST(BurnJob, TheImageFileHoldsHeaderDataZeroPaddingAndPostGap) {
    Burner b;
    b.burner.InsertFile("\\", b.File("a.mp3", 3000), false);
    b.burner.InsertFile("\\", b.File("b.mp3", 2048), false);
    b.burner.PrepareImage();
    b.burner.BuildImageHeader();
    std::string error;
    const std::string image = (b.folder / "out.iso").string();
    ASSERT_TRUE(WriteImageFile(b.burner, image, error)) << error;
    const std::string bytes = test::ReadBytes(image);
    ASSERT_EQ(bytes.size(), 300u * 2048);  // the post-gap fills the session to 300 sectors
    EXPECT_EQ(bytes.substr(150 * 2048, 3000), std::string(3000, 'x'));
    EXPECT_EQ(bytes.substr(150 * 2048 + 3000, 2 * 2048 - 3000), std::string(2 * 2048 - 3000, '\0'));
    EXPECT_EQ(bytes.substr(152 * 2048, 2048), std::string(2048, 'x'));
    EXPECT_EQ(bytes.substr(153 * 2048), std::string(147 * 2048, '\0'));

    // A file that shrank after it was added fails the image with its name.
    test::WriteBytes(b.folder / "b.mp3", "short");
    EXPECT_FALSE(WriteImageFile(b.burner, image, error));
    EXPECT_NE(error.find("b.mp3"), std::string::npos);
    std::filesystem::remove(b.folder / "a.mp3");
    EXPECT_FALSE(WriteImageFile(b.burner, image, error));
    EXPECT_NE(error.find("CAN'T OPEN FILE"), std::string::npos);
}

// An image that cannot be written to its end (the file size limit of a child
// process) over an existing file: false with the reason, the old bytes stay, no
// temporary file is left.
TEST(BurnJob, AnImageFailingPartWayKeepsTheOldFile) {
    Burner b;
    b.burner.InsertFile("\\", b.File("a.mp3", 3 << 20), false);
    b.burner.PrepareImage();
    b.burner.BuildImageHeader();
    const auto image = b.folder / "alt.iso";
    test::WriteBytes(image, "alt");
    const auto before = test::NamesIn(b.folder.Path());
    const int result = test::RunWithFileSizeLimit(1 << 20, [&] {
        std::string error;
        if (WriteImageFile(b.burner, image.string(), error)) return 1;
        return error.empty() ? 2 : 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::ReadBytes(image), "alt");
    EXPECT_EQ(test::NamesIn(b.folder.Path()), before);
}

TEST(BurnJob, SkipRules) {
    Burner b;
    bool skip = false;
    SkipUnburnableFile(b.burner, b.File("ok.mp3"), std::string(107, 'n'), skip);
    EXPECT_FALSE(skip);
    SkipUnburnableFile(b.burner, "/no/such/file.mp3", "file.mp3", skip);
    EXPECT_TRUE(skip);
    EXPECT_EQ(b.messages.back(), ">>> SKIPING; FILE IS IN USE /no/such/file.mp3");
    skip = false;
    SkipUnburnableFile(b.burner, b.File("ok.mp3"), std::string(108, 'n'), skip);
    EXPECT_TRUE(skip);
    EXPECT_EQ(b.messages.back(),
              ">>> SKIPING; FILE NAME LENGTH > 107 " + (b.folder / "ok.mp3").string());
}

// Identifiers are unique as they are written: a name without extension gets its
// "." before the check, not after it.
TEST(DiscBurner, IsoIdentifiersAreUniqueAsWritten) {
    Burner b;
    b.burner.InsertFile("\\", b.File("a b"), false);   // alias AB~1.
    b.burner.InsertFile("\\", b.File("ab~1"), false);  // a valid 8.3 name, also AB~1.
    b.burner.InsertFile("\\", b.File("x/AB~1."), false);
    std::set<std::string> names;
    for (const auto& f : b.burner.Files()) names.insert(f->ShortName);
    EXPECT_EQ(names.size(), b.burner.Files().size());
    // "AB~1." names the same long name as "ab~1.": another file, so it goes on the
    // disc under a numbered name.
    ASSERT_EQ(b.burner.Files().size(), 3u);
    EXPECT_EQ(b.burner.Files()[2]->LongName, "AB~1 (2).");
}

// Joliet carries no control characters and none of * / : ; ? \; names that become
// equal that way (or differ only in case) are numbered, and the renaming is logged
// on one line.
TEST(DiscBurner, JolietNamesAreSafeAndUniqueWithoutRegardToCase) {
    Burner b;
    b.burner.InsertFile("\\", b.File("eins/a?b.mp3"), false);
    b.burner.InsertFile("\\", b.File("zwei/A*B.mp3"), false);
    b.burner.InsertFile("\\", b.File("drei/a:b.mp3"), false);
    b.burner.InsertFile("\\", b.File("vier/Zeile\nneu;\t.mp3"), false);
    b.burner.InsertFile("\\", b.File("fuenf/Gr\xFC\xDF \x81.mp3"), false);  // not UTF-8
    ASSERT_EQ(b.burner.Files().size(), 5u);
    EXPECT_EQ(b.burner.Files()[0]->LongName, "a_b.mp3");
    EXPECT_EQ(b.burner.Files()[1]->LongName, "A_B (2).mp3");
    EXPECT_EQ(b.burner.Files()[2]->LongName, "a_b (3).mp3");
    EXPECT_EQ(b.burner.Files()[3]->LongName, "Zeile_neu__.mp3");
    EXPECT_EQ(b.burner.Files()[4]->LongName, "Grüß _.mp3");
    EXPECT_EQ(b.messages.at(0), ">>> JOLIET NAME \"A_B.mp3\" IS TAKEN; WRITTEN AS \"A_B (2).mp3\"");
    for (const std::string& message : b.messages) EXPECT_EQ(message.find('\n'), std::string::npos);
    b.burner.PrepareImage();
    b.burner.BuildImageHeader();  // no identifier longer than its record
}

// Every limit counts the name as the Joliet tree writes it: a byte that is not
// UTF-8 is a character of its own there.
TEST(DiscBurner, NameLimitsCountCharactersAsWritten) {
    Burner b;
    std::vector<bool> skips;
    b.burner.OnAddFile = [&](TDiscBurner&, const std::string&, std::string&, std::string&,
                             TDateTime&, std::uint32_t, std::uint64_t,
                             bool& skip) { skips.push_back(skip); };
    // 106 stray continuation bytes and ".mp3": 110 characters on the disc.
    b.burner.InsertFile("\\", b.File(std::string(106, '\x80') + ".mp3"), false);
    EXPECT_EQ(skips, std::vector<bool>{true});
    bool skip = false;
    SkipUnburnableFile(b.burner, b.File("ok.mp3"), std::string(104, '\xA0') + ".mp3", skip);
    EXPECT_TRUE(skip);  // 108 characters
    // Folders: a record of at most 255 bytes, levels within a byte.
    EXPECT_NE(b.burner.AddDirectory(b.burner.Root(), std::string(110, 'd'), 0), nullptr);
    EXPECT_EQ(b.burner.AddDirectory(b.burner.Root(), std::string(111, 'e'), 0), nullptr);
    std::string umlauts;
    for (int i = 0; i < 110; ++i) umlauts += "ä";
    // 110 Latin-1 bytes: 110 characters, written as "ä".
    EXPECT_EQ(b.burner.AddDirectory(b.burner.Root(), std::string(110, '\xE4'), 0)->LongName,
              umlauts);
    TDEntry* level = &b.burner.Root();
    for (int i = 2; i <= 255; ++i) level = b.burner.AddDirectory(*level, "x", 0);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->Level, 255);
    EXPECT_EQ(b.burner.AddDirectory(*level, "tiefer", 0), nullptr);
    EXPECT_EQ(b.burner.AddDirectory(b.burner.Root(), "..", 0), nullptr);
    b.burner.PrepareImage();
    b.burner.BuildImageHeader();
    // Only 65,535 directories can be numbered.
    b.burner.ResetImage(65535, 100000);
    int added = 0;
    while (b.burner.AddDirectory(b.burner.Root(), std::to_string(added), 0) != nullptr) ++added;
    EXPECT_EQ(added, 65534);  // and the root
    EXPECT_EQ(b.messages.back(), ">>> MAXIMUM DIRECTORIES CAN BE 65535");
}

TEST(DiscBurner, OnlyRegularFilesAreInserted) {
    Burner b;
    std::filesystem::create_directory(b.folder / "Ordner");
    ASSERT_EQ(::mkfifo((b.folder / "pipe.mp3").c_str(), 0644), 0);
    EXPECT_EQ(b.burner.InsertFile("\\", (b.folder / "Ordner").string(), false), 255);
    EXPECT_EQ(b.messages.back(),
              ">>> SKIPING; NOT A FILE BUT A FOLDER " + (b.folder / "Ordner").string());
    EXPECT_EQ(b.burner.InsertFile("\\", (b.folder / "pipe.mp3").string(), false), 255);
    EXPECT_EQ(b.messages.back(),
              ">>> SKIPING; NOT A REGULAR FILE " + (b.folder / "pipe.mp3").string());
    EXPECT_EQ(b.burner.InsertFile("\\", "/dev/null", false), 255);
    EXPECT_TRUE(b.burner.Files().empty());
    EXPECT_FALSE(b.burner.LastFileAdded());
    EXPECT_EQ(b.burner.InsertFile("\\", b.File("song.mp3"), false), 1);
    EXPECT_TRUE(b.burner.LastFileAdded());
    // The in-use check opens without blocking: a FIFO is "in use".
    bool skip = false;
    SkipUnburnableFile(b.burner, (b.folder / "pipe.mp3").string(), "pipe.mp3", skip);
    EXPECT_TRUE(skip);
}

TEST(DiscBurner, KeptPathsNeverMakeFoldersNamedDotOrDotDot) {
    Burner b;
    b.File("a/b/song.mp3");
    std::filesystem::create_directory(b.folder / "a" / "x");
    const std::string odd = (b.folder / "a" / "." / "x" / ".." / "b" / "song.mp3").string();
    EXPECT_EQ(b.burner.InsertFile("", odd, true), 1);
    for (const auto& d : b.burner.Directories()) {
        EXPECT_NE(d->LongName, ".");
        EXPECT_NE(d->LongName, "..");
        EXPECT_NE(d->LongName, "x");
    }
    EXPECT_EQ(b.burner.Directories().back()->LongName, "b");
    EXPECT_EQ(b.burner.Directories().back()->Parent->LongName, "a");
}

// The header always describes the tree as it is: a layout computed for another
// tree, or with the other Joliet setting, is computed again.
TEST(DiscBurner, TheHeaderNeverUsesAStaleLayout) {
    Burner b;
    b.burner.InsertFile("\\", b.File("a.mp3", 5000), false);
    b.burner.PrepareImage();
    EXPECT_EQ(b.burner.ImageSectors(), 300u);
    b.burner.InsertFile("\\", b.File("b.mp3", 700000), false);
    b.burner.InsertFile("", b.File("tief/c.mp3", 10), true);
    EXPECT_EQ(b.burner.ImageSectors(), 0u);  // the tree changed: no size yet
    b.burner.JolietFileSystem = false;
    ASSERT_TRUE(b.burner.BuildImageHeader());
    EXPECT_EQ(b.burner.HeaderStream().size(),
              std::size_t{b.burner.FirstFileLocation()} * kSectorSize);
    EXPECT_EQ(b.burner.Layout().JolietDescriptor, 0u);
    EXPECT_EQ(b.burner.Layout().Files.size(), b.burner.Files().size());
    EXPECT_EQ(b.burner.ImageSectors(), 150u + 3 + 342 + 1);
    b.burner.JolietFileSystem = true;
    b.burner.BuildImageHeader();
    EXPECT_NE(b.burner.Layout().JolietDescriptor, 0u);

    b.burner.ResetImage(65535, 8191);
    EXPECT_EQ(b.burner.ImageSectors(), 0u);  // never the last job's size
    EXPECT_TRUE(b.burner.HeaderStream().empty());
}

// Directory record dates are the files' UTC times shown with the tree's one GMT
// offset, winter and summer files alike.
TEST(DiscBurner, RecordDatesAgreeWithTheirOffsetAcrossDaylightSaving) {
    const char* oldZone = std::getenv("TZ");
    const std::string saved = oldZone ? oldZone : "";
    ::setenv("TZ", "Europe/Berlin", 1);
    ::tzset();
    {
        Burner b;
        b.burner.ResetImage(65535, 8191);
        struct Case {
            const char* Name;
            std::time_t Utc;  // 2006-01-15 12:00:00 and 2006-07-15 12:00:00 UTC
        };
        const Case cases[] = {{"winter.mp3", 1137326400}, {"summer.mp3", 1152964800}};
        for (const Case& c : cases) {
            const std::string path = b.File(c.Name);
            const timespec times[2] = {{c.Utc, 0}, {c.Utc, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
            b.burner.InsertFile("\\", path, false);
        }
        b.burner.JolietFileSystem = false;
        b.burner.PrepareImage();
        b.burner.BuildImageHeader();
        const auto& header = b.burner.HeaderStream();
        const std::uint8_t* root =
            header.data() + std::size_t{b.burner.Layout().IsoDirectoryArea} * 2048;
        const std::uint8_t* record = root + 68;
        for (const Case& c : cases) {
            std::tm shown{};
            shown.tm_year = record[18];
            shown.tm_mon = record[19] - 1;
            shown.tm_mday = record[20];
            shown.tm_hour = record[21];
            shown.tm_min = record[22];
            shown.tm_sec = record[23];
            const auto offset = static_cast<std::int8_t>(record[24]);
            EXPECT_EQ(offset, b.burner.GmtOffset()) << c.Name;
            EXPECT_EQ(::timegm(&shown) - offset * 15 * 60, c.Utc) << c.Name;
            record += record[0];
        }
    }
    if (oldZone)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST(DiscBurner, TheNextSessionFollowsTheLastOnTheDisc) {
    test::RecorderBench bench(MediumKind::CdR);
    bench.recorder->RecordSession(5000);
    TDiscBurner burner(bench.layer);
    burner.SetDevice(burner.DeviceList().front());
    TempFolder folder;
    WriteBytes(folder / "a.mp3", "abc");
    burner.InsertFile("\\", (folder / "a.mp3").string(), false);
    burner.PrepareImage(true);
    EXPECT_EQ(burner.BurnDiscType(), dtCdR);
    EXPECT_EQ(burner.NextWritableAddress(), 5000u + 11400u);
    EXPECT_EQ(burner.Layout().PrimaryDescriptor, 16416u);

    test::RecorderBench plus(MediumKind::DvdPlusRw);
    TDiscBurner rewritable(plus.layer);
    rewritable.SetDevice(rewritable.DeviceList().front());
    EXPECT_EQ(rewritable.FindVolumeSize(), 0u);
    std::vector<std::uint8_t> descriptor(2048, 0);
    descriptor[0] = 1;
    std::memcpy(descriptor.data() + 1, "CD001", 5);
    descriptor[80] = 0x34;
    descriptor[81] = 0x12;
    ASSERT_TRUE(rewritable.Write10(16, 1, descriptor.data(), 2048));
    ASSERT_TRUE(rewritable.GetNextWritableAddress());
    EXPECT_EQ(rewritable.NextWritableAddress(), 0x1234u);
}

// Two albums that both hold "01 Intro.mp3": every file goes on the disc, the
// later ones under a numbered name (ISO and Joliet alike), each renaming on a log
// line; the same file named twice is on the disc once.
TEST(DiscBurner, FilesOfOneNameAreAllAdded) {
    Burner b;
    const std::string first = b.File("Album A/01 Intro.mp3", 100);
    b.burner.InsertFile("\\", first, false);
    b.burner.InsertFile("\\", b.File("Album B/01 Intro.mp3", 200), false);
    EXPECT_EQ(b.burner.LastInsertOutcome(), TDiscBurner::InsertOutcome::Added);
    EXPECT_EQ(b.messages.back(),
              ">>> FILE NAME \"01 Intro.mp3\" IS TAKEN; WRITTEN AS \"01 Intro (2).mp3\"");
    b.burner.InsertFile("\\", b.File("Album C/01 INTRO.MP3", 300), false);
    b.burner.InsertFile("\\", b.folder.Path().string() + "/Album A/../Album A/01 Intro.mp3", false);
    EXPECT_EQ(b.burner.LastInsertOutcome(), TDiscBurner::InsertOutcome::AlreadyThere);
    ASSERT_EQ(b.burner.Files().size(), 3u);
    EXPECT_EQ(b.burner.Files()[0]->LongName, "01 Intro.mp3");
    EXPECT_EQ(b.burner.Files()[1]->LongName, "01 Intro (2).mp3");
    EXPECT_EQ(b.burner.Files()[2]->LongName, "01 INTRO (3).MP3");
    EXPECT_EQ(b.burner.Files()[1]->IsoLength, 200u);
    std::set<std::string> shortNames;
    for (const auto& f : b.burner.Files()) shortNames.insert(f->ShortName);
    EXPECT_EQ(shortNames.size(), 3u);
    EXPECT_TRUE(b.burner.PrepareImage());
}

// Many files of one name are numbered without counting up from 2 for each.
TEST(DiscBurner, ManyFilesOfOneNameGetConsecutiveNumbers) {
    Burner b;
    for (int i = 0; i < 300; ++i)
        b.burner.InsertFile("\\", b.File("d" + std::to_string(i) + "/Titel.mp3"), false);
    ASSERT_EQ(b.burner.Files().size(), 300u);
    std::set<std::string> names;
    for (const auto& f : b.burner.Files()) names.insert(f->LongName);
    EXPECT_EQ(names.size(), 300u);
    EXPECT_EQ(b.burner.Files().back()->LongName, "Titel (300).mp3");
}

// A short name an OnAddFile handler chooses is checked like every other name: one
// too long for ISO 9660 leaves the file out with its reason; nothing throws.
TEST(DiscBurner, AHandlersShortNameIsChecked) {
    Burner b;
    b.burner.OnAddFile = [](TDiscBurner&, const std::string&, std::string&, std::string& shortName,
                            TDateTime&, std::uint32_t, std::uint64_t,
                            bool&) { shortName = std::string(40, 'S') + ".MP3"; };
    EXPECT_EQ(b.burner.InsertFile("\\", b.File("a.mp3"), false), 1);
    EXPECT_EQ(b.burner.LastInsertOutcome(), TDiscBurner::InsertOutcome::LeftOut);
    EXPECT_EQ(b.burner.LastSkipReason().find("SHORT NAME TOO LONG"), 0u);
    EXPECT_TRUE(b.burner.Files().empty());
    EXPECT_TRUE(b.burner.PrepareImage());
    EXPECT_TRUE(b.burner.BuildImageHeader());
}

// What keeps a drive from burning or erasing its disc, in words.
TEST(BurnJob, RefusalsNameTheirReason) {
    struct Case {
        const char* Name;
        std::function<void(SimulatedRecorder&)> Set;
        std::string Burn, Erase;
    };
    const Case cases[] = {
        {"a blank CD-R", [](SimulatedRecorder&) {}, "", "CD/DVD kann nicht gelöscht werden"},
        {"a CD-RW", [](SimulatedRecorder& r) { r.InsertMedium(MediumKind::CdRw); }, "", ""},
        {"no disc", [](SimulatedRecorder& r) { r.Eject(); }, "Im Laufwerk liegt keine CD/DVD.",
         "Im Laufwerk liegt keine CD/DVD."},
        {"an open tray", [](SimulatedRecorder& r) { r.OpenTray(); },
         "Die Schublade des Laufwerks ist offen.", "Die Schublade des Laufwerks ist offen."},
        {"a drive that only reads", [](SimulatedRecorder& r) { r.SetReadOnlyDrive(true); },
         "Das Laufwerk kann nur lesen, nicht brennen.", "Das Laufwerk kann nur lesen, nicht löschen."},
        {"a pressed disc", [](SimulatedRecorder& r) { r.InsertMedium(MediumKind::CdRom, 0, 900); },
         "Die eingelegte CD-ROM ist gepresst und kann nicht beschrieben werden.",
         "CD/DVD kann nicht gelöscht werden"},
        {"a closed disc", [](SimulatedRecorder& r) { r.RecordSession(1000, true); },
         "Die CD-R ist abgeschlossen; es kann nichts mehr hinzugefügt werden.",
         "CD/DVD kann nicht gelöscht werden"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        test::TempFolder folder;
        DriveLayer layer(std::make_shared<test::NoDrives>());
        layer.Clock().SetScale(0.0001);
        auto recorder = std::make_shared<SimulatedRecorder>(folder / "disc.img", &layer.Clock());
        recorder->InsertMedium(MediumKind::CdR);
        layer.AddSimulatedDrive("sim0", recorder);
        TDiscBurner burner(layer);
        ASSERT_TRUE(burner.InitializeASPI(true, ""));
        c.Set(*recorder);
        burner.SetDevice(burner.DeviceList().front());
        EXPECT_EQ(BurnRefusal(burner), c.Burn);
        EXPECT_EQ(EraseRefusal(burner), c.Erase);
    }
}

TEST(BurnJob, AnImageIsKnownByItsVolumeDescriptor) {
    Burner b;
    b.burner.InsertFile("\\", b.File("a.mp3", 5000), false);
    ASSERT_TRUE(b.burner.PrepareImageAt(0));
    ASSERT_TRUE(b.burner.BuildImageHeader());
    std::string error;
    ASSERT_TRUE(WriteImageFile(b.burner, (b.folder / "a.iso").string(), error)) << error;
    EXPECT_TRUE(HoldsIsoImage(b.folder / "a.iso"));
    EXPECT_FALSE(HoldsIsoImage(b.folder / "a.mp3"));
    EXPECT_FALSE(HoldsIsoImage(b.folder / "none.iso"));
    ASSERT_EQ(::mkfifo((b.folder / "pipe.iso").c_str(), 0600), 0);
    EXPECT_FALSE(HoldsIsoImage(b.folder / "pipe.iso"));  // refused, never waited for
    // The image writer never replaces one of its inputs, nor a FIFO.
    EXPECT_FALSE(WriteImageFile(b.burner, (b.folder / "a.mp3").string(), error,
                                {.Inputs = IdentitiesOf({b.folder / "a.mp3"})}));
    EXPECT_EQ(test::ReadBytes(b.folder / "a.mp3"), std::string(5000, 'x'));
    EXPECT_FALSE(WriteImageFile(b.burner, (b.folder / "pipe.iso").string(), error));
}

}  // namespace
}  // namespace tv
