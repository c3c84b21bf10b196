// Description texts of the set.
#include <gtest/gtest.h>

#include "Tarvel/engine/numformat.h"
#include "Tarvel/engine/servers.h"
#include "access.h"

namespace {

using A = TTarvelAccess;

// The weights in the texts use the locale's decimal separator.
std::string Num(const char* text) {
    std::string s = text;
    for (char& c : s)
        if (c == '.') c = engine::LocaleDecimalSeparator();
    return s;
}

class InfoTest : public ::testing::Test {
protected:
    TTarvel set;
    void Loaded(int type) {
        A::SetLoaded(set, true);
        A::SetType(set, type);
    }
};

TEST_F(InfoTest, NotLoadedWhateverTheSetHolds) {
    EXPECT_EQ(set.GetInfo(), "Not loaded");
    A::SetType(set, 3);
    A::Add(set, 0, 0.5f);
    EXPECT_EQ(set.GetInfo(), "Not loaded");
    // The weight text lists what the set holds, loaded or not.
    EXPECT_EQ(set.GetWeightInfo(), Num("Count = 1; [0]=0.5"));
}

TEST_F(InfoTest, PlainTypesEndInABlank) {
    Loaded(0);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; KN; ");
    Loaded(8);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; KN; ");
    Loaded(1);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; GT; ");
}

TEST_F(InfoTest, ModelZeroTypeLabelsTypesTwoToFive) {
    Loaded(2);
    A::Add(set, 0, 1);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; CACHE(KN); ");
    A::Model(set, 0).type = 10;
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; CACHE(GT); ");
    A::Model(set, 0).type = 0;
    A::Add(set, 0, 1);
    Loaded(3);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; TD(KN-2); ");
    A::Model(set, 0).type = 1;
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; TD(GT-2); ");
    Loaded(4);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; REVERSE(GT)");
    A::Model(set, 0).type = 0;
    A::SetDynamic(set, true);
    A::SetEMHist(set, 100);
    Loaded(5);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; CLASS(KN); Uh = 1; Eh = 100");
}

TEST_F(InfoTest, AnalyzerTypesAndWordClass) {
    Loaded(6);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; MORF CACHE; Uh = 0; Eh = 0");
    Loaded(7);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; MORF KN; Uh = 0; Eh = 0");
    Loaded(9);
    A::SetEMHist(set, -3);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; WORD CLASS; Uh = 0; Eh = -3");
}

TEST_F(InfoTest, SkipListsEverySkipDistance) {
    Loaded(10);
    A::Add(set, 0, 0.5f).iSkip = -1;
    A::Add(set, 0, 0.5f).iSkip = 0;
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; SKIP; 2; Uh = 0; -1; 0");
}

TEST_F(InfoTest, WeightsFollowTheMarkerDirectly) {
    A::Add(set, 10, 1);
    A::Add(set, 10, 0.5f);
    A::Add(set, 10, 0.5f);
    Loaded(11);
    EXPECT_EQ(set.GetInfo(), Num("LM Info: loaded; MORF1 KN1; Uh = 0; Eh = 0 W = ; 1; 0.5; 0.5"));
    Loaded(12);
    EXPECT_EQ(set.GetInfo(), Num("LM Info: loaded; MORF2 KN1; Uh = 0; Eh = 0 W = ; 1; 0.5; 0.5"));
    Loaded(13);
    EXPECT_EQ(set.GetInfo(), Num("LM Info: loaded; MORF1 KN1 + KN1 3gram; Uh = 0; Eh = 0 W = ; 1; 0.5; 0.5"));
    A::SetDynamic(set, true);
    A::Model(set, 2).lamda = 1.0f / 3.0f;
    Loaded(14);
    EXPECT_EQ(set.GetInfo(),
              Num("LM Info: loaded; MORF2 KN1 + KN1 3gram; Uh = 1; Eh = 0 W = ; 1; 0.5; 0.333333343267441"));
}

TEST_F(InfoTest, UnknownTypeAndEmptyWeightText) {
    Loaded(15);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; UNKNOWN TYPE");
    EXPECT_EQ(set.GetWeightInfo(), "Count = 0");
    Loaded(-1);
    EXPECT_EQ(set.GetInfo(), "LM Info: loaded; UNKNOWN TYPE");
}

TEST_F(InfoTest, WeightTextListsEveryModel) {
    A::Add(set, 0, 0.5f);
    A::Add(set, 0, 0.5f);
    EXPECT_EQ(set.GetWeightInfo(), Num("Count = 2; [0]=0.5; [1]=0.5"));
    A::Model(set, 1).lamda = 1.0f / 3.0f;
    A::Model(set, 0).lamda = 0.00005f;
    EXPECT_EQ(set.GetWeightInfo(), Num("Count = 2; [0]=4.99999987368938E-5; [1]=0.333333343267441"));
}

}  // namespace
