// The components' reading of settings files: lookups and the paths they resolve.
#include <gtest/gtest.h>
#include <cstdio>
#include <windows.h>
#include "ngram/load_error.h"
#include "ngram/settings_file.h"
#include "test_data.h"

namespace {

std::string WriteTemp(const std::string& text) {
    char dir[MAX_PATH], file[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    ::GetTempFileNameA(dir, "set", 0, file);
    FILE* f = std::fopen(file, "wb");
    std::fputs(text.c_str(), f);
    std::fclose(f);
    return file;
}

}  // namespace

TEST(SettingsFile, LookupsAndPaths) {
    const std::string file = WriteTemp(
        "// comment = not a key\r\n\r\n  KN_Model =  m\\tiny.arpa \r\nkn_model = second.arpa\r\n"
        "quoted = \" a b \"\r\nabs = C:\\x.arpa\r\nunix = /tmp/x.arpa\r\nsize = 12\r\nword = twelve\r\nempty =\r\n");
    const ngram::SettingsFile s = ngram::SettingsFile::Read(file);
    const std::string folder = file.substr(0, file.find_last_of('\\') + 1);
    EXPECT_EQ("m\\tiny.arpa", s.Get(" kn_MODEL "));
    EXPECT_EQ(folder + "m\\tiny.arpa", s.GetPath("kn_model"));  // relative to the settings file
    EXPECT_EQ(" a b ", s.Get("quoted"));
    EXPECT_EQ("C:\\x.arpa", s.GetPath("abs"));
    EXPECT_EQ("/tmp/x.arpa", s.GetPath("unix"));
    EXPECT_EQ("", s.GetPath("absent"));
    EXPECT_EQ("", s.GetPath("empty"));
    EXPECT_EQ(12, s.GetInt("size"));
    EXPECT_FALSE(s.GetInt("absent").has_value());
    EXPECT_THROW(s.GetInt("word"), ngram::LoadError);
    ::DeleteFileA(file.c_str());
}

TEST(SettingsFile, StartinGivesTheBaseOfRelativePaths) {
    const std::string file = WriteTemp("startin = D:\\models\\\nkn_model = tiny.arpa\n");
    EXPECT_EQ("D:\\models\\tiny.arpa", ngram::SettingsFile::Read(file).GetPath("kn_model"));
    ::DeleteFileA(file.c_str());
}

TEST(SettingsFile, Failures) {
    try {
        ngram::SettingsFile::Read(DataPath("bad/settings_no_equals.ini"));
        FAIL();
    } catch (const ngram::LoadError& e) {
        EXPECT_EQ(DataPath("bad/settings_no_equals.ini") + ": no \"=\" in the line \"no equals sign here\" at line 1",
                  std::string(e.what()));
    }
    EXPECT_THROW(ngram::SettingsFile::Read(DataPath("absent.ini")), ngram::LoadError);
}
