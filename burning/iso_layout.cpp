#include "burning/iso_layout.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include "base/byte_order.h"
#include "base/text_case.h"
#include "base/text_encoding.h"
#include "burning/joliet_names.h"

namespace tv {
namespace {

std::uint32_t Sectors(std::uint64_t bytes) {
    return static_cast<std::uint32_t>((bytes + kSectorSize - 1) / kSectorSize);
}

std::uint32_t IsoRecordLength(std::size_t nameBytes) {
    return static_cast<std::uint32_t>(33 + nameBytes + (nameBytes % 2 == 0 ? 1 : 0));
}
std::uint32_t JolietRecordLength(std::size_t characters) {
    return static_cast<std::uint32_t>(33 + 2 * characters + 1);
}

// The size of a directory whose records have these lengths: records never cross a
// sector boundary; "." and ".." come first.
std::uint64_t PackedSize(const std::vector<std::uint32_t>& records) {
    std::uint32_t sectors = 1, free = kSectorSize - 68;
    for (const std::uint32_t length : records) {
        if (length > free) {
            ++sectors;
            free = kSectorSize;
        }
        free -= length;
    }
    return std::uint64_t{sectors} * kSectorSize;
}

void Both16(std::uint8_t* p, std::uint32_t v) {
    WriteLittle16(p, v);
    WriteBig16(p + 2, v);
}
void Both32(std::uint8_t* p, std::uint32_t v) {
    WriteLittle32(p, v);
    WriteBig32(p + 4, v);
}

// Every record date is its UTC time shown with the one offset of the tree.
void RecordDate(std::uint8_t* p, TDateTime date, std::int8_t gmtOffset) {
    const CivilTime t = DiscTime(date, gmtOffset);
    p[0] = static_cast<std::uint8_t>(std::clamp(t.Year - 1900, 0, 255));
    p[1] = static_cast<std::uint8_t>(t.Month);
    p[2] = static_cast<std::uint8_t>(t.Day);
    p[3] = static_cast<std::uint8_t>(t.Hour);
    p[4] = static_cast<std::uint8_t>(t.Minute);
    p[5] = static_cast<std::uint8_t>(t.Second);
    p[6] = static_cast<std::uint8_t>(gmtOffset);
}

// A volume date carries offset 0, so it is shown in UTC; the zero date stays as it is.
void VolumeDate(std::uint8_t* p, TDateTime date) {
    const CivilTime t = date == 0 ? DecodeDateTime(date) : DiscTime(date, 0);
    char digits[32];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d%02d",
                  std::clamp(t.Year, 0, 9999), t.Month, t.Day, t.Hour, t.Minute, t.Second,
                  t.Hundredths);
    std::memcpy(p, digits, 16);
    p[16] = 0;
}

// An ISO text field: upper-cased, as Windows-1252 bytes, cut and space-padded.
void IsoText(std::uint8_t* p, std::size_t width, const std::string& text) {
    const std::string bytes = Utf8ToWindows1252(UpperCase(text));
    std::memset(p, ' ', width);
    std::memcpy(p, bytes.data(), std::min(width, bytes.size()));
}

// A Joliet text field: space-padded to width characters, UCS-2 big-endian.
void JolietText(std::uint8_t* p, std::size_t characters, const std::string& text) {
    std::u16string name = JolietName(text);
    name.resize(characters, u' ');
    for (std::size_t i = 0; i < characters; ++i) WriteBig16(p + 2 * i, name[i]);
}

struct DescriptorPlace {
    std::uint32_t PathTableSize, LPath, MPath, RootExtent;
    std::uint64_t RootSize;
};

void WriteDescriptor(std::uint8_t* p, bool supplementary, bool jolietEscape,
                     const ImageLayout& layout, const DescriptorPlace& place,
                     const VolumeInfo& volume) {
    p[0] = supplementary ? 2 : 1;
    std::memcpy(p + 1, "CD001", 5);
    p[6] = 1;
    const auto text = [&](std::size_t at, std::size_t width, const std::string& value) {
        if (supplementary)
            JolietText(p + at, width / 2, value);
        else
            IsoText(p + at, width, value);
    };
    text(8, 32, volume.IdSystem);
    text(40, 32, volume.IdVolume);
    Both32(p + 80, static_cast<std::uint32_t>(layout.VolumeSpaceSize));
    if (jolietEscape) {
        p[88] = 0x25;
        p[89] = 0x2F;
        p[90] = 0x40;
    }
    Both16(p + 120, 1);
    Both16(p + 124, 1);
    Both16(p + 128, kSectorSize);
    Both32(p + 132, place.PathTableSize);
    WriteLittle32(p + 140, place.LPath);
    WriteBig32(p + 148, place.MPath);
    std::uint8_t* root = p + 156;
    root[0] = 34;
    Both32(root + 2, place.RootExtent);
    Both32(root + 10, static_cast<std::uint32_t>(place.RootSize));
    root[25] = 0x02;
    Both16(root + 28, 1);
    root[32] = 1;
    text(190, 128, volume.IdVolumeSet);
    text(318, 128, volume.IdPublisher);
    text(446, 128, volume.IdPreparer);
    text(574, 128, volume.IdApplication);
    text(702, supplementary ? 36 : 37, volume.FileCopyright);
    text(739, supplementary ? 36 : 37, volume.FileAbstract);
    text(776, supplementary ? 36 : 37, volume.FileBibliographic);
    VolumeDate(p + 813, volume.DateCreation);
    VolumeDate(p + 830, volume.DateModification);
    std::memcpy(p + 847, "0000000000000000", 16);
    std::memcpy(p + 864, "0000000000000000", 16);
    p[881] = 1;
    IsoText(p + 1024, 8, volume.Text1024);
}

}  // namespace

