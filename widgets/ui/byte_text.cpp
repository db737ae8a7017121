#include "widgets/ui/byte_text.h"

#include "base/text_encoding.h"

namespace tv {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool IsEscapedByte(char16_t unit) {
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

}  // namespace

QString QStringFromBytes(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        char32_t cp = 0;
        const std::size_t length = Utf8SequenceLength(bytes, pos, cp);
        if (length == 0) {
            text +=
                QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[pos])));
            ++pos;
            continue;
        }
        pos += length;
        if (cp > 0xFFFF) {
            const char32_t v = cp - 0x10000;
            text += QChar(static_cast<char16_t>(0xD800 + (v >> 10)));
            text += QChar(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            text += QChar(static_cast<char16_t>(cp));
        }
    }
    return text;
}

std::string BytesFromQString(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < size) {
            const char16_t low = text[i + 1].unicode();
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(bytes, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (IsEscapedByte(unit)) {
            bytes.push_back(static_cast<char>(unit - kEscapeBase));
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            AppendUtf8(bytes, 0xFFFD);  // a lone surrogate of another origin
        } else {
            AppendUtf8(bytes, unit);
        }
    }
    return bytes;
}

}  // namespace tv
