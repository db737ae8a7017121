// The layout of the image as a pure function of the tree, and the bytes rendered
// from it.

#include "burning/iso_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>

namespace tv {
namespace {

// A tree built in memory, without files behind it.
struct Tree {
    Tree() {
        dirs.emplace_back();
        TDEntry& root = dirs.back();
        root.ShortName = "CD_ROOT";
        root.LongName = "CD Root Directory";
        root.Path = "\\";
        root.Parent = &root;
    }
    TDEntry& Root() { return dirs.front(); }
    TFEntry& AddFile(TDEntry& dir, const std::string& shortName, const std::string& longName,
                     std::uint64_t size, std::uint32_t attributes = 0) {
        files.emplace_back();
        TFEntry& f = files.back();
        f.ShortName = shortName;
        f.LongName = longName;
        f.SourcePath = "/src/" + longName;
        f.IsoLength = f.JolietLength = size;
        f.Attributes = attributes;
        f.Date = DateTimeFromLocal({2005, 12, 24, 15, 30, 0, 0});
        dir.Children.push_back(&f);
        return f;
    }
    TDEntry& AddDir(TDEntry& parent, const std::string& shortName, const std::string& longName) {
        dirs.emplace_back();
        TDEntry& d = dirs.back();
        d.ShortName = shortName;
        d.LongName = longName;
        d.Parent = &parent;
        d.Level = static_cast<std::uint8_t>(parent.Level + 1);
        files.emplace_back();
        TFEntry& f = files.back();
        f.ShortName = shortName;
        f.LongName = longName;
        f.Attributes = kAttributeDirectory;
        f.Directory = &d;
        f.Date = DateTimeFromLocal({2006, 1, 2, 3, 4, 5, 0});
        parent.Children.push_back(&f);
        return d;
    }
    LayoutTree View() const {
        LayoutTree view;
        for (const TDEntry& d : dirs) view.Directories.push_back(&d);
        for (const TFEntry& f : files) view.Files.push_back(&f);
        return view;
    }
    std::deque<TDEntry> dirs;
    std::deque<TFEntry> files;
};

const std::uint8_t* Sector(const std::vector<std::uint8_t>& header, std::uint32_t lba,
                           std::uint32_t start = 0) {
    return header.data() + std::size_t{lba - start} * kSectorSize;
}
std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
}
std::uint32_t Be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

TEST(IsoLayout, ABlankDiscWithJoliet) {
    Tree tree;
    for (int i = 0; i < 20; ++i)
        tree.AddFile(tree.Root(), "SONG" + std::to_string(i) + ".MP3",
                     "Song " + std::to_string(i) + ".mp3", 5000);
    const ImageLayout layout = ComputeImageLayout(tree.View(), 0, true);
    EXPECT_EQ(layout.PrimaryDescriptor, 16u);
    EXPECT_EQ(layout.JolietDescriptor, 17u);
    EXPECT_EQ(layout.Terminator, 18u);
    EXPECT_EQ(layout.IsoLPathTable, 19u);
    EXPECT_EQ(layout.IsoMPathTable, 20u);
    EXPECT_EQ(layout.JolietLPathTable, 21u);
    EXPECT_EQ(layout.JolietMPathTable, 22u);
    EXPECT_EQ(layout.IsoDirectoryArea, 23u);
    EXPECT_EQ(layout.JolietDirectoryArea, 24u);
    EXPECT_EQ(layout.HeaderPadding, 125u);
    EXPECT_EQ(layout.FirstFileLocation, 150u);
    EXPECT_EQ(layout.Files[1].IsoLocation, 3u);  // 5000 bytes take three sectors
    EXPECT_EQ(layout.VolumeSpaceSize, 150u + 20 * 3);
    EXPECT_EQ(layout.SectorsToWrite, layout.VolumeSpaceSize);

    VolumeInfo volume;
    volume.IdVolume = "Meine Lieder";
    volume.DateCreation = DateTimeFromLocal({2005, 12, 24, 15, 30, 0, 12});
    std::size_t descriptorEnd = 0;
    const auto header =
        RenderImageHeader(tree.View(), layout, true, volume,
                          DateTimeFromLocal({2006, 1, 1, 0, 0, 0, 0}), 4, &descriptorEnd);
    ASSERT_EQ(header.size(), 150u * kSectorSize);
    EXPECT_EQ(descriptorEnd, 19u * kSectorSize);
    for (std::size_t i = 0; i < 16 * kSectorSize; ++i) ASSERT_EQ(header[i], 0) << i;

    const std::uint8_t* pvd = Sector(header, 16);
    EXPECT_EQ(pvd[0], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + 1), 5), "CD001");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + 40), 32),
              "MEINE LIEDER" + std::string(20, ' '));
    EXPECT_EQ(Le32(pvd + 80), 210u);
    EXPECT_EQ(Be32(pvd + 84), 210u);
    for (int i = 88; i < 120; ++i)
        EXPECT_EQ(pvd[i], 0) << "PVD byte " << i;  // no Joliet escape here
    EXPECT_EQ(Le32(pvd + 132), 10u);
    EXPECT_EQ(Le32(pvd + 140), 19u);
    EXPECT_EQ(Be32(pvd + 148), 20u);
    EXPECT_EQ(pvd[156], 34);
    EXPECT_EQ(Le32(pvd + 158), 23u);
    EXPECT_EQ(Le32(pvd + 166), 2048u);
    EXPECT_EQ(pvd[181], 0x02);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + 813), 17),
              std::string("2005122415300012") + '\0');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + 847), 16), "0000000000000000");
    EXPECT_EQ(pvd[881], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + 1024), 8), "        ");

    const std::uint8_t* svd = Sector(header, 17);
    EXPECT_EQ(svd[0], 2);
    EXPECT_EQ(svd[88], 0x25);
    EXPECT_EQ(svd[89], 0x2F);
    EXPECT_EQ(svd[90], 0x40);
    EXPECT_EQ(svd[40], 0);
    EXPECT_EQ(svd[41], 'M');
    EXPECT_EQ(svd[43], 'e');  // not upper-cased
    EXPECT_EQ(svd[71], ' ');  // space-padded in UCS-2
    EXPECT_EQ(Le32(svd + 158), 24u);
    EXPECT_EQ(svd[702 + 36], 0);  // the 37th byte of a Joliet file identifier stays 0
    EXPECT_EQ(Sector(header, 18)[0], 255);

    // The root directory records.
    const std::uint8_t* root = Sector(header, 23);
    EXPECT_EQ(root[0], 34);
    EXPECT_EQ(root[32], 1);
    EXPECT_EQ(root[33], 0);
    EXPECT_EQ(root[34 + 33], 1);
    EXPECT_EQ(root[18], 106);  // "." dated when the header was built
    EXPECT_EQ(root[24], 4);    // the GMT offset
    const std::uint8_t* first = root + 68;
    EXPECT_EQ(first[32], 11);  // "SONG0.MP3;1"
    EXPECT_EQ(first[0], 44);   // odd name: no padding byte
    EXPECT_EQ(Le32(first + 2), 150u);
    EXPECT_EQ(Le32(first + 10), 5000u);
    EXPECT_EQ(first[18], 105);
    EXPECT_EQ(first[25], 0x00);
    const std::uint8_t* second = first + first[0];
    EXPECT_EQ(Le32(second + 2), 153u);
    const std::uint8_t* jolietRoot = Sector(header, 24);
    const std::uint8_t* jolietFirst = jolietRoot + 68;
    EXPECT_EQ(jolietFirst[32], 2 * 12);  // "Song 0.mp3;1"
    EXPECT_EQ(jolietFirst[0], 33 + 24 + 1);
    EXPECT_EQ(jolietFirst[33], 0);
    EXPECT_EQ(jolietFirst[34], 'S');

    // The path tables: only the root record.
    const std::uint8_t* lpath = Sector(header, 19);
    EXPECT_EQ(lpath[0], 1);
    EXPECT_EQ(Le32(lpath + 2), 23u);
    EXPECT_EQ(Le16(lpath + 6), 1u);
    EXPECT_EQ(Be32(Sector(header, 20) + 2), 23u);
    EXPECT_EQ(Le32(Sector(header, 21) + 2), 24u);
}