std::string IsoIdentifier(const TFEntry& entry) {
    return entry.IsDirectory() ? entry.ShortName : entry.ShortName + ";1";
}

std::u16string JolietIdentifier(const TFEntry& entry) {
    // ";" is not allowed in a name, only in the version suffix.
    return entry.IsDirectory() ? JolietName(entry.LongName) : JolietName(entry.LongName) + u";1";
}

ImageLayout ComputeImageLayout(const LayoutTree& tree, std::uint32_t nextWritableAddress,
                               bool joliet) {
    ImageLayout layout;
    const std::size_t count = tree.Directories.size();
    layout.Directories.resize(count);
    std::unordered_map<const TDEntry*, std::size_t> indexOf;
    for (std::size_t i = 0; i < count; ++i) indexOf[tree.Directories[i]] = i;

    // One order for both path tables: by level, then parent number, then long name.
    if (count > 0) {
        layout.PathTableOrder.push_back(0);
        layout.Directories[0].Number = 1;
        std::uint8_t deepest = 1;
        for (const TDEntry* d : tree.Directories) deepest = std::max(deepest, d->Level);
        for (int level = 2; level <= deepest; ++level) {
            std::vector<std::size_t> atLevel;
            for (std::size_t i = 1; i < count; ++i)
                if (tree.Directories[i]->Level == level) atLevel.push_back(i);
            const auto parentNumber = [&](std::size_t i) {
                return layout.Directories[indexOf.at(tree.Directories[i]->Parent)].Number;
            };
            std::stable_sort(atLevel.begin(), atLevel.end(), [&](std::size_t a, std::size_t b) {
                if (parentNumber(a) != parentNumber(b)) return parentNumber(a) < parentNumber(b);
                return tree.Directories[a]->LongName < tree.Directories[b]->LongName;
            });
            for (const std::size_t i : atLevel) {
                layout.Directories[i].Number =
                    static_cast<std::uint32_t>(layout.PathTableOrder.size() + 1);
                layout.PathTableOrder.push_back(i);
            }
        }
    }

    // Directory and path table sizes. Every length is counted on the identifier as
    // it is written; none may exceed its length byte.
    const auto checked = [](std::uint32_t length, const std::string& name) {
        if (length > 255)
            throw std::length_error("directory record longer than 255 bytes: " + name);
        return length;
    };
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<std::uint32_t> iso, jol;
        for (const TFEntry* child : tree.Directories[i]->Children) {
            iso.push_back(checked(IsoRecordLength(IsoIdentifier(*child).size()), child->ShortName));
            jol.push_back(
                checked(JolietRecordLength(JolietIdentifier(*child).size()), child->LongName));
        }
        layout.Directories[i].IsoSize = PackedSize(iso);
        layout.Directories[i].JolietSize = joliet ? PackedSize(jol) : 0;
    }
    layout.IsoPathTableSize = 10;
    layout.JolietPathTableSize = 10;
    if (count > 65535) throw std::length_error("more than 65,535 directories");
    for (const std::size_t i : layout.PathTableOrder) {
        if (i == 0) continue;
        const std::size_t isoName = tree.Directories[i]->ShortName.size();
        const std::size_t jolietName = 2 * JolietName(tree.Directories[i]->LongName).size();
        checked(static_cast<std::uint32_t>(std::max(isoName, jolietName)),
                tree.Directories[i]->LongName);
        layout.IsoPathTableSize += static_cast<std::uint32_t>(8 + isoName + isoName % 2);
        layout.JolietPathTableSize += static_cast<std::uint32_t>(8 + jolietName);
    }

    // Locations.
    layout.NextWritableAddress = nextWritableAddress;
    std::uint32_t cur = nextWritableAddress + 16;
    layout.PrimaryDescriptor = cur;
    if (joliet) layout.JolietDescriptor = ++cur;
    layout.Terminator = ++cur;
    layout.IsoLPathTable = ++cur;
    cur += Sectors(layout.IsoPathTableSize);
    layout.IsoMPathTable = cur;
    cur += Sectors(layout.IsoPathTableSize);
    if (joliet) {
        layout.JolietLPathTable = cur;
        cur += Sectors(layout.JolietPathTableSize);
        layout.JolietMPathTable = cur;
        cur += Sectors(layout.JolietPathTableSize);
    }
    layout.IsoDirectoryArea = cur;
    std::uint32_t offset = 0;
    for (auto& d : layout.Directories) {
        d.IsoExtentOffset = offset;
        offset += Sectors(d.IsoSize);
    }
    cur += offset;
    if (joliet) {
        layout.JolietDirectoryArea = cur;
        offset = 0;
        for (auto& d : layout.Directories) {
            d.JolietExtentOffset = offset;
            offset += Sectors(d.JolietSize);
        }
        cur += offset;
    }
    layout.HeaderPadding = cur < 150 ? 150 - cur : 0;
    layout.FirstFileLocation = std::max<std::uint32_t>(cur, 150);

    // Files, contiguous in addition order.
    std::uint64_t fileSectors = 0;
    layout.Files.resize(tree.Files.size());
    for (std::size_t i = 0; i < tree.Files.size(); ++i) {
        const TFEntry& entry = *tree.Files[i];
        ImageLayout::File& file = layout.Files[i];
        if (entry.IsDirectory()) {
            const ImageLayout::Directory& d = layout.Directories[indexOf.at(entry.Directory)];
            file = {d.IsoExtentOffset, d.JolietExtentOffset, d.IsoSize, d.JolietSize};
            continue;
        }
        file.IsoLength = file.JolietLength = entry.IsoLength;
        if (entry.IsoLength == 0) continue;
        file.IsoLocation = file.JolietLocation = static_cast<std::uint32_t>(fileSectors);
        fileSectors += Sectors(entry.IsoLength);
    }
    layout.VolumeSpaceSize = layout.FirstFileLocation + fileSectors;
    layout.SectorsToWrite = layout.VolumeSpaceSize - nextWritableAddress;
    return layout;
}

