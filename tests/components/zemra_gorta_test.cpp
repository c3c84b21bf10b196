// Zemra (IKN1) and Gorta (ICMU), the two other n-gram servers, through the registry.
#include <cstdio>
#include "com_calls.h"
#include "components.h"
#include "ngram/arpa_reader.h"
#include "ngram/binary_model.h"
#include "test_data.h"

namespace {

BSTR B(const Text& t) { return t; }

}  // namespace

using ZemraTest = ComTest;
using GortaTest = ComTest;

TEST_F(ZemraTest, FourWordFormsInDoublePrecision) {
    auto kn1 = Create<IKN1>(CLSID_Zemra, IID_IKN1);
    ASSERT_TRUE(kn1);
    LONG ok = -7;
    ASSERT_EQ(S_OK, VCall(kn1.get(), 7, B(Text(DataPath("kn1.ini").c_str())), &ok));
    ASSERT_EQ(1, ok);
    double p = -7;
    EXPECT_EQ(S_OK, VCall(kn1.get(), 14, B(Text("<s>")), B(Text("x")), B(Text("y")), B(Text("y")), &p));
    EXPECT_NEAR(0.125892541, p, 1e-7);
    EXPECT_EQ(S_OK, VCall(kn1.get(), 14, B(Text("y")), B(Text("x")), B(Text("y")), B(Text("q")), &p));
    EXPECT_NEAR(0.039810717, p, 1e-7);
    EXPECT_EQ(S_OK, VCall(kn1.get(), 13, LONG{1}, LONG{3}, LONG{4}, LONG{3}, &p));
    EXPECT_NEAR(0.891250938, p, 1e-7);
    EXPECT_EQ(S_OK, VCall(kn1.get(), 9, B(Text("<s>")), B(Text("x")), B(Text("</s>")), &p));
    EXPECT_NEAR(0.112201845, p, 1e-7);
    EXPECT_EQ(S_OK, VCall(kn1.get(), 10, LONG{3}, LONG{4}, LONG{3}, &p));
    EXPECT_NEAR(0.707945784, p, 1e-7);
    LONG id = -7;
    EXPECT_EQ(S_OK, VCall(kn1.get(), 11, B(Text("y")), &id));
    EXPECT_EQ(4, id);
    EXPECT_EQ(S_OK, VCall(kn1.get(), 12, LONG{0}));

    com::unique_variant r;
    ASSERT_EQ(S_OK, LateCall(kn1.get(), L"Probability4", {Var("<s>"), Var("x"), Var("y"), Var("x")}, r.put()));
    EXPECT_EQ(VT_R8, r->vt);
    EXPECT_NEAR(0.891250938, r->dblVal, 1e-7);

    // A model file for another component's key is not this component's model.
    EXPECT_EQ(S_OK, VCall(kn1.get(), 7, B(Text(DataPath("kn.ini").c_str())), &ok));
    EXPECT_EQ(0, ok);
    EXPECT_EQ(S_OK, VCall(kn1.get(), 13, LONG{1}, LONG{3}, LONG{4}, LONG{3}, &p));
    EXPECT_EQ(0.0, p);
}

TEST_F(GortaTest, LoadsTheBinaryFormAndArpa) {
    char dir[MAX_PATH], file[MAX_PATH];
    ASSERT_NE(0u, ::GetTempPathA(MAX_PATH, dir));
    ASSERT_NE(0u, ::GetTempFileNameA(dir, "gor", 0, file));
    ngram::WriteBinaryFile(ngram::ReadArpaFile(DataPath("tiny.arpa")), file);

    auto cmu = Create<ICMU>(CLSID_Gorta, IID_ICMU);
    ASSERT_TRUE(cmu);
    for (const std::string& model : {std::string(file), DataPath("tiny.arpa")}) {
        LONG ok = -7;
        ASSERT_EQ(S_OK, VCall(cmu.get(), 7, B(Text(model.c_str())), &ok));
        ASSERT_EQ(1, ok) << model;
        double p = -7;
        EXPECT_EQ(S_OK, VCall(cmu.get(), 9, B(Text("<s>")), B(Text("a")), B(Text("a")), &p));
        EXPECT_NEAR(0.063095734, p, 1e-7);
        LONG id = -7;
        EXPECT_EQ(S_OK, VCall(cmu.get(), 10, B(Text("b")), &id));
        EXPECT_EQ(4, id);
    }
    ::DeleteFileA(file);

    com::unique_variant r;
    ASSERT_EQ(S_OK, LateCall(cmu.get(), L"Load", {Var(DataPath("bad/truncated.arpa").c_str())}, r.put()));
    EXPECT_EQ(0, r->lVal);
    ASSERT_EQ(S_OK, LateCall(cmu.get(), L"Probability", {Var("a"), Var("b"), Var("c")}, r.put()));
    EXPECT_EQ(0.0, r->dblVal);
    ASSERT_EQ(S_OK, LateCall(cmu.get(), L"Load", {Var("")}, r.put()));  // the engine's absent lmCMU
    EXPECT_EQ(0, r->lVal);
}
