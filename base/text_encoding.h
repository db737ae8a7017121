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

// Appends a code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// The length of the well-formed UTF-8 sequence at text[pos] (its code point in
// codePoint), or 0 when the bytes there are ill-formed.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos, char32_t& codePoint);

// The number of characters of UTF-8 text (bytes that do not continue one).
std::size_t CountCharacters(std::string_view utf8);

// A whole file's text with its byte-order mark taken off: UTF-8 without the mark;
// UTF-16 (little or big endian, by its mark) as UTF-8, a lone surrogate as
// U+FFFD. Text without a mark stays as it is, byte for byte.
std::string DecodeByteOrderMark(std::string text);

// Text read from one of our files: kept as it is when it is valid UTF-8, otherwise
// taken as Windows-1252 (files carried over from the old platform keep their umlauts).
// A UTF-8 byte-order mark at the start is dropped.
std::string DecodeFileText(std::string text);

}  // namespace tv
