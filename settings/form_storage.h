#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// Name of the settings file in the program's folder.
inline constexpr std::string_view kSettingsFileName = "SONGVAT.INI";

// Where a window stands, as the keys "Flags", "ShowCmd", "PixelsPerInch",
// "MinMaxPos" and "NormPos" keep it. The normal rectangle is the window's client
// area in screen coordinates (right and bottom exclusive).
struct WindowPlacement {
    enum ShowCommand { kNormal = 1, kMinimized = 2, kMaximized = 3 };
    int Flags = 0;
    int ShowCmd = kNormal;
    int PixelsPerInch = 96;
    int MinX = -1, MinY = -1, MaxX = -1, MaxY = -1;
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    bool operator==(const WindowPlacement&) const = default;
};

// The settings store of one window: its section of the INI file holds the
// window's placement and a list of named component properties, each saved under
// the key component "_" property ("PlayListPlay_Checked"). Values are decimal
// integers (colours too), "True"/"False", or text unchanged.
//
// Every Restore and Save reads the file anew, so stores of different windows that
// share the file never overwrite each other's sections.
class FormStorage {
  public:
    FormStorage(std::filesystem::path iniPath, std::string section);

    const std::filesystem::path& IniPath() const noexcept { return iniPath_; }
    const std::string& Section() const noexcept { return section_; }

    // Adds a stored property; name is component "." property ("CBmp3.Checked").
    void AddIntProperty(std::string_view name, std::function<int()> get,
                        std::function<void(int)> set);
    void AddBoolProperty(std::string_view name, std::function<bool()> get,
                         std::function<void(bool)> set);
    // A text's value is decoded on its own (UTF-8, or else Windows-1252, so one
    // odd value never garbles the others); a file name's value keeps its bytes.
    enum class TextKind { Text, FileName };
    void AddTextProperty(std::string_view name, std::function<std::string()> get,
                         std::function<void(const std::string&)> set,
                         TextKind kind = TextKind::Text);

    // Reads the section: applies every stored property whose key is present and whose
    // value converts (others keep their value) and returns the placement, if the
    // section holds one. Throws std::system_error when the file cannot be read.
    std::optional<WindowPlacement> Restore();

    // Writes the placement keys and every stored property into the section, keeping
    // the rest of the file. Throws std::system_error when the file cannot be written.
    void Save(const WindowPlacement& placement);

    // "Comp.Prop" -> "Comp_Prop".
    static std::string KeyOf(std::string_view propertyName);

  private:
    struct Property {
        std::string Key;
        std::function<std::string()> Get;
        std::function<bool(const std::string&)> Set;  // false when the value does not convert
    };

    std::filesystem::path iniPath_;
    std::string section_;
    std::vector<Property> properties_;
};

// Conversions of the stored values.
std::optional<int> ParseStoredInt(std::string_view text);
std::optional<bool> ParseStoredBool(std::string_view text);
std::string FormatStoredBool(bool value);

}  // namespace tv
