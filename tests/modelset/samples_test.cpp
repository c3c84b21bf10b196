// The sample settings files of data/samples load through the real components, as the load job
// loads them: Tarvel started in the sample's folder, ILM.Load given the file that "lm" names.
#include <gtest/gtest.h>
#include <windows.h>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/engine/servers.h"
#include "fake_creator.h"
#include "fake_toolops.h"

namespace {

// Runs in a folder and returns to the one before.
class InFolder {
public:
    explicit InFolder(const std::string& dir) {
        ::GetCurrentDirectoryA(MAX_PATH, before_);
        ok = ::SetCurrentDirectoryA(dir.c_str()) != 0;
    }
    ~InFolder() { ::SetCurrentDirectoryA(before_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;
    bool ok;

private:
    char before_[MAX_PATH] = {};
};

struct Sample {
    const char* folder;
    const char* info;  // the set's description
    const char* weights;
};

class SampleSets : public ::testing::TestWithParam<Sample> {};

TEST_P(SampleSets, LoadAndAnswer) {
    const Sample& s = GetParam();
    InFolder here(std::string(SAMPLES_DIR) + s.folder);
    ASSERT_TRUE(here.ok) << s.folder;
    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    fakes::FakeToolOps form;
    form.settingsFile = "tarvel.set";
    TSettings own;
    ASSERT_TRUE(own.Load(form.settingsFile)) << own.lastError;
    const std::string lm = own.GetPath("lm");
    ASSERT_FALSE(lm.empty());

    TTarvel set;
    ASSERT_TRUE(set.Load(lm)) << ::testing::PrintToString(form.lines);
    EXPECT_FALSE(form.errorFlag) << ::testing::PrintToString(form.lines);
    EXPECT_EQ(s.info, set.GetInfo());
    EXPECT_EQ(s.weights, set.GetWeightInfo());
    // A sentence of the text the models were estimated from.
    EXPECT_GT(set.Probability("yra", "lietuvos", "sostin\xEB"), -3.0f);
    EXPECT_GT(set.IsUnknown("vilnius"), 0);
    for (const auto& r : engine::TakeDebugReports()) ADD_FAILURE() << r.caption << r.text;
}

INSTANTIATE_TEST_SUITE_P(
    Samples, SampleSets,
    ::testing::Values(Sample{"kn", "LM Info: loaded; KN; ", "Count = 1; [0]=1"},
                      Sample{"cmu", "LM Info: loaded; GT; ", "Count = 1; [0]=1"},
                      Sample{"cache", "LM Info: loaded; CACHE(GT); ", "Count = 3; [0]=1; [1]=0; [2]=0"},
                      Sample{"td", "LM Info: loaded; TD(KN-2); ", "Count = 2; [0]=0,5; [1]=0,5"},
                      Sample{"class", "LM Info: loaded; CLASS(KN); Uh = 1; Eh = 200", "Count = 2; [0]=0,75; [1]=0,25"},
                      Sample{"kn1", "LM Info: loaded; KN; ", "Count = 1; [0]=1"}),
    [](const ::testing::TestParamInfo<Sample>& i) { return std::string(i.param.folder); });

}  // namespace
