// INI text: any bytes parsed; the text written and parsed again keeps every value,
// and a value set is found again.

#include "settings/ini_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    IniFile ini = IniFile::Parse(text);
    const std::string written = ini.Text();
    const IniFile again = IniFile::Parse(written);
    FUZZ_CHECK(again.Text() == written);
    for (const char* section : {"SYSTEM", "Burner", "ImagePanel", ""})
        for (const std::string& key : ini.Keys(section))
            FUZZ_CHECK(again.Value(section, key) == ini.Value(section, key));

    ini.SetValue("SYSTEM", "Panel1_Height", "201");
    FUZZ_CHECK(ini.Value("system", "PANEL1_HEIGHT") == std::optional<std::string>("201"));
    FUZZ_CHECK(IniFile::Parse(ini.Text()).Value("SYSTEM", "Panel1_Height") ==
               std::optional<std::string>("201"));
    return 0;
}
