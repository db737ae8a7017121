#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "burning/date_time.h"
#include "burning/file_tree.h"
#include "burning/joliet_names.h"

namespace tv {

inline constexpr std::uint32_t kSectorSize = 2048;

// The tree as the layout sees it: directories in creation order (root first) and
// every file entry (subdirectory entries included) in addition order.
struct LayoutTree {
    std::vector<const TDEntry*> Directories;
    std::vector<const TFEntry*> Files;
};

// Where everything of a session lies; a pure function of the tree, the session
// start and the Joliet switch.
struct ImageLayout {
    std::uint32_t NextWritableAddress = 0;
    std::uint32_t PrimaryDescriptor = 0;
    std::uint32_t JolietDescriptor = 0;  // 0 without Joliet
    std::uint32_t Terminator = 0;
    std::uint32_t IsoLPathTable = 0, IsoMPathTable = 0;
    std::uint32_t JolietLPathTable = 0, JolietMPathTable = 0;
    std::uint32_t IsoPathTableSize = 0, JolietPathTableSize = 0;
    std::uint32_t IsoDirectoryArea = 0, JolietDirectoryArea = 0;
    std::uint32_t FirstFileLocation = 0;
    std::uint32_t HeaderPadding = 0;
    std::uint64_t VolumeSpaceSize = 0;
    std::uint64_t SectorsToWrite = 0;

    // Per directory (index = creation order).
    struct Directory {
        std::uint32_t Number = 0;  // path table order, root 1
        std::uint32_t IsoExtentOffset = 0, JolietExtentOffset = 0;
        std::uint64_t IsoSize = 0, JolietSize = 0;
    };
    std::vector<Directory> Directories;
    // Path table order: indexes of Directories.
    std::vector<std::size_t> PathTableOrder;
    // Per file entry (index = addition order): sectors after FirstFileLocation for
    // files, the extent offsets for subdirectory entries.
    struct File {
        std::uint32_t IsoLocation = 0, JolietLocation = 0;
        std::uint64_t IsoLength = 0, JolietLength = 0;
    };
    std::vector<File> Files;
};

// Throws std::length_error for a tree no image can hold: a record or path table
// name longer than its length byte, more than 65,535 directories (the burner
// never builds such a tree).
ImageLayout ComputeImageLayout(const LayoutTree& tree, std::uint32_t nextWritableAddress,
                               bool joliet);

// Texts and dates of the volume descriptors.
struct VolumeInfo {
    std::string IdSystem, IdVolume, IdVolumeSet, IdPublisher, IdPreparer, IdApplication;
    std::string FileCopyright, FileAbstract, FileBibliographic;
    TDateTime DateCreation = 0;
    TDateTime DateModification = 0;
    std::string Text1024;  // the 8 characters at byte 1024
};

// The header area: system area, volume descriptors, path tables, directory
// records and padding, FirstFileLocation - NextWritableAddress sectors.
// descriptorEnd receives the length of the system area and descriptors.
// now is the date of the "." and ".." records; gmtOffset is in 15-minute units.
std::vector<std::uint8_t> RenderImageHeader(const LayoutTree& tree, const ImageLayout& layout,
                                            bool joliet, const VolumeInfo& volume, TDateTime now,
                                            std::int8_t gmtOffset,
                                            std::size_t* descriptorEnd = nullptr);

// The ISO and Joliet identifiers of a child record.
std::string IsoIdentifier(const TFEntry& entry);
std::u16string JolietIdentifier(const TFEntry& entry);

}  // namespace tv
