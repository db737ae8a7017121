#include "drive/medium_names.h"

#include <array>
#include <utility>

namespace tv {
namespace {

constexpr std::array<std::pair<std::string_view, MediumKind>, 12> kNames = {{
    {"none", MediumKind::None},
    {"cd-rom", MediumKind::CdRom},
    {"cd-r", MediumKind::CdR},
    {"cd-rw", MediumKind::CdRw},
    {"dvd-rom", MediumKind::DvdRom},
    {"dvd-r", MediumKind::DvdR},
    {"dvd-ram", MediumKind::DvdRam},
    {"dvd-rw-ro", MediumKind::DvdRwRestrictedOverwrite},
    {"dvd-rw-seq", MediumKind::DvdRwSequential},
    {"dvd+rw-unformatted", MediumKind::DvdPlusRwUnformatted},
    {"dvd+rw", MediumKind::DvdPlusRw},
    {"dvd+r", MediumKind::DvdPlusR},
}};

}  // namespace

std::optional<MediumKind> MediumKindByName(std::string_view name) {
    for (const auto& [text, kind] : kNames)
        if (text == name) return kind;
    return std::nullopt;
}

std::string_view MediumKindName(MediumKind kind) {
    for (const auto& [text, value] : kNames)
        if (value == kind) return text;
    return "none";
}

std::string MediumKindNames() {
    std::string names;
    for (const auto& entry : kNames) names += (names.empty() ? "" : " ") + std::string(entry.first);
    return names;
}

}  // namespace tv
