#pragma once

#include <string>
#include <string_view>

namespace tv {

// True when text is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsValidUtf8(std::string_view text);

// Converts Windows-1252 bytes to UTF-8. The five bytes that code page leaves
// undefined map to the C1 control of the same value, so nothing is lost.
std::string Windows1252ToUtf8(std::string_view text);

// Converts UTF-8 to Windows-1252; a character that has no byte there becomes '?'.
// Ill-formed input bytes are taken as Windows-1252 bytes themselves.
std::string Utf8ToWindows1252(std::string_view text);

// Text read from one of our files: kept as it is when it is valid UTF-8, otherwise
// taken as Windows-1252 (files carried over from the old platform keep their umlauts).
// A UTF-8 byte-order mark at the start is dropped.
std::string DecodeFileText(std::string text);

}  // namespace tv
