#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/support/write_limit.h"

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

// A save that fails part-way (the file size limit of a child process) keeps the
// old settings whole and leaves no temporary file.
TEST(IniFile, ASaveFailingPartWayKeepsTheOldFile) {
    test::TempFolder folder;
    const auto path = folder / "SONGVAT.INI";
    test::WriteBytes(path, "[SYSTEM]\r\nalt=1\r\n");
    IniFile ini = IniFile::Load(path);
    for (int key = 0; key < 2000; ++key)
        ini.SetValue("LISTE", "Spalte" + std::to_string(key), std::string(40, 'w'));
    const int result = test::FailsPartWay(8 * 1024, [&] { ini.Save(path); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::ReadBytes(path), "[SYSTEM]\r\nalt=1\r\n");
    EXPECT_EQ(test::NamesIn(folder.Path()), std::set<std::string>{"SONGVAT.INI"});
}

// Values keep their bytes: one that is not UTF-8 never changes how the others are
// read, and a save writes every value back as it was.
TEST(IniFile, ValuesKeepTheirBytes) {
    test::TempFolder folder;
    const std::string text =
        "[AUTOADDING]\r\nDirEdit_Text=/m/M\xFCsik\r\n[EXPORT]\r\nEdtFileName_Text=M\xC3\xBCsik.csv\r\n";
    test::WriteBytes(folder / "SONGVAT.INI", text);
    IniFile ini = IniFile::Load(folder / "SONGVAT.INI");
    EXPECT_EQ(ini.Value("AUTOADDING", "DirEdit_Text"), "/m/M\xFCsik");
    EXPECT_EQ(ini.Value("EXPORT", "EdtFileName_Text"), "Müsik.csv");
    ini.Save(folder / "SONGVAT.INI");
    EXPECT_EQ(test::ReadBytes(folder / "SONGVAT.INI"), text);
    // A file saved as UTF-16 by an editor is read by its mark.
    test::WriteBytes(folder / "U16.INI", std::string("\xFF\xFE[\0A\0]\0\r\0\n\0k\0=\0\xFC\0", 18));
    EXPECT_EQ(IniFile::Load(folder / "U16.INI").Value("A", "k"), "ü");
}

TEST(IniFile, UnreadableFileThrows) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "SONGVAT.INI");
    EXPECT_THROW(IniFile::Load(folder / "SONGVAT.INI"), std::system_error);
}

}  // namespace
}  // namespace tv
