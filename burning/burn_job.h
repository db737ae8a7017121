#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "burning/disc_burner.h"

namespace tv {

// The rules of a burn job for files entering the tree: a file that cannot be
// opened for reading (in use) and a file whose long name has more than 107
// characters are skipped, each with its log line.
void SkipUnburnableFile(TDiscBurner& burner, const std::string& fullPath,
                        const std::string& longFileName, bool& skip);

// The files of a burn job: every file that exists goes into the root, each with
// the line ">>> INSERTING FILE "path"" whether the burner accepts it or not;
// files that do not exist are left out silently. Returns the total size of the
// files that exist, in bytes.
std::uint64_t InsertJobFiles(TDiscBurner& burner, const std::vector<std::string>& paths,
                             const std::function<void(const std::string&)>& log);

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
};

// Writes the laid-out image (header area, file data padded with zeros to whole
// sectors, and the post-gap up to ImageSectors) into a file, the session at its
// address (LBA x 2048; a sparse hole before it). The file is written under a
// temporary name in the same folder, flushed to the disk and renamed when
// complete; a failure leaves no partial image and the old file untouched.
// Returns false with the reason in error when a file cannot be opened, read or
// written.
bool WriteImageFile(const TDiscBurner& burner, const std::string& imagePath, std::string& error,
                    const ImageFileOptions& options = {});

}  // namespace tv
