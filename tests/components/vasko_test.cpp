// Vasko (IWC): the class model in both loading forms, as the class-based model types ask it.
#include "com_calls.h"
#include "components.h"
#include "test_data.h"

namespace {

class VaskoTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        wc_ = Create<IWC>(CLSID_Vasko, IID_IWC);
        ASSERT_TRUE(wc_);
    }
    LONG Load(int pos, const std::string& file) {
        LONG ok = -7;
        EXPECT_EQ(S_OK, VCall(wc_.get(), pos, static_cast<BSTR>(Text(file.c_str())), &ok));
        return ok;
    }
    LONG Ask(int pos, const char* text) {
        LONG id = -7;
        EXPECT_EQ(S_OK, VCall(wc_.get(), pos, static_cast<BSTR>(Text(text)), &id));
        return id;
    }
    double P(LONG c, LONG w) {
        double p = -7;
        EXPECT_EQ(S_OK, VCall(wc_.get(), 9, c, w, &p));
        return p;
    }
    static constexpr int kLoad = 7, kWordId = 10, kClassId = 11, kLoad1 = 12, kWordClassId = 13;
    com::com_ptr<IWC> wc_;
};

}  // namespace

TEST_F(VaskoTest, LoadNumbersClassesAsTheClassSequenceModel) {
    ASSERT_EQ(1, Load(kLoad, DataPath("class.ini")));
    EXPECT_EQ(1, Ask(kWordId, "Vilnius"));
    EXPECT_EQ(4, Ask(kWordId, "va\xFEiuoja"));
    EXPECT_EQ(0, Ask(kWordId, "Klaipeda"));
    EXPECT_EQ(0, Ask(kWordId, nullptr));
    EXPECT_EQ(3, Ask(kClassId, "Kaunas"));
    EXPECT_EQ(4, Ask(kClassId, "eina"));
    EXPECT_EQ(0, Ask(kClassId, "CITY"));  // a class name is no word
    EXPECT_EQ(3, Ask(kWordClassId, "CITY"));
    EXPECT_EQ(4, Ask(kWordClassId, "eina"));
    EXPECT_EQ(1, Ask(kWordClassId, "<s>"));
    EXPECT_EQ(0, Ask(kWordClassId, "vksm.es.3"));
    EXPECT_DOUBLE_EQ(0.6f, P(3, 1));
    EXPECT_DOUBLE_EQ(0.7f, P(4, 3));
    EXPECT_EQ(0.0, P(4, 1));
    EXPECT_EQ(0.0, P(0, 0));
    EXPECT_EQ(0.0, P(-1, 99999));

    // The KN component reads the class sequences from the same file: the type-6 product.
    auto kn = Create<IKN>(CLSID_Dravo, IID_IKN);
    LONG ok = -7;
    ASSERT_EQ(S_OK, VCall(kn.get(), 7, static_cast<BSTR>(Text(DataPath("class.ini").c_str())), &ok));
    ASSERT_EQ(1, ok);
    float pk = -7;
    ASSERT_EQ(S_OK, VCall(kn.get(), 10, Ask(kClassId, "Kaunas"), Ask(kClassId, "Vilnius"), Ask(kClassId, "eina"), &pk));
    EXPECT_NEAR(0.441670141, pk * P(4, Ask(kWordId, "eina")), 1e-6);
}

TEST_F(VaskoTest, Load1NumbersClassesInFileOrder) {
    ASSERT_EQ(1, Load(kLoad1, DataPath("classcache.ini")));
    EXPECT_EQ(1, Ask(kClassId, "Vilnius"));
    EXPECT_EQ(2, Ask(kWordClassId, "VERB"));
    EXPECT_DOUBLE_EQ(0.4f, P(Ask(kWordClassId, "Vilnius"), Ask(kWordId, "Kaunas")));
    // Load1 of the type-6 file ignores the class sequences too.
    ASSERT_EQ(1, Load(kLoad1, DataPath("class.ini")));
    EXPECT_EQ(1, Ask(kWordClassId, "CITY"));
    LONG count = -7;
    EXPECT_EQ(S_OK, VCall(wc_.get(), 8, &count));
    EXPECT_EQ(2, count);
}

TEST_F(VaskoTest, LateBoundAndBadFiles) {
    com::unique_variant r;
    ASSERT_EQ(S_OK, LateCall(wc_.get(), L"Load1", {Var(DataPath("class.ini").c_str())}, r.put()));
    EXPECT_EQ(1, r->lVal);
    ASSERT_EQ(S_OK, LateCall(wc_.get(), L"Probability", {Var(2), Var(3)}, r.put()));
    EXPECT_EQ(VT_R8, r->vt);
    EXPECT_NEAR(0.7, r->dblVal, 1e-7);
    ASSERT_EQ(S_OK, LateCall(wc_.get(), L"GetWordClassID", {Var("Kaunas")}, r.put()));
    EXPECT_EQ(1, r->lVal);

    for (const char* bad : {"bad/wc_bad.ini", "kn.ini" /* no wc_file */, "absent.ini"}) {
        EXPECT_EQ(0, Load(kLoad, DataPath(bad))) << bad;
        EXPECT_EQ(0, Load(kLoad1, DataPath(bad))) << bad;
    }
    EXPECT_EQ(0, Ask(kWordClassId, "Kaunas"));
    EXPECT_EQ(0.0, P(1, 2));
}