TEST(IsoLayout, WithoutJolietThereIsNoSupplementaryTree) {
    Tree tree;
    tree.AddFile(tree.Root(), "A.MP3", "a.mp3", 1);
    const ImageLayout layout = ComputeImageLayout(tree.View(), 0, false);
    EXPECT_EQ(layout.Terminator, 17u);
    EXPECT_EQ(layout.IsoLPathTable, 18u);
    EXPECT_EQ(layout.IsoMPathTable, 19u);
    EXPECT_EQ(layout.IsoDirectoryArea, 20u);
    EXPECT_EQ(layout.JolietDirectoryArea, 0u);
    const auto header = RenderImageHeader(tree.View(), layout, false, {}, 0, 0);
    EXPECT_EQ(Sector(header, 16)[88], 0);
    EXPECT_EQ(Sector(header, 17)[0], 255);
}

TEST(IsoLayout, ADirectoryThatExactlyFillsASectorTakesOne) {
    Tree tree;
    TDEntry& full = tree.AddDir(tree.Root(), "FULL", "Full");
    TDEntry& next = tree.AddDir(tree.Root(), "NEXT", "Next");
    // 45 records of 44 bytes fill the 1,980 bytes behind "." and "..".
    for (int i = 0; i < 45; ++i)
        tree.AddFile(full, "F" + std::to_string(100000 + i).substr(1) + "X.M",
                     "f" + std::to_string(i), 1);
    tree.AddFile(next, "N.MP3", "n.mp3", 1);
    const ImageLayout layout = ComputeImageLayout(tree.View(), 0, false);
    EXPECT_EQ(layout.Directories[1].IsoSize, 2048u);
    EXPECT_EQ(layout.Directories[2].IsoExtentOffset, layout.Directories[1].IsoExtentOffset + 1);

    tree.AddFile(full, "G0000X.M9", "one more", 1);  // one more record needs a second sector
    const ImageLayout bigger = ComputeImageLayout(tree.View(), 0, false);
    EXPECT_EQ(bigger.Directories[1].IsoSize, 4096u);
    const auto header = RenderImageHeader(tree.View(), bigger, false, {}, 0, 0);
    const std::uint8_t* secondSector =
        Sector(header, bigger.IsoDirectoryArea + bigger.Directories[1].IsoExtentOffset + 1);
    EXPECT_EQ(secondSector[0], 44);  // the record that did not fit starts the next sector
    EXPECT_EQ(secondSector[44], 0);
}

