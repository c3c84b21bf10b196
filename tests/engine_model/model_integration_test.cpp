// Models loaded through the real components registered in the test prefix, from the components'
// fixture files, answering the values that those files' comments work out by hand.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>
#include "Tarvel/engine/model.h"
#include "Tarvel/engine/servers.h"
#include "fake_creator.h"
#include "fake_toolops.h"

namespace {

using Lines = std::vector<std::string>;
constexpr double Tol = 1e-6;

class Integration : public ::testing::Test {
protected:
    static std::string Components(const char* name) { return std::string(COMPONENTS_DATA) + name; }
    static std::string Data(const char* name) { return std::string(ENGINE_MODEL_DATA) + name; }

    // A model of the file's own type (-1), loaded.
    void LoadFromFile(TLMWrap& m, const std::string& file) {
        m.type = TLMWrap::TypeFromFile;
        ASSERT_TRUE(m.Load(file)) << ::testing::PrintToString(tool.lines);
        ASSERT_TRUE(m.loaded);
    }

    void TearDown() override {
        for (const auto& r : engine::TakeDebugReports()) ADD_FAILURE() << r.caption << r.text;
    }

    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    fakes::FakeToolOps tool;
};

TEST_F(Integration, KnModel) {
    TLMWrap m;
    LoadFromFile(m, Components("kn.ini"));
    EXPECT_EQ(m.type, 0);
    EXPECT_EQ(m.lamda, 1.0f);
    EXPECT_EQ(tool.lines, (Lines{"Loading KN model", "KN model loaded succesfully"}));
    EXPECT_NEAR(m.Probability("a", "b", "c"), 0.891250938, Tol);
    EXPECT_NEAR(m.Probability("a", "b", "a"), 0.251188643, Tol);
    EXPECT_NEAR(m.Probability("<s>", "a", "a"), 0.063095734, Tol);
    EXPECT_NEAR(m.Probability("a", "b", "zz"), 0.035481339, Tol);
    EXPECT_NEAR(m.Probability("", "", "a"), 0.316227766, Tol);
    EXPECT_NEAR(m.Probability(nullptr, nullptr, "a"), 0.316227766, Tol);  // absent words as ""
    EXPECT_NEAR(m.ProbabilityI(3, 4, 5), 0.891250938, Tol);
    EXPECT_EQ(m.GetWordId("c"), 5);
    EXPECT_EQ(m.GetWordId("zz"), 0);
    m.lamda = 0.5f;
    EXPECT_NEAR(m.WeightedProbability("a", "b", "c"), 0.5 * 0.891250938, Tol);
}

TEST_F(Integration, ModifiedKnModel) {
    TLMWrap m;
    LoadFromFile(m, Components("kn1.ini"));
    EXPECT_EQ(m.type, 10);
    EXPECT_EQ(tool.lines, (Lines{"Loading KN1 model", "Modified KN model loaded succesfully"}));
    EXPECT_NEAR(m.Probability4("<s>", "x", "y", "x"), 0.891250938, Tol);
    EXPECT_NEAR(m.ProbabilityI4(1, 3, 4, 3), 0.891250938, Tol);
    EXPECT_NEAR(m.Probability4("<s>", "x", "y", "y"), 0.125892541, Tol);
    EXPECT_NEAR(m.Probability("x", "y", "x"), 0.707945784, Tol);
    EXPECT_NEAR(m.Probability("<s>", "x", "</s>"), 0.112201845, Tol);
    EXPECT_NEAR(m.Probability4("y", "x", "y", "q"), 0.039810717, Tol);
    EXPECT_EQ(m.GetWordId("y"), 4);
    // The double answer arrives narrowed.
    EXPECT_EQ(m.Probability("x", "y", "x"), static_cast<float>(m.Probability("x", "y", "x")));
}

TEST_F(Integration, CacheModelAndItsView) {
    TLMWrap m;
    LoadFromFile(m, Components("cache.ini"));
    EXPECT_EQ(m.type, 2);
    EXPECT_EQ(m.lamda, 0.0f);  // a cache model's weight defaults to 0
    m.MakeHistory(10);
    for (const char* w : {"a", "b", "a", "c"}) m.AddToHist("", "", w, 0);
    EXPECT_EQ(m.history->count, 0);
    EXPECT_NEAR(m.Probability("", "", "a"), 0.5, Tol);
    EXPECT_NEAR(m.Probability("", "", "c"), 0.25, Tol);
    EXPECT_EQ(m.Probability("", "", "z"), 0.0f);

    TLMWrap view;  // shares the cache component as the model set does
    view.type = 3;
    view.cache = m.cache;
    EXPECT_NEAR(view.Probability("", "a", "b"), 0.5, Tol);
    EXPECT_NEAR(view.Probability("", "b", "a"), 1.0, Tol);

    m.AddToHist("", "", "d", 1);  // recorded before the cache takes the word
    m.AddToHist("", "", "e", 1);
    ASSERT_EQ(m.history->count, 2);
    EXPECT_EQ(m.history->items[0], 0.0f);
    EXPECT_EQ(m.history->items[1], 0.0f);
    EXPECT_NEAR(m.Probability("", "", "a"), 0.2, Tol);
    m.ClearCalcCache(2);
    EXPECT_EQ(m.history->count, 0);
    EXPECT_NEAR(m.Probability("", "", "b"), 1.0 / 3, Tol);
    m.ClearHistory();
    EXPECT_EQ(m.Probability("", "", "b"), 0.0f);
}

TEST_F(Integration, ClassModelOverKn) {
    TLMWrap m;
    LoadFromFile(m, Components("class.ini"));
    EXPECT_EQ(m.type, 6);
    EXPECT_EQ(tool.lines, (Lines{"Loading class model", "WC model loaded succesfully", "KN model loaded succesfully",
                                 "Class model loaded succesfully"}));
    EXPECT_NEAR(m.Probability("Kaunas", "Vilnius", "eina"), 0.441670141, Tol);
    EXPECT_NEAR(m.Probability("Kaunas", "Vilnius", "va\xFEiuoja"), 0.630957344 * 0.3, Tol);
    // Absent history words are class 0, the KN model's unknown word: p(VERB | <unk>) = 10^-0.4.
    EXPECT_NEAR(m.Probability(nullptr, nullptr, "eina"), 0.398107171 * 0.7, Tol);
    EXPECT_EQ(m.GetWordId("eina"), 0);  // no word ids for this type
}

TEST_F(Integration, ClassAndCache) {
    TLMWrap m;
    LoadFromFile(m, Components("classcache.ini"));
    EXPECT_EQ(m.type, 7);
    m.MakeHistory(4);
    for (const char* w : {"Vilnius", "eina", "Vilnius"}) m.AddToHist("", "", w, 0);
    EXPECT_NEAR(m.Probability("", "Kaunas", "Vilnius"), 0.266666667, Tol);
}

TEST_F(Integration, BinaryCmuModelFile) {
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    std::string file = std::string(dir) + "engine_model_cmu.ini";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "type = 1\nlmCMU = %s\n", Components("tiny.arpa").c_str());
    std::fclose(f);
    TLMWrap m;
    LoadFromFile(m, file);
    std::remove(file.c_str());
    EXPECT_NEAR(m.Probability("a", "b", "c"), 0.891250938, Tol);
    EXPECT_EQ(m.GetWordId("b"), 4);
}

