#pragma once

#include <string>

namespace tv {

// Who holds a device, as far as this system tells: where it is mounted, and the
// programs (name and process id) that have it open and whose open files this
// user may see. Empty when nothing is known. One line, e.g.
// "MOUNTED AT /media/cdrom; OPENED BY udisksd (PID 712)".
std::string DeviceHolders(const std::string& devicePath);

}  // namespace tv
