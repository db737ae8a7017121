#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "base/output_file.h"
#include "burning/disc_burner.h"

namespace tv {

// The rules of a burn job for files entering the tree: a file that cannot be
// opened for reading (in use) and a file whose long name has more than 107
// characters are skipped, each with its log line.
void SkipUnburnableFile(TDiscBurner& burner, const std::string& fullPath,
                        const std::string& longFileName, bool& skip);

// What became of the files of a burn job.
struct JobFiles {
    std::uint64_t TotalBytes = 0;  // the sizes of the files that exist
    int Added = 0;                 // files put into the tree
    // Files that are not on the disc, each with the reason (a file that does not
    // exist among them, with the system's word for it).
    std::vector<std::pair<std::string, std::string>> LeftOut;
};

// The files of a burn job: every file that exists goes into the root, each with
// the line ">>> INSERTING FILE "path"" whether the burner accepts it or not;
// files that do not exist get no log line.
JobFiles InsertJobFiles(TDiscBurner& burner, const std::vector<std::string>& paths,
                        const std::function<void(const std::string&)>& log);

// Why the selected drive cannot burn the medium it holds, in German ("Im
// Laufwerk liegt keine CD/DVD.", "Das Laufwerk kann nur lesen, nicht brennen.", a
// pressed or closed disc, no room left); empty when it can. Asks the drive.
std::string BurnRefusal(TDiscBurner& burner);

// Why the selected drive cannot erase the medium it holds, in German; empty
// when it can. Asks the drive.
std::string EraseRefusal(TDiscBurner& burner);

// Whether a file holds an ISO 9660 image: "CD001" at byte 32,769 (the first
// volume descriptor). Never blocks on a FIFO or device.
bool HoldsIsoImage(const std::filesystem::path& file);

// The last line of a burn: ">>> BURNCD DONE, Successful!" or the error.
std::string BurnDoneLine(const std::string& error);

// When an image is larger than the free space of the disc: a German message that
// names both (in MB, with the given decimal separator); empty when it fits. A
// write-once disc would otherwise be lost after minutes of writing.
std::string NoRoomMessage(std::uint64_t imageSectors, std::uint64_t freeBlocks,
                          const std::string& decimalSeparator);

struct ImageFileOptions {
    // For a session laid out behind LBA 0: also write the system area and volume
    // descriptors at the start of the file, as overwritable media carry them, so
    // that readers find the session without being told where it starts.
    bool DescriptorsAtStart = false;
    // The files the image is made of: the image never replaces one of them.
    std::vector<FileIdentity> Inputs;
};

// Writes the laid-out image (header area, file data padded with zeros to whole
// sectors, and the post-gap up to ImageSectors) into a file, the session at its
// address (LBA x 2048; a sparse hole before it). The file is written through
// OutputFile (a temporary name in the same folder, flushed and renamed when
// complete, removed on a signal); a failure leaves no partial image and the old
// file untouched. Returns false with the reason in error when the target is
// refused or a file cannot be opened, read or written.
bool WriteImageFile(const TDiscBurner& burner, const std::string& imagePath, std::string& error,
                    const ImageFileOptions& options = {});

}  // namespace tv