// Words cross to the component converted once per query: letters of the code page and long
// words around the lengths where the conversions stop using their own buffers.
TEST_F(Integration, KnModelGetsEveryWordIntact) {
    const std::vector<std::string> words = {"\xE0\xFEuolas", std::string(63, 'x'), std::string(63, '\xE8'),
                                            std::string(64, '\xE8'), std::string(65, '\xE8'), std::string(200, '\xC0'),
                                            "a" + std::string(70, 'b')};
    char dir[MAX_PATH];
    ::GetTempPathA(MAX_PATH, dir);
    const std::string arpa = std::string(dir) + "engine_model_words.arpa", ini = std::string(dir) + "engine_model_words.ini";
    std::string text = "\\data\\\nngram 1=" + std::to_string(words.size()) + "\nngram 2=" + std::to_string(words.size() - 1) +
                       "\n\n\\1-grams:\n";
    for (size_t i = 0; i < words.size(); ++i) text += "-" + std::to_string(0.125 * (i + 1)) + " " + words[i] + " 0\n";
    text += "\n\\2-grams:\n";
    for (size_t i = 0; i + 1 < words.size(); ++i) text += "-0.5 " + words[i] + " " + words[i + 1] + "\n";
    text += "\n\\end\\\n";
    for (const auto& [file, content] : {std::pair{arpa, text}, std::pair{ini, "kn_model = " + arpa + "\n"}}) {
        FILE* f = std::fopen(file.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(content.c_str(), f);
        std::fclose(f);
    }
    TLMWrap m;
    LoadFromFile(m, ini);
    std::remove(arpa.c_str());
    std::remove(ini.c_str());
    for (size_t i = 0; i < words.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m.GetWordId(words[i].c_str()), static_cast<long>(i + 1));
        EXPECT_NEAR(m.Probability("", "", words[i].c_str()), std::pow(10.0, -0.125 * (i + 1)), Tol);
        if (i > 0) EXPECT_NEAR(m.Probability("", words[i - 1].c_str(), words[i].c_str()), 0.316227766, Tol);
    }
}

TEST_F(Integration, KnModelInTheProvidersProcess) {
    TLMWrap m;
    LoadFromFile(m, Data("kn_sep.ini"));
    ASSERT_TRUE(m.provider);
    EXPECT_EQ(m.lamda, 0.5f);
    // A proxy: the model lives in another process.
    com::com_ptr<IClientSecurity> security = m.kn.try_query<IClientSecurity>(IID_IClientSecurity);
    EXPECT_TRUE(security);
    EXPECT_NEAR(m.Probability("a", "b", "c"), 0.891250938, Tol);
    EXPECT_EQ(m.GetWordId("a"), 3);
}

TEST_F(Integration, ModifiedKnModelInTheProvidersProcess) {
    TLMWrap m;
    LoadFromFile(m, Data("kn1_sep.ini"));
    ASSERT_TRUE(m.provider);
    EXPECT_NEAR(m.Probability4("<s>", "x", "y", "x"), 0.891250938, Tol);
    EXPECT_NEAR(m.ProbabilityI4(1, 3, 4, 3), 0.891250938, Tol);
}

}  // namespace
