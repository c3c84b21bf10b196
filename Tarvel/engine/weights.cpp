// Weight estimation: smoothing towards equal weights, then EM steps over the newest EMHist
// positions of the models' probability histories until the perplexity stops falling by 1 %.
#include <algorithm>
#include <cmath>
#include <vector>

#include "modelset.h"
#include "modelset_internal.h"

using namespace engine::detail;

bool TTarvel::UpdateWeight() {
    Busy busy(*this);
    const unsigned gen = generation;
    if (Unsettled(gen)) return false;
    if (!dynamic) return true;
    Trace("UpdateWeight()");
    if (Unsettled(gen)) return false;
    // Without models there is no history to learn from: the weights stay as they are.
    if (Models().count == 0) return true;
    EstimateWeights();
    return true;
}

void TTarvel::EstimateWeights() {
    const int n = ModelCount();
    if (n == 0) return;
    // Each statement is worked out at double precision and stored once in single precision.
    for (auto& m : models) Weight(*m) = f32(0.5 / n + 0.5 * Weight(*m));
    float sum = 0.0f;
    for (auto& m : models) sum = f32(sum + Weight(*m));
    if (sum < 1.0f) {
        for (auto& m : models) Weight(*m) = f32(Weight(*m) + (1.0 - sum) / n);
    } else if (sum > 1.0f) {
        for (auto& m : models) Weight(*m) = f32(Weight(*m) / sum);
    }
    float before = Perplexity();
    for (;;) {
        EMStep();
        const float now = Perplexity();
        // A ratio that is not a number ends the loop too.
        const bool last = !(static_cast<double>(now) / before <= emStop);
        before = now;
        if (last) break;
    }
}

void TTarvel::EMStep() {
    const int n = ModelCount();
    if (n == 0) return;
    const int count = HistCount(*models[0]);
    const int start = std::max(0, count - emHist);
    std::vector<float> r(static_cast<size_t>(n));
    for (auto& m : models) Acc(*m) = 0.0f;
    int j = 0;
    for (int i = start; i < count; ++i) {
        if (!(HistValue(*models[0], i) > 0.0f)) continue;
        float sum = 0.0f;
        for (int k = 0; k < n; ++k) {
            r[k] = f32(static_cast<double>(Weight(*models[k])) * HistValue(*models[k], i));
            sum = f32(sum + r[k]);
        }
        // Only when model 0's weight is 0 can the sum be 0 here; such a position teaches nothing.
        if (sum == 0.0f || !std::isfinite(sum)) continue;
        for (int k = 0; k < n; ++k) Acc(*models[k]) = f32(Acc(*models[k]) + static_cast<double>(r[k]) / sum);
        ++j;
    }
    if (j > 0) {
        for (auto& m : models) Weight(*m) = f32(static_cast<double>(Acc(*m)) / j);
    } else if (setType == 2 || setType == 6) {
        for (int k = 0; k < n; ++k) Weight(*models[k]) = k == 0 ? 1.0f : 0.0f;
    } else {
        for (auto& m : models) Weight(*m) = f32(1.0 / n);
    }
}

float TTarvel::Perplexity() {
    const int n = ModelCount();
    const int count = n > 0 ? HistCount(*models[0]) : 0;
    const int start = std::max(0, count - emHist);
    float sum = 0.0f;
    int used = 0;
    for (int i = start; i < count; ++i) {
        float a = 0.0f;
        for (auto& m : models) a = f32(a + static_cast<double>(Weight(*m)) * HistValue(*m, i));
        if (a != 0.0f) {
            sum = f32(sum + std::log10(static_cast<double>(a)));
            ++used;
        }
    }
    if (used == 0) return 1000000.0f;
    const float x = f32(std::log(10.0) * (-static_cast<double>(sum) / used) / std::log(2.0));
    return f32(std::exp2(static_cast<double>(x)));
}
