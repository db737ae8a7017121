#pragma once

#include <string>
#include <vector>

namespace tv::cli {

// tunevault-tool burn (--device ID | --image FILE) [--test-write] [--no-joliet]
//     [--volume-id TEXT] [--sim MEDIUM [--sim-image FILE]] FILE...
// The burn dialog's job on the command line: the log on standard output,
// ">>> BURNCD DONE, ..." last; 0 on success, 1 when the burn failed, 2 on a usage
// error.
int BurnCommand(const std::vector<std::string>& arguments);

// tunevault-tool erase --device ID [--full] [--sim MEDIUM [--sim-image FILE]]
int EraseCommand(const std::vector<std::string>& arguments);

}  // namespace tv::cli
