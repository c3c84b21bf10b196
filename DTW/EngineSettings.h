// The two settings of a similar-word engine that its settings dialog edits: the language model's
// share in the final score and the distance threshold.
#pragma once
#include <cstdint>

class EngineSettings {
public:
    virtual ~EngineSettings() = default;
    virtual double GetWeight() const = 0;
    // Each setter also makes the next analysis compute afresh.
    virtual void SetWeight(double value) = 0;
    virtual std::int32_t GetMaxValue() const = 0;
    virtual void SetMaxValue(std::int32_t value) = 0;
};
