// Weight estimation: smoothing, EM steps, the stop ratio and the fallback weights.
#include <cmath>

#include <gtest/gtest.h>

#include "access.h"
#include "recording_form.h"

namespace {

using A = TTarvelAccess;

class WeightsTest : public ::testing::Test {
protected:
    RecordingForm form;
    TTarvel set;
    void Dynamic(int type, int emHist) {
        A::SetType(set, type);
        A::SetDynamic(set, true);
        A::SetEMHist(set, emHist);
    }
    float W(int i) { return A::Model(set, i).lamda; }
};

TEST_F(WeightsTest, OneStepWhenTheFirstStepGainsLessThanOnePercent) {
    Dynamic(3, 2);
    Record(A::Add(set, 0, 0.5f), 4, {0.2f, 0.1f});
    Record(A::Add(set, 0, 0.5f), 4, {0.1f, 0.3f});
    EXPECT_NEAR(A::Perplexity(set), 5.7735, 1e-4);
    EXPECT_TRUE(set.UpdateWeight());
    EXPECT_NEAR(W(0), 0.4583, 1e-4);
    EXPECT_NEAR(W(1), 0.5417, 1e-4);
    EXPECT_NEAR(A::Perplexity(set), 5.7371, 1e-4);
    // Ratio 0.9937 > 0.99: one step only, so a second run from the same start gives the same.
    EXPECT_NEAR(5.7371 / 5.7735, 0.9937, 1e-4);
}

TEST_F(WeightsTest, OnlyTheNewestEMHistPositionsCountAndStepsGoOnWhileTheyGain) {
    Dynamic(3, 2);
    Record(A::Add(set, 0, 0.5f), 4, {0.2f, 0.1f, 0.4f});
    Record(A::Add(set, 0, 0.5f), 4, {0.1f, 0.3f, 0.01f});
    const float p0 = A::Perplexity(set);
    A::EMStep(set);
    EXPECT_NEAR(W(0), 0.6128, 1e-4);
    EXPECT_NEAR(W(1), 0.3872, 1e-4);
    EXPECT_NEAR(A::Perplexity(set) / p0, 0.9633, 1e-4);

    A::Model(set, 0).lamda = 0.5f;
    A::Model(set, 1).lamda = 0.5f;
    set.UpdateWeight();
    EXPECT_NEAR(W(0), 0.6649, 1e-4);
    EXPECT_NEAR(W(1), 0.3351, 1e-4);
}

TEST_F(WeightsTest, EmptyWindowsFallBack) {
    Dynamic(2, 10);
    for (float w : {0.2f, 0.5f, 0.3f}) Record(A::Add(set, 2, w), 20, {});
    set.UpdateWeight();
    EXPECT_EQ(W(0), 1.0f);
    EXPECT_EQ(W(1), 0.0f);
    EXPECT_EQ(W(2), 0.0f);

    TTarvel four;
    A::SetType(four, 3);
    A::SetDynamic(four, true);
    for (int i = 0; i < 4; ++i) Record(A::Add(four, 0, i == 0 ? 1.0f : 0.0f), 0, {});
    four.UpdateWeight();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(A::Model(four, i).lamda, 0.25f);
}

TEST_F(WeightsTest, EMHistZeroAlwaysFallsBackAndPerplexityIsAMillion) {
    Dynamic(6, 0);
    for (float w : {0.2f, 0.5f, 0.3f}) Record(A::Add(set, 7, w), 0, {});
    EXPECT_EQ(A::Perplexity(set), 1000000.0f);
    set.UpdateWeight();
    EXPECT_EQ(W(0), 1.0f);
    EXPECT_EQ(W(1), 0.0f);
    EXPECT_EQ(W(2), 0.0f);
}

TEST_F(WeightsTest, DynamicOffChangesNothingAndWritesNoTrace) {
    A::SetType(set, 3);
    set.InfoOn(1);
    Record(A::Add(set, 0, 0.3f), 4, {0.2f});
    Record(A::Add(set, 0, 0.7f), 4, {0.1f});
    EXPECT_TRUE(set.UpdateWeight());
    EXPECT_EQ(W(0), 0.3f);
    EXPECT_EQ(W(1), 0.7f);
    EXPECT_TRUE(form.Lines().empty());

    A::SetDynamic(set, true);
    A::SetEMHist(set, 0);
    set.UpdateWeight();
    EXPECT_EQ(form.Lines(), std::vector<std::string>{"UpdateWeight()"});
}

TEST_F(WeightsTest, NoModelsLeavesEverythingAsItIs) {
    Dynamic(10, 5);
    set.InfoOn(1);
    EXPECT_TRUE(set.UpdateWeight());
    EXPECT_EQ(A::Count(set), 0);
    EXPECT_EQ(form.Lines(), std::vector<std::string>{"UpdateWeight()"});
}

TEST_F(WeightsTest, APositionWithZeroWeightedSumIsSkipped) {
    Dynamic(3, 4);
    // Position 0: model 0 has weight 0, model 1 recorded 0: the weighted sum is 0.
    Record(A::Add(set, 0, 0.0f), 8, {0.5f, 0.2f});
    Record(A::Add(set, 0, 1.0f), 8, {0.0f, 0.2f});
    A::EMStep(set);
    // Only position 1 counts: r = (0, 0.2), so the weights become 0 and 1.
    EXPECT_EQ(W(0), 0.0f);
    EXPECT_EQ(W(1), 1.0f);

    // With no usable position at all the fallback applies: no NaN.
    TTarvel other;
    A::SetType(other, 3);
    A::SetEMHist(other, 4);
    Record(A::Add(other, 0, 0.0f), 8, {0.5f});
    Record(A::Add(other, 0, 1.0f), 8, {0.0f});
    A::EMStep(other);
    EXPECT_EQ(A::Model(other, 0).lamda, 0.5f);
    EXPECT_EQ(A::Model(other, 1).lamda, 0.5f);
}

TEST_F(WeightsTest, ModelZeroZerosAreLeftOutOfEMButCountForPerplexity) {
    Dynamic(3, 4);
    Record(A::Add(set, 0, 0.5f), 8, {0.0f, 0.2f});
    Record(A::Add(set, 0, 0.5f), 8, {0.4f, 0.2f});
    // Perplexity over a = 0.2 and 0.2: 5.
    EXPECT_NEAR(A::Perplexity(set), 5.0, 1e-4);
    A::EMStep(set);
    EXPECT_NEAR(W(0), 0.5, 1e-6);
    EXPECT_NEAR(W(1), 0.5, 1e-6);
}

TEST_F(WeightsTest, SmoothingPullsHalfwayToEqualWeights) {
    // One usable position where both models give the same value keeps the smoothed weights.
    Dynamic(3, 4);
    Record(A::Add(set, 0, 1.0f), 8, {0.1f});
    Record(A::Add(set, 0, 0.0f), 8, {0.1f});
    Record(A::Add(set, 0, 0.0f), 8, {0.1f});
    set.UpdateWeight();
    EXPECT_NEAR(W(0), 0.6667, 1e-4);
    EXPECT_NEAR(W(1), 0.1667, 1e-4);
    EXPECT_NEAR(W(2), 0.1667, 1e-4);
}

}  // namespace