TEST(IsoLayout, APathTableOfExactly4096BytesTakesTwoSectors) {
    Tree tree;
    for (int i = 0; i < 254; ++i)
        tree.AddDir(tree.Root(), "D" + std::to_string(10000000 + i).substr(1),
                    "dir " + std::to_string(i));
    tree.AddDir(tree.Root(), "FOURTEEN_CHARS", "zzz");
    const ImageLayout layout = ComputeImageLayout(tree.View(), 0, false);
    EXPECT_EQ(layout.IsoPathTableSize, 4096u);
    EXPECT_EQ(layout.IsoMPathTable, layout.IsoLPathTable + 2);
    EXPECT_EQ(layout.IsoDirectoryArea, layout.IsoMPathTable + 2);
    const auto header = RenderImageHeader(tree.View(), layout, false, {}, 0, 0);
    const std::uint8_t* last = Sector(header, layout.IsoLPathTable) + 4096 - 22;
    EXPECT_EQ(last[0], 14);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(last + 8), 14), "FOURTEEN_CHARS");
    EXPECT_EQ(Le16(last + 6), 1u);
}

TEST(IsoLayout, ZeroLengthFilesTakeNoSector) {
    Tree tree;
    tree.AddFile(tree.Root(), "A.MP3", "a.mp3", 2049);
    tree.AddFile(tree.Root(), "EMPTY.TXT", "empty.txt", 0);
    tree.AddFile(tree.Root(), "B.MP3", "b.mp3", 10);
    const ImageLayout layout = ComputeImageLayout(tree.View(), 0, true);
    EXPECT_EQ(layout.Files[1].IsoLocation, 0u);
    EXPECT_EQ(layout.Files[2].IsoLocation, 2u);
    const auto header = RenderImageHeader(tree.View(), layout, true, {}, 0, 0);
    const std::uint8_t* a = Sector(header, layout.IsoDirectoryArea) + 68;
    const std::uint8_t* empty = a + a[0];
    EXPECT_EQ(Le32(empty + 2), 0u);  // extent 0
    EXPECT_EQ(Le32(empty + 10), 0u);
}

TEST(IsoLayout, ASessionAppendedLaterStartsAtItsAddress) {
    Tree tree;
    tree.AddFile(tree.Root(), "A.MP3", "a.mp3", 4096);
    const ImageLayout layout = ComputeImageLayout(tree.View(), 20000, true);
    EXPECT_EQ(layout.PrimaryDescriptor, 20016u);
    EXPECT_EQ(layout.HeaderPadding, 0u);
    EXPECT_EQ(layout.FirstFileLocation, 20025u);
    EXPECT_EQ(layout.VolumeSpaceSize, 20027u);  // counted from LBA 0
    EXPECT_EQ(layout.SectorsToWrite, 27u);
    const auto header = RenderImageHeader(tree.View(), layout, true, {}, 0, 0);
    EXPECT_EQ(header.size(), 25u * kSectorSize);
    const std::uint8_t* pvd = Sector(header, 20016, 20000);
    EXPECT_EQ(Le32(pvd + 80), 20027u);
    EXPECT_EQ(Le32(pvd + 140), 20019u);
    EXPECT_EQ(Le32(Sector(header, 20023, 20000) + 68 + 2), 20025u);
}

