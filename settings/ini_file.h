#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// An INI file in the private-profile format: "[Section]" lines followed by
// "key=value" lines. Sections and keys are looked up without regard to the case of
// ASCII letters; values are written without quotes (a value read with matching
// quotes around it loses them). Lines the format does not know, comments, other
// sections and other keys are kept as they were.
class IniFile {
  public:
    // Parses INI text (UTF-8, CR LF or LF line ends).
    static IniFile Parse(std::string_view text);
    // Reads a file (Windows-1252 when it is not UTF-8). A missing file gives an empty
    // INI file; any other failure throws std::system_error naming the file.
    static IniFile Load(const std::filesystem::path& path);

    // The text with CR LF line ends.
    std::string Text() const;
    // Writes the file without ever leaving a half-written one; throws
    // std::system_error naming the file.
    void Save(const std::filesystem::path& path) const;

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    bool HasSection(std::string_view section) const;
    std::vector<std::string> Keys(std::string_view section) const;

  private:
    struct Line {
        std::string Key;    // empty for a line that is not "key=value"
        std::string Value;  // the value, or the whole line when Key is empty
    };
    struct Section {
        std::string Name;  // empty for the lines before the first section
        std::vector<Line> Lines;
    };

    const Section* FindSection(std::string_view name) const;
    Section* FindSection(std::string_view name);

    std::vector<Section> sections_;
};

// Compares two texts with the letters a-z and A-Z taken as equal.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept;

}  // namespace tv
