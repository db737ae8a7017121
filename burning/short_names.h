#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tv {

// True when name is a valid 8.3 name: 1-8 characters, optionally a dot and 1-3
// more, all of them letters, digits or $%'-_@~`!(){}^#& (letter case does not
// matter).
bool IsValidShortName(std::string_view name);

// The short 8.3 alias of a long name as the old platform made it: the long name
// upper-cased when it is already a valid short name, otherwise "BASE~N.EXT" from
// the characters allowed in short names (ASCII only; others become "_"), with N
// chosen so that the alias is not taken (taken compares upper-cased names).
// numbers, when given, remembers per base and extension the number to try next,
// so that many similar names do not each count up from 1.
std::string ShortNameFor(std::string_view longName, bool isDirectory,
                         const std::function<bool(const std::string&)>& taken,
                         std::unordered_map<std::string, unsigned>* numbers = nullptr);

}  // namespace tv
