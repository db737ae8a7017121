#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tv {

// File names are byte strings and need not be UTF-8. These two convert between
// the core's bytes and Qt's strings without losing a byte: valid UTF-8 becomes its
// characters, every other byte b a lone surrogate U+DC00 + b, which only these
// functions produce and which turns back into that byte. On screen such a byte
// shows as a replacement mark.
QString QStringFromBytes(std::string_view bytes);
std::string BytesFromQString(const QString& text);

// A cell's UTF-8 text as a Qt string (what QString::fromStdString does, for views).
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tv
