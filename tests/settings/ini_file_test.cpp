#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

TEST(IniFile, LooksUpSectionsAndKeysWithoutCase) {
    const IniFile ini = IniFile::Parse("[System]\r\nFormVersion = 0\r\nName=\"quoted value\"\r\n");
    EXPECT_EQ(ini.Value("SYSTEM", "formversion"), "0");
    EXPECT_EQ(ini.Value("system", "NAME"), "quoted value");
    EXPECT_FALSE(ini.Value("SYSTEM", "missing").has_value());
    EXPECT_FALSE(ini.Value("OTHER", "FormVersion").has_value());
}

TEST(IniFile, ChangesKeepEverythingElse) {
    IniFile ini =
        IniFile::Parse("; comment at the top\n[A]\nx=1\n\n[B]\nkeep=yes\nnot a key line\n");
    ini.SetValue("a", "X", "2");
    ini.SetValue("A", "y", "3");
    ini.SetValue("C", "z", "multi\nline");
    EXPECT_EQ(
        ini.Text(),
        "; comment at the top\r\n[A]\r\nx=2\r\ny=3\r\n\r\n[B]\r\nkeep=yes\r\nnot a key line\r\n"
        "[C]\r\nz=multi line\r\n");
    EXPECT_EQ(IniFile::Parse(ini.Text()).Keys("B"), std::vector<std::string>{"keep"});
}

TEST(IniFile, MissingFileIsEmptyAndSavedFilesReadBack) {
    test::TempFolder folder;
    IniFile ini = IniFile::Load(folder / "SONGVAT.INI");
    EXPECT_FALSE(ini.HasSection("SYSTEM"));
    ini.SetValue("SYSTEM", "DirEdit_Text", "/musik/Größe");
    ini.Save(folder / "SONGVAT.INI");
    EXPECT_EQ(IniFile::Load(folder / "SONGVAT.INI").Value("SYSTEM", "DirEdit_Text"),
              "/musik/Größe");
}

TEST(IniFile, OldWindows1252FilesAreRead) {
    test::TempFolder folder;
    test::WriteBytes(folder / "SONGVAT.INI", "[AUTOADDING]\r\nDirEdit_Text=C:\\M\xFCsik\r\n");
    EXPECT_EQ(IniFile::Load(folder / "SONGVAT.INI").Value("AUTOADDING", "DirEdit_Text"),
              "C:\\Müsik");
}

TEST(IniFile, UnreadableFileThrows) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "SONGVAT.INI");
    EXPECT_THROW(IniFile::Load(folder / "SONGVAT.INI"), std::system_error);
}

}  // namespace
}  // namespace tv
