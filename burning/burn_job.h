#pragma once

#include <string>

#include "burning/disc_burner.h"

namespace tv {

// The rules of a burn job for files entering the tree: a file that cannot be
// opened for reading (in use) and a file whose long name has more than 107
// characters are skipped, each with its log line.
void SkipUnburnableFile(TDiscBurner& burner, const std::string& fullPath,
                        const std::string& longFileName, bool& skip);

// Writes the laid-out image (header area, file data padded with zeros to whole
// sectors, and the post-gap up to ImageSectors) into a file. Returns false with
// the reason in error when a file cannot be opened, read or written.
bool WriteImageFile(const TDiscBurner& burner, const std::string& imagePath, std::string& error);

}  // namespace tv
