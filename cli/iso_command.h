#pragma once

#include <string>
#include <vector>

namespace tv::cli {

// tunevault-tool iso -o IMAGE [--no-joliet] [--volume-id TEXT] FILE...: lays the
// files out in the root of an ISO 9660/Joliet image at address 0, as the burn
// dialog does, and writes header, data and post-gap to IMAGE.
int IsoCommand(const std::vector<std::string>& arguments);

}  // namespace tv::cli
