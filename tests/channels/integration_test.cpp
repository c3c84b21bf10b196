// Requests from a client process against a model set loaded through the real components: the
// channels' threads call the components that the main thread loaded.
#include <gtest/gtest.h>

#include <cstdio>

#include "Tarvel/engine/modelset.h"
#include "Tarvel/engine/servers.h"
#include "client_process.h"
#include "fake_creator.h"
#include "fake_toolops.h"
#include "temp_dir.h"

namespace {

TEST(ChannelIntegration, RealComponentsAnswerThroughBothChannels) {
    fakes::ScopedDebugAnswer answer{engine::DebugAnswer::No};
    fakes::FakeToolOps form;
    TempDir dir;
    TTarvel set;
    // td0: KN over tiny.arpa (c has id 5; p(c | a b) by ids 3 4 5 is 10^-0.05), td1 over unigram.arpa.
    form.settingsFile = dir.Write("tarvel.set", std::string("type = 3\nTDCount = 2\nlm = ") +
                                                    MODELSET_DATA + "td\n");
    ASSERT_TRUE(set.Load(form.settingsFile)) << ::testing::PrintToString(form.lines);
    ASSERT_TRUE(set.StartIsUnknown());
    ASSERT_TRUE(set.StartProbabilityId());
    EXPECT_EQ(RunClient("char c").output, "result=5 marker=121212\n");
    EXPECT_EQ(RunClient("char zz").output, "result=0 marker=121212\n");
    const ClientRun p = RunClient("int 3 3 4 5 0");
    float value = 0;
    int marker = 0;
    ASSERT_EQ(std::sscanf(p.output.c_str(), "result=%f bits=%*x marker=%d", &value, &marker), 2)
        << p.output;
    EXPECT_NEAR(value, -0.05, 1e-5);
    EXPECT_EQ(marker, 121212);
    EXPECT_TRUE(set.StopIsUnknown());
    EXPECT_TRUE(set.StopProbabilityId());
    for (const auto& r : engine::TakeDebugReports()) ADD_FAILURE() << r.caption << r.text;
}

}  // namespace
