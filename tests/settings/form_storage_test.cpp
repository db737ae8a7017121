#include "settings/form_storage.h"

#include <gtest/gtest.h>

#include "settings/ini_file.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

struct Settings {
    int colour = 16711680;
    bool checked = true;
    std::string text;
};

void Bind(FormStorage& storage, Settings& settings) {
    storage.AddIntProperty(
        "CSAll.TabColor", [&] { return settings.colour; }, [&](int v) { settings.colour = v; });
    storage.AddBoolProperty(
        "PlayListPlay.Checked", [&] { return settings.checked; },
        [&](bool v) { settings.checked = v; });
    storage.AddTextProperty(
        "DirEdit.Text", [&] { return settings.text; },
        [&](const std::string& v) { settings.text = v; });
}

TEST(FormStorage, SavesPlacementAndPropertiesUnderTheirKeys) {
    test::TempFolder folder;
    const auto ini = folder / "SONGVAT.INI";
    test::WriteBytes(ini, "[AudioPlayer]\r\nFormVersion=0\r\n");
    Settings settings{-2147483633, false, "/Musik mit Leerzeichen"};
    FormStorage storage(ini, "SYSTEM");
    Bind(storage, settings);
    WindowPlacement placement;
    placement.Left = 10;
    placement.Top = 20;
    placement.Right = 1034;
    placement.Bottom = 788;
    placement.ShowCmd = WindowPlacement::kMaximized;
    storage.Save(placement);

    EXPECT_EQ(
        test::ReadBytes(ini),
        "[AudioPlayer]\r\nFormVersion=0\r\n[SYSTEM]\r\nFormVersion=0\r\nFlags=0\r\nShowCmd=3\r\n"
        "PixelsPerInch=96\r\nMinMaxPos=-1,-1,-1,-1\r\nNormPos=10,20,1034,788\r\n"
        "CSAll_TabColor=-2147483633\r\nPlayListPlay_Checked=False\r\n"
        "DirEdit_Text=/Musik mit Leerzeichen\r\n");

    Settings restored;
    FormStorage reader(ini, "system");
    Bind(reader, restored);
    EXPECT_EQ(reader.Restore(), placement);
    EXPECT_EQ(restored.colour, settings.colour);
    EXPECT_FALSE(restored.checked);
    EXPECT_EQ(restored.text, settings.text);
}

TEST(FormStorage, MissingAndBadValuesKeepTheDefaults) {
    test::TempFolder folder;
    const auto ini = folder / "SONGVAT.INI";
    Settings settings;
    FormStorage storage(ini, "SYSTEM");
    Bind(storage, settings);
    EXPECT_FALSE(storage.Restore().has_value());  // no file at all
    EXPECT_EQ(settings.colour, 16711680);

    test::WriteBytes(
        ini, "[SYSTEM]\r\nCSAll_TabColor=blue\r\nPlayListPlay_Checked=false\r\nNormPos=1,2\r\n");
    EXPECT_FALSE(storage.Restore().has_value());  // NormPos incomplete
    EXPECT_EQ(settings.colour, 16711680);         // text in an integer key: ignored
    EXPECT_FALSE(settings.checked);               // the others are still restored
}

TEST(FormStorage, AVersionBelowZeroIsNotRestored) {
    test::TempFolder folder;
    test::WriteBytes(folder / "SONGVAT.INI", "[SYSTEM]\r\nFormVersion=-1\r\nNormPos=1,2,3,4\r\n");
    FormStorage storage(folder / "SONGVAT.INI", "SYSTEM");
    EXPECT_FALSE(storage.Restore().has_value());
}

TEST(FormStorage, StoresOfOneFileKeepEachOthersSections) {
    test::TempFolder folder;
    const auto ini = folder / "SONGVAT.INI";
    Settings a, b;
    FormStorage first(ini, "SYSTEM"), second(ini, "AUTOADDING");
    Bind(first, a);
    Bind(second, b);
    a.text = "first";
    b.text = "second";
    first.Save({});
    second.Save({});
    a.text = "first again";
    first.Save({});
    const IniFile file = IniFile::Load(ini);
    EXPECT_EQ(file.Value("SYSTEM", "DirEdit_Text"), "first again");
    EXPECT_EQ(file.Value("AUTOADDING", "DirEdit_Text"), "second");
}

TEST(FormStorage, UnwritableFileThrowsAndKeepsTheOldFile) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "SONGVAT.INI");
    FormStorage storage(folder / "SONGVAT.INI", "SYSTEM");
    EXPECT_THROW(storage.Save({}), std::system_error);
    EXPECT_TRUE(std::filesystem::is_directory(folder / "SONGVAT.INI"));
}

TEST(FormStorage, KeysJoinComponentAndPropertyWithAnUnderscore) {
    EXPECT_EQ(FormStorage::KeyOf("CPageControl.ActivePage"), "CPageControl_ActivePage");
    EXPECT_EQ(ParseStoredInt(" 42 "), 42);
    EXPECT_FALSE(ParseStoredInt("4x").has_value());
    EXPECT_EQ(ParseStoredBool("TRUE"), true);
    EXPECT_FALSE(ParseStoredBool("1").has_value());
}

// Each text value is decoded on its own: an old Windows-1252 value and a UTF-8
// one in the same file both read right; a file name keeps its bytes.
TEST(FormStorage, EachValueIsDecodedOnItsOwn) {
    test::TempFolder folder;
    test::WriteBytes(folder / "SONGVAT.INI",
                     "[W]\r\nOld_Text=M\xFCsik\r\nNew_Text=M\xC3\xBCsik\r\nDir_Text=/m/B\xE4r\r\n");
    FormStorage storage(folder / "SONGVAT.INI", "W");
    std::string oldText, newText, dir;
    storage.AddTextProperty("Old.Text", [&] { return oldText; },
                            [&](const std::string& v) { oldText = v; });
    storage.AddTextProperty("New.Text", [&] { return newText; },
                            [&](const std::string& v) { newText = v; });
    storage.AddTextProperty(
        "Dir.Text", [&] { return dir; }, [&](const std::string& v) { dir = v; },
        FormStorage::TextKind::FileName);
    storage.Restore();
    EXPECT_EQ(oldText, "Müsik");
    EXPECT_EQ(newText, "Müsik");
    EXPECT_EQ(dir, "/m/B\xE4r");
    storage.Save(WindowPlacement{});
    const std::string saved = test::ReadBytes(folder / "SONGVAT.INI");
    EXPECT_NE(saved.find("Old_Text=M\xC3\xBCsik\r\n"), std::string::npos);
    EXPECT_NE(saved.find("New_Text=M\xC3\xBCsik\r\n"), std::string::npos);
    EXPECT_NE(saved.find("Dir_Text=/m/B\xE4r\r\n"), std::string::npos);
}

}  // namespace
}  // namespace tv
