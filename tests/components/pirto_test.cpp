// Pirto (ICache): the cache follows the words appended and takes back exactly the newest n.
#include "com_calls.h"
#include "components.h"
#include "test_data.h"

namespace {

class PirtoTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        cache_ = Create<ICache>(CLSID_Pirto, IID_ICache);
        ASSERT_TRUE(cache_);
    }
    LONG Load(const std::string& file) {
        LONG ok = -7;
        EXPECT_EQ(S_OK, VCall(cache_.get(), 7, static_cast<BSTR>(Text(file.c_str())), &ok));
        return ok;
    }
    double P1(const char* w) {
        double p = -7;
        EXPECT_EQ(S_OK, VCall(cache_.get(), 9, static_cast<BSTR>(Text(w)), &p));
        return p;
    }
    double P2(const char* a, const char* b) {
        double p = -7;
        EXPECT_EQ(S_OK, VCall(cache_.get(), 10, static_cast<BSTR>(Text(a)), static_cast<BSTR>(Text(b)), &p));
        return p;
    }
    void Add(std::initializer_list<const char*> words) {
        for (const char* w : words) {
            double p = -7;
            EXPECT_EQ(S_OK, VCall(cache_.get(), 11, static_cast<BSTR>(Text(w)), &p));
            EXPECT_NUMBER(p);
        }
    }
    LONG TakeBack(LONG n) {
        LONG removed = -7;
        EXPECT_EQ(S_OK, VCall(cache_.get(), 14, n, &removed));
        return removed;
    }
    LONG Length() {
        LONG n = -7;
        EXPECT_EQ(S_OK, VCall(cache_.get(), 8, &n));
        return n;
    }
    com::com_ptr<ICache> cache_;
};

}  // namespace

TEST_F(PirtoTest, CountsTheRecentWords) {
    ASSERT_EQ(1, Load(DataPath("cache.ini")));
    EXPECT_EQ(0.0, P1("a"));  // empty cache: 0, not 0/0
    EXPECT_EQ(0.0, P2("a", "b"));
    Add({"a", "b", "a", "c"});
    EXPECT_DOUBLE_EQ(0.5, P1("a"));
    EXPECT_DOUBLE_EQ(0.25, P1("c"));
    EXPECT_EQ(0.0, P1("z"));
    EXPECT_DOUBLE_EQ(0.5, P2("a", "b"));
    EXPECT_DOUBLE_EQ(1.0, P2("b", "a"));
    EXPECT_EQ(0.0, P2("c", "a"));  // c has no successor yet
    Add({"d", "e"});               // capacity 5: the first a drops out
    EXPECT_EQ(5, Length());
    EXPECT_DOUBLE_EQ(0.2, P1("a"));
    EXPECT_EQ(0.0, P2("a", "b"));
    EXPECT_DOUBLE_EQ(1.0, P2("b", "a"));
}

TEST_F(PirtoTest, ClearCalcCacheTakesBackExactlyN) {
    ASSERT_EQ(1, Load(DataPath("cache.ini")));
    Add({"a", "b", "a", "c", "d", "e"});  // b a c d e
    EXPECT_EQ(2, TakeBack(2));
    EXPECT_EQ(3, Length());
    EXPECT_DOUBLE_EQ(1.0 / 3, P1("b"));
    EXPECT_EQ(0.0, P1("e"));
    EXPECT_EQ(0.0, P2("c", "d"));  // the pair went with d
    EXPECT_DOUBLE_EQ(1.0, P2("a", "c"));
    EXPECT_EQ(0, TakeBack(0));
    EXPECT_EQ(0, TakeBack(-3));
    EXPECT_EQ(3, Length());
    Add({"c"});
    EXPECT_DOUBLE_EQ(0.5, P1("c"));
    EXPECT_EQ(4, TakeBack(10));  // more than the cache holds: it empties
    EXPECT_EQ(0, Length());
    EXPECT_EQ(0.0, P1("b"));

    Add({"x", "y"});
    LONG ok = -7;
    EXPECT_EQ(S_OK, VCall(cache_.get(), 12, &ok));  // ClearHistory
    EXPECT_EQ(0, Length());
    EXPECT_EQ(S_OK, VCall(cache_.get(), 13, LONG{1}));  // InfoOn
}

TEST_F(PirtoTest, LateBoundAndBadSettings) {
    com::unique_variant r;
    ASSERT_EQ(S_OK, LateCall(cache_.get(), L"Load", {Var(DataPath("cache.ini").c_str())}, r.put()));
    EXPECT_EQ(1, r->lVal);
    ASSERT_EQ(S_OK, LateCall(cache_.get(), L"AddToHist", {Var("w")}, r.put()));
    ASSERT_EQ(S_OK, LateCall(cache_.get(), L"Probability1", {Var("w")}, r.put()));
    EXPECT_EQ(VT_R8, r->vt);
    EXPECT_DOUBLE_EQ(1.0, r->dblVal);
    ASSERT_EQ(S_OK, LateCall(cache_.get(), L"ClearCalcCache", {Var(1)}, r.put()));
    EXPECT_EQ(1, r->lVal);

    EXPECT_EQ(0, Load(DataPath("bad/cache_zero.ini")));
    EXPECT_EQ(0, Load(DataPath("absent.ini")));
    Add({"a"});  // no cache after a failed load: nothing kept, answers 0
    EXPECT_EQ(0.0, P1("a"));
    EXPECT_EQ(0, Length());
}
