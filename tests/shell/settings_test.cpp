#include <windows.h>

#include <gtest/gtest.h>

#include <climits>

#include <cstdio>
#include <string>
#include <vector>

#include "Tarvel/shell/settings.h"
#include "Tarvel/shell/settings_check.h"
#include "Tarvel/shell/toolops.h"

namespace {

// A private folder for generated settings files, removed with its files afterwards.
class TempDir {
public:
    TempDir() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        path = std::string(base) + "settings_test_" + std::to_string(GetCurrentProcessId()) + "_" +
               std::to_string(counter++) + "\\";
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TempDir() {
        for (const auto& f : files) DeleteFileA(f.c_str());
        RemoveDirectoryA(path.c_str());
    }
    // Written byte for byte (binary), so line ends are exactly as given.
    std::string Write(const std::string& name, const std::string& bytes) {
        std::string full = path + name;
        FILE* f = std::fopen(full.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        files.push_back(full);
        return full;
    }
    std::string path;

private:
    std::vector<std::string> files;
    static inline int counter = 0;
};

const std::string Data = SHELL_DATA;

TEST(SettingsForms, EveryValueFormFromTheFixture) {
    TSettings s;
    ASSERT_TRUE(s.Load(Data + "forms.set")) << s.lastError;

    // Key case and blanks around key, "=" and value do not matter; lookups trim and lower.
    EXPECT_EQ(s.GetInt("step1 ", 0), 25);
    EXPECT_EQ(s.GetInt("STEP1", 0), 25);
    EXPECT_EQ(s.GetString("step1", ""), "25");
    EXPECT_FLOAT_EQ(s.GetFloat("step1", 0), 25.0f);

    // Quoted strings keep inner and edge blanks; the last character is dropped whatever it is.
    EXPECT_EQ(s.GetString("name", "?"), "  padded text  ");
    EXPECT_EQ(s.GetInt("name", 7), 0);
    EXPECT_EQ(s.GetString("lone", "?"), "");
    EXPECT_EQ(s.GetString("half", "?"), "ab");

    // A point makes a float: GetInt gives 0, not the default; the text stays as written.
    EXPECT_EQ(s.GetInt("ratio", 7), 0);
    EXPECT_FLOAT_EQ(s.GetFloat("ratio", 7), 1.0f);
    EXPECT_EQ(s.GetString("ratio", ""), "1.0");

    // No point: integer or nothing.
    EXPECT_EQ(s.GetInt("sci", 7), 0);
    EXPECT_EQ(s.GetInt("digits", 7), 0);
    EXPECT_EQ(s.GetString("digits", ""), "12abc");
    EXPECT_EQ(s.GetInt("hex", 0), 31);
    EXPECT_EQ(s.GetInt("hex2", 0), 16);
    EXPECT_EQ(s.GetInt("neg", 0), -42);
    EXPECT_FLOAT_EQ(s.GetFloat("neg", 0), -42.0f);
    EXPECT_EQ(s.GetInt("big", 7), 0);
    EXPECT_EQ(s.GetString("start", ""), "load");
    EXPECT_EQ(s.GetInt("start", 7), 0);

    // Lists keep their whole text; runs of blanks count as one.
    EXPECT_EQ(s.GetString("weights", ""), "arrayd: 0.5   0.25 2");
    EXPECT_EQ(s.GetFloatArray("weights"), (std::vector<float>{0.5f, 0.25f, 2.0f}));
    EXPECT_EQ(s.GetInt("weights", 7), 0);
    EXPECT_TRUE(s.GetFloatArray("nolist").empty());
    EXPECT_TRUE(s.GetFloatArray("ratio").empty());

    EXPECT_EQ(s.GetString("empty", "?"), "");
    EXPECT_EQ(s.GetInt("empty", 7), 0);
    EXPECT_EQ(s.GetString("url", ""), "http://host/?a=b // not a comment");
    EXPECT_EQ(s.GetInt("inner key", 0), 3);
}

TEST(SettingsForms, DuplicateKeysAnswerFromTheFirstLine) {
    TSettings s;
    ASSERT_TRUE(s.Load(Data + "forms.set"));
    EXPECT_EQ(s.GetInt("dup", 0), 1);
    EXPECT_EQ(s.GetString("dup", ""), "1");
}

TEST(SettingsLookups, AbsentKeysGiveTheirDefaults) {
    TempDir dir;
    TSettings s;
    ASSERT_TRUE(s.Load(dir.Write("blank.set", "\n   \n// only comments\n\t\n")));
    EXPECT_EQ(s.GetInt("x", 7), 7);
    EXPECT_FLOAT_EQ(s.GetFloat("x", 2.5f), 2.5f);
    EXPECT_EQ(s.GetString("x", "def"), "def");
    EXPECT_EQ(s.GetPath("x"), "");
    EXPECT_TRUE(s.GetFloatArray("x").empty());
}

TEST(SettingsLookups, HexValuesAreThirtyTwoBitPatterns) {
    TempDir dir;
    TSettings s;
    ASSERT_TRUE(s.Load(dir.Write("hex.set", "all = $FFFFFFFF\nlowest = -$80000000\nhighest = $7FFFFFFF\n")));
    EXPECT_EQ(s.GetInt("all", 7), -1);
    EXPECT_EQ(s.GetInt("lowest", 7), INT_MIN);
    EXPECT_EQ(s.GetInt("highest", 7), INT_MAX);
}

TEST(SettingsLookups, KeysLowerInTheBalticCodePage) {
    TempDir dir;
    TSettings s;
    // 0xA8 and 0xAF lower to 0xB8 and 0xBF only in code page 1257.
    ASSERT_TRUE(s.Load(dir.Write("cp.set", "\xA8\xAF = 5\n")));
    EXPECT_EQ(s.GetInt("\xB8\xBF", 0), 5);
    EXPECT_EQ(s.GetInt("\xA8\xAF", 0), 5);
}

TEST(SettingsPaths, ResolvedAgainstStartin) {
    TempDir dir;
    TSettings s;
    ASSERT_TRUE(s.Load(dir.Write("p.set",
                                 "early = a.lm\n"
                                 "startin = C:\\data\\\n"
                                 "lm = model.lm\n"
                                 "abs = D:\\other\\m.lm\n"
                                 "root = \\top\\m.lm\n"
                                 "none = \"\"\n")));
    EXPECT_EQ(s.startin, "C:\\data\\");
    // Lookups resolve with the startin in force now, wherever the key stands.
    EXPECT_EQ(s.GetPath("early"), "C:\\data\\a.lm");
    EXPECT_EQ(s.GetPath("lm"), "C:\\data\\model.lm");
    EXPECT_EQ(s.GetPath("abs"), "D:\\other\\m.lm");
    EXPECT_EQ(s.GetPath("root"), "C:\\data\\\\top\\m.lm");
    EXPECT_EQ(s.GetPath("none"), "C:\\data\\");
}

TEST(SettingsPaths, LaterStartinOverwritesButGetStringKeepsTheFirst) {
    TempDir dir;
    TSettings s;
    ASSERT_TRUE(s.Load(dir.Write("p.set", "startin = C:\\a\\\nstartin = C:\\b\\\nlm = m\n")));
    EXPECT_EQ(s.GetString("startin", ""), "C:\\a\\");
    EXPECT_EQ(s.GetPath("lm"), "C:\\b\\m");
}

TEST(SettingsLines, CrLfAndALastLineWithoutLineFeed) {
    TempDir dir;
    TSettings s;
    ASSERT_TRUE(s.Load(dir.Write("crlf.set", "a = 1\r\nb = \"x y\"\r\n\r\nc = last")));
    EXPECT_EQ(s.GetInt("a", 0), 1);
    EXPECT_EQ(s.GetString("b", ""), "x y");
    EXPECT_EQ(s.GetString("c", ""), "last");
}

TEST(SettingsLines, LongLineIsReadInPiecesOf2048) {
    TempDir dir;
    // 3000 characters: the first piece "a = " + 2044 x, the second "b = " + 948 y.
    std::string line = "a = " + std::string(2044, 'x') + "b = " + std::string(948, 'y');
    ASSERT_EQ(line.size(), 3000u);
    TSettings s;
    ASSERT_TRUE(s.Load(dir.Write("long.set", line + "\nc = 3\n"))) << s.lastError;
    EXPECT_EQ(s.GetString("a", ""), std::string(2044, 'x'));
    EXPECT_EQ(s.GetString("b", ""), std::string(948, 'y'));
    EXPECT_EQ(s.GetInt("c", 0), 3);
}

TEST(SettingsLines, FailingLineInTheMiddleStopsTheLoad) {
    TempDir dir;
    TSettings s;
    EXPECT_FALSE(s.Load(dir.Write("bad.set", "above = 1\n  no equals here  \nbelow = 2\n")));
    EXPECT_EQ(s.lastError, "Can not parse line no equals here");
    EXPECT_EQ(s.GetInt("above", 0), 1);
    EXPECT_EQ(s.GetInt("below", 9), 9);
}

TEST(SettingsLines, MissingSettingsFile) {
    TSettings s;
    EXPECT_FALSE(s.Load("Z:\\no\\such\\file.set"));
    EXPECT_EQ(s.lastError, "Can not open file: Z:\\no\\such\\file.set");
    TSettings e;
    EXPECT_FALSE(e.Load(""));
    EXPECT_EQ(e.lastError, "Can not open file: ");
}

TEST(SettingsLines, NumbersBeyondTheFloatRangeFail) {
    TempDir dir;
    TSettings s;
    EXPECT_FALSE(s.Load(dir.Write("f.set", "ok = 1\nf = 1.0e999\n")));
    EXPECT_EQ(s.lastError, "Can not parse string: 1.0e999 for value: f");
    EXPECT_EQ(s.GetInt("ok", 0), 1);
    TSettings a;
    EXPECT_FALSE(a.Load(dir.Write("a.set", "w = arrayd: 1 1e999\n")));
    EXPECT_EQ(a.lastError, "Can not parse string:  1 1e999 for value: w");
}

TEST(SettingsFiles, FileValueReadsTheFirstLineOfTheTarget) {
    TempDir dir;
    dir.Write("title.txt", "   \"Quoted title \"  \nsecond line = ignored\n");
    dir.Write("num.txt", "12\n");
    dir.Write("chain.txt", "file:num.txt\n");
    dir.Write("list.txt", "arrayd:1 2\n");
    dir.Write("empty.txt", "");
    TSettings s;
    ASSERT_TRUE(s.Load(dir.Write("f.set", "startin = " + dir.path + "\n"
                                          "title = file:title.txt\n"
                                          "n = file:chain.txt\n"
                                          "w = file:list.txt\n"
                                          "e = file:empty.txt\n")))
        << s.lastError;
    EXPECT_EQ(s.GetString("title", ""), "Quoted title ");
    EXPECT_EQ(s.GetInt("n", 0), 12);
    EXPECT_EQ(s.GetString("n", ""), "12");
    EXPECT_EQ(s.GetFloatArray("w"), (std::vector<float>{1.0f, 2.0f}));
    EXPECT_EQ(s.GetInt("e", 7), 0);
    EXPECT_EQ(s.GetString("e", "?"), "");
}

TEST(SettingsFiles, MissingTargetNamesTheResolvedPathAndKey) {
    TempDir dir;
    TSettings s;
    EXPECT_FALSE(s.Load(dir.Write("f.set", "startin = " + dir.path + "\nv = file:nope.txt\n")));
    EXPECT_EQ(s.lastError, "Can not open file: " + dir.path + "nope.txt for value: v");
}

TEST(SettingsFiles, ChainBackToItselfEndsWithAnError) {
    TempDir dir;
    dir.Write("a.txt", "file:b.txt\n");
    dir.Write("b.txt", "file:a.txt\n");
    TSettings s;
    EXPECT_FALSE(s.Load(dir.Write("f.set", "startin = " + dir.path + "\nbefore = 1\nv = file:a.txt\n")));
    EXPECT_EQ(s.lastError.rfind("Too many nested files at: " + dir.path, 0), 0u) << s.lastError;
    EXPECT_NE(s.lastError.find(" for value: v"), std::string::npos);
    EXPECT_EQ(s.GetInt("before", 0), 1);
}

TEST(SettingsFiles, StartinFallsBackToPathSet) {
    TempDir dir;
    dir.Write("path.set", "C:\\models\\\n");
    TSettings s;
    ASSERT_TRUE(s.Load(dir.Write("f.set", "startin = file:missing.txt\nlm = m.lm\n"))) << s.lastError;
    EXPECT_EQ(s.startin, "C:\\models\\");
    EXPECT_EQ(s.GetString("startin", ""), "C:\\models\\");
    EXPECT_EQ(s.GetPath("lm"), "C:\\models\\m.lm");
}

TEST(SettingsFiles, StartinWithoutPathSetFails) {
    TempDir dir;
    TSettings s;
    EXPECT_FALSE(s.Load(dir.Write("f.set", "a = 1\nstartin = file:missing.txt\nb = 2\n")));
    EXPECT_EQ(s.lastError, "Can not open file: " + dir.path + "path.set for value: startin");
    EXPECT_EQ(s.GetInt("a", 0), 1);
    EXPECT_EQ(s.GetInt("b", 0), 0);
}


// Settings mistakes that load without an error each give one warning naming the key, the file
// and the fix; the files load as they read (a byte-order mark is skipped), and correct files,
// the samples among them, give none.
TEST(SettingsWarnings, EachMistakeNamesItselfAndCorrectFilesGiveNone) {
    struct Recorder : TToolOps {
        bool InitSettings(const std::string&) override { return true; }
        void Log(const std::string& t) override { lines.push_back(t); }
        void LogWarning(const std::string& t) override { lines.push_back("WARNING: " + t); }
        void LogError(const std::string& t) override { lines.push_back("ERROR: " + t); }
        void SetCount(int) override {}
        TSettings* GetSettings() override { return nullptr; }
        std::vector<std::string> lines;
    };
    const auto P = SettingsFileKind::Program;
    const auto M = SettingsFileKind::Models;
    const struct {
        SettingsFileKind kind;
        const char* text;
        const char* warning;  // after "WARNING: " and before " in <file>"; "" for none
        const char* key;      // a key that must read as the file says
        int value;
    } cases[] = {
        {P, "\xEF\xBB\xBFtype = 8\nlm = m.set\n", "The settings file", "type", 8},
        {M, "\xEF\xBB\xBFkn_model = m.arpa\nlamda = 1\n", "The settings file", "lamda", 1},
        {P, "strat = load\nlm = m.set\n", "strat = load", "", 0},
        {P, "tipe = 8\nlm = m.set\n", "tipe = 8", "", 0},
        {M, "kn_model = m.arpa\nlambda = 0.5\n", "lambda = 0.5", "", 0},
        {M, "kn_model = m.arpa\nlamda = 0,5\n", "lamda = 0,5", "", 0},
        {P, "lm = m.set\nEMHist = 100x\n", "emhist = 100x", "EMHist", 0},
        {P, "lm = a.set\nLM = b.set\n", "The key lm is given twice", "", 0},
        {P, "// nothing here\n\n", "The settings file", "", 0},
        // correct files
        {P, "type = 8\nlm = m.set\nstart = load\nstartin = C:\\m\\\nnoWarning = $1\nSkipType = -1\n", "", "type", 8},
        {M, "lamda = 0.25\nwc_file = c.txt\nkn_model = c.arpa\nkn1_model = k.arpa\ncache_size = 500\n"
            "iSkip = 1\nsep_proc = 0\nlmCMU = x.bin\ntype = 10\n", "", "type", 10},
        {M, "", "", "", 0},
        {P, "type = KN\nlm = m.set\n", "", "", 0},  // the set type warns of itself at the load
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string file = dir.Write("case.set", c.text);
        TSettings s;
        ASSERT_TRUE(s.Load(file)) << c.text;
        if (*c.key) EXPECT_EQ(c.value, s.GetInt(c.key, -1)) << c.text;
        Recorder r;
        ReportSettingsWarnings(&r, SettingsWarnings(s, file, c.kind));
        if (!*c.warning) {
            EXPECT_EQ(std::vector<std::string>{}, r.lines) << c.text;
            continue;
        }
        ASSERT_EQ(1u, r.lines.size()) << c.text << ::testing::PrintToString(r.lines);
        EXPECT_EQ(0u, r.lines[0].find(std::string("WARNING: ") + c.warning)) << r.lines[0];
        EXPECT_NE(std::string::npos, r.lines[0].find(file)) << r.lines[0];
    }
    // The fixes the lines give.
    EXPECT_EQ("start", NearestSettingsKey("strat"));
    EXPECT_EQ("type", NearestSettingsKey("tipe"));
    EXPECT_EQ("lamda", NearestSettingsKey("lambda"));
    EXPECT_EQ("lm", NearestSettingsKey("lmm"));
    EXPECT_EQ("", NearestSettingsKey("colour"));
    {
        const std::string file = dir.Write("comma.set", "lamda = 0,5\n");
        TSettings s;
        ASSERT_TRUE(s.Load(file));
        EXPECT_EQ(std::vector<std::string>{"lamda = 0,5 in " + file +
                                           ": text after the number, read as 0; write lamda = 0.5"},
                  SettingsWarnings(s, file, M));
    }

    for (const char* sample : {"kn", "cmu", "cache", "td", "class", "kn1"}) {
        const std::string folder = SAMPLES + std::string(sample) + "\\";
        WIN32_FIND_DATAA found;
        HANDLE h = FindFirstFileA((folder + "*").c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, h) << folder;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            const std::string name = found.cFileName;
            TSettings s;
            ASSERT_TRUE(s.Load(folder + name)) << name;
            const auto kind = name == "tarvel.set" ? P : M;
            EXPECT_EQ(std::vector<std::string>{}, SettingsWarnings(s, folder + name, kind)) << sample << "/" << name;
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
}

}  // namespace
