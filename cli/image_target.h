#pragma once

#include <string>
#include <vector>

#include "base/output_file.h"

namespace tv::cli {

// Refuses an image target before anything is read or written (CLI::ValidationError,
// a wrong call): a FIFO, device or directory there, one of the inputs, a link
// loop, and, unless force, an existing file that holds no ISO image.
void RefuseImageTarget(const std::string& image, const std::vector<FileIdentity>& inputs,
                       bool force);

}  // namespace tv::cli
