#pragma once

#include <string>
#include <vector>

namespace tv::cli {

// tunevault-tool drives [--sim MEDIUM] [--sim-image FILE]: the transport, the
// drive list and, per drive, its description, capabilities, write modes and the
// disc it holds. A simulated recorder (by default with a blank CD-R) is always
// offered after the real drives.
int DrivesCommand(const std::vector<std::string>& arguments);

}  // namespace tv::cli
