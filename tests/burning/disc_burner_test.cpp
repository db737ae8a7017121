// The burner's file tree on real files, and its drive queries against the
// simulated recorder.

#include "burning/disc_burner.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "burning/burn_job.h"
#include "tests/drive/recorder_fixture.h"
#include "tests/support/temp_folder.h"

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
    // 109 characters fit the component's preset but not a Joliet record: refused.
    EXPECT_TRUE(b.burner.Files().empty());
    EXPECT_NE(b.messages.back().find("TOO LONG FOR JOLIET"), std::string::npos);
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

}  // namespace
}  // namespace tv
