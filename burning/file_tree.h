#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "burning/date_time.h"

namespace tv {

struct TFEntry;

inline constexpr std::uint32_t kAttributeHidden = 0x02;
inline constexpr std::uint32_t kAttributeDirectory = 0x10;

// One directory of the disc's tree.
struct TDEntry {
    std::string ShortName;                 // ISO identifier; root "CD_ROOT"
    std::string LongName;                  // Joliet identifier; root "CD Root Directory"
    std::uint64_t IsoSize = 0;             // bytes of the ISO extent
    std::uint64_t JolietSize = 0;          // bytes of the Joliet extent
    std::string Path;                      // "\" for the root, else "\A\B" upper-cased long names
    std::uint32_t IsoExtentOffset = 0;     // sectors from the ISO directory area start
    std::uint32_t JolietExtentOffset = 0;  // sectors from the Joliet directory area start
    std::uint8_t Level = 1;
    std::uint32_t Number = 0;        // position in the path table order, root 1
    TDEntry* Parent = nullptr;       // the root is its own parent
    std::vector<TFEntry*> Children;  // files and subdirectories in addition order

    // Look-ups kept by the burner: children by upper-cased name as added, by ISO
    // identifier, by upper-cased Joliet identifier (";1" for files), and the next
    // alias number per alias stem; and, per taken name, the number to try next
    // when another file of that name comes (long names and Joliet names), so that
    // many files of one name do not each count up from 2.
    std::unordered_map<std::string, TFEntry*> ByLongName;
    std::unordered_map<std::string, TFEntry*> ByShortName;
    std::unordered_map<std::string, TFEntry*> ByJolietName;
    std::unordered_map<std::string, unsigned> AliasNumbers;
    std::unordered_map<std::string, unsigned> LongNameNumbers;
    std::unordered_map<std::string, unsigned> JolietNumbers;
};

// One file, or one subdirectory inside its parent's child list.
struct TFEntry {
    std::string ShortName;   // upper-cased ISO name without ";1"
    std::string LongName;    // Joliet name as written (characters Joliet cannot carry are "_")
    std::string SourcePath;  // empty for a subdirectory
    // The source file's identity (device and inode): the same file named twice,
    // by two paths, is one entry.
    std::uint64_t SourceDevice = 0, SourceInode = 0;
    TDateTime Date = 0;
    std::uint64_t IsoLength = 0;
    std::uint64_t JolietLength = 0;
    std::uint32_t IsoLocation =
        0;  // file: sectors after FirstFileLocation; subdirectory: ISO extent offset
    std::uint32_t JolietLocation = 0;  // file: as ISO; subdirectory: Joliet extent offset
    std::uint32_t Attributes = 0;
    TDEntry* Directory = nullptr;  // the directory a subdirectory entry stands for

    bool IsDirectory() const noexcept { return Directory != nullptr; }
};

}  // namespace tv