std::vector<std::uint8_t> RenderImageHeader(const LayoutTree& tree, const ImageLayout& layout,
                                            bool joliet, const VolumeInfo& volume, TDateTime now,
                                            std::int8_t gmtOffset, std::size_t* descriptorEnd) {
    const std::uint32_t start = layout.NextWritableAddress;
    std::vector<std::uint8_t> header(std::size_t{layout.FirstFileLocation - start} * kSectorSize,
                                     0);
    const auto at = [&](std::uint32_t lba) {
        return header.data() + std::size_t{lba - start} * kSectorSize;
    };
    std::unordered_map<const TDEntry*, std::size_t> indexOf;
    for (std::size_t i = 0; i < tree.Directories.size(); ++i) indexOf[tree.Directories[i]] = i;
    std::unordered_map<const TFEntry*, std::size_t> fileIndex;
    for (std::size_t i = 0; i < tree.Files.size(); ++i) fileIndex[tree.Files[i]] = i;
    const std::uint64_t rootIsoSize =
        layout.Directories.empty() ? 0 : layout.Directories[0].IsoSize;
    const std::uint64_t rootJolietSize =
        layout.Directories.empty() ? 0 : layout.Directories[0].JolietSize;

    // Volume descriptors. The escape sequence of Joliet belongs in the
    // supplementary descriptor only.
    WriteDescriptor(at(layout.PrimaryDescriptor), false, false, layout,
                    {layout.IsoPathTableSize, layout.IsoLPathTable, layout.IsoMPathTable,
                     layout.IsoDirectoryArea, rootIsoSize},
                    volume);
    if (joliet)
        WriteDescriptor(at(layout.JolietDescriptor), true, true, layout,
                        {layout.JolietPathTableSize, layout.JolietLPathTable,
                         layout.JolietMPathTable, layout.JolietDirectoryArea, rootJolietSize},
                        volume);
    std::uint8_t* terminator = at(layout.Terminator);
    terminator[0] = 255;
    std::memcpy(terminator + 1, "CD001", 5);
    terminator[6] = 1;
    if (descriptorEnd) *descriptorEnd = std::size_t{layout.Terminator + 1 - start} * kSectorSize;

    // Path tables.
    const auto pathTable = [&](bool isJoliet, bool bigEndian, std::uint32_t lba,
                               std::uint32_t area) {
        std::uint8_t* p = at(lba);
        for (const std::size_t i : layout.PathTableOrder) {
            const TDEntry& dir = *tree.Directories[i];
            const ImageLayout::Directory& d = layout.Directories[i];
            std::string name;
            if (i == 0) {
                name.assign(1, '\0');
            } else if (isJoliet) {
                for (const char16_t c : JolietName(dir.LongName)) {
                    name += static_cast<char>(c >> 8);
                    name += static_cast<char>(c & 0xFF);
                }
            } else {
                name = dir.ShortName;
            }
            const std::uint32_t extent =
                area + (isJoliet ? d.JolietExtentOffset : d.IsoExtentOffset);
            const std::uint32_t parent = layout.Directories[indexOf.at(dir.Parent)].Number;
            p[0] = static_cast<std::uint8_t>(name.size());
            p[1] = 0;
            if (bigEndian) {
                WriteBig32(p + 2, extent);
                WriteBig16(p + 6, parent);
            } else {
                WriteLittle32(p + 2, extent);
                WriteLittle16(p + 6, parent);
            }
            std::memcpy(p + 8, name.data(), name.size());
            p += 8 + name.size() + (name.size() % 2);
        }
    };
    pathTable(false, false, layout.IsoLPathTable, layout.IsoDirectoryArea);
    pathTable(false, true, layout.IsoMPathTable, layout.IsoDirectoryArea);
    if (joliet) {
        pathTable(true, false, layout.JolietLPathTable, layout.JolietDirectoryArea);
        pathTable(true, true, layout.JolietMPathTable, layout.JolietDirectoryArea);
    }

    // Directory records, packed as the sizes were computed.
    const auto directories = [&](bool isJoliet) {
        const std::uint32_t area = isJoliet ? layout.JolietDirectoryArea : layout.IsoDirectoryArea;
        for (std::size_t i = 0; i < tree.Directories.size(); ++i) {
            const TDEntry& dir = *tree.Directories[i];
            const ImageLayout::Directory& d = layout.Directories[i];
            const ImageLayout::Directory& parent = layout.Directories[indexOf.at(dir.Parent)];
            std::uint8_t* sector = at(area + (isJoliet ? d.JolietExtentOffset : d.IsoExtentOffset));
            std::uint32_t used = 0;
            const auto record = [&](std::uint32_t extent, std::uint64_t length, TDateTime date,
                                    std::uint8_t flags, const std::string& name, bool pad) {
                const std::uint32_t size =
                    static_cast<std::uint32_t>(33 + name.size() + (pad ? 1 : 0));
                if (size > kSectorSize - used) {
                    sector += kSectorSize;
                    used = 0;
                }
                std::uint8_t* r = sector + used;
                r[0] = static_cast<std::uint8_t>(size);
                Both32(r + 2, extent);
                Both32(r + 10, static_cast<std::uint32_t>(length));
                RecordDate(r + 18, date, gmtOffset);
                r[25] = flags;
                Both16(r + 28, 1);
                r[32] = static_cast<std::uint8_t>(name.size());
                std::memcpy(r + 33, name.data(), name.size());
                used += size;
            };
            const std::uint32_t ownExtent =
                area + (isJoliet ? d.JolietExtentOffset : d.IsoExtentOffset);
            const std::uint32_t parentExtent =
                area + (isJoliet ? parent.JolietExtentOffset : parent.IsoExtentOffset);
            record(ownExtent, isJoliet ? d.JolietSize : d.IsoSize, now, 0x02, std::string(1, '\0'),
                   false);
            record(parentExtent, isJoliet ? parent.JolietSize : parent.IsoSize, now, 0x02,
                   std::string(1, '\1'), false);
            for (const TFEntry* child : dir.Children) {
                const ImageLayout::File& file = layout.Files[fileIndex.at(child)];
                const std::uint8_t flags =
                    static_cast<std::uint8_t>((child->IsDirectory() ? 0x02 : 0x00) |
                                              ((child->Attributes & kAttributeHidden) ? 0x01 : 0));
                std::uint32_t extent;
                std::uint64_t length;
                if (child->IsDirectory()) {
                    extent = area + (isJoliet ? file.JolietLocation : file.IsoLocation);
                    length = isJoliet ? file.JolietLength : file.IsoLength;
                } else {
                    length = file.IsoLength;
                    extent = length == 0 ? 0 : layout.FirstFileLocation + file.IsoLocation;
                }
                if (isJoliet) {
                    std::string name;
                    for (const char16_t c : JolietIdentifier(*child)) {
                        name += static_cast<char>(c >> 8);
                        name += static_cast<char>(c & 0xFF);
                    }
                    record(extent, length, child->Date, flags, name, true);
                } else {
                    const std::string name = IsoIdentifier(*child);
                    record(extent, length, child->Date, flags, name, name.size() % 2 == 0);
                }
            }
        }
    };
    directories(false);
    if (joliet) directories(true);
    return header;
}

}  // namespace tv
