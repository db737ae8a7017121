#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "drive/simulated_recorder.h"

namespace tv {

// Short names of the simulated recorder's media ("cd-r", "dvd+rw", ...).
std::optional<MediumKind> MediumKindByName(std::string_view name);
std::string_view MediumKindName(MediumKind kind);
// All names, separated by blanks.
std::string MediumKindNames();

}  // namespace tv
