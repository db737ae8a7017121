#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tv {

// Joliet names: UCS-2 big-endian on the disc. A character Joliet cannot carry
// becomes "_": characters beyond the Basic Multilingual Plane, control
// characters, and "*", "/", ":", ";", "?", "\". A byte that is not UTF-8 (a name
// from a Latin-1 system) stands for the Latin-1 character of that value when it is
// a printable one, otherwise for "_".
std::u16string JolietName(std::string_view utf8);

// The name as the Joliet tree carries it, back in UTF-8.
std::string JolietSafeName(std::string_view utf8);

// The number of UCS-2 characters of the Joliet name: the length every name limit
// counts (the 107 and 110 character rules, the 255-byte record).
std::size_t JolietLength(std::string_view utf8);

// The longest Joliet identifier (";1" included) whose directory record fits the
// record length byte: 33 + 2 x 110 + 1 = 254 bytes.
inline constexpr std::size_t kLongestJolietIdentifier = 110;

// A printable form of a path for one log line: control characters (a newline or
// TAB in a file name) become "?".
std::string LogText(std::string_view text);

}  // namespace tv