TEST(IsoLayout, HiddenFilesAndNamePadding) {
    Tree tree;
    tree.AddFile(tree.Root(), "HIDDEN~1.MP3", ".hidden.mp3", 1,
                 kAttributeHidden);                      // 14 characters: padded
    tree.AddFile(tree.Root(), "ABC.MP3", "abc.mp3", 1);  // 9: not padded
    const ImageLayout layout = ComputeImageLayout(tree.View(), 0, true);
    const auto header = RenderImageHeader(tree.View(), layout, true, {}, 0, 0);
    const std::uint8_t* hidden = Sector(header, layout.IsoDirectoryArea) + 68;
    EXPECT_EQ(hidden[0], 33 + 14 + 1);
    EXPECT_EQ(hidden[25], 0x01);
    const std::uint8_t* plain = hidden + hidden[0];
    EXPECT_EQ(plain[0], 33 + 9);
    EXPECT_EQ(plain[25], 0x00);
    const std::uint8_t* jolietHidden = Sector(header, layout.JolietDirectoryArea) + 68;
    EXPECT_EQ(jolietHidden[25], 0x01);
    EXPECT_EQ(jolietHidden[0], 33 + 2 * 13 + 1);
}

TEST(IsoLayout, NestedDirectoriesAreNumberedByLevelParentAndName) {
    Tree tree;
    TDEntry& b = tree.AddDir(tree.Root(), "B", "b");
    TDEntry& a = tree.AddDir(tree.Root(), "A", "a");
    tree.AddDir(b, "Y", "y");
    TDEntry& x = tree.AddDir(b, "X", "x");
    tree.AddDir(a, "Z", "z");
    tree.AddFile(x, "DEEP.MP3", "deep.mp3", 3000);
    const ImageLayout layout = ComputeImageLayout(tree.View(), 0, true);
    // Creation order: root, b, a, y, x, z. Path table order: root, a, b, z (parent a), x, y (parent
    // b).
    EXPECT_EQ(layout.PathTableOrder, (std::vector<std::size_t>{0, 2, 1, 5, 4, 3}));
    EXPECT_EQ(layout.Directories[2].Number, 2u);
    EXPECT_EQ(layout.Directories[4].Number, 5u);
    // Directories are laid out in creation order.
    EXPECT_EQ(layout.Directories[1].IsoExtentOffset, 1u);
    EXPECT_EQ(layout.Directories[4].IsoExtentOffset, 4u);

    const auto header = RenderImageHeader(tree.View(), layout, true, {}, 0, 0);
    const std::uint8_t* record = Sector(header, layout.IsoLPathTable) + 10;  // "A"
    EXPECT_EQ(record[8], 'A');
    EXPECT_EQ(Le16(record + 6), 1u);
    record += 10;  // "B"
    record += 10;  // "Z", parent "A" = 2
    EXPECT_EQ(record[8], 'Z');
    EXPECT_EQ(Le16(record + 6), 2u);
    record += 10;  // "X", parent "B" = 3
    EXPECT_EQ(record[8], 'X');
    EXPECT_EQ(Le16(record + 6), 3u);
    EXPECT_EQ(Le32(record + 2), layout.IsoDirectoryArea + 4);
    // ".." of X points at B.
    const std::uint8_t* xRecords = Sector(header, layout.IsoDirectoryArea + 4);
    EXPECT_EQ(Le32(xRecords + 34 + 2), layout.IsoDirectoryArea + 1);
    EXPECT_EQ(Le32(xRecords + 68 + 2), 150u);
    // The subdirectory record of B in the root: flag 2, its extent and size.
    const std::uint8_t* bRecord = Sector(header, layout.IsoDirectoryArea) + 68;
    EXPECT_EQ(bRecord[25], 0x02);
    EXPECT_EQ(Le32(bRecord + 2), layout.IsoDirectoryArea + 1);
    EXPECT_EQ(bRecord[18], 106);
}

TEST(JolietNames, CharactersBeyondTheBasicPlaneBecomeUnderscores) {
    EXPECT_EQ(JolietName("Grüße 𝄞.mp3"), u"Grüße _.mp3");
    EXPECT_EQ(JolietName(""), u"");
}

}  // namespace
}  // namespace tv
