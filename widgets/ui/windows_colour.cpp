#include "widgets/ui/windows_colour.h"

#include <QApplication>
#include <QPalette>

namespace tv {
namespace {

QColor SystemColour(int index) {
    const QPalette palette = QApplication::palette();
    switch (index) {
        case 2:  // active caption
            return ActiveCaptionColour();
        case 3:  // inactive caption
            return palette.color(QPalette::Inactive, QPalette::Highlight);
        case 5:  // window
            return palette.color(QPalette::Base);
        case 8:  // window text
        case 7:  // menu text
            return palette.color(QPalette::Text);
        case 9:   // caption text
        case 14:  // highlight text
            return palette.color(QPalette::HighlightedText);
        case 13:  // highlight
            return palette.color(QPalette::Highlight);
        case 16:  // button shadow
            return palette.color(QPalette::Dark);
        case 17:  // grey text
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 18:  // button text
            return palette.color(QPalette::ButtonText);
        case 20:  // button highlight
            return palette.color(QPalette::Light);
        case 23:  // info text
            return palette.color(QPalette::ToolTipText);
        case 24:  // info background
            return palette.color(QPalette::ToolTipBase);
        default:  // button face and the rest
            return palette.color(QPalette::Button);
    }
}

}  // namespace

QColor ColourFromWindows(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    if (bits & 0x80000000u) return SystemColour(static_cast<int>(bits & 0xFFu));
    return QColor(static_cast<int>(bits & 0xFFu), static_cast<int>((bits >> 8) & 0xFFu),
                  static_cast<int>((bits >> 16) & 0xFFu));
}

std::int32_t WindowsFromColour(const QColor& colour) {
    const QColor rgb = colour.toRgb();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(rgb.red()) |
                                     (static_cast<std::uint32_t>(rgb.green()) << 8) |
                                     (static_cast<std::uint32_t>(rgb.blue()) << 16));
}

QColor ActiveCaptionColour() {
    return QColor(0x00, 0x54, 0xE3);
}

}  // namespace tv
