#pragma once

#include <QColor>
#include <cstdint>

namespace tv {

// Colours are stored as the old platform's 32-bit colour values: low byte red, then
// green, then blue; a value with the top bit set names a system colour by index.
QColor ColourFromWindows(std::int32_t value);
std::int32_t WindowsFromColour(const QColor& colour);

// The system colour of an active title bar, used for selected list rows.
QColor ActiveCaptionColour();

}  // namespace tv
