#include "settings/ini_file.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "base/atomic_file.h"
#include "base/text_encoding.h"

namespace tv {
namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

}  // namespace

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

IniFile IniFile::Parse(std::string_view text) {
    IniFile ini;
    ini.sections_.push_back(Section{});
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;

        const std::string_view line = Trim(raw);
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            const std::string_view name = Trim(line.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            ini.sections_.push_back(Section{std::string(name), {}});
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || line.starts_with(';') ||
            Trim(line.substr(0, equals)).empty()) {
            ini.sections_.back().Lines.push_back(Line{{}, std::string(raw)});
            continue;
        }
        ini.sections_.back().Lines.push_back(Line{std::string(Trim(line.substr(0, equals))),
                                                  std::string(Trim(line.substr(equals + 1)))});
    }
    return ini;
}

IniFile IniFile::Load(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error) && !error) return Parse({});
    // Values are kept as their bytes: a value that is not UTF-8 (a folder name of
    // another system) is decoded by whoever reads it, on its own.
    return Parse(DecodeByteOrderMark(ReadWholeFile(path)));
}

std::string IniFile::Text() const {
    std::string out;
    for (const Section& section : sections_) {
        if (&section != &sections_.front() || !section.Name.empty())
            out += "[" + section.Name + "]\r\n";
        for (const Line& line : section.Lines) {
            if (line.Key.empty())
                out += line.Value;
            else
                out += line.Key + "=" + line.Value;
            out += "\r\n";
        }
    }
    return out;
}

void IniFile::Save(const std::filesystem::path& path) const {
    WriteFileAtomically(path, Text());
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
    for (std::size_t i = 1; i < sections_.size(); ++i) {
        if (EqualIgnoringAsciiCase(sections_[i].Name, name)) return &sections_[i];
    }
    return nullptr;
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

bool IniFile::HasSection(std::string_view section) const {
    return FindSection(section) != nullptr;
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    const Section* found = FindSection(section);
    if (found == nullptr) return std::nullopt;
    for (const Line& line : found->Lines) {
        if (line.Key.empty() || !EqualIgnoringAsciiCase(line.Key, key)) continue;
        std::string_view value = line.Value;
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        return std::string(value);
    }
    return std::nullopt;
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view rawValue) {
    // A line break would end the value early and turn the rest into a line of its own.
    std::string value(rawValue);
    std::replace(value.begin(), value.end(), '\r', ' ');
    std::replace(value.begin(), value.end(), '\n', ' ');
    Section* found = FindSection(section);
    if (found == nullptr) {
        if (sections_.empty()) sections_.push_back(Section{});
        sections_.push_back(Section{std::string(section), {}});
        found = &sections_.back();
    }
    for (Line& line : found->Lines) {
        if (!line.Key.empty() && EqualIgnoringAsciiCase(line.Key, key)) {
            line.Value = std::move(value);
            return;
        }
    }
    // New keys go behind the last key of the section, before trailing blank lines.
    auto insertAt = found->Lines.end();
    while (insertAt != found->Lines.begin() && std::prev(insertAt)->Key.empty() &&
           Trim(std::prev(insertAt)->Value).empty())
        --insertAt;
    found->Lines.insert(insertAt, Line{std::string(key), std::move(value)});
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    if (const Section* found = FindSection(section)) {
        for (const Line& line : found->Lines)
            if (!line.Key.empty()) keys.push_back(line.Key);
    }
    return keys;
}

}  // namespace tv
