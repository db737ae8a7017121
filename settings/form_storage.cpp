#include "settings/form_storage.h"

#include "base/text_encoding.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "settings/ini_file.h"

namespace tv {
namespace {

constexpr int kFormVersion = 0;

std::optional<std::array<int, 4>> ParseFour(std::string_view text) {
    std::array<int, 4> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t comma = text.find(',');
        const std::string_view part = i + 1 < values.size() ? text.substr(0, comma) : text;
        const auto value = ParseStoredInt(part);
        if (!value || (i + 1 < values.size() && comma == std::string_view::npos))
            return std::nullopt;
        values[i] = *value;
        if (i + 1 < values.size()) text.remove_prefix(comma + 1);
    }
    return values;
}

std::string FormatFour(int a, int b, int c, int d) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d,%d,%d,%d", a, b, c, d);
    return buffer;
}

}  // namespace

std::optional<int> ParseStoredInt(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.starts_with('+')) text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::optional<bool> ParseStoredBool(std::string_view text) {
    if (EqualIgnoringAsciiCase(text, "True")) return true;
    if (EqualIgnoringAsciiCase(text, "False")) return false;
    return std::nullopt;
}

std::string FormatStoredBool(bool value) {
    return value ? "True" : "False";
}

FormStorage::FormStorage(std::filesystem::path iniPath, std::string section)
    : iniPath_(std::move(iniPath)), section_(std::move(section)) {}

std::string FormStorage::KeyOf(std::string_view propertyName) {
    std::string key(propertyName);
    if (const std::size_t dot = key.find('.'); dot != std::string::npos) key[dot] = '_';
    return key;
}

void FormStorage::AddIntProperty(std::string_view name, std::function<int()> get,
                                 std::function<void(int)> set) {
    properties_.push_back(Property{KeyOf(name),
                                   [get = std::move(get)] { return std::to_string(get()); },
                                   [set = std::move(set)](const std::string& text) {
                                       const auto value = ParseStoredInt(text);
                                       if (value) set(*value);
                                       return value.has_value();
                                   }});
}

void FormStorage::AddBoolProperty(std::string_view name, std::function<bool()> get,
                                  std::function<void(bool)> set) {
    properties_.push_back(Property{KeyOf(name),
                                   [get = std::move(get)] { return FormatStoredBool(get()); },
                                   [set = std::move(set)](const std::string& text) {
                                       const auto value = ParseStoredBool(text);
                                       if (value) set(*value);
                                       return value.has_value();
                                   }});
}

void FormStorage::AddTextProperty(std::string_view name, std::function<std::string()> get,
                                  std::function<void(const std::string&)> set, TextKind kind) {
    properties_.push_back(Property{
        KeyOf(name), std::move(get), [set = std::move(set), kind](const std::string& text) {
            set(kind == TextKind::FileName ? text : DecodeFileText(text));
            return true;
        }});
}

std::optional<WindowPlacement> FormStorage::Restore() {
    const IniFile ini = IniFile::Load(iniPath_);
    for (const Property& property : properties_) {
        if (const auto value = ini.Value(section_, property.Key)) property.Set(*value);
    }

    if (const auto version = ini.Value(section_, "FormVersion")) {
        const auto number = ParseStoredInt(*version);
        if (number && *number < kFormVersion) return std::nullopt;
    }
    const auto normal = ini.Value(section_, "NormPos");
    if (!normal) return std::nullopt;
    const auto rect = ParseFour(*normal);
    if (!rect) return std::nullopt;

    WindowPlacement placement;
    placement.Left = (*rect)[0];
    placement.Top = (*rect)[1];
    placement.Right = (*rect)[2];
    placement.Bottom = (*rect)[3];
    if (const auto text = ini.Value(section_, "Flags"))
        placement.Flags = ParseStoredInt(*text).value_or(placement.Flags);
    if (const auto text = ini.Value(section_, "ShowCmd"))
        placement.ShowCmd = ParseStoredInt(*text).value_or(placement.ShowCmd);
    if (const auto text = ini.Value(section_, "PixelsPerInch"))
        placement.PixelsPerInch = ParseStoredInt(*text).value_or(placement.PixelsPerInch);
    if (const auto text = ini.Value(section_, "MinMaxPos")) {
        if (const auto four = ParseFour(*text)) {
            placement.MinX = (*four)[0];
            placement.MinY = (*four)[1];
            placement.MaxX = (*four)[2];
            placement.MaxY = (*four)[3];
        }
    }
    return placement;
}

void FormStorage::Save(const WindowPlacement& placement) {
    IniFile ini = IniFile::Load(iniPath_);
    ini.SetValue(section_, "FormVersion", std::to_string(kFormVersion));
    ini.SetValue(section_, "Flags", std::to_string(placement.Flags));
    ini.SetValue(section_, "ShowCmd", std::to_string(placement.ShowCmd));
    ini.SetValue(section_, "PixelsPerInch", std::to_string(placement.PixelsPerInch));
    ini.SetValue(section_, "MinMaxPos",
                 FormatFour(placement.MinX, placement.MinY, placement.MaxX, placement.MaxY));
    ini.SetValue(section_, "NormPos",
                 FormatFour(placement.Left, placement.Top, placement.Right, placement.Bottom));
    for (const Property& property : properties_)
        ini.SetValue(section_, property.Key, property.Get());
    ini.Save(iniPath_);
}

}  // namespace tv
