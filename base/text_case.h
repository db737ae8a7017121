#pragma once

#include <string>
#include <string_view>

namespace tv {

// Lower and upper case by Unicode rules (umlauts included), independent of the
// user's locale. Bytes that are not UTF-8 stay as they are.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
// Appends UpperCase(text) to out; ASCII takes a fast path (for search loops).
void AppendUpperCase(std::string& out, std::string_view text);
// Upper-cases text in place. False (with text partly changed) when a character's
// upper case needs another number of bytes; the caller then uses UpperCase.
bool UpperCaseInPlace(char* text, std::size_t size);

}  // namespace tv
